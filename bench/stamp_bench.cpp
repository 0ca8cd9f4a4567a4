// The whole chain of a barrier pass: scripted device -> event thread (the real Linux back-end
// on a pseudo-terminal, its ioctls scripted) -> hand-over -> the race control's stamp. Prints
// the stamp error (the stamp minus the moment the device changed the line) while the ui
// thread is idle, while it is busy in 20 ms chunks, and for 10,000 pulses of 0.2 ms at
// random moments with the passes lost; then the error of a change inside the wait's entry
// gap. Stamps are taken with a microsecond tick here so the error shows below the program's
// millisecond resolution. Never touches a real port.
#include "race/RaceControl.h"
#include "race/SerialBinding.h"
#include "serial/Comms.h"
#include "serial/LinuxComDevice.h"
#include "serial/ThreadPriority.h"

#include "serial/PtyHelpers.h"
#include "serial/ScriptedModemIo.h"
#include "support/ManualClock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <thread>
#include <vector>

using namespace vk;
using namespace std::chrono_literals;

namespace {

int64_t MonoUs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

// The tick count in microseconds, wrapped like the real one.
class MicroTicks final : public TickSource {
public:
    int64_t TickStamp() override { return static_cast<uint32_t>(MonoUs()); }
};

void SleepUntilUs(int64_t t) {
    // Sleep most of the way, spin the rest: the changes land within a few microseconds.
    const int64_t slack = 150;
    for (;;) {
        const int64_t now = MonoUs();
        if (now >= t)
            return;
        if (t - now > slack) {
            const int64_t us = t - now - slack;
            const timespec d{us / 1000000, (us % 1000000) * 1000};
            nanosleep(&d, nullptr);
        }
    }
}

void SpinMs(int ms) {
    const int64_t end = MonoUs() + ms * 1000;
    while (MonoUs() < end) {
    }
}

struct Stats {
    double median = 0, p99 = 0, max = 0;
    size_t n = 0;
};

Stats Summarize(std::vector<double> v) {
    Stats s;
    s.n = v.size();
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    s.median = v[v.size() / 2];
    s.p99 = v[std::min(v.size() - 1, v.size() * 99 / 100)];
    s.max = v.back();
    return s;
}

void Report(const char* what, const Stats& s, int lost) {
    std::printf("%-34s %6zu  %8.3f  %8.3f  %8.3f", what, s.n, s.median / 1000, s.p99 / 1000,
                s.max / 1000);
    if (lost >= 0)
        std::printf("  %6d", lost);
    std::printf("\n");
    std::fflush(stdout);
}

// The race control bound to a port on a scripted pseudo-terminal, as the main window binds it.
class Chain {
public:
    Chain() : driver_(io, &ticks_), rc({ticks_, timers_, sound_, table_, settings_}) {
        settings_.applyStartupDefaults();
        SetMainWindowValues(port);
        port.DevicePath = pty_.Slave();
        BindRaceToPort(rc, port);
        port.Open();
    }
    ~Chain() { port.Close(); }

    // Until the event thread sleeps in a wait it entered after the last change and nothing
    // moved for 5 ms: every change made so far has been handed over and run.
    void Settle() {
        for (;;) {
            const int waits = io.Read(io.waits);
            std::this_thread::sleep_for(5ms);
            port.HandOver().Drain();
            if (io.Read(io.waits) == waits && io.Quiet() && port.HandOver().Pending() == 0)
                return;
        }
    }

    // The lockouts of the last race run out; the race is reset and started again.
    void NextRace() {
        for (int lane = 1; lane <= 2; ++lane)
            rc.stopCommand(lane).click();
        timers_.advance(5000);
        rc.mReset.click();
        timers_.advance(5000);
        rc.mStart.click();
    }

    test::ScriptedModemIo io;

private:
    test::Pty pty_;
    MicroTicks ticks_;
    test::ManualClock timers_;
    test::SoundRecorder sound_;
    CellTable table_;
    Settings settings_;
    LinuxComDriver driver_;

public:
    TComPort port{&driver_};
    RaceControl rc;
};

enum class Ui { Idle, Busy };

// Races with four passes per lane at random moments, each pulse `widthUs` long; returns the
// stamp errors in microseconds and counts the passes that were not counted.
Stats RunRaces(int races, int widthUs, int gapMinUs, int gapMaxUs, Ui ui, int& lost) {
    Chain c;
    std::mt19937 rng(1234);
    std::vector<double> errors;
    lost = 0;
    struct Change {
        int64_t at;
        int lane;
        bool on;
    };
    for (int race = 0; race < races; ++race) {
        c.NextRace();
        std::vector<Change> plan;
        const int64_t t0 = MonoUs() + 2000;
        for (int lane = 1; lane <= 2; ++lane) {
            int64_t t = t0;
            for (int k = 0; k < 4; ++k) {
                t += std::uniform_int_distribution<int>(gapMinUs, gapMaxUs)(rng);
                plan.push_back({t, lane, true});
                plan.push_back({t + widthUs, lane, false});
                t += widthUs;
            }
        }
        std::sort(plan.begin(), plan.end(),
                  [](const Change& a, const Change& b) { return a.at < b.at; });
        std::array<std::array<int64_t, 4>, 2> changed{};
        std::atomic<bool> done{false};
        std::thread changer([&] {
            // The device must not be late: a late thread would make the changes it owes in
            // one burst, which no hardware does. Where it still is, the rest of the plan
            // moves with it.
            RaiseThreadPriority();
            int word = 0;
            std::array<int, 2> pass{};
            int64_t late = 0;
            for (const Change& ch : plan) {
                SleepUntilUs(ch.at + late);
                late = std::max(late, MonoUs() - ch.at - 20);
                const int bit = ch.lane == 1 ? TIOCM_CAR : TIOCM_DSR;
                word = ch.on ? (word | bit) : (word & ~bit);
                if (ch.on)
                    changed[static_cast<size_t>(ch.lane - 1)]
                           [static_cast<size_t>(pass[static_cast<size_t>(ch.lane - 1)]++)] =
                               static_cast<uint32_t>(MonoUs());
                c.io.SetLines(word);
            }
            done.store(true);
        });
        // Serve as the ui would until the changes are over and every record has been run.
        auto serve = [&] {
            if (ui == Ui::Busy)
                SpinMs(20);
            else
                c.port.HandOver().WaitPending(1ms);
            c.port.HandOver().Drain();
        };
        while (!done.load())
            serve();
        changer.join();
        c.Settle();
        for (int lane = 1; lane <= 2; ++lane) {
            const size_t l = static_cast<size_t>(lane - 1);
            lost += 4 - std::min(4, c.rc.race.PassCount[l]);
            for (int k = 1; k <= std::min(4, c.rc.race.PassCount[l]); ++k)
                errors.push_back(
                    TickDiff(c.rc.race.passStamp(lane, k), changed[l][static_cast<size_t>(k - 1)]));
        }
    }
    return Summarize(errors);
}

// A change that lands between the thread's look at the counters and the kernel's snapshot.
Stats EntryGap(int samples) {
    Chain c;
    std::vector<double> errors;
    int64_t stamp = -1;
    c.port.OnRLSD = [&](TComPort* p) {
        if (p->ModemStatus() & MS_RLSD_ON)
            stamp = p->EventTick().value_or(-1);
    };
    bool cts = false;
    for (int i = 0; i < samples; ++i) {
        c.io.WaitInWait();
        cts = !cts;
        const int base = cts ? TIOCM_CTS : 0;
        // The CTS change wakes the thread; as it enters its next wait, DCD comes on.
        c.io.ChangeInEntryGap(base | TIOCM_CAR);
        stamp = -1;
        c.io.SetLines(base);
        for (int k = 0; k < 5000 && stamp < 0; ++k) {
            c.port.HandOver().WaitPending(1ms);
            c.port.HandOver().Drain();
        }
        if (stamp < 0) {
            std::printf("entry gap: change %d was not delivered\n", i);
            continue;
        }
        const int64_t at = c.io.Read(c.io.gapChangeNs) / 1000;
        errors.push_back(TickDiff(stamp, static_cast<uint32_t>(at)));
        c.io.SetLines(base);
        c.port.HandOver().WaitPending(100ms);
        c.port.HandOver().Drain();
    }
    return Summarize(errors);
}

} // namespace

int main() {
    bool realtime = false;
    std::thread([&] { realtime = RaiseThreadPriority().realtime; }).join();
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("stamp error = stamp - moment the device changed the line, in ms; load %.1f; "
                "event thread real-time: %s\n",
                load[0], realtime ? "yes" : "no (not permitted)");
    std::printf("%-34s %6s  %8s  %8s  %8s  %6s\n", "case", "passes", "median", "p99", "max",
                "lost");
    auto races = [](const char* what, int n, int width, int gapMin, int gapMax, Ui ui) {
        int lost = 0;
        const Stats s = RunRaces(n, width, gapMin, gapMax, ui, lost);
        Report(what, s, lost);
    };
    races("ui idle", 250, 2000, 1000, 6000, Ui::Idle);
    races("ui busy in 20 ms chunks", 250, 2000, 1000, 6000, Ui::Busy);
    races("10000 pulses of 0.2 ms", 1250, 200, 300, 3000, Ui::Idle);
    races("10000 pulses of 0.2 ms, ui busy", 1250, 200, 300, 3000, Ui::Busy);
    Report("change in the wait's entry gap", EntryGap(300), -1);
    return 0;
}
