#pragma once
#include "platform/Tick.h"
#include "serial/ComDevice.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace vk {

// The modem-line ioctls of the back-end, in one place so tests can script them on a
// pseudo-terminal (which has no modem lines). Each returns 0 or an errno value; bits are the
// kernel's TIOCM_* bits.
class ModemIo {
public:
    virtual ~ModemIo() = default;
    virtual int Get(int fd, int& bits) = 0;         // TIOCMGET
    virtual int Set(int fd, int bits, bool on) = 0; // TIOCMBIS / TIOCMBIC
    virtual int Wait(int fd, int bits) = 0;         // TIOCMIWAIT; EINTR when interrupted
    virtual int Counts(int fd, LineCounts& c) = 0;  // TIOCGICOUNT
    // 1 while thread `tid` sleeps inside Wait on `fd`, so Wait has taken its own snapshot of
    // the counters; 0 while it does not; -1 when this cannot be told.
    virtual int Sleeping(int tid, int fd) = 0;
};

class SystemModemIo final : public ModemIo {
public:
    static SystemModemIo& Instance();
    int Get(int fd, int& bits) override;
    int Set(int fd, int bits, bool on) override;
    int Wait(int fd, int bits) override;
    int Counts(int fd, LineCounts& c) override;
    int Sleeping(int tid, int fd) override;
};

// Whether thread `tid` of this process sleeps in system call `nr` with these leading
// arguments (/proc/self/task/<tid>/syscall): 1 yes, 0 no, -1 when that file cannot be read.
int SleepingInSyscall(int tid, long nr, std::initializer_list<unsigned long> args);

// The signal that interrupts a thread blocked in TIOCMIWAIT. Its handler does nothing and is
// installed without SA_RESTART, so the ioctl returns EINTR.
int StopSignal();

// TIOCM_* bits to the modem-status word and back.
uint32_t ModemWordOf(int tiocmBits);
// The TIOCM_* input lines watched for the system event bits of a mask.
int LinesOfEventMask(uint32_t eventMask);

// A tty's modem lines. The event thread sleeps in TIOCMIWAIT and, when it wakes, takes the
// tick, the counters and the word, in that order. TIOCMIWAIT compares against a snapshot of
// the counters that the kernel takes when the call is entered, after this side read them: a
// change in between would wake nobody until the next change. A guard thread closes that gap:
// once the event thread sleeps in the wait it reads the counters (without them, the word) once
// more and, if they moved since the event thread's look, interrupts the wait. The guard also throws
// away input nobody reads as it arrives. Both threads sleep while no line changes and no byte
// arrives.
class LinuxComDevice final : public ComDevice {
public:
    LinuxComDevice(int fd, ModemIo& io, TickSource& ticks, bool discardInput);
    ~LinuxComDevice() override;

    WaitResult WaitEvent(uint32_t eventMask, LineRecord& record) override;
    WaitResult Idle(int ms) override;
    void RequestStop() override;
    bool ModemStatus(uint32_t& status) override;
    bool InputCount(uint32_t& count) override;
    void Purge() override;
    bool DiscardsInput() const override { return discardInput_; }

    int Fd() const { return fd_; }
    // True once TIOCMIWAIT turned out to be missing and the lines are read every millisecond.
    bool Polling() const { return polling_.load(); }

    // Without a way to see that the event thread sleeps in its wait, the guard looks this
    // long after the thread said it would enter it.
    static constexpr int kGuessEnteredUs = 2000;
    // Input keeps arriving: the guard throws it away at most this often.
    static constexpr int kDiscardPauseMs = 100;

private:
    WaitResult PollLines(LineRecord& record);
    WaitResult Sleep(int ms, bool watchHangup);
    // Reads the word and queues the records of what changed since the last record; 0 or the
    // error of reading the word.
    int Collect(int64_t tick, const LineCounts* now);
    bool Next(LineRecord& record);
    void Arm();
    void Disarm();
    void Guard();
    void CheckGap();
    bool Pause(int us);

    const int fd_;
    const int stopFd_;
    const int armFd_;
    ModemIo& io_;
    TickSource& ticks_;
    const bool discardInput_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> inWait_{false};
    std::atomic<bool> haveWaiter_{false};
    pthread_t waiter_{};
    std::atomic<int> waiterTid_{0};
    std::atomic<bool> polling_{false};

    // Event thread only.
    uint32_t watched_ = 0;
    int lines_ = 0;
    bool haveCounts_ = false;
    LineCounts counts_;
    uint32_t word_ = 0;
    std::deque<LineRecord> records_;

    // Shared with the guard.
    std::mutex guardMutex_;
    bool armed_ = false;
    uint64_t armSeq_ = 0;
    // The event thread's last look before the wait.
    struct Look {
        LineCounts counts;
        bool counted = false;
        uint32_t word = 0;
        uint32_t watched = 0;
    } baseline_;
    std::thread guard_;
};

// Opens /dev/tty* devices: O_NOCTTY, an advisory exclusive lock and TIOCEXCL, line settings
// by termios2 (any baud rate, mark/space parity), DTR and RTS as the settings ask. Never
// writes a byte; throws away what arrives unless asked to keep it. The devices stamp their
// records with `ticks` (the system's tick count when null).
class LinuxComDriver final : public ComDriver {
public:
    explicit LinuxComDriver(ModemIo& io = SystemModemIo::Instance(), TickSource* ticks = nullptr);
    static LinuxComDriver& Default();

    std::unique_ptr<ComDevice> Open(const std::string& path, const ComSettings& s) override;

private:
    ModemIo& io_;
    TickSource& ticks_;
};

} // namespace vk
