#pragma once
#include "platform/Services.h"
#include "protocol/CellTable.h"
#include "protocol/Protocol.h"
#include "protocol/ZipArchive.h"
#include "support/RecordingShell.h"

#include <string>
#include <vector>

namespace vk::test {

// A protocol with umlauts, characters that need escaping, times and speeds, an empty cell,
// a text of digits with a leading zero and, last, a row without a start number.
inline void FillSampleProtocol(CellTable& t) {
    t.SetColCount(11);
    t.SetRowCount(4);
    for (int c = 0; c < 11; ++c)
        t.SetCell(c, 0, ProtocolHeaders[static_cast<size_t>(c)]);
    const std::vector<std::vector<std::string>> rows = {
        {"12", "Müller", "Jörg", "3", "0,512", "2,345", "123,4", "5,123", "5,635", "+", "1"},
        {"7", "<script>alert(1)</script>", "A & B \"Q\"", "2", "", "", "", "12,000", "-", "",
         "007"},
        {"", "ohne Nummer", "Ä", "", "", "", "", "", "", "", ""},
    };
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c)
            t.SetCell(static_cast<int>(c), static_cast<int>(r) + 1, rows[r][c]);
}

// An .xlsx made of the given sheet data (the inside of <sheetData>), shared strings (the
// inside of <sst>) and cell formats (the inside of <styleSheet>).
inline std::string MakeXlsx(const std::string& sheetData, const std::string& shared = "",
                            const std::string& styles = "", const std::string& sheetXml = "") {
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    std::vector<std::pair<std::string, std::string>> files = {
        {"_rels/.rels", "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                            "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml",
         "<workbook xmlns:r=\"" + rel.substr(0, rel.size() - 1) +
             "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
             "worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" +
             rel +
             "sharedStrings\" Target=\"sharedStrings.xml\"/><Relationship Id=\"rId3\" Type=\"" +
             rel + "styles\" Target=\"/xl/styles.xml\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml",
         sheetXml.empty() ? "<worksheet><sheetData>" + sheetData + "</sheetData></worksheet>"
                          : sheetXml},
        {"xl/sharedStrings.xml", "<sst>" + shared + "</sst>"},
        {"xl/styles.xml", "<styleSheet>" + styles + "</styleSheet>"},
    };
    std::string error;
    return ZipBytes(files, error);
}

inline std::string Unzipped(const std::string& zipBytes, const std::string& name) {
    std::string error, out;
    const auto zip = ZipReader::Open(zipBytes, error);
    if (zip)
        zip->readAll(name, 64u << 20, out);
    return out;
}

} // namespace vk::test
