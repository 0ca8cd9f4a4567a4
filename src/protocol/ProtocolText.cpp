#include "protocol/ProtocolText.h"

#include "protocol/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace vk {

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

constexpr char kTempMark[] = ".vk-";
constexpr char kOldTempPrefix[] = ".vk-write-";

std::string nameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool writeAll(int fd, const char* data, size_t size, FileIo& io) {
    while (size > 0) {
        const ssize_t n = io.writeSome(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string stamp(std::chrono::system_clock::time_point now, bool seconds) {
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[40];
    if (seconds)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d-%02d-%02d-%02d", tm.tm_year + 1900,
                      tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                      tm.tm_mday, tm.tm_hour, tm.tm_min);
    return buf;
}

// Only regular files are read.
ReadStatus readFileBytes(const std::string& path, std::string& bytes) {
    // Without O_NONBLOCK opening a FIFO waits for a writer, for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadStatus::Failed;
    }
    std::string out;
    out.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return ReadStatus::Failed;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    bytes.swap(out);
    return ReadStatus::Ok;
}

} // namespace

ReadStatus FileIo::readAll(const std::string& path, std::string& bytes) {
    return readFileBytes(path, bytes);
}

ssize_t FileIo::writeSome(int fd, const char* data, size_t size) {
    return ::write(fd, data, size);
}

bool FileIo::exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool FileIo::copyFile(const std::string& from, const std::string& to) {
    std::string bytes;
    if (readFileBytes(from, bytes) != ReadStatus::Ok)
        return false;
    return AtomicWriteFile(to, bytes, *this);
}

bool FileIo::folderWritable(const std::string& folder) {
    return ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
}

int64_t FileIo::modifiedNs(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

FileIo& FileIo::system() {
    static FileIo io;
    return io;
}

namespace {
// The file a chain of symbolic links ends in (the path itself when it is none). A write
// replaces that file beside itself, so the link stays a link.
std::string followLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        std::string target(4096, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size())
            break;
        target.resize(static_cast<size_t>(n));
        path = target[0] == '/' ? target : JoinPath(folderOf(path), target);
    }
    return path;
}
} // namespace

bool AtomicWriteFile(const std::string& linkOrPath, const std::string& bytes, FileIo& io) {
    const std::string path = followLinks(linkOrPath);
    std::string name = nameOf(path);
    if (name.size() > 200)
        name.resize(200);
    std::string tmp = JoinPath(folderOf(path), "." + name + kTempMark + "XXXXXX");
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes.data(), bytes.size(), io) && ::fsync(fd) == 0;
    // The temporary file is created 0600: give it the old file's mode, or the usual one.
    struct stat old {};
    mode_t mode;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ok = ::fchmod(fd, mode) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(tmp.c_str(), path.c_str()) == 0) {
        // Make the rename itself durable.
        const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
        return true;
    }
    ::unlink(tmp.c_str());
    return false;
}

int RemoveStaleTempFiles(const std::string& path) {
    const std::string own = "." + nameOf(path).substr(0, 200) + kTempMark;
    const std::string old = kOldTempPrefix;
    const auto now = std::filesystem::file_time_type::clock::now();
    int removed = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folderOf(path), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string n = it->path().filename().string();
        bool stale = n.size() == own.size() + 6 && n.compare(0, own.size(), own) == 0;
        if (!stale && n.size() == old.size() + 6 && n.compare(0, old.size(), old) == 0) {
            std::error_code tec;
            const auto t = std::filesystem::last_write_time(it->path(), tec);
            stale = !tec && now - t > std::chrono::minutes(1);
        }
        std::error_code fec;
        if (stale && it->is_regular_file(fec) && std::filesystem::remove(it->path(), fec))
            ++removed;
    }
    return removed;
}

namespace {
template <typename Table> std::string textBytes(const Table& table, int cols) {
    std::string out;
    for (int r = 0; r < table.RowCount(); ++r) {
        if (table.Cell(0, r).empty())
            continue;
        for (int c = 0; c < cols; ++c) {
            const std::string& cell = table.Cell(c, r);
            if (cell.empty()) {
                out += ' ';
            } else if (cell.find_first_of("\t\r\n") == std::string::npos) {
                out += cell;
            } else {
                // A line end or TAB (a spreadsheet's two-line cell) would split the row when
                // the file is read back: it is written as a blank.
                for (char ch : cell)
                    out += ch == '\t' || ch == '\r' || ch == '\n' ? ' ' : ch;
            }
            out += '\t';
        }
        out += "\r\n";
    }
    return out;
}
} // namespace

std::string ProtocolTextBytes(const CellTable& table) {
    return textBytes(table, table.ColCount());
}

std::string ProtocolTextBytes(const TableSnapshot& table) {
    return textBytes(table, table.cols);
}

namespace {

bool blank(std::string_view s) {
    return s.find_first_not_of(" \t") == std::string_view::npos;
}

// Calls f(line) for each line; line ends are CR, LF and CR LF. A last line without a line end
// counts; an end at the very end of the text starts no further line.
template <typename F> void forEachLine(std::string_view text, F f) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            f(text.substr(pos));
            return;
        }
        f(text.substr(pos, end - pos));
        pos = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
}

} // namespace

ParsedProtocol ParseProtocolText(const std::string& text, int cols) {
    ParsedProtocol out;
    out.rows.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    bool hasData = false;
    bool dataRow = false;
    forEachLine(text, [&](std::string_view line) {
        const bool header = out.rows.empty();
        CellRow& row = out.rows.emplace_back(static_cast<size_t>(cols));
        const char sep = line.find('\t') != std::string_view::npos ? '\t' : ';';
        const bool oddHeader = header && std::any_of(line.begin(), line.end(), [](char ch) {
                                   return static_cast<unsigned char>(ch) < 0x20 && ch != '\t';
                               });
        size_t i = 0;
        int field = 0;
        while (i < line.size()) {
            size_t j = line.find(sep, i);
            if (j == std::string_view::npos)
                j = line.size();
            const std::string_view f = line.substr(i, j - i);
            if (field < cols) {
                row[static_cast<size_t>(field)] = f.empty() ? std::string(" ") : std::string(f);
                if (!header && !blank(f))
                    dataRow = true;
            }
            // A header's extra headings are dropped like any field beyond the last column;
            // only control characters in it say that it holds rows whose line ends were not
            // seen.
            if ((!header || (field >= cols && oddHeader)) && !blank(f))
                hasData = true;
            ++field;
            i = j + 1;
        }
    });
    out.lostData = hasData && !dataRow;
    return out;
}

void ReplaceByRows(CellTable& table, std::vector<CellRow> rows) {
    if (rows.empty()) {
        CellRow header;
        for (int c = 0; c < table.ColCount(); ++c)
            header.push_back(table.Cell(c, 0));
        rows.push_back(std::move(header));
    }
    table.ReplaceRows(std::move(rows));
}

void FillFromProtocolText(CellTable& table, const std::string& text) {
    ReplaceByRows(table, ParseProtocolText(text, table.ColCount()).rows);
}

namespace {

// 0 = not UTF-16, 1 = little endian, 2 = big endian. Without a mark, a text that begins with
// one zero byte in its first pair is UTF-16: a protocol's header is never empty, and no text
// file of ours holds a zero byte.
int utf16Kind(std::string_view b) {
    if (b.size() < 2)
        return 0;
    if (b.substr(0, 2) == "\xFF\xFE")
        return 1;
    if (b.substr(0, 2) == "\xFE\xFF")
        return 2;
    if ((b[0] == '\0') != (b[1] == '\0'))
        return b[1] == '\0' ? 1 : 2;
    return 0;
}

} // namespace

std::string DecodeProtocolBytes(std::string&& bytes) {
    // The usual case, a UTF-8 file without a mark, keeps its buffer.
    const bool marked = utf16Kind(bytes) != 0 || bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (!marked && bytes.find('\0') == std::string::npos && IsValidUtf8(bytes))
        return std::move(bytes);
    return DecodeProtocolBytes(static_cast<const std::string&>(bytes));
}

namespace {

std::string decodeBytes(const std::string& bytes) {
    const std::string_view b(bytes);
    if (const int kind = utf16Kind(b)) {
        const bool mark = b.substr(0, 2) == "\xFF\xFE" || b.substr(0, 2) == "\xFE\xFF";
        return Utf16ToUtf8(mark ? b.substr(2) : b, kind == 2);
    }
    const std::string_view body = b.substr(0, 3) == "\xEF\xBB\xBF" ? b.substr(3) : b;
    if (IsValidUtf8(body))
        return std::string(body);
    // Line by line, so one stray Windows byte does not turn the whole file into mojibake.
    std::string out;
    out.reserve(body.size() + body.size() / 8);
    size_t pos = 0;
    while (pos < body.size()) {
        size_t end = body.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = body.size();
        const std::string_view line = body.substr(pos, end - pos);
        if (IsValidUtf8(line))
            out += line;
        else
            out += Windows1252ToUtf8(line);
        const size_t next = std::min(body.find_first_not_of("\r\n", end), body.size());
        out += body.substr(end, next - end);
        pos = next;
    }
    return out;
}

} // namespace

std::string DecodeProtocolBytes(const std::string& bytes) {
    std::string text = decodeBytes(bytes);
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    return text;
}

bool WriteProtocolText(const CellTable& table, const std::string& path, FileIo& io) {
    return AtomicWriteFile(path, ProtocolTextBytes(table), io);
}

ReadStatus ReadProtocolRows(const std::string& path, int cols, FileIo& io,
                            std::vector<CellRow>& rows) {
    std::string bytes;
    const ReadStatus st = io.readAll(path, bytes);
    if (st != ReadStatus::Ok)
        return st;
    ParsedProtocol parsed = ParseProtocolText(DecodeProtocolBytes(std::move(bytes)), cols);
    if (parsed.lostData)
        return ReadStatus::Failed;
    rows = std::move(parsed.rows);
    return ReadStatus::Ok;
}

ReadStatus ReadProtocolText(CellTable& table, const std::string& path, FileIo& io) {
    std::vector<CellRow> rows;
    const ReadStatus st = ReadProtocolRows(path, table.ColCount(), io, rows);
    if (st == ReadStatus::Ok)
        ReplaceByRows(table, std::move(rows));
    return st;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string BackupFileName(const std::string& programFolder, const std::string& title,
                           const std::string& userDataFolder, bool programFolderWritable) {
    const std::string& folder =
        programFolderWritable || userDataFolder.empty() ? programFolder : userDataFolder;
    return JoinPath(folder, title + "-Sicherungsdatei.txt");
}

std::string BackupFileName(const std::string& programFolder, const std::string& title,
                           const std::string& userDataFolder, FileIo& io) {
    return BackupFileName(programFolder, title, userDataFolder, io.folderWritable(programFolder));
}

BackupLocation ChooseBackupLocation(const std::string& programFolder, const std::string& title,
                                    const std::string& userDataFolder, FileIo& io) {
    const std::string name = title + "-Sicherungsdatei.txt";
    const std::string beside = JoinPath(programFolder, name);
    if (userDataFolder.empty())
        return {beside, beside};
    const std::string user = JoinPath(userDataFolder, name);
    if (user == beside)
        return {beside, beside};
    const std::string write = io.folderWritable(programFolder) ? beside : user;
    const std::string other = write == beside ? user : beside;
    return {io.modifiedNs(other) > io.modifiedNs(write) ? other : write, write};
}

std::string DateStampName(std::chrono::system_clock::time_point now) {
    return stamp(now, false);
}
std::string DateTimeStamp(std::chrono::system_clock::time_point now) {
    return stamp(now, true);
}

std::string StampedCopyName(const std::string& path, const std::string& stampText) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + "-" + stampText;
    return path.substr(0, dot) + "-" + stampText + path.substr(dot);
}

} // namespace vk
