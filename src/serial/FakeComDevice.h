#pragma once
#include "platform/Tick.h"
#include "serial/ComDevice.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace vk {

class FakeComDevice;

// A scripted serial back-end for tests: devices are paths the test adds; the test sets the
// modem lines, which completes the waits of an open device like the kernel does (the device
// keeps change counters, so a pulse that is over before the wait returns still counts), and
// can make opens or waits fail or unplug a device. Records are stamped with the tick source
// the test gives (the system's by default) when the wait returns. Thread-safe: the test
// thread scripts while the event thread waits.
class FakeComDriver final : public ComDriver {
public:
    using ms = std::chrono::milliseconds;

    std::unique_ptr<ComDevice> Open(const std::string& path, const ComSettings& s) override;

    void AddDevice(const std::string& path);
    // Unplugs: an open device's waits end with Lost, its status reads fail, opens fail.
    void RemoveDevice(const std::string& path);
    // The next opens fail with this errno (0: succeed) as EComHandle or EComState.
    void FailOpen(const std::string& path, int error);
    void FailState(const std::string& path, int error);

    // Read from the event thread: must be thread-safe. Set before opening.
    void SetTicks(TickSource* ticks);

    // Sets the modem-status word; each changed CTS/DSR/RLSD/RI bit counts one change.
    void SetLines(const std::string& path, uint32_t modemWord);
    // The lines (modem-word bits) come on and go off again before anyone reads them.
    void Pulse(const std::string& path, uint32_t modemBits);
    // Pending events without a change of the word (a pulse that is already over).
    void Signal(const std::string& path, uint32_t eventBits);
    // While held, pending events do not complete a wait (a stop still does).
    void HoldWaits(const std::string& path, bool hold);
    // Every wait fails.
    void FailWaits(const std::string& path, bool fail);
    // After this many Idle calls the next ones block until stop, loss or FailWaits(false)
    // (default 32), so a test can look at the pauses without the thread running on.
    void SetIdleLimit(const std::string& path, size_t limit);

    bool IsOpen(const std::string& path);
    int Opens(const std::string& path);
    int Purges(const std::string& path);
    ComSettings LastSettings(const std::string& path);
    std::vector<int> Idles(const std::string& path);
    uint32_t Lines(const std::string& path);

    // Bounded waits for the event thread to reach a state.
    bool WaitUntilWaiting(const std::string& path, ms timeout = ms(5000));
    bool WaitForIdles(const std::string& path, size_t count, ms timeout = ms(5000));

private:
    friend class FakeComDevice;
    struct PathState {
        bool present = true;
        int openError = 0;
        int stateError = 0;
        uint32_t lines = 0;
        LineCounts counts;
        uint32_t pending = 0;
        bool hold = false;
        bool failWaits = false;
        size_t idleLimit = 32;
        int opens = 0;
        int purges = 0;
        ComSettings settings;
        std::vector<int> idles;
        FakeComDevice* device = nullptr;
    };
    PathState& State(const std::string& path); // caller holds mutex_

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, PathState> paths_;
    SystemTicks systemTicks_;
    TickSource* ticks_ = &systemTicks_;
};

class FakeComDevice final : public ComDevice {
public:
    FakeComDevice(FakeComDriver& driver, std::string path)
        : driver_(driver), path_(std::move(path)) {}
    ~FakeComDevice() override;

    WaitResult WaitEvent(uint32_t eventMask, LineRecord& record) override;
    WaitResult Idle(int ms) override;
    void RequestStop() override;
    bool ModemStatus(uint32_t& status) override;
    bool InputCount(uint32_t& count) override;
    void Purge() override;

private:
    friend class FakeComDriver;
    FakeComDriver& driver_;
    const std::string path_;
    // Guarded by the driver's mutex.
    bool stop_ = false;
    bool waiting_ = false;
    uint32_t word_ = 0;
    LineCounts counts_;
    // Event thread only.
    std::deque<LineRecord> records_;
};

} // namespace vk
