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

// Appends `bytes` to the file (created when missing) and returns once they are on the disk
// (fdatasync, and for a new file its folder entry too). False on any failure.
bool AppendSynced(const std::string& path, const std::string& bytes);

// The thread that writes protocol files: it serialises a snapshot, writes it to a temporary
// file, flushes it and renames it over the target, so no disk work runs on the ui thread.
// Writes are done in the order given; a write that has not started yet is replaced by a newer
// one to the same path. Destruction finishes every queued write and append first.
//
// Appends (the run log) go through a second thread of the writer: a run must be on the disk
// within milliseconds of its stop, also while a large protocol is being written.
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

    // Queues `bytes` to be appended to `path` and synced; appends keep their order. Returns
    // the append's id (ids grow).
    uint64_t append(std::string path, std::string bytes);
    // Waits until every append queued so far is on the disk; false when one of them failed.
    bool flushAppends();
    // Runs on the append thread after each append (id, ok); hand it over to the ui thread.
    // Set before the first append.
    std::function<void(uint64_t id, bool ok)> onAppended;

private:
    struct Job {
        uint64_t id;
        std::string path;
        TableSnapshot snapshot;
    };
    void run();
    void runAppends();

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

    struct Append {
        uint64_t id;
        std::string path, bytes;
    };
    std::mutex appendMutex_;
    std::condition_variable appendWake_, appendIdle_;
    std::deque<Append> appends_;
    bool appending_ = false;
    bool appendStop_ = false;
    bool appendsOk_ = true;
    uint64_t nextAppend_ = 0;
    std::thread appendThread_;
};

} // namespace vk
