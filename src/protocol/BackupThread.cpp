#include "protocol/BackupThread.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace vk {

BackupThread::BackupThread(FileIo& io, std::function<void(Result)> done)
    : io_(io), done_(std::move(done)), thread_([this] { run(); }) {}

BackupThread::~BackupThread() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
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
