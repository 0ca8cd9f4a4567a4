#include "protocol/FileFilters.h"

#include <algorithm>
#include <cctype>

namespace vk {

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

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

ProtocolFileType ChosenFileType(const std::vector<FileFilter>& filter, int index,
                                const std::string& path) {
    if (filter.empty())
        return ProtocolFileType::Text;
    const size_t i = index >= 1 && static_cast<size_t>(index) <= filter.size()
                         ? static_cast<size_t>(index - 1)
                         : 0;
    const std::string name = Lower(path);
    for (const FileFilter& f : filter)
        for (const std::string& p : f.patterns)
            if (f.type != filter[i].type && EndsWith(name, Lower(p.substr(1))))
                return f.type;
    return filter[i].type;
}

} // namespace vk
