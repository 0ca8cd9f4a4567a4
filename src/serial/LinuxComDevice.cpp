#include "serial/LinuxComDevice.h"
#include "serial/ThreadPriority.h"

#include "serial/Comms.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <system_error>
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

int SystemModemIo::Sleeping(int tid, int fd) {
    return SleepingInSyscall(tid, SYS_ioctl, {static_cast<unsigned long>(fd), TIOCMIWAIT});
}

int SleepingInSyscall(int tid, long nr, std::initializer_list<unsigned long> args) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%d/syscall", tid);
    const int f = ::open(path, O_RDONLY | O_CLOEXEC);
    if (f < 0)
        return -1;
    char buf[256];
    const ssize_t n = ::read(f, buf, sizeof buf - 1);
    ::close(f);
    if (n <= 0)
        return -1;
    buf[n] = 0;
    // "running", or the call number and its six arguments in hex, then stack and pc.
    char* p = buf;
    char* end = nullptr;
    const long got = std::strtol(p, &end, 10);
    if (end == p || got != nr)
        return 0;
    for (unsigned long want : args) {
        p = end;
        const unsigned long arg = std::strtoul(p, &end, 16);
        if (end == p || arg != want)
            return 0;
    }
    return 1;
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

LinuxComDevice::LinuxComDevice(int fd, ModemIo& io, TickSource& ticks, bool discardInput)
    : fd_(fd), stopFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      armFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), io_(io), ticks_(ticks),
      discardInput_(discardInput) {
    StopSignal();
    auto fail = [&](int e) {
        for (int f : {stopFd_, armFd_, fd_})
            if (f >= 0)
                ::close(f);
        throw EComState("Unable to set com state: " + SystemErrorText(e));
    };
    if (stopFd_ < 0 || armFd_ < 0)
        fail(errno);
    // Changes from here on count, even those before the thread's first wait.
    haveCounts_ = io_.Counts(fd_, counts_) == 0;
    int b = 0;
    if (io_.Get(fd_, b) == 0)
        word_ = ModemWordOf(b);
    try {
        guard_ = std::thread([this] { Guard(); });
    } catch (const std::system_error& e) {
        fail(e.code().value());
    }
}

LinuxComDevice::~LinuxComDevice() {
    RequestStop();
    guard_.join();
    ::close(armFd_);
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

bool LinuxComDevice::Next(LineRecord& record) {
    if (records_.empty())
        return false;
    record = records_.front();
    records_.pop_front();
    return true;
}

int LinuxComDevice::Collect(int64_t tick, const LineCounts* now) {
    int b = 0;
    if (const int r = io_.Get(fd_, b))
        return r;
    const uint32_t word = ModemWordOf(b);
    std::vector<LineRecord> out;
    SplitWake(watched_, word_, word, now ? &counts_ : nullptr, now, tick, out);
    word_ = word;
    records_.insert(records_.end(), out.begin(), out.end());
    return 0;
}

WaitResult LinuxComDevice::WaitEvent(uint32_t eventMask, LineRecord& record) {
    if (Next(record))
        return WaitResult::Event;
    if (!haveWaiter_.load()) {
        waiter_ = pthread_self();
        waiterTid_.store(static_cast<int>(gettid()));
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, StopSignal());
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        // A loaded machine must not delay the wake-up that takes the stamp.
        RecordEventThreadPriority(RaiseThreadPriority());
        haveWaiter_.store(true);
    }
    lines_ = LinesOfEventMask(eventMask);
    watched_ = WatchedLines(eventMask);
    if (lines_ == 0)
        return Sleep(-1, true); // nothing this back-end can watch: wait for stop or loss
    for (;;) {
        if (stop_.load())
            return WaitResult::Stop;
        if (polling_.load())
            return PollLines(record);
        // Changes since the last look (while the records were made, or in the entry gap of
        // the last wait) still show in the counters, or at least in the word.
        const int64_t tick = ticks_.TickStamp();
        LineCounts now;
        int r = haveCounts_ ? io_.Counts(fd_, now) : ENOTTY;
        if (r != 0 && IsLost(r))
            return WaitResult::Lost;
        if (r != 0)
            haveCounts_ = false;
        if (!haveCounts_ || CountsMoved(now, counts_, watched_)) {
            if (const int e = Collect(tick, haveCounts_ ? &now : nullptr))
                return IsLost(e) ? WaitResult::Lost : WaitResult::Failed;
            if (Next(record))
                return WaitResult::Event;
        }
        Arm();
        inWait_.store(true);
        r = stop_.load() ? EINTR : io_.Wait(fd_, lines_);
        inWait_.store(false);
        const int64_t woke = ticks_.TickStamp();
        Disarm();
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
        // Counters that failed once are not trusted again: the changes told by the word
        // meanwhile would count a second time once they work.
        haveCounts_ = haveCounts_ && io_.Counts(fd_, now) == 0;
        if (const int e = Collect(woke, haveCounts_ ? &now : nullptr))
            return IsLost(e) ? WaitResult::Lost : WaitResult::Failed;
        // A wake-up that shows no change would turn into a busy loop if it repeats.
        if (!Next(record))
            return WaitResult::Failed;
        return WaitResult::Event;
    }
}

WaitResult LinuxComDevice::PollLines(LineRecord& record) {
    for (;;) {
        const int64_t tick = ticks_.TickStamp();
        // Where the counters work they also catch pulses shorter than a polling period.
        LineCounts now;
        haveCounts_ = haveCounts_ && io_.Counts(fd_, now) == 0;
        if (const int e = Collect(tick, haveCounts_ ? &now : nullptr))
            return IsLost(e) ? WaitResult::Lost : WaitResult::Failed;
        if (Next(record))
            return WaitResult::Event;
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

// ---- the guard ------------------------------------------------------------------------------

void LinuxComDevice::Arm() {
    {
        std::lock_guard lock(guardMutex_);
        armed_ = true;
        ++armSeq_;
        baseline_ = {counts_, haveCounts_, word_, watched_};
    }
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(armFd_, &one, sizeof one);
}

void LinuxComDevice::Disarm() {
    std::lock_guard lock(guardMutex_);
    armed_ = false;
}

void LinuxComDevice::Guard() {
    pthread_setname_np(pthread_self(), "vk-serial-guard");
    RaiseThreadPriority();
    bool watchInput = discardInput_;
    int64_t resumeInput = 0; // monotonic ms after a discard
    for (;;) {
        int64_t nowMs = 0;
        {
            timespec ts{};
            clock_gettime(CLOCK_MONOTONIC, &ts);
            nowMs = static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
        }
        const bool input = watchInput && nowMs >= resumeInput;
        const int timeout = watchInput && !input ? static_cast<int>(resumeInput - nowMs) : -1;
        struct pollfd p[3] = {{stopFd_, POLLIN, 0}, {armFd_, POLLIN, 0}, {fd_, POLLIN, 0}};
        const int n = poll(p, input ? 3 : 2, timeout);
        if (stop_.load())
            return;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return; // nothing sensible is left to do; the event thread goes on alone
        }
        if (p[1].revents & POLLIN) {
            uint64_t v = 0;
            [[maybe_unused]] ssize_t r = ::read(armFd_, &v, sizeof v);
            CheckGap();
        }
        if (input && p[2].revents) {
            if (p[2].revents & (POLLHUP | POLLERR | POLLNVAL)) {
                watchInput = false; // the event thread reports the loss
            } else if (p[2].revents & POLLIN) {
                FlushInput(fd_);
                resumeInput = nowMs + kDiscardPauseMs;
            }
        }
    }
}

bool LinuxComDevice::Pause(int us) {
    struct pollfd p = {stopFd_, POLLIN, 0};
    const timespec ts{us / 1000000, (us % 1000000) * 1000L};
    ppoll(&p, 1, &ts, nullptr);
    return !stop_.load();
}

void LinuxComDevice::CheckGap() {
    uint64_t seq = 0;
    Look before;
    {
        std::lock_guard lock(guardMutex_);
        if (!armed_)
            return;
        seq = armSeq_;
        before = baseline_;
    }
    auto current = [&] {
        std::lock_guard lock(guardMutex_);
        return armed_ && armSeq_ == seq;
    };
    // Only once the thread sleeps in the wait has the kernel taken its snapshot; a change
    // after that wakes the wait by itself, one before it shows here.
    int waitedUs = 0;
    for (int pauseUs = 20;;) {
        if (!current())
            return;
        const int sleeping = io_.Sleeping(waiterTid_.load(), fd_);
        if (sleeping > 0 || (sleeping < 0 && waitedUs >= kGuessEnteredUs))
            break;
        if (!Pause(pauseUs))
            return;
        waitedUs += pauseUs;
        pauseUs = std::min(pauseUs * 2, 1000);
    }
    // Without counters only a change that lasts shows, in the word.
    if (before.counted) {
        LineCounts now;
        if (io_.Counts(fd_, now) != 0 || !CountsMoved(now, before.counts, before.watched))
            return;
    } else {
        int b = 0;
        if (io_.Get(fd_, b) != 0 || !((ModemWordOf(b) ^ before.word) & before.watched))
            return;
    }
    std::lock_guard lock(guardMutex_);
    if (armed_ && armSeq_ == seq)
        pthread_kill(waiter_, StopSignal());
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

namespace {
TickSource& SystemTickSource() {
    static SystemTicks ticks;
    return ticks;
}
} // namespace

LinuxComDriver::LinuxComDriver(ModemIo& io, TickSource* ticks)
    : io_(io), ticks_(ticks ? *ticks : SystemTickSource()) {}

LinuxComDriver& LinuxComDriver::Default() {
    static LinuxComDriver driver;
    return driver;
}

std::unique_ptr<ComDevice> LinuxComDriver::Open(const std::string& path, const ComSettings& s) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw OpenFailure(errno);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        throw OpenFailure(e);
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
    return std::make_unique<LinuxComDevice>(fd, io_, ticks_, s.discardInput);
}

} // namespace vk
