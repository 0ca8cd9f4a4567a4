#pragma once
#include "protocol/CellTable.h"
#include "protocol/ProtocolText.h"

#include <chrono>
#include <string>

namespace vk {

// The text with &, <, > and " written as character references.
std::string HtmlEscape(const std::string& text);

// What the page shows under its heading: the race title (eTitle) and the date, each left out
// when empty.
struct PageHeading {
    std::string race;
    std::string date;
};
// The date under the page's heading: dd.mm.yyyy, local time.
std::string PageDate(std::chrono::system_clock::time_point now);

// The protocol as a static web page: title T, the heading's lines, the header row and every
// data row (also rows without a start number), UTF-8, lines ended by CR LF. The hidden column
// "Platz" is on the page only when some data row holds a place.
std::string ProtocolPageBytes(const CellTable& table, const std::string& title,
                              const PageHeading& heading = {});
// Written atomically: a failed write leaves an older page as it was.
bool WriteProtocolPage(const CellTable& table, const std::string& title, const std::string& path,
                       FileIo& io, const PageHeading& heading = {});

// The page lies beside the backup: title + ".html" in the program folder, or in the per-user
// data folder when the program folder is not writable.
std::string ProtocolPageFileName(const std::string& programFolder, const std::string& title,
                                 const std::string& userDataFolder, bool programFolderWritable);

} // namespace vk
