#include "protocol/SpreadsheetReader.h"

#include "protocol/NumberFormats.h"
#include "protocol/ProtocolText.h"
#include "protocol/TextCodec.h"
#include "protocol/ZipArchive.h"

#include <expat.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <map>
#include <string_view>

namespace vk {

namespace {

// Bounds on what a hostile archive can make us inflate or keep.
constexpr size_t kMaxFileBytes = 256u << 20;
constexpr size_t kMaxSmallPart = 16u << 20;
constexpr size_t kMaxSharedStrings = 128u << 20;
constexpr size_t kMaxCellBytes = 128u << 10;
// Millions of empty strings fit into the part's bound but not into memory.
constexpr size_t kMaxSharedStringCount = 4000000;

std::string_view localName(const char* name) {
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

const char* attr(const char** attrs, std::string_view name) {
    for (int i = 0; attrs[i]; i += 2)
        if (localName(attrs[i]) == name)
            return attrs[i + 1];
    return nullptr;
}

bool parseUnsigned(std::string_view s, long long& value) {
    if (s.empty())
        return false;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), value);
    return res.ec == std::errc() && res.ptr == s.data() + s.size() && value >= 0;
}

// Receives the elements of one part. A handler sets `done` to end the part early (success)
// or `error` to fail it.
class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    virtual void start(std::string_view name, const char** attrs) = 0;
    virtual void end(std::string_view name) = 0;
    virtual void text(const char*, int) {}
    bool done = false;
    std::string error;
};

struct ParserCall {
    XML_Parser parser;
    XmlHandler* handler;
};

void onStart(void* ud, const char* name, const char** attrs) {
    auto* c = static_cast<ParserCall*>(ud);
    c->handler->start(localName(name), attrs);
    if (c->handler->done || !c->handler->error.empty())
        XML_StopParser(c->parser, XML_FALSE);
}
void onEnd(void* ud, const char* name) {
    auto* c = static_cast<ParserCall*>(ud);
    c->handler->end(localName(name));
    if (c->handler->done || !c->handler->error.empty())
        XML_StopParser(c->parser, XML_FALSE);
}
void onText(void* ud, const char* s, int len) {
    static_cast<ParserCall*>(ud)->handler->text(s, len);
}
// Office files never carry a DTD; refusing it rules out entity expansion altogether.
void onDoctype(void* ud, const char*, const char*, const char*, int) {
    auto* c = static_cast<ParserCall*>(ud);
    c->handler->error = "unerwartete DTD";
    XML_StopParser(c->parser, XML_FALSE);
}

// Empty on success, else the reason.
std::string parsePart(const ZipReader& zip, const std::string& name, size_t limit, XmlHandler& h) {
    XML_Parser p = XML_ParserCreate("UTF-8");
    if (!p)
        return "kein Speicher für den XML-Leser";
    ParserCall call{p, &h};
    XML_SetUserData(p, &call);
    XML_SetElementHandler(p, onStart, onEnd);
    XML_SetCharacterDataHandler(p, onText);
    XML_SetStartDoctypeDeclHandler(p, onDoctype);
    std::string xmlError;
    auto feed = [&](const char* data, size_t size, bool final) {
        if (XML_Parse(p, data, static_cast<int>(size), final ? 1 : 0) != XML_STATUS_ERROR)
            return true;
        if (!h.done && h.error.empty())
            xmlError = std::string(XML_ErrorString(XML_GetErrorCode(p))) + " in Zeile " +
                       std::to_string(XML_GetCurrentLineNumber(p));
        return false;
    };
    const ZipReader::Result r = zip.read(name, limit, [&](const char* d, size_t n) {
        // Chunks are at most 64 KiB, well inside int.
        return feed(d, n, false);
    });
    bool ok = true;
    if (r == ZipReader::Result::Ok)
        ok = feed(nullptr, 0, true);
    XML_ParserFree(p);
    if (!h.error.empty())
        return name + ": " + h.error;
    if (h.done)
        return {};
    switch (r) {
    case ZipReader::Result::Missing:
        return name + " fehlt";
    case ZipReader::Result::TooLarge:
        return name + " ist unglaubwürdig groß";
    case ZipReader::Result::Broken:
        return name + " ist beschädigt";
    default:
        break;
    }
    if (!ok || !xmlError.empty())
        return name + ": " + (xmlError.empty() ? std::string("kein gültiges XML") : xmlError);
    return {};
}

struct Relationship {
    std::string type, target;
    bool external = false;
};

class RelsHandler final : public XmlHandler {
public:
    std::map<std::string, Relationship> byId;
    void start(std::string_view name, const char** attrs) override {
        if (name != "Relationship")
            return;
        const char* id = attr(attrs, "Id");
        const char* type = attr(attrs, "Type");
        const char* target = attr(attrs, "Target");
        const char* mode = attr(attrs, "TargetMode");
        if (id && type && target)
            byId[id] = {type, target, mode && std::string_view(mode) == "External"};
    }
    void end(std::string_view) override {}
    const Relationship* ofType(std::string_view suffix) const {
        for (const auto& [id, rel] : byId) {
            const std::string_view t = rel.type;
            if (!rel.external && t.size() >= suffix.size() &&
                t.substr(t.size() - suffix.size()) == suffix)
                return &rel;
        }
        return nullptr;
    }
};

// A part name from a relationship target, relative to the folder of the part that holds it.
std::string resolvePart(const std::string& folder, const std::string& target) {
    std::string full = !target.empty() && target[0] == '/' ? target.substr(1)
                       : folder.empty()                    ? target
                                                           : folder + "/" + target;
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= full.size()) {
        size_t j = full.find('/', i);
        if (j == std::string::npos)
            j = full.size();
        const std::string seg = full.substr(i, j - i);
        if (seg == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!seg.empty() && seg != ".") {
            parts.push_back(seg);
        }
        i = j + 1;
    }
    std::string out;
    for (const auto& s : parts)
        out += (out.empty() ? "" : "/") + s;
    return out;
}

std::string folderOfPart(const std::string& part) {
    const auto slash = part.find_last_of('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash);
}

std::string relsOf(const std::string& part) {
    const auto slash = part.find_last_of('/');
    if (slash == std::string::npos)
        return "_rels/" + part + ".rels";
    return part.substr(0, slash) + "/_rels/" + part.substr(slash + 1) + ".rels";
}

class WorkbookHandler final : public XmlHandler {
public:
    std::string firstSheetId;
    void start(std::string_view name, const char** attrs) override {
        if (name != "sheet")
            return;
        if (const char* id = attr(attrs, "id"))
            firstSheetId = id;
        done = true;
    }
    void end(std::string_view) override {}
};

class StylesHandler final : public XmlHandler {
public:
    std::map<long long, std::string> codes;
    std::vector<long long> cellFormats;
    int inCellXfs = 0;
    void start(std::string_view name, const char** attrs) override {
        long long id = 0;
        if (name == "numFmt") {
            const char* i = attr(attrs, "numFmtId");
            const char* c = attr(attrs, "formatCode");
            if (i && c && parseUnsigned(i, id))
                codes[id] = c;
        } else if (name == "cellXfs") {
            ++inCellXfs;
        } else if (name == "xf" && inCellXfs > 0) {
            const char* i = attr(attrs, "numFmtId");
            cellFormats.push_back(i && parseUnsigned(i, id) ? id : 0);
        }
    }
    void end(std::string_view name) override {
        if (name == "cellXfs")
            --inCellXfs;
    }
    NumberDecimals decimalsOfStyle(long long style) const {
        if (style < 0 || style >= static_cast<long long>(cellFormats.size()))
            return {};
        const long long id = cellFormats[static_cast<size_t>(style)];
        const auto it = codes.find(id);
        return it != codes.end() ? DecimalsOfFormatCode(it->second) : DecimalsOfBuiltinFormat(id);
    }
};

// Collects the text of <t> elements, leaving out phonetic runs (<rPh>).
class RichText {
public:
    void start(std::string_view name) {
        if (name == "rPh")
            ++phonetic_;
        else if (name == "t" && phonetic_ == 0)
            inT_ = true;
    }
    void end(std::string_view name) {
        if (name == "rPh")
            --phonetic_;
        else if (name == "t")
            inT_ = false;
    }
    void text(const char* s, int len, std::string& out) const {
        if (inT_ && out.size() < kMaxCellBytes)
            out.append(s, static_cast<size_t>(len));
    }

private:
    int phonetic_ = 0;
    bool inT_ = false;
};

// _xHHHH_ stands for the character HHHH in office strings.
std::string decodeEscapes(const std::string& s) {
    if (s.find("_x") == std::string::npos)
        return s;
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned code = 0;
        if (s[i] == '_' && i + 6 < s.size() && s[i + 1] == 'x' && s[i + 6] == '_' &&
            std::from_chars(s.data() + i + 2, s.data() + i + 6, code, 16).ptr == s.data() + i + 6) {
            if (code < 0xD800 || code > 0xDFFF)
                AppendUtf8(out, code);
            i += 6;
            continue;
        }
        out += s[i];
    }
    return out;
}

class SharedStringsHandler final : public XmlHandler {
public:
    std::vector<std::string> strings;
    void start(std::string_view name, const char**) override {
        if (name == "si") {
            inSi_ = true;
            current_.clear();
        }
        rich_.start(name);
    }
    void end(std::string_view name) override {
        rich_.end(name);
        if (name == "si" && inSi_) {
            if (strings.size() >= kMaxSharedStringCount)
                error = "zu viele Texte";
            else
                strings.push_back(decodeEscapes(current_));
            inSi_ = false;
        }
    }
    void text(const char* s, int len) override {
        if (inSi_)
            rich_.text(s, len, current_);
    }

private:
    bool inSi_ = false;
    RichText rich_;
    std::string current_;
};

// Column number (1 = A) of a cell reference such as "C12"; 0 when it has no letters.
long long columnOf(std::string_view ref) {
    long long col = 0;
    size_t i = 0;
    for (; i < ref.size() && i < 3; ++i) {
        const char ch = ref[i];
        if (ch >= 'A' && ch <= 'Z')
            col = col * 26 + (ch - 'A' + 1);
        else if (ch >= 'a' && ch <= 'z')
            col = col * 26 + (ch - 'a' + 1);
        else
            break;
    }
    return col;
}

class SheetHandler final : public XmlHandler {
public:
    SheetHandler(const SheetReadOptions& o, const std::vector<std::string>& shared,
                 const StylesHandler& styles)
        : o_(o), shared_(shared), styles_(styles) {}

    SheetRows rows;

    void start(std::string_view name, const char** attrs) override {
        if (name == "sheetData") {
            inData_ = true;
        } else if (inData_ && name == "row") {
            long long r = expectedRow_;
            if (const char* ra = attr(attrs, "r"); ra && !parseUnsigned(ra, r)) {
                error = "ungültige Zeilennummer";
                return;
            }
            if (r < expectedRow_) {
                error = "Zeilen nicht in aufsteigender Reihenfolge";
                return;
            }
            if (r > expectedRow_) { // a missing row is an empty one
                done = true;
                return;
            }
            inRow_ = true;
            cells_.assign(static_cast<size_t>(o_.columns), std::string());
            lastCol_ = 0;
        } else if (inRow_ && name == "c") {
            inCell_ = true;
            const char* ref = attr(attrs, "r");
            col_ = ref ? columnOf(ref) : lastCol_ + 1;
            if (col_ <= 0) {
                error = "ungültiger Zellbezug";
                return;
            }
            lastCol_ = col_;
            const char* t = attr(attrs, "t");
            type_ = t ? t : "n";
            style_ = -1;
            if (const char* s = attr(attrs, "s"))
                parseUnsigned(s, style_);
            value_.clear();
            inline_.clear();
            inV_ = inIs_ = false;
        } else if (inCell_ && name == "v") {
            inV_ = true;
        } else if (inCell_ && name == "is") {
            inIs_ = true;
        }
        if (inIs_)
            rich_.start(name);
    }

    void end(std::string_view name) override {
        if (inIs_)
            rich_.end(name);
        if (name == "v") {
            inV_ = false;
        } else if (name == "is") {
            inIs_ = false;
        } else if (name == "c" && inCell_) {
            inCell_ = false;
            finishCell();
        } else if (name == "row" && inRow_) {
            inRow_ = false;
            finishRow();
        } else if (name == "sheetData") {
            done = true;
        }
    }

    void text(const char* s, int len) override {
        if (inV_ && value_.size() < kMaxCellBytes)
            value_.append(s, static_cast<size_t>(len));
        else if (inIs_)
            rich_.text(s, len, inline_);
    }

private:
    void finishCell() {
        if (col_ > o_.columns)
            return;
        std::string text;
        if (type_ == "s") {
            long long index = 0;
            if (!parseUnsigned(value_, index) || index >= static_cast<long long>(shared_.size())) {
                error = "Verweis auf einen fehlenden Text";
                return;
            }
            text = shared_[static_cast<size_t>(index)];
        } else if (type_ == "inlineStr") {
            text = decodeEscapes(inline_);
        } else if (type_ == "b") {
            text = value_.empty() ? "" : value_ == "0" ? "FALSCH" : "WAHR";
        } else if (type_ == "n") {
            double v = 0;
            const auto res = std::from_chars(value_.data(), value_.data() + value_.size(), v);
            if (!value_.empty() && res.ec == std::errc() &&
                res.ptr == value_.data() + value_.size()) {
                const NumberDecimals d = styles_.decimalsOfStyle(style_);
                text = FormatSpreadsheetNumber(v, d.min, d.max,
                                               o_.separatorOf(static_cast<int>(col_ - 1)));
            } else {
                text = value_;
            }
        } else { // str (formula text), e (error), d (ISO date)
            text = decodeEscapes(value_);
        }
        // A short reference to a long shared string must not multiply it past the bound.
        textBytes_ += text.size();
        if (textBytes_ > o_.maxTextBytes) {
            error = "zu viel Text in der Tabelle (mehr als " +
                    std::to_string(o_.maxTextBytes >> 20) + " MB)";
            return;
        }
        cells_[static_cast<size_t>(col_ - 1)] = std::move(text);
    }

    void finishRow() {
        if (cells_.empty() || cells_[0].empty()) {
            done = true;
            return;
        }
        if (rows.size() >= o_.maxRows) {
            error = "mehr als " + std::to_string(o_.maxRows) + " Zeilen";
            return;
        }
        rows.push_back(std::move(cells_));
        ++expectedRow_;
    }

    const SheetReadOptions& o_;
    const std::vector<std::string>& shared_;
    const StylesHandler& styles_;
    bool inData_ = false, inRow_ = false, inCell_ = false, inV_ = false, inIs_ = false;
    long long expectedRow_ = 1;
    long long col_ = 0, lastCol_ = 0, style_ = -1;
    size_t textBytes_ = 0;
    std::string type_, value_, inline_;
    std::vector<std::string> cells_;
    RichText rich_;
};

} // namespace

bool ReadXlsxBytes(const std::string& bytes, const SheetReadOptions& options, SheetRows& rows,
                   std::string& error) {
    rows.clear();
    std::string zipError;
    const auto zip = ZipReader::Open(bytes, zipError);
    if (!zip) {
        error = "keine lesbare Excel-Datei (" + zipError + ")";
        return false;
    }
    auto part = [&](const std::string& name, size_t limit, XmlHandler& h) {
        std::string e = parsePart(*zip, name, std::min(limit, options.maxPartBytes), h);
        if (!e.empty())
            error = "keine lesbare Excel-Datei: " + e;
        return e.empty();
    };

    std::string workbook = "xl/workbook.xml";
    if (zip->has("_rels/.rels")) {
        RelsHandler root;
        if (!part("_rels/.rels", kMaxSmallPart, root))
            return false;
        if (const Relationship* doc = root.ofType("/officeDocument"))
            workbook = resolvePart("", doc->target);
    }
    WorkbookHandler wb;
    RelsHandler rels;
    if (!part(workbook, kMaxSmallPart, wb) || !part(relsOf(workbook), kMaxSmallPart, rels))
        return false;
    const auto sheetRel = rels.byId.find(wb.firstSheetId);
    if (wb.firstSheetId.empty() || sheetRel == rels.byId.end() || sheetRel->second.external) {
        error = "die Arbeitsmappe enthält keine Tabelle";
        return false;
    }
    const std::string folder = folderOfPart(workbook);
    SharedStringsHandler shared;
    if (const Relationship* r = rels.ofType("/sharedStrings");
        r && !part(resolvePart(folder, r->target), kMaxSharedStrings, shared))
        return false;
    StylesHandler styles;
    if (const Relationship* r = rels.ofType("/styles");
        r && !part(resolvePart(folder, r->target), kMaxSmallPart, styles))
        return false;
    SheetHandler sheet(options, shared.strings, styles);
    if (!part(resolvePart(folder, sheetRel->second.target), options.maxPartBytes, sheet))
        return false;
    rows = std::move(sheet.rows);
    return true;
}

bool ReadSpreadsheet(const std::string& path, const SheetReadOptions& options, SheetRows& rows,
                     std::string& error) {
    rows.clear();
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxFileBytes) {
        error = "die Datei ist zu groß für ein Zeitenprotokoll";
        return false;
    }
    std::string bytes;
    const ReadStatus st = FileIo::system().readAll(path, bytes);
    if (st != ReadStatus::Ok) {
        error = st == ReadStatus::Missing ? "die Datei gibt es nicht"
                                          : "die Datei konnte nicht gelesen werden";
        return false;
    }
    if (bytes.size() > kMaxFileBytes) {
        error = "die Datei ist zu groß für ein Zeitenprotokoll";
        return false;
    }
    if (bytes.compare(0, 4, "PK\x03\x04") == 0)
        return ReadXlsxBytes(bytes, options, rows, error);
    if (bytes.compare(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") == 0)
        return ReadXls(path, options, rows, error);
    error = "keine Excel-Datei (.xlsx oder .xls)";
    return false;
}

} // namespace vk
