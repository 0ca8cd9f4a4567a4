#pragma once
#include "platform/Timer.h"
#include "protocol/BackupThread.h"
#include "protocol/Protocol.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace vk {

// Keeps the backup file in step with the protocol. The ui thread only takes a snapshot of the
// table; a BackupThread writes it, and its results come back through `post` to the ui thread.
//  - RequestWrite(): a lane stop wrote results, or a reset abandoned a running lane: handed
//    to the writer at once.
//  - operator changes (Protocol::onOperatorChange, bound by the constructor): written within
//    kOperatorMs, however many changes come in between.
//  - a write that failed is tried again every kRetryMs until one succeeds.
//  - WriteNow(): at shutdown; waits for the write.
class BackupWriter {
public:
    static constexpr int kOperatorMs = 250;
    static constexpr int kRetryMs = 3000;
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    // Runs a function on the ui thread, later; called from the writer thread.
    using Post = std::function<void(std::function<void()>)>;

    BackupWriter(
        Protocol& protocol, TimerFactory& timers, std::string path, Post post,
        Clock clock = [] { return std::chrono::system_clock::now(); });
    ~BackupWriter();
    BackupWriter(const BackupWriter&) = delete;
    BackupWriter& operator=(const BackupWriter&) = delete;

    // Where the backup is written (a dated name when the backup could be neither read nor
    // kept aside).
    const std::string& path() const { return path_; }

    // Start-up: removes temporary files a killed write left, reads the backup (from
    // `readPath`, or path() when empty) into the protocol, updates the buttons and selects the
    // current row. A backup that exists but cannot be read in full is copied aside with date
    // and time in its name; if even that fails, the backup carries on under a new dated name
    // and the old file is left alone. Read from elsewhere, the backup is written to path() at
    // once and the status bar says so.
    ReadStatus LoadAtStartup(const std::string& readPath = {});

    void RequestWrite();
    void OperatorChanged();
    // Writes at once and waits for it; false when it failed.
    bool WriteNow();
    // Waits until the writer has finished what it was given (its results are still posted).
    void WaitForWrites() { thread_->flush(path_); }
    // The writer thread; the run log appends through it.
    BackupThread& writerThread() { return *thread_; }

    bool pending() const { return timer_->enabled(); }
    // The last write of the backup failed, and no later one succeeded yet.
    bool failing() const { return failing_; }
    // The copy made at start-up (empty when none).
    const std::string& keptCopy() const { return keptCopy_; }
    // The warning that stays on screen while the backup is not where or as it should be;
    // empty when all is well.
    std::string warning() const;
    std::function<void(const std::string&)> onWarning;

private:
    void schedule(int delayMs);
    void submit();
    void received(BackupThread::Result r);
    void updateWarning();
    std::string freeStampedName(const std::string& path) const;

    Protocol& protocol_;
    std::unique_ptr<Timer> timer_;
    std::string path_;
    Clock clock_;
    std::function<void()> previousOperatorChange_;
    std::function<std::string()> previousReplacing_;
    int pendingDelay_ = 0;
    bool failing_ = false;
    uint64_t lastHandled_ = 0;
    std::string keptCopy_;
    std::string redirectWarning_;
    std::string shownWarning_;
    // Results posted after this writer is gone find the token expired.
    std::shared_ptr<BackupWriter*> alive_;
    std::unique_ptr<BackupThread> thread_;
};

} // namespace vk
