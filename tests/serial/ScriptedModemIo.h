#pragma once
#include "serial/LinuxComDevice.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vk::test {

using namespace std::chrono_literals;

// Modem ioctls scripted by the test on top of a pseudo-terminal. Wait blocks like TIOCMIWAIT
// in a system call (poll on a pipe), so the stop signal interrupts it the same way; like the
// kernel it only sees changes made after it was entered. A change scripted for the entry gap
// happens inside Wait just before it takes that snapshot.
class ScriptedModemIo final : public ModemIo {
public:
    ScriptedModemIo() {
        if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
            throw std::runtime_error("pipe");
    }
    ~ScriptedModemIo() override {
        ::close(pipe_[0]);
        ::close(pipe_[1]);
    }

    int Get(int, int& bits) override {
        std::lock_guard lock(m_);
        ++gets;
        if (getError)
            return getError;
        if (betweenLooks_ >= 0 && countsRead_) {
            Change(betweenLooks_);
            betweenLooks_ = -1;
            Wake();
        }
        countsRead_ = false;
        bits = lines_;
        return 0;
    }
    int Set(int, int bits, bool on) override {
        std::lock_guard lock(m_);
        sets.emplace_back(bits, on);
        return setError;
    }
    int Counts(int, LineCounts& c) override {
        std::lock_guard lock(m_);
        if (!hasCounts || countsFailures > 0) {
            countsFailures -= countsFailures > 0;
            return EINVAL;
        }
        c = counts_;
        countsRead_ = true;
        return 0;
    }
    int Wait(int, int) override {
        // The stop signal stays pending until the thread blocks, as in the real wait, which
        // the guard only interrupts once the thread sleeps in it.
        struct Blocked {
            sigset_t outside;
            Blocked() {
                sigset_t stop;
                sigemptyset(&stop);
                sigaddset(&stop, StopSignal());
                pthread_sigmask(SIG_BLOCK, &stop, &outside);
            }
            ~Blocked() { pthread_sigmask(SIG_SETMASK, &outside, nullptr); }
        } blocked;
        {
            std::lock_guard lock(m_);
            if (!hasWait)
                return ENOTTY;
            ++waits;
            if (waitError)
                return waitError;
            if (gapLines >= 0) {
                Change(gapLines);
                gapLines = -1;
                timespec t{};
                clock_gettime(CLOCK_MONOTONIC, &t);
                gapChangeNs = static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
            }
            char buf[64];
            while (::read(pipe_[0], buf, sizeof buf) > 0) {
            }
            inWait_ = true;
            cv_.notify_all();
        }
        struct pollfd p {
            pipe_[0], POLLIN, 0
        };
        const int n = ppoll(&p, 1, nullptr, &blocked.outside);
        const int e = errno;
        std::lock_guard lock(m_);
        inWait_ = false;
        cv_.notify_all();
        if (n < 0) {
            ++interrupts;
            return e;
        }
        return wakeResult;
    }

    int Sleeping(int, int) override {
        std::lock_guard lock(m_);
        return inWait_ ? 1 : 0;
    }

    void SetLines(int l) {
        std::lock_guard lock(m_);
        Change(l);
        Wake();
    }
    // The next Wait changes the lines to `l` as it is entered, before its snapshot: a change
    // inside the gap between the caller's look at the counters and the wait.
    void ChangeInEntryGap(int l) {
        std::lock_guard lock(m_);
        gapLines = l;
    }
    // Sets the lines to `l`, and to `then` just after the next look at the counters that sees
    // `l`, before the word is read: a change between the event thread's two looks. Cancelled
    // by a negative `then`. ChangedBetweenLooks is true once it happened.
    void SetLinesThenBetweenLooks(int l, int then) {
        std::lock_guard lock(m_);
        Change(l);
        betweenLooks_ = then;
        countsRead_ = false;
        Wake();
    }
    bool ChangedBetweenLooks() {
        std::lock_guard lock(m_);
        return betweenLooks_ < 0;
    }
    // On and off again before anyone could read the line.
    void Pulse(int line) {
        std::lock_guard lock(m_);
        counts_.cts += (line & TIOCM_CTS) ? 2 : 0;
        counts_.dsr += (line & TIOCM_DSR) ? 2 : 0;
        counts_.dcd += (line & TIOCM_CAR) ? 2 : 0;
        Wake();
    }
    void Unplug() {
        std::lock_guard lock(m_);
        wakeResult = waitError = getError = EIO;
        Wake();
    }
    // Waiting, and entered after the last change was scripted: whoever waits has seen it.
    bool Quiet() {
        std::lock_guard lock(m_);
        struct pollfd p {
            pipe_[0], POLLIN, 0
        };
        return inWait_ && poll(&p, 1, 0) == 0;
    }
    bool WaitInWait(std::chrono::milliseconds timeout = 5000ms) {
        std::unique_lock lock(m_);
        return cv_.wait_for(lock, timeout, [&] { return inWait_; });
    }
    template <class T> T Read(const T& field) {
        std::lock_guard lock(m_);
        return field;
    }
    template <class T> void Write(T& field, T value) {
        std::lock_guard lock(m_);
        field = value;
    }

    // Script and record, guarded by m_.
    bool hasWait = true;
    bool hasCounts = true;
    int countsFailures = 0; // the next this many readings of the counters fail
    int getError = 0;
    int setError = 0;
    int waitError = 0;
    int wakeResult = 0;
    int gapLines = -1;
    int64_t gapChangeNs = 0; // CLOCK_MONOTONIC of the last change in the entry gap
    int waits = 0;
    int gets = 0;
    int interrupts = 0;
    std::vector<std::pair<int, bool>> sets;

private:
    void Wake() { [[maybe_unused]] ssize_t n = ::write(pipe_[1], "x", 1); }
    void Change(int l) {
        const int changed = l ^ lines_;
        counts_.cts += (changed & TIOCM_CTS) ? 1 : 0;
        counts_.dsr += (changed & TIOCM_DSR) ? 1 : 0;
        counts_.dcd += (changed & TIOCM_CAR) ? 1 : 0;
        lines_ = l;
    }

    std::mutex m_;
    std::condition_variable cv_;
    int pipe_[2];
    int lines_ = 0;
    int betweenLooks_ = -1;
    bool countsRead_ = false;
    LineCounts counts_;
    bool inWait_ = false;
};

} // namespace vk::test
