#pragma once
#include <string>
#include <vector>

namespace vk {

// The kinds of file the protocol is saved as or read from.
enum class ProtocolFileType { Text, Spreadsheet, WordDocument, WebPage };

// One entry of a file dialog's filter: "Textdatei (*.txt)".
struct FileFilter {
    std::string description;
    std::vector<std::string> patterns; // "*.txt"
    ProtocolFileType type;

    std::string Label() const;
};

struct FileFilters {
    std::vector<FileFilter> open;
    // The save dialog's entries; the setting "FilterInd" counts them from 1.
    std::vector<FileFilter> save;
};

// The names of the file types as the dialogs show them.
struct FileTypeNames {
    std::string text = "Textdatei";
    std::string webPage = "Webseite";
    std::string wordDocument = "MS Word";
    std::string spreadsheet = "MS Excel";
};

FileFilters BuildFileFilters(const FileTypeNames& names = {});

} // namespace vk
