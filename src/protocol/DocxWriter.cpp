#include "protocol/DocxWriter.h"

#include "protocol/TextCodec.h"
#include "protocol/ZipArchive.h"

namespace vk {

namespace {

constexpr char kMain[] = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr char kXmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

// A4 landscape with 1.5 cm margins, in twentieths of a point.
constexpr int kPageWidth = 16838, kPageHeight = 11906, kMargin = 850;
// Shares of the width per column, as on the web page.
constexpr int kShares[] = {5, 20, 15, 10, 10, 10, 5, 5, 5, 5, 5};

const char* alignment(int col, int row) {
    if (row == 0 || (col >= 1 && col <= 3))
        return "left";
    return col == 9 ? "center" : "right";
}

std::string contentTypes() {
    return std::string(kXmlHead) +
           "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
           "<Default Extension=\"rels\" "
           "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
           "<Override PartName=\"/word/document.xml\" "
           "ContentType=\"application/"
           "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
           "<Override PartName=\"/word/styles.xml\" "
           "ContentType=\"application/"
           "vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
           "<Override PartName=\"/docProps/core.xml\" "
           "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
           "</Types>";
}

std::string packageRels() {
    return std::string(kXmlHead) +
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
           "officeDocument\" Target=\"word/document.xml\"/>"
           "<Relationship Id=\"rId2\" "
           "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/"
           "core-properties\" Target=\"docProps/core.xml\"/>"
           "</Relationships>";
}

std::string documentRels() {
    return std::string(kXmlHead) +
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
           "Target=\"styles.xml\"/>"
           "</Relationships>";
}

std::string styles() {
    return std::string(kXmlHead) + "<w:styles xmlns:w=\"" + kMain +
           "\">"
           "<w:docDefaults><w:rPrDefault><w:rPr>"
           "<w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\" w:cs=\"Arial\"/>"
           "<w:sz w:val=\"18\"/><w:szCs w:val=\"18\"/><w:lang w:val=\"de-DE\"/>"
           "</w:rPr></w:rPrDefault>"
           "<w:pPrDefault><w:pPr><w:spacing w:after=\"0\" w:line=\"240\" w:lineRule=\"auto\"/>"
           "</w:pPr></w:pPrDefault></w:docDefaults>"
           "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\">"
           "<w:name w:val=\"Normal\"/><w:qFormat/></w:style>"
           "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\">"
           "<w:name w:val=\"heading 1\"/><w:basedOn w:val=\"Normal\"/>"
           "<w:next w:val=\"Normal\"/><w:qFormat/>"
           "<w:pPr><w:keepNext/><w:spacing w:before=\"0\" w:after=\"240\"/>"
           "<w:outlineLvl w:val=\"0\"/></w:pPr>"
           "<w:rPr><w:b/><w:bCs/><w:sz w:val=\"32\"/><w:szCs w:val=\"32\"/></w:rPr></w:style>"
           "</w:styles>";
}

std::string coreProperties(const DocumentInfo& info) {
    return std::string(kXmlHead) +
           "<cp:coreProperties "
           "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
           "<dc:title>" +
           XmlText(info.title) + "</dc:title><dc:subject>" + XmlText(info.subject) +
           "</dc:subject><dc:creator>" + XmlText(info.author) + "</dc:creator></cp:coreProperties>";
}

std::string document(const CellTable& table, const DocumentInfo& info) {
    const int cols = table.ColCount();
    int shareSum = 0;
    for (int c = 0; c < cols; ++c)
        shareSum += c < 11 ? kShares[c] : 5;
    const int usable = kPageWidth - 2 * kMargin;
    std::vector<int> widths;
    for (int c = 0; c < cols; ++c)
        widths.push_back(usable * (c < 11 ? kShares[c] : 5) / shareSum);

    std::string d = std::string(kXmlHead) + "<w:document xmlns:w=\"" + kMain + "\"><w:body>";
    d += "<w:p><w:pPr><w:pStyle w:val=\"Heading1\"/></w:pPr><w:r><w:t xml:space=\"preserve\">" +
         XmlText(info.title) + "</w:t></w:r></w:p>";
    d += "<w:tbl><w:tblPr><w:tblW w:w=\"" + std::to_string(usable) +
         "\" w:type=\"dxa\"/><w:tblBorders>";
    for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"})
        d += std::string("<w:") + side +
             " w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"808080\"/>";
    d += "</w:tblBorders><w:tblLayout w:type=\"fixed\"/><w:tblCellMar>"
         "<w:left w:w=\"57\" w:type=\"dxa\"/><w:right w:w=\"57\" w:type=\"dxa\"/>"
         "</w:tblCellMar><w:tblLook w:val=\"0000\"/></w:tblPr><w:tblGrid>";
    for (int w : widths)
        d += "<w:gridCol w:w=\"" + std::to_string(w) + "\"/>";
    d += "</w:tblGrid>";
    for (int r = 0; r < table.RowCount(); ++r) {
        d += r == 0 ? "<w:tr><w:trPr><w:tblHeader/></w:trPr>" : "<w:tr>";
        for (int c = 0; c < cols; ++c) {
            d += "<w:tc><w:tcPr><w:tcW w:w=\"" + std::to_string(widths[static_cast<size_t>(c)]) +
                 "\" w:type=\"dxa\"/>";
            if (r == 0)
                d += "<w:shd w:val=\"clear\" w:color=\"auto\" w:fill=\"91B5FF\"/>";
            d += std::string("</w:tcPr><w:p><w:pPr><w:jc w:val=\"") + alignment(c, r) +
                 "\"/></w:pPr>";
            const std::string& cell = table.Cell(c, r);
            if (!cell.empty()) {
                d += "<w:r>";
                if (r == 0)
                    d += "<w:rPr><w:b/><w:bCs/></w:rPr>";
                d += "<w:t xml:space=\"preserve\">" + XmlText(cell) + "</w:t></w:r>";
            }
            d += "</w:p></w:tc>";
        }
        d += "</w:tr>";
    }
    d += "</w:tbl><w:p/><w:sectPr><w:pgSz w:w=\"" + std::to_string(kPageWidth) + "\" w:h=\"" +
         std::to_string(kPageHeight) + "\" w:orient=\"landscape\"/><w:pgMar w:top=\"" +
         std::to_string(kMargin) + "\" w:right=\"" + std::to_string(kMargin) + "\" w:bottom=\"" +
         std::to_string(kMargin) + "\" w:left=\"" + std::to_string(kMargin) +
         "\" w:header=\"567\" w:footer=\"567\" w:gutter=\"0\"/></w:sectPr></w:body></w:document>";
    return d;
}

} // namespace

std::string XmlText(const std::string& text) {
    const std::string s = AsUtf8(text);
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const auto ch = static_cast<unsigned char>(s[i]);
        switch (ch) {
        case '&':
            out += "&amp;";
            continue;
        case '<':
            out += "&lt;";
            continue;
        case '>':
            out += "&gt;";
            continue;
        case '"':
            out += "&quot;";
            continue;
        default:
            break;
        }
        if (ch < 0x20) {
            out += ' ';
            continue;
        }
        // U+FFFE and U+FFFF are not XML characters either.
        if (ch == 0xEF && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xBF &&
            (static_cast<unsigned char>(s[i + 2]) & 0xFE) == 0xBE) {
            out += ' ';
            i += 2;
            continue;
        }
        out += s[i];
    }
    return out;
}

std::string DocxBytes(const CellTable& table, const DocumentInfo& info, std::string& error) {
    return ZipBytes({{"[Content_Types].xml", contentTypes()},
                     {"_rels/.rels", packageRels()},
                     {"docProps/core.xml", coreProperties(info)},
                     {"word/document.xml", document(table, info)},
                     {"word/_rels/document.xml.rels", documentRels()},
                     {"word/styles.xml", styles()}},
                    error);
}

} // namespace vk
