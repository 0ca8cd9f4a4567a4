// Races over the real back-end on a pseudo-terminal whose modem lines a second thread
// scripts: passes on both lanes and a bouncing start contact, each edge 0.05 to 0.5 ms after
// the last or right behind it, in random order. Every lane must count exactly the passes sent, each
// pass no earlier than its line came on. VK_RANDOM_RACES sets the number of races (a long run),
// VK_RANDOM_SEED the seed.
#include "RaceFixture.h"
#include "race/SerialBinding.h"

#include "serial/Comms.h"
#include "serial/LinuxComDevice.h"
#include "serial/PtyHelpers.h"
#include "serial/ScriptedModemIo.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <random>
#include <sys/prctl.h>
#include <thread>
#include <vector>

namespace vk::test {
namespace {

int EnvInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

void SleepUs(int us) {
    const timespec d{0, us * 1000L};
    nanosleep(&d, nullptr);
}

// The edges of one race after its start, each a line that toggles.
struct Plan {
    int passes[2] = {0, 0};
    std::vector<int> edges; // TIOCM bits
    std::vector<int> gapsUs;
    // The edge lands between the event thread's look at the counters and its read of the
    // word, as a change on a real port can.
    std::vector<bool> betweenLooks;
};

Plan MakePlan(std::mt19937& rng) {
    Plan p;
    std::uniform_int_distribution<int> passes(0, 4), bounces(0, 6), gap(50, 500);
    std::vector<int> left;
    const int lanes[2] = {TIOCM_CAR, TIOCM_DSR};
    for (int l = 0; l < 2; ++l) {
        p.passes[l] = passes(rng);
        left.insert(left.end(), static_cast<size_t>(2 * p.passes[l]), lanes[l]);
    }
    left.insert(left.end(), static_cast<size_t>(bounces(rng)), TIOCM_CTS);
    std::shuffle(left.begin(), left.end(), rng); // each line still alternates on and off
    p.edges = left;
    std::bernoulli_distribution between(0.1);
    for (size_t i = 0; i < p.edges.size(); ++i) {
        p.gapsUs.push_back(gap(rng));
        p.betweenLooks.push_back(i > 0 && !p.betweenLooks.back() && between(rng));
    }
    return p;
}

class RandomRaces : public RaceFixture {
protected:
    RandomRaces() {
        SetMainWindowValues(port);
        port.DevicePath = pty.Slave();
        BindRaceToPort(rc, port);
        port.Open();
    }
    ~RandomRaces() override { port.Close(); }

    Pty pty;
    ScriptedModemIo io;
    LinuxComDriver driver{io, &clock};
    TComPort port{&driver, &clock};
};

TEST_F(RandomRaces, EveryLaneCountsExactlyThePassesSent) {
    const int races = EnvInt("VK_RANDOM_RACES", 150);
    const unsigned seed = static_cast<unsigned>(EnvInt("VK_RANDOM_SEED", 17));
    std::mt19937 rng(seed);
    constexpr int64_t kEdgeMs = 10; // the tick moves this far before each edge
    int failures = 0;
    for (int race = 0; race < races && failures < 5; ++race) {
        clock.advance(5000); // every lockout is over
        ASSERT_TRUE(rc.mStart.enabled());
        if (!rc.armed(kLockStart))
            rc.LockLSClick(kLockStart); // F10
        const Plan plan = MakePlan(rng);
        // The tick at which each lane line came on for its k-th pass.
        std::vector<int64_t> onAt[2];
        std::atomic<bool> started{false}, done{false};
        std::thread script([&] {
            prctl(PR_SET_TIMERSLACK, 1UL);
            int lines = TIOCM_CTS;
            io.SetLines(lines);
            // A reaction is never below a few milliseconds: within one wake-up the order of
            // a lane pulse and the contact closing could not be told.
            for (int i = 0; i < 5000 && !started.load(); ++i)
                SleepUs(1000);
            int64_t tick = clock.raw();
            for (size_t i = 0; i < plan.edges.size(); ++i) {
                SleepUs(plan.gapsUs[i]);
                tick += kEdgeMs;
                clock.set(tick);
                lines ^= plan.edges[i];
                const bool follow = i + 1 < plan.edges.size() && plan.betweenLooks[i + 1];
                if (!follow) {
                    io.SetLines(lines);
                    continue;
                }
                // The next edge lands while the event thread looks at this one.
                const int next = lines ^ plan.edges[++i];
                io.SetLinesThenBetweenLooks(lines, next);
                for (int w = 0; w < 2000 && !io.ChangedBetweenLooks(); ++w)
                    SleepUs(50);
                if (!io.ChangedBetweenLooks()) {
                    io.SetLinesThenBetweenLooks(next, -1);
                }
                lines = next;
            }
            SleepUs(500);
            io.SetLines(0);
            done.store(true);
        });
        {
            int lines = TIOCM_CTS;
            int64_t tick = 0;
            for (size_t i = 0; i < plan.edges.size(); ++i) {
                tick += plan.betweenLooks[i] ? 0 : kEdgeMs;
                lines ^= plan.edges[i];
                if (plan.edges[i] != TIOCM_CTS && (lines & plan.edges[i]))
                    onAt[plan.edges[i] == TIOCM_CAR ? 0 : 1].push_back(tick);
            }
        }
        const int64_t base = clock.raw();
        for (int i = 0; i < 20000; ++i) {
            port.HandOver().WaitPending(std::chrono::milliseconds(1));
            port.HandOver().Drain();
            if (!started.load() && rc.FrameT1.clockRunning())
                started.store(true);
            if (done.load() && io.Quiet() && port.HandOver().Pending() == 0)
                break;
        }
        script.join();
        port.HandOver().Drain();

        ASSERT_TRUE(started.load()) << "race " << race << " did not start";
        for (int lane = 1; lane <= 2; ++lane) {
            const int sent = plan.passes[lane - 1];
            const int counted = rc.race.PassCount[static_cast<size_t>(lane - 1)];
            // The event thread takes the tick just before it looks at the lines, so a stamp may
            // be that of the edge before; a pass counted too soon is earlier still.
            bool early = false;
            std::string stamps;
            for (int k = 1; k <= std::min(sent, counted); ++k) {
                const int32_t late = TickDiff(rc.race.passStamp(lane, k),
                                              base + onAt[lane - 1][static_cast<size_t>(k - 1)]);
                early |= late < -kEdgeMs;
                stamps += " " + std::to_string(late);
            }
            const bool ok =
                counted == sent && !early && rc.frame(lane).clockRunning() == (sent < 4);
            failures += !ok;
            EXPECT_TRUE(ok) << "race " << race << " seed " << seed << " lane " << lane << ": sent "
                            << sent << ", counted " << counted
                            << (early ? ", a pass too early" : "")
                            << "; stamp minus line on:" << stamps;
        }
        for (int lane = 1; lane <= 2; ++lane)
            if (rc.stopCommand(lane).enabled())
                rc.stopCommand(lane).click();
        clock.advance(1000);
        rc.mReset.click();
    }
}

} // namespace
} // namespace vk::test
