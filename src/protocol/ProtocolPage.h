#pragma once
#include "protocol/CellTable.h"
#include "protocol/ProtocolText.h"

#include <string>

namespace vk {

// The text with &, <, > and " written as character references.
std::string HtmlEscape(const std::string& text);

// The protocol as a static web page: title T, the header row and every data row (also rows
// without a start number, and the hidden column), UTF-8, lines ended by CR LF.
std::string ProtocolPageBytes(const CellTable& table, const std::string& title);
// Written atomically: a failed write leaves an older page as it was.
bool WriteProtocolPage(const CellTable& table, const std::string& title, const std::string& path,
                       FileIo& io);

// The page lies beside the backup: title + ".html" in the program folder, or in the per-user
// data folder when the program folder is not writable.
std::string ProtocolPageFileName(const std::string& programFolder, const std::string& title,
                                 const std::string& userDataFolder, bool programFolderWritable);

} // namespace vk
