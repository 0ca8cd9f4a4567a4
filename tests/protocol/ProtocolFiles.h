#pragma once
#include "protocol/ProtocolText.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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
    // Each write call takes this long, as on a slow stick.
    std::chrono::milliseconds delay{0};

    ssize_t writeSome(int fd, const char* data, size_t size) override {
        ++writeCalls;
        if (delay.count() > 0)
            std::this_thread::sleep_for(delay);
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

// What the backup thread posts to the ui thread, run when the test drains it.
class PostQueue {
public:
    std::function<void(std::function<void()>)> poster() {
        return [this](std::function<void()> f) {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(f));
        };
    }
    int drain() {
        std::vector<std::function<void()>> run;
        {
            std::lock_guard lock(mutex_);
            run.swap(queue_);
        }
        for (auto& f : run)
            f();
        return static_cast<int>(run.size());
    }

private:
    std::mutex mutex_;
    std::vector<std::function<void()>> queue_;
};

} // namespace vk::test
