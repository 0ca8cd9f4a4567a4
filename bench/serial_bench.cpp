// Latency of the serial line monitor: from a line change to its handler on the ui thread, and
// from Close to a closed port in each state of the event thread (goal: well under 100 ms).
// Uses the scripted device and pseudo-terminals only; never a real port.
#include "serial/Comms.h"
#include "serial/FakeComDevice.h"
#include "serial/LinuxComDevice.h"

#include "serial/PtyHelpers.h"
#include "serial/ScriptedModemIo.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

using namespace vk;
using Clock = std::chrono::steady_clock;

namespace {

struct Stats {
    double median, p99, max;
};

Stats Summarize(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[v.size() * 99 / 100], v.back()};
}

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

void Report(const char* what, const Stats& s, const char* unit) {
    std::printf("%-44s median %9.1f  p99 %9.1f  max %9.1f %s\n", what, s.median, s.p99, s.max,
                unit);
}

// A change made on another thread until its handler ran on this one.
Stats HandOverLatency(int changes) {
    FakeComDriver driver;
    driver.AddDevice("/fake/tty");
    TComPort port(&driver);
    SetMainWindowValues(port);
    port.DevicePath = "/fake/tty";
    std::atomic<int64_t> sent{0};
    std::atomic<int> handled{0};
    std::vector<double> lat;
    port.OnCTS = [&](TComPort*) {
        lat.push_back(Micros(Clock::now().time_since_epoch()) - static_cast<double>(sent.load()));
        handled.fetch_add(1);
    };
    port.Open();
    std::thread changer([&] {
        for (int i = 0; i < changes; ++i) {
            driver.WaitUntilWaiting("/fake/tty");
            sent.store(static_cast<int64_t>(Micros(Clock::now().time_since_epoch())));
            driver.SetLines("/fake/tty", (i % 2) ? 0 : MS_CTS_ON);
            while (handled.load() <= i)
                std::this_thread::yield();
        }
    });
    while (handled.load() < changes) {
        port.HandOver().WaitPending(std::chrono::milliseconds(100));
        port.HandOver().Drain();
    }
    changer.join();
    port.Close();
    return Summarize(lat);
}

// Close after the thread has settled into its wait; `settle` lets it get there.
Stats CloseLatency(int cycles, const std::function<std::unique_ptr<TComPort>()>& make,
                   const std::function<void(int)>& settle) {
    std::vector<double> ms;
    for (int i = 0; i < cycles; ++i) {
        auto port = make();
        port->Open();
        settle(i);
        const auto t0 = Clock::now();
        port->Close();
        ms.push_back(Micros(Clock::now() - t0) / 1000.0);
    }
    return Summarize(ms);
}

} // namespace

int main() {
    Report("hand-over latency (scripted device)", HandOverLatency(2000), "us");

    {
        FakeComDriver driver;
        driver.AddDevice("/fake/tty");
        Report("close, scripted device waiting",
               CloseLatency(
                   200,
                   [&] {
                       auto p = std::make_unique<TComPort>(&driver);
                       p->DevicePath = "/fake/tty";
                       return p;
                   },
                   [&](int) { driver.WaitUntilWaiting("/fake/tty"); }),
               "ms");
    }
    {
        test::Pty pty;
        test::ScriptedModemIo io;
        LinuxComDriver driver(io);
        auto make = [&] {
            auto p = std::make_unique<TComPort>(&driver);
            p->DevicePath = pty.Slave();
            return p;
        };
        Report("close, blocked in TIOCMIWAIT (signal)",
               CloseLatency(200, make,
                            [&](int) {
                                io.WaitInWait();
                                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                            }),
               "ms");
        // Right as the thread enters the wait the first signal can come too early; the
        // repeated stop request catches it.
        Report("close, just entering TIOCMIWAIT (repeat)",
               CloseLatency(200, make, [&](int) { io.WaitInWait(); }), "ms");
        io.hasWait = false;
        Report("close, polling the lines every ms",
               CloseLatency(
                   200, make,
                   [](int i) { std::this_thread::sleep_for(std::chrono::microseconds(100 * i)); }),
               "ms");
    }
    {
        test::Pty pty;
        auto make = [&] {
            auto p = std::make_unique<TComPort>();
            p->DevicePath = pty.Slave();
            return p;
        };
        // A pty fails every modem ioctl: the thread sits in growing pauses.
        Report("close, pausing after failed waits (pty)",
               CloseLatency(
                   20, make,
                   [](int i) { std::this_thread::sleep_for(std::chrono::milliseconds(60 * i)); }),
               "ms");
    }
    return 0;
}
