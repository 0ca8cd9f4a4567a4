#pragma once
#include "protocol/CellTable.h"
#include "protocol/ProtocolText.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace vk {

// The thread that writes protocol files: it serialises a snapshot, writes it to a temporary
// file, flushes it and renames it over the target, so no disk work runs on the ui thread.
// Writes are done in the order given; a write that has not started yet is replaced by a newer
// one to the same path. Destruction finishes every queued write first.
class BackupThread {
public:
    struct Result {
        uint64_t id = 0;
        std::string path;
        bool ok = false;
        // Handed back so that it is released on the thread that took it (see TableSnapshot).
        TableSnapshot snapshot;
    };

    // `done` runs on the writer thread after each write; it must hand the result over to the
    // ui thread, not release the snapshot itself.
    BackupThread(FileIo& io, std::function<void(Result)> done);
    ~BackupThread();
    BackupThread(const BackupThread&) = delete;
    BackupThread& operator=(const BackupThread&) = delete;

    // Queues a write; returns its id (ids grow).
    uint64_t submit(TableSnapshot snapshot, std::string path);
    // Waits until everything queued so far is written. The ok flag of the last finished write
    // to `path`, false when there was none.
    bool flush(const std::string& path);

private:
    struct Job {
        uint64_t id;
        std::string path;
        TableSnapshot snapshot;
    };
    void run();

    FileIo& io_;
    std::function<void(Result)> done_;
    std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::deque<Job> queue_;
    bool busy_ = false;
    bool stop_ = false;
    uint64_t nextId_ = 0;
    std::map<std::string, bool> lastOk_;
    std::thread thread_;
};

} // namespace vk
