#include "protocol/BackupThread.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <utility>

namespace vk {

bool AppendSynced(const std::string& path, const std::string& bytes) {
    bool created = false;
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        created = fd >= 0;
    }
    if (fd < 0)
        return false;
    size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    ok = ::fdatasync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok && created) {
        const size_t slash = path.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
        const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return ok;
}

BackupThread::BackupThread(FileIo& io, std::function<void(Result)> done)
    : io_(io), done_(std::move(done)), thread_([this] { run(); }),
      appendThread_([this] { runAppends(); }) {}

BackupThread::~BackupThread() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    {
        std::lock_guard lock(appendMutex_);
        appendStop_ = true;
    }
    appendWake_.notify_all();
    thread_.join();
    appendThread_.join();
}

uint64_t BackupThread::append(std::string path, std::string bytes) {
    uint64_t id;
    {
        std::lock_guard lock(appendMutex_);
        id = ++nextAppend_;
        appends_.push_back(Append{id, std::move(path), std::move(bytes)});
    }
    appendWake_.notify_one();
    return id;
}

bool BackupThread::flushAppends() {
    std::unique_lock lock(appendMutex_);
    appendIdle_.wait(lock, [this] { return appends_.empty() && !appending_; });
    return appendsOk_;
}

void BackupThread::runAppends() {
    std::unique_lock lock(appendMutex_);
    for (;;) {
        appendWake_.wait(lock, [this] { return !appends_.empty() || appendStop_; });
        if (appends_.empty())
            return; // stopping, and nothing left
        Append a = std::move(appends_.front());
        appends_.pop_front();
        appending_ = true;
        lock.unlock();
        const bool ok = AppendSynced(a.path, a.bytes);
        if (onAppended)
            onAppended(a.id, ok);
        lock.lock();
        appendsOk_ = appendsOk_ && ok;
        appending_ = false;
        if (appends_.empty())
            appendIdle_.notify_all();
    }
}

uint64_t BackupThread::submit(TableSnapshot snapshot, std::string path) {
    uint64_t id;
    TableSnapshot replaced; // released here, on the thread that took it
    {
        std::lock_guard lock(mutex_);
        id = ++nextId_;
        auto same = std::find_if(queue_.begin(), queue_.end(),
                                 [&](const Job& j) { return j.path == path; });
        if (same != queue_.end()) {
            same->id = id;
            replaced = std::exchange(same->snapshot, std::move(snapshot));
        } else {
            queue_.push_back(Job{id, std::move(path), std::move(snapshot)});
        }
    }
    wake_.notify_one();
    return id;
}

bool BackupThread::flush(const std::string& path) {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
    const auto it = lastOk_.find(path);
    return it != lastOk_.end() && it->second;
}

void BackupThread::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (queue_.empty()) {
            if (stop_)
                return;
            continue;
        }
        Job job = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        // The per-user data folder may not exist yet on a fresh installation.
        std::error_code ec;
        const std::filesystem::path folder = std::filesystem::path(job.path).parent_path();
        if (!folder.empty())
            std::filesystem::create_directories(folder, ec);
        const bool ok = AtomicWriteFile(job.path, ProtocolTextBytes(job.snapshot), io_);
        if (done_)
            done_(Result{job.id, job.path, ok, std::move(job.snapshot)});
        lock.lock();
        lastOk_[job.path] = ok;
        busy_ = false;
        if (queue_.empty())
            idle_.notify_all();
    }
}

} // namespace vk
