#include "protocol/FileFilters.h"

namespace vk {

std::string FileFilter::Label() const {
    std::string label = description + " (";
    for (size_t i = 0; i < patterns.size(); ++i)
        label += (i ? " " : "") + patterns[i];
    return label + ")";
}

FileFilters BuildFileFilters(const FileTypeNames& n) {
    using T = ProtocolFileType;
    FileFilters f;
    f.open = {{n.text, {"*.txt"}, T::Text}, {n.spreadsheet, {"*.xlsx", "*.xls"}, T::Spreadsheet}};
    f.save = {{n.text, {"*.txt"}, T::Text},
              {n.spreadsheet, {"*.xlsx"}, T::Spreadsheet},
              {n.wordDocument, {"*.docx"}, T::WordDocument},
              {n.webPage, {"*.html"}, T::WebPage}};
    return f;
}

} // namespace vk
