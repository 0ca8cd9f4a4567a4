#include "protocol/ProtocolText.h"

#include "protocol/TextCodec.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
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

} // namespace

ReadStatus FileIo::readAll(const std::string& path, std::string& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadStatus::Failed;
    }
    std::string out;
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

ssize_t FileIo::writeSome(int fd, const char* data, size_t size) {
    return ::write(fd, data, size);
}

bool FileIo::exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool FileIo::copyFile(const std::string& from, const std::string& to) {
    const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::string bytes;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return AtomicWriteFile(to, bytes, *this);
}

bool FileIo::folderWritable(const std::string& folder) {
    return ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
}

FileIo& FileIo::system() {
    static FileIo io;
    return io;
}

bool AtomicWriteFile(const std::string& path, const std::string& bytes, FileIo& io) {
    std::string tmp = JoinPath(folderOf(path), ".vk-write-XXXXXX");
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

std::string ProtocolTextBytes(const CellTable& table) {
    std::string out;
    for (int r = 0; r < table.RowCount(); ++r) {
        if (table.Cell(0, r).empty())
            continue;
        for (int c = 0; c < table.ColCount(); ++c) {
            const std::string& cell = table.Cell(c, r);
            out += cell.empty() ? std::string(" ") : cell;
            out += '\t';
        }
        out += "\r\n";
    }
    return out;
}

void FillFromProtocolText(CellTable& table, const std::string& text) {
    table.SetRowCount(2);
    table.ClearRow(1);
    size_t pos = 0;
    int n = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        const bool last = end == std::string::npos;
        if (last)
            end = text.size();
        std::string line;
        line.reserve(end - pos);
        for (size_t i = pos; i < end; ++i)
            if (text[i] != '\r')
                line += text[i];
        pos = last ? text.size() : end + 1;

        const bool tabs = line.find('\t') != std::string::npos;
        const char sep = tabs ? '\t' : ';';
        if (table.RowCount() <= n)
            table.SetRowCount(n + 1);
        table.ClearRow(n);
        std::vector<std::string> fields;
        size_t i = 0;
        while (i < line.size()) {
            size_t j = line.find(sep, i);
            if (j == std::string::npos)
                j = line.size();
            fields.push_back(line.substr(i, j - i));
            i = j + 1;
            if (tabs)
                while (i < line.size() && line[i] == '\t')
                    ++i;
        }
        for (size_t f = 0; f < fields.size() && static_cast<int>(f) < table.ColCount(); ++f)
            table.SetCell(static_cast<int>(f), n, fields[f].empty() ? " " : fields[f]);
        ++n;
    }
}

std::string DecodeProtocolBytes(const std::string& bytes) {
    std::string b = bytes;
    if (b.size() >= 3 && b.compare(0, 3, "\xEF\xBB\xBF") == 0)
        b.erase(0, 3);
    if (IsValidUtf8(b))
        return b;
    return Windows1252ToUtf8(b);
}

bool WriteProtocolText(const CellTable& table, const std::string& path, FileIo& io) {
    return AtomicWriteFile(path, ProtocolTextBytes(table), io);
}

ReadStatus ReadProtocolText(CellTable& table, const std::string& path, FileIo& io) {
    std::string bytes;
    const ReadStatus st = io.readAll(path, bytes);
    if (st != ReadStatus::Ok)
        return st;
    FillFromProtocolText(table, DecodeProtocolBytes(bytes));
    return ReadStatus::Ok;
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
