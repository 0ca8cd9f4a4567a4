#pragma once
#include "protocol/CellTable.h"

#include <string>

namespace vk {

struct DocumentInfo {
    std::string title; // the race title: the heading and the document's title
    std::string subject;
    std::string author;
};

// A word-processor document (.docx): the title as a heading, then one table with every row of
// the protocol (the header row bold and repeated on each page) and all of its columns, on a
// landscape page. Empty with `error` set when the archive cannot be built.
std::string DocxBytes(const CellTable& table, const DocumentInfo& info, std::string& error);

// Text made safe for XML content and attributes: &, <, >, " escaped, characters XML does not
// allow replaced by a blank, and bytes that are not UTF-8 taken as Windows-1252.
std::string XmlText(const std::string& text);

} // namespace vk
