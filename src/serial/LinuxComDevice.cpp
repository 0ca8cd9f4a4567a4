#include "serial/LinuxComDevice.h"

#include "serial/Comms.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vk {

int ConfigureLine(int fd, const ComSettings& s); // LinuxTermios.cpp
int FlushInput(int fd);

namespace {

bool IsLost(int e) {
    return e == EIO || e == ENODEV || e == ENXIO || e == EBADF;
}

bool IsUnsupported(int e) {
    return e == ENOTTY || e == EINVAL || e == ENOSYS || e == EOPNOTSUPP;
}

void NoOp(int) {}

int SetModemLine(ModemIo& io, int fd, int bit, bool on) {
    const int e = io.Set(fd, bit, on);
    // A line without modem control (a pseudo-terminal) simply has no DTR or RTS to drive.
    return IsUnsupported(e) ? 0 : e;
}

} // namespace

SystemModemIo& SystemModemIo::Instance() {
    static SystemModemIo io;
    return io;
}

int SystemModemIo::Get(int fd, int& bits) {
    return ioctl(fd, TIOCMGET, &bits) == 0 ? 0 : errno;
}

int SystemModemIo::Set(int fd, int bits, bool on) {
    return ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0 ? 0 : errno;
}

int SystemModemIo::Wait(int fd, int bits) {
    return ioctl(fd, TIOCMIWAIT, static_cast<unsigned long>(bits)) == 0 ? 0 : errno;
}

int SystemModemIo::Counts(int fd, LineCounts& c) {
    struct serial_icounter_struct ic {};
    if (ioctl(fd, TIOCGICOUNT, &ic) != 0)
        return errno;
    c.cts = ic.cts;
    c.dsr = ic.dsr;
    c.rng = ic.rng;
    c.dcd = ic.dcd;
    return 0;
}

int StopSignal() {
    static const int sig = [] {
        const int s = SIGRTMIN + 6;
        struct sigaction sa {};
        sa.sa_handler = NoOp;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0; // no SA_RESTART: the blocked ioctl must return
        sigaction(s, &sa, nullptr);
        return s;
    }();
    return sig;
}

uint32_t ModemWordOf(int b) {
    uint32_t w = 0;
    if (b & TIOCM_CTS)
        w |= MS_CTS_ON;
    if (b & TIOCM_DSR)
        w |= MS_DSR_ON;
    if (b & TIOCM_RNG)
        w |= MS_RING_ON;
    if (b & TIOCM_CAR)
        w |= MS_RLSD_ON;
    return w;
}

int LinesOfEventMask(uint32_t m) {
    int lines = 0;
    if (m & EV_CTS)
        lines |= TIOCM_CTS;
    if (m & EV_DSR)
        lines |= TIOCM_DSR;
    if (m & EV_RLSD)
        lines |= TIOCM_CAR;
    if (m & EV_RING)
        lines |= TIOCM_RNG;
    return lines;
}

// ---------------------------------------------------------------------------------------------

LinuxComDevice::LinuxComDevice(int fd, ModemIo& io)
    : fd_(fd), stopFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), io_(io) {
    StopSignal();
    if (stopFd_ < 0) {
        const int e = errno;
        ::close(fd_);
        throw EComState("Unable to set com state: " + SystemErrorText(e));
    }
    // Changes from here on count, even those before the thread's first wait.
    haveCounts_ = io_.Counts(fd_, counts_) == 0;
    int b = 0;
    if (io_.Get(fd_, b) == 0)
        status_ = b;
}

LinuxComDevice::~LinuxComDevice() {
    ::close(stopFd_);
    ::close(fd_);
}

void LinuxComDevice::RequestStop() {
    stop_.store(true);
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(stopFd_, &one, sizeof one);
    if (inWait_.load() && haveWaiter_.load())
        pthread_kill(waiter_, StopSignal());
}

uint32_t LinuxComDevice::EventsOfCounts(const LineCounts& now, int lines) const {
    uint32_t ev = 0;
    if ((lines & TIOCM_CTS) && now.cts != counts_.cts)
        ev |= EV_CTS;
    if ((lines & TIOCM_DSR) && now.dsr != counts_.dsr)
        ev |= EV_DSR;
    if ((lines & TIOCM_CAR) && now.dcd != counts_.dcd)
        ev |= EV_RLSD;
    if ((lines & TIOCM_RNG) && now.rng != counts_.rng)
        ev |= EV_RING;
    return ev;
}

uint32_t LinuxComDevice::EventsOfStatus(int now, int lines) const {
    const int changed = (now ^ status_) & lines;
    uint32_t ev = 0;
    if (changed & TIOCM_CTS)
        ev |= EV_CTS;
    if (changed & TIOCM_DSR)
        ev |= EV_DSR;
    if (changed & TIOCM_CAR)
        ev |= EV_RLSD;
    if (changed & TIOCM_RNG)
        ev |= EV_RING;
    return ev;
}

WaitResult LinuxComDevice::WaitEvent(uint32_t eventMask, uint32_t& events) {
    if (!haveWaiter_.load()) {
        waiter_ = pthread_self();
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, StopSignal());
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        haveWaiter_.store(true);
    }
    const int lines = LinesOfEventMask(eventMask);
    if (lines == 0)
        return Sleep(-1, true); // nothing this back-end can watch: wait for stop or loss
    for (;;) {
        if (stop_.load())
            return WaitResult::Stop;
        if (polling_.load())
            return PollLines(lines, events);
        // Changes while the last hand-over ran happened before this wait: the counters still
        // show them.
        if (haveCounts_) {
            LineCounts now;
            const int r = io_.Counts(fd_, now);
            if (r == 0) {
                const uint32_t ev = EventsOfCounts(now, lines);
                counts_ = now;
                if (ev) {
                    events = ev;
                    return WaitResult::Event;
                }
            } else if (IsLost(r)) {
                return WaitResult::Lost;
            } else {
                haveCounts_ = false;
            }
        }
        inWait_.store(true);
        const int r = stop_.load() ? EINTR : io_.Wait(fd_, lines);
        inWait_.store(false);
        if (r == EINTR)
            continue;
        if (IsUnsupported(r)) {
            polling_.store(true);
            continue;
        }
        if (IsLost(r))
            return WaitResult::Lost;
        if (r != 0)
            return WaitResult::Failed;
        uint32_t ev = 0;
        if (haveCounts_) {
            LineCounts now;
            if (io_.Counts(fd_, now) == 0) {
                ev = EventsOfCounts(now, lines);
                counts_ = now;
            }
        }
        int b = 0;
        if (io_.Get(fd_, b) == 0) {
            if (!ev)
                ev = EventsOfStatus(b, lines);
            status_ = b;
        }
        // A wake-up that shows no change would turn into a busy loop if it repeats.
        if (!ev)
            return WaitResult::Failed;
        events = ev;
        return WaitResult::Event;
    }
}

WaitResult LinuxComDevice::PollLines(int lines, uint32_t& events) {
    for (;;) {
        int b = 0;
        const int r = io_.Get(fd_, b);
        if (r != 0)
            return IsLost(r) ? WaitResult::Lost : WaitResult::Failed;
        uint32_t ev = EventsOfStatus(b, lines);
        status_ = b;
        // Where the counters work they also catch pulses shorter than a polling period.
        if (haveCounts_) {
            LineCounts now;
            if (io_.Counts(fd_, now) == 0) {
                ev |= EventsOfCounts(now, lines);
                counts_ = now;
            }
        }
        if (ev) {
            events = ev;
            return WaitResult::Event;
        }
        const WaitResult w = Sleep(1, true);
        if (w != WaitResult::Event)
            return w;
    }
}

WaitResult LinuxComDevice::Idle(int ms) {
    return Sleep(ms, true);
}

WaitResult LinuxComDevice::Sleep(int ms, bool watchHangup) {
    for (;;) {
        if (stop_.load())
            return WaitResult::Stop;
        struct pollfd p[2] = {{stopFd_, POLLIN, 0}, {fd_, 0, 0}};
        const int n = poll(p, watchHangup ? 2 : 1, ms);
        if (stop_.load())
            return WaitResult::Stop;
        if (n > 0 && watchHangup && (p[1].revents & (POLLHUP | POLLERR | POLLNVAL)))
            return WaitResult::Lost;
        if (n == 0 || (n < 0 && errno == EINTR && ms >= 0))
            return WaitResult::Event;
        if (n < 0 && errno != EINTR)
            return WaitResult::Failed;
    }
}

bool LinuxComDevice::ModemStatus(uint32_t& status) {
    int b = 0;
    if (io_.Get(fd_, b) != 0)
        return false;
    status = ModemWordOf(b);
    return true;
}

bool LinuxComDevice::InputCount(uint32_t& count) {
    int n = 0;
    if (ioctl(fd_, FIONREAD, &n) != 0)
        return false;
    count = static_cast<uint32_t>(n);
    return true;
}

void LinuxComDevice::Purge() {
    FlushInput(fd_);
}

// ---------------------------------------------------------------------------------------------

LinuxComDriver::LinuxComDriver(ModemIo& io) : io_(io) {}

LinuxComDriver& LinuxComDriver::Default() {
    static LinuxComDriver driver;
    return driver;
}

std::unique_ptr<ComDevice> LinuxComDriver::Open(const std::string& path, const ComSettings& s) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw EComHandle("Unable to open com port: " + SystemErrorText(errno));
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        throw EComHandle("Unable to open com port: " + SystemErrorText(e));
    }
    int e = ConfigureLine(fd, s);
    if (!e && ioctl(fd, TIOCEXCL) != 0)
        e = errno;
    if (!e)
        e = SetModemLine(io_, fd, TIOCM_DTR, s.enableDtr);
    if (!e)
        e = SetModemLine(io_, fd, TIOCM_RTS, s.rtsHandshake);
    if (e) {
        ::close(fd);
        throw EComState("Unable to set com state: " + SystemErrorText(e));
    }
    return std::make_unique<LinuxComDevice>(fd, io_);
}

} // namespace vk
