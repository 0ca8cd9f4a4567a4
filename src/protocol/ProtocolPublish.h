#pragma once
#include "platform/Services.h"
#include "protocol/FileFilters.h"
#include "protocol/Protocol.h"
#include "protocol/SpreadsheetReader.h"

#include <chrono>
#include <functional>
#include <string>

namespace vk {

// The type of a file the operator chose: by the extension typed (.txt; .xlsx, .xls; .docx,
// .doc; .html, .htm; any case; any other extension is text), else by the dialog's filter:
// 1 text, 2 spreadsheet, 3 word document, 4 web page; anything else is text.
ProtocolFileType ChooseFileType(const std::string& path, int filterIndex);
// The path a save of that type writes: a name without an extension gets the type's appended,
// one with an extension is kept as typed, except that the old formats' .xls and .doc become
// .xlsx and .docx, which is what is written.
std::string SavePathFor(const std::string& path, ProtocolFileType type);

// Publishes the protocol: the web page (shown or printed), the spreadsheet and the
// word-processor document, and the spreadsheet import; and the save and open commands'
// choice among them and the text file. Failures go to the error report in one line and
// leave the protocol as it was.
class ProtocolPublisher {
public:
    struct Places {
        std::string appTitle;
        // The page of sbInet and sbPrint, beside the backup.
        std::string pageFile;
        // Where a spreadsheet that is only shown is written.
        std::string userDataFolder;
    };
    static constexpr char kAuthor[] = "Quorvane Software";

    ProtocolPublisher(Protocol& protocol, Dialogs& dialogs, Shell& shell, Places places);

    // The race title (eTitle).
    std::function<std::string()> raceTitle;
    std::function<std::chrono::system_clock::time_point()> clock;
    // After an import: the audience window's show steps.
    std::function<void()> onImported;
    // Sheets with more rows to import are refused.
    size_t maxImportRows = 1000000;

    const Places& places() const { return places_; }

    // Reports "Der Schreibfehler der Datei: " + path when it cannot be written.
    bool WriteProtocolPage(const std::string& path);
    // sbInet (tag 0) writes the page and opens it in the browser; sbPrint (tag 1) writes it
    // and prints it. Nothing is shown or printed when the page could not be written.
    void sbInetClick(int tag);
    // An empty path writes into the per-user data folder and opens the file with the default
    // application; otherwise the file at path is written.
    bool ExportExcel(const std::string& path);
    bool ExportWord(const std::string& path);
    // Replaces the table by the first sheet; then row 1 is selected, the buttons are updated
    // and onImported runs. A file that cannot be read in full leaves the table as it was.
    bool ReadExcelProtocol(const std::string& path);

    // The save and open commands after their dialogs: the file of that kind (ChooseFileType).
    // Save writes to SavePathFor(path, kind).
    bool Save(const std::string& path, ProtocolFileType kind);
    bool Open(const std::string& path, ProtocolFileType kind);

private:
    std::string race() const { return raceTitle ? raceTitle() : std::string(); }
    void openOrSay(const std::string& what, const std::string& file);

    Protocol& protocol_;
    Dialogs& dialogs_;
    Shell& shell_;
    Places places_;
};

} // namespace vk
