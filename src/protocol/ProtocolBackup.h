#pragma once
#include "platform/Timer.h"
#include "protocol/Protocol.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace vk {

// Keeps the backup file in step with the protocol without ever writing on the path of a time
// stamp: requests are coalesced on a timer and written from its handler.
//  - RequestWrite(): after a lane stop that wrote results, or a reset that abandoned a
//    running lane; written about kSoonMs later.
//  - operator changes (Protocol::onOperatorChange, bound by the constructor): written within
//    kOperatorMs, however many changes come in between.
//  - WriteNow(): at shutdown.
class BackupWriter {
public:
    static constexpr int kSoonMs = 100;
    static constexpr int kOperatorMs = 1000;
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    BackupWriter(
        Protocol& protocol, TimerFactory& timers, std::string path,
        Clock clock = [] { return std::chrono::system_clock::now(); });
    ~BackupWriter();
    BackupWriter(const BackupWriter&) = delete;
    BackupWriter& operator=(const BackupWriter&) = delete;

    const std::string& path() const { return path_; }

    // Start-up: reads the backup into the protocol, updates the buttons and selects the current
    // row. A backup that exists but cannot be read in full is copied aside with date and time
    // in its name (reported through the protocol's status text); if even that copy fails, no
    // backup is written over it this session.
    ReadStatus LoadAtStartup();

    void RequestWrite();
    void OperatorChanged();
    // Writes at once and drops a pending request. False when it failed or is blocked.
    bool WriteNow();

    bool pending() const { return pending_; }
    bool blocked() const { return blocked_; }
    // The copy made at start-up (empty when none).
    const std::string& keptCopy() const { return keptCopy_; }

private:
    void schedule(int delayMs);
    void fire();

    Protocol& protocol_;
    std::unique_ptr<Timer> timer_;
    std::string path_;
    Clock clock_;
    std::function<void()> previousOperatorChange_;
    bool pending_ = false;
    int pendingDelay_ = 0;
    bool blocked_ = false;
    bool lastWriteFailed_ = false;
    std::string keptCopy_;
};

} // namespace vk
