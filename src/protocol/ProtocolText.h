#pragma once
#include "protocol/CellTable.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <sys/types.h>

namespace vk {

enum class ReadStatus {
    Ok,
    Missing, // the file does not exist
    Failed,  // it exists but could not be read in full
};

// The file system as the protocol files use it. Tests derive from it to make a write fail
// half-way or a read fail.
class FileIo {
public:
    virtual ~FileIo() = default;
    virtual ReadStatus readAll(const std::string& path, std::string& bytes);
    // Like write(2): the count written, or -1 with errno set.
    virtual ssize_t writeSome(int fd, const char* data, size_t size);
    virtual bool exists(const std::string& path);
    // Byte copy through a temporary file (never replaces `to` by a partial copy).
    virtual bool copyFile(const std::string& from, const std::string& to);
    virtual bool folderWritable(const std::string& folder);

    // The process-wide plain implementation.
    static FileIo& system();
};

// Writes `bytes` to a temporary file in the folder of `path`, flushes it to disk and renames
// it over `path`. On any failure the temporary file is removed and `path` is untouched.
bool AtomicWriteFile(const std::string& path, const std::string& bytes, FileIo& io);

// The file form of the table: each row with a start number as its cells followed by TAB
// (an empty cell written as one blank), lines ended by CR LF.
std::string ProtocolTextBytes(const CellTable& table);
// Replaces the table by the lines of `text` (UTF-8): TAB or, in a line without TAB,
// semicolon separated; runs of TABs are one separator; CRs are dropped; empty fields become a
// blank; fields beyond the last column are dropped. Row 0 is the first line.
void FillFromProtocolText(CellTable& table, const std::string& text);
// File bytes as UTF-8: a leading byte-order mark goes; a file that is not valid UTF-8 is
// taken as Windows-1252.
std::string DecodeProtocolBytes(const std::string& bytes);

bool WriteProtocolText(const CellTable& table, const std::string& path, FileIo& io);
// Leaves the table as it was unless the file was read in full.
ReadStatus ReadProtocolText(CellTable& table, const std::string& path, FileIo& io);

// program folder + title + "-Sicherungsdatei.txt"; the per-user data folder instead when the
// program folder is not writable. Folders may come with or without a trailing slash.
std::string BackupFileName(const std::string& programFolder, const std::string& title,
                           const std::string& userDataFolder, bool programFolderWritable);
std::string BackupFileName(const std::string& programFolder, const std::string& title,
                           const std::string& userDataFolder, FileIo& io);

// Local date and time as yyyy-mm-dd-hh-mm.
std::string DateStampName(std::chrono::system_clock::time_point now);
// yyyy-mm-dd-hh-mm-ss, for copies kept aside.
std::string DateTimeStamp(std::chrono::system_clock::time_point now);

// The path of a copy of `path` with the stamp before its extension:
// "/a/b-Sicherungsdatei.txt" -> "/a/b-Sicherungsdatei-<stamp>.txt".
std::string StampedCopyName(const std::string& path, const std::string& stamp);

std::string JoinPath(const std::string& folder, const std::string& name);

} // namespace vk
