#pragma once
#include "protocol/ProtocolText.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vk::test {

// A fresh folder under the system's temporary folder, removed with the object.
struct TempFolder {
    std::filesystem::path path;
    TempFolder() {
        std::string t = (std::filesystem::temp_directory_path() / "vk-protocol-XXXXXX").string();
        path = ::mkdtemp(t.data());
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Writes accept `allow` bytes in total and then fail as a full disk does; reads can be made
// to fail for chosen paths.
class FaultyIo : public FileIo {
public:
    long allow = -1; // -1: no limit
    std::string failReadOf;
    bool failCopies = false;
    int writeCalls = 0;

    ssize_t writeSome(int fd, const char* data, size_t size) override {
        ++writeCalls;
        if (allow < 0)
            return FileIo::writeSome(fd, data, size);
        if (allow == 0) {
            errno = ENOSPC;
            return -1;
        }
        const size_t n = std::min(size, static_cast<size_t>(allow));
        const ssize_t w = FileIo::writeSome(fd, data, n);
        if (w > 0)
            allow -= w;
        return w;
    }
    ReadStatus readAll(const std::string& path, std::string& bytes) override {
        if (path == failReadOf)
            return ReadStatus::Failed;
        return FileIo::readAll(path, bytes);
    }
    bool copyFile(const std::string& from, const std::string& to) override {
        if (failCopies)
            return false;
        return FileIo::copyFile(from, to);
    }
};

} // namespace vk::test
