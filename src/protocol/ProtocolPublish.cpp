#include "protocol/ProtocolPublish.h"

#include "protocol/DocxWriter.h"
#include "protocol/ProtocolPage.h"
#include "protocol/RaceTimeText.h"
#include "protocol/XlsxWriter.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace vk {

namespace {

// The extension in lower case: one to five letters and digits, at least one letter, after a
// dot that does not begin the name ("2024-05-01.2" and ".profile" have none).
std::string extensionOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || dot <= nameStart)
        return {};
    std::string e = path.substr(dot + 1);
    bool letter = false;
    for (char& ch : e) {
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
        if (ch >= 'a' && ch <= 'z')
            letter = true;
        else if (ch < '0' || ch > '9')
            return {};
    }
    return letter && e.size() <= 5 ? e : std::string();
}

const char* extensionFor(ProtocolFileType type) {
    switch (type) {
    case ProtocolFileType::Spreadsheet:
        return "xlsx";
    case ProtocolFileType::WordDocument:
        return "docx";
    case ProtocolFileType::WebPage:
        return "html";
    default:
        return "txt";
    }
}

// Replaces the file at path by `bytes`, unless they are empty (their maker failed).
bool writeFile(const std::string& path, const std::string& bytes, FileIo& io, std::string& error) {
    if (bytes.empty())
        return false;
    if (!AtomicWriteFile(path, bytes, io)) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

void makeFolderOf(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
}

} // namespace

ProtocolFileType ChooseFileType(const std::string& path, int filterIndex) {
    const std::string e = extensionOf(path);
    if (e == "txt")
        return ProtocolFileType::Text;
    if (e == "xlsx" || e == "xls")
        return ProtocolFileType::Spreadsheet;
    if (e == "docx" || e == "doc")
        return ProtocolFileType::WordDocument;
    if (e == "html" || e == "htm")
        return ProtocolFileType::WebPage;
    // An extension we do not know ("x.csv") was typed on purpose: the file is text.
    if (!e.empty())
        return ProtocolFileType::Text;
    switch (filterIndex) {
    case 2:
        return ProtocolFileType::Spreadsheet;
    case 3:
        return ProtocolFileType::WordDocument;
    case 4:
        return ProtocolFileType::WebPage;
    default:
        return ProtocolFileType::Text;
    }
}

std::string SavePathFor(const std::string& path, ProtocolFileType type) {
    // A known extension chose the type.
    const std::string e = extensionOf(path);
    if (e == "xls" || e == "doc")
        return path + "x";
    if (!e.empty())
        return path;
    return path + "." + extensionFor(type);
}

ProtocolPublisher::ProtocolPublisher(Protocol& protocol, Dialogs& dialogs, Shell& shell,
                                     Places places)
    : clock([] { return std::chrono::system_clock::now(); }), protocol_(protocol),
      dialogs_(dialogs), shell_(shell), places_(std::move(places)) {}

// The file is written either way; the status bar says where it went, and without an
// application for it the operator learns where it lies.
void ProtocolPublisher::openOrSay(const std::string& what, const std::string& file) {
    const HandOver h = OpenWithDesktop(shell_, what, file);
    if (!h.status.empty())
        protocol_.statusText(h.status);
    else
        dialogs_.errorReport("Kein Programm zum Öffnen gefunden. Die Datei liegt hier: " + file);
}

bool ProtocolPublisher::WriteProtocolPage(const std::string& path) {
    if (!vk::WriteProtocolPage(protocol_.table(), places_.appTitle, path, protocol_.fileIo(),
                               {race(), PageDate(clock())})) {
        dialogs_.errorReport("Der Schreibfehler der Datei: " + path);
        return false;
    }
    return true;
}

void ProtocolPublisher::sbInetClick(int tag) {
    const std::string& page = places_.pageFile;
    makeFolderOf(page);
    if (!WriteProtocolPage(page))
        return;
    if (tag == 0)
        openOrSay("Seite", page);
    else if (tag == 1)
        shell_.print(page);
}

bool ProtocolPublisher::ExportExcel(const std::string& path) {
    std::string target = path;
    if (target.empty()) {
        std::string folder = places_.userDataFolder;
        if (folder.empty())
            folder = std::filesystem::temp_directory_path().string();
        target = JoinPath(folder, places_.appTitle + "-" + DateTimeStamp(clock()) + ".xlsx");
        makeFolderOf(target);
    }
    const WorkbookInfo info{places_.appTitle, race(), places_.appTitle, kAuthor};
    std::string error;
    if (!writeFile(target, XlsxBytes(protocol_.table(), info, error), protocol_.fileIo(), error)) {
        dialogs_.errorReport("Die Excel-Datei " + target +
                             " konnte nicht geschrieben werden: " + error);
        return false;
    }
    if (path.empty())
        openOrSay("Tabelle", target);
    else
        protocol_.statusText("Gespeichert: " + target);
    return true;
}

bool ProtocolPublisher::ExportWord(const std::string& path) {
    const DocumentInfo info{race(), places_.appTitle, kAuthor};
    std::string error;
    if (!writeFile(path, DocxBytes(protocol_.table(), info, error), protocol_.fileIo(), error)) {
        dialogs_.errorReport("Das Word-Dokument " + path +
                             " konnte nicht geschrieben werden: " + error);
        return false;
    }
    protocol_.statusText("Gespeichert: " + path);
    return true;
}

bool ProtocolPublisher::ReadExcelProtocol(const std::string& path) {
    if (protocol_.RefusedWhileTimed("Öffnen"))
        return false;
    CellTable& t = protocol_.table();
    SheetReadOptions options;
    options.columns = t.ColCount();
    options.decimalSeparator = t.Locale.decimalSeparator;
    for (int c = 0; c < t.ColCount(); ++c)
        if (IsRaceTimeColumn(c))
            options.commaColumns.push_back(c);
    options.maxRows = maxImportRows;
    SheetRows rows;
    std::string error;
    if (!ReadSpreadsheet(path, options, rows, error)) {
        dialogs_.errorReport("Die Datei " + path + " konnte nicht gelesen werden: " + error);
        return false;
    }
    // A sheet without data rows leaves the header and one empty data row, which the grid
    // needs; its own header row, when it has one, is taken.
    const int n = static_cast<int>(rows.size());
    const std::string copy = protocol_.KeepReplacedProtocol();
    if (n == 0) { // the header stays
        rows.emplace_back();
        for (int c = 0; c < t.ColCount(); ++c)
            rows.back().push_back(t.Cell(c, 0));
    }
    t.ReplaceRows(std::move(rows)); // one notification, however large the sheet
    // A sheet narrower than the table keeps the standard headings of the columns it lacks.
    protocol_.RefillBlankHeaders();
    protocol_.statusText(Protocol::ReplacedText(
        n < 2 ? "Die Tabelle in " + path + " enthielt keine Zeilen" : "Geladen: " + path, copy));
    protocol_.SelectWholeRow(1);
    protocol_.UpdateProtocolButtons();
    if (protocol_.onOperatorChange)
        protocol_.onOperatorChange();
    if (onImported)
        onImported();
    return true;
}

bool ProtocolPublisher::Save(const std::string& chosen, ProtocolFileType kind) {
    const std::string path = SavePathFor(chosen, kind);
    switch (kind) {
    case ProtocolFileType::Spreadsheet:
        return ExportExcel(path);
    case ProtocolFileType::WordDocument:
        return ExportWord(path);
    case ProtocolFileType::WebPage:
        if (!WriteProtocolPage(path))
            return false;
        protocol_.statusText("Gespeichert: " + path);
        return true;
    default:
        return protocol_.SaveFile(path);
    }
}

bool ProtocolPublisher::Open(const std::string& path, ProtocolFileType kind) {
    switch (kind) {
    case ProtocolFileType::Spreadsheet:
        return ReadExcelProtocol(path);
    case ProtocolFileType::Text:
        return protocol_.OpenFile(path);
    default:
        dialogs_.errorReport("Die Datei " + path +
                             " ist kein Zeitenprotokoll (Textdatei oder Excel-Tabelle)");
        return false;
    }
}

} // namespace vk
