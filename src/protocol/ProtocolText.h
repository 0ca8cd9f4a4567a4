#pragma once
#include "protocol/CellTable.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
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
    // Last change of a file in nanoseconds since the epoch; -1 when it does not exist.
    virtual int64_t modifiedNs(const std::string& path);

    // The process-wide plain implementation.
    static FileIo& system();
};

// Writes `bytes` to a temporary file in the folder of `path`, flushes it to disk and renames
// it over `path`. On any failure the temporary file is removed and `path` is untouched. The
// temporary file is "." + the name of `path` + ".vk-" + six characters. A symbolic link at
// `path` is followed: the file it names is replaced (beside itself, with its permissions) and
// the link stays.
bool AtomicWriteFile(const std::string& path, const std::string& bytes, FileIo& io);
// Removes the temporary files a killed writer of `path` left behind, and those of older
// versions (".vk-write-" + six characters) once they are a minute old. Returns how many went.
int RemoveStaleTempFiles(const std::string& path);

// The file form of the table: each row with a start number as its cells followed by TAB
// (an empty cell written as one blank, a TAB or line end inside a cell as a blank), lines
// ended by CR LF.
std::string ProtocolTextBytes(const CellTable& table);
std::string ProtocolTextBytes(const TableSnapshot& table);

// The lines of a protocol text (UTF-8) as rows of `cols` cells. Lines end with CR, LF or
// CR LF. Fields are TAB separated or, in a line without TAB, semicolon separated; an empty
// field keeps its column and becomes one blank; a separator at the end of a line starts no
// field; fields beyond the last column are dropped.
struct ParsedProtocol {
    std::vector<CellRow> rows; // one per line, row 0 the header
    // The text held data, but not one data row came out of it (a file whose line ends were
    // not seen, say): reading it would lose that data.
    bool lostData = false;
};
ParsedProtocol ParseProtocolText(const std::string& text, int cols);
// Replaces the table by the parsed lines (one notification); without any line the header row
// stays. The table keeps at least two rows.
void FillFromProtocolText(CellTable& table, const std::string& text);
// File bytes as UTF-8: a byte-order mark names the encoding (UTF-8, UTF-16 LE or BE) and goes;
// without one, a zero byte in the first pair means UTF-16, and otherwise each line is taken as
// UTF-8 and, only where that is invalid, as Windows-1252. Zero characters are dropped: no cell
// holds one, so a file we write never looks like UTF-16.
std::string DecodeProtocolBytes(const std::string& bytes);
std::string DecodeProtocolBytes(std::string&& bytes);

bool WriteProtocolText(const CellTable& table, const std::string& path, FileIo& io);
// Leaves the table as it was unless the file was read in full; a file whose data gave no
// data row (ParsedProtocol::lostData) counts as Failed.
ReadStatus ReadProtocolText(CellTable& table, const std::string& path, FileIo& io);
// The same in two steps, so a caller can act between reading and replacing.
ReadStatus ReadProtocolRows(const std::string& path, int cols, FileIo& io,
                            std::vector<CellRow>& rows);
void ReplaceByRows(CellTable& table, std::vector<CellRow> rows);

// program folder + title + "-Sicherungsdatei.txt"; the per-user data folder instead when the
// program folder is not writable. Folders may come with or without a trailing slash.
std::string BackupFileName(const std::string& programFolder, const std::string& title,
                           const std::string& userDataFolder, bool programFolderWritable);
std::string BackupFileName(const std::string& programFolder, const std::string& title,
                           const std::string& userDataFolder, FileIo& io);

// Where the backup is read at start-up and written from then on. The program folder is written
// while it is writable, the per-user folder otherwise. The newer of the two existing backups is
// read either way, so results written while the folder was read-only are not hidden once it is
// writable again, nor the other way round.
struct BackupLocation {
    std::string readPath;
    std::string writePath;
};
BackupLocation ChooseBackupLocation(const std::string& programFolder, const std::string& title,
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
