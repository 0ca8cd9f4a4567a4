#pragma once
#include "serial/ComDevice.h"

#include <atomic>
#include <cstdint>
#include <pthread.h>

namespace vk {

// Transition counters of the modem input lines (TIOCGICOUNT).
struct LineCounts {
    int cts = 0, dsr = 0, rng = 0, dcd = 0;
    bool operator==(const LineCounts&) const = default;
};

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
};

class SystemModemIo final : public ModemIo {
public:
    static SystemModemIo& Instance();
    int Get(int fd, int& bits) override;
    int Set(int fd, int bits, bool on) override;
    int Wait(int fd, int bits) override;
    int Counts(int fd, LineCounts& c) override;
};

// The signal that interrupts a thread blocked in TIOCMIWAIT. Its handler does nothing and is
// installed without SA_RESTART, so the ioctl returns EINTR.
int StopSignal();

// TIOCM_* bits to the modem-status word and back.
uint32_t ModemWordOf(int tiocmBits);
// The TIOCM_* input lines watched for the system event bits of a mask.
int LinesOfEventMask(uint32_t eventMask);

class LinuxComDevice final : public ComDevice {
public:
    LinuxComDevice(int fd, ModemIo& io);
    ~LinuxComDevice() override;

    WaitResult WaitEvent(uint32_t eventMask, uint32_t& events) override;
    WaitResult Idle(int ms) override;
    void RequestStop() override;
    bool ModemStatus(uint32_t& status) override;
    bool InputCount(uint32_t& count) override;
    void Purge() override;

    int Fd() const { return fd_; }
    // True once TIOCMIWAIT turned out to be missing and the lines are read every millisecond.
    bool Polling() const { return polling_.load(); }

private:
    WaitResult PollLines(int lines, uint32_t& events);
    WaitResult Sleep(int ms, bool watchHangup);
    uint32_t EventsOfCounts(const LineCounts& now, int lines) const;
    uint32_t EventsOfStatus(int now, int lines) const;

    const int fd_;
    const int stopFd_;
    ModemIo& io_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> inWait_{false};
    std::atomic<bool> haveWaiter_{false};
    pthread_t waiter_{};
    std::atomic<bool> polling_{false};
    bool haveCounts_ = false;
    LineCounts counts_;
    int status_ = 0;
};

// Opens /dev/tty* devices: O_NOCTTY, an advisory exclusive lock and TIOCEXCL, line settings
// by termios2 (any baud rate, mark/space parity), DTR and RTS as the settings ask. Never
// reads or writes a byte.
class LinuxComDriver final : public ComDriver {
public:
    explicit LinuxComDriver(ModemIo& io = SystemModemIo::Instance());
    static LinuxComDriver& Default();

    std::unique_ptr<ComDevice> Open(const std::string& path, const ComSettings& s) override;

private:
    ModemIo& io_;
};

} // namespace vk
