#include "race/LineWatch.h"
#include "race/SerialBinding.h"

#include "serial/FakeComDevice.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace vk::test {

namespace {

using namespace std::chrono_literals;

TEST(LineWatch, BlockedLanesOnlyWhileArmed) {
    struct Case {
        bool armed;
        uint32_t status;
        const char* lane1;
        const char* lane2;
        const char* bar;
    } cases[] = {
        {false, kStatusRLSD | kStatusDSR, "", "", ""},
        {true, 0, "", "", ""},
        {true, kStatusCTS | kStatusRing, "", "", ""},
        {true, kStatusRLSD, "LS1 unterbrochen", "", "LS1 unterbrochen"},
        {true, kStatusDSR, "", "LS2 unterbrochen", "LS2 unterbrochen"},
        {true, kStatusRLSD | kStatusDSR, "LS1 unterbrochen", "LS2 unterbrochen",
         "LS1 unterbrochen, LS2 unterbrochen"},
    };
    for (const Case& c : cases) {
        LineWatch w;
        w.Change(0, c.status);
        w.SetArmed(c.armed);
        EXPECT_EQ(w.LaneText(1), c.lane1) << c.status;
        EXPECT_EQ(w.LaneText(2), c.lane2) << c.status;
        EXPECT_EQ(w.StatusText(), c.bar) << c.status;
    }
}

TEST(LineWatch, MoreThanFiftyChangesInOneSecondWarnOnce) {
    struct Case {
        const char* what;
        int changes;
        int64_t spacingMs;
        int warnedAt; // the change that warns, -1 for none
    } cases[] = {
        {"fifty in a second is a fast but sound contact", 50, 10, -1},
        {"the 51st within a second warns", 60, 10, 50},
        {"51 spread over more than a second", 51, 20, -1},
        {"51 in just under a second", 51, 19, 50},
    };
    for (const Case& c : cases) {
        LineWatch w;
        int warned = -1, warnings = 0;
        for (int i = 0; i < c.changes; ++i)
            if (w.Change(i * c.spacingMs, i % 2 ? 0 : kStatusDSR) == kStatusDSR) {
                warned = i;
                ++warnings;
            }
        EXPECT_EQ(warned, c.warnedAt) << c.what;
        EXPECT_LE(warnings, 1) << c.what;
    }
    // After a calm second the same line warns again; a word that repeats changes nothing.
    LineWatch w;
    for (int i = 0; i < 51; ++i)
        w.Change(i, i % 2 ? kStatusRLSD : 0);
    EXPECT_EQ(w.Change(51, 0), 0u);
    EXPECT_EQ(w.Change(52, 0), 0u);
    EXPECT_EQ(w.Change(5000, kStatusRLSD), 0u);
    uint32_t again = 0;
    for (int i = 1; i <= 51; ++i)
        again |= w.Change(5000 + i, i % 2 ? 0 : kStatusRLSD);
    EXPECT_EQ(again, kStatusRLSD);
    EXPECT_EQ(BounceText(kStatusRLSD | kStatusCTS),
              "AMPEL, LS1: mehr als 50 Wechsel in einer Sekunde – Kontakt, Kabel und Stecker "
              "prüfen");
}

// A race station on the scripted device, with or without the watch bound.
struct Station {
    const std::string kPath = "/fake/ttyUSB0";
    explicit Station(bool watched) {
        settings.applyStartupDefaults();
        driver.AddDevice(kPath);
        driver.SetTicks(&clock);
        SetMainWindowValues(port);
        port.PortMap.entries[4] = {kPath, false};
        port.Port = 5;
        BindRaceToPort(rc, port);
        if (watched)
            WatchLines(watch, rc, port, [this](uint32_t bouncing) { bounces |= bouncing; });
        port.Open();
    }
    ~Station() { port.Close(); }
    void lines(uint32_t word, int64_t afterMs = 5) {
        clock.advance(afterMs);
        driver.SetLines(kPath, word);
        ASSERT_TRUE(port.HandOver().WaitPending(5s));
        port.HandOver().Drain();
    }

    ManualClock clock{100000};
    SoundRecorder sound;
    CellTable table;
    Settings settings;
    RaceControl rc{{clock, clock, sound, table, settings}};
    FakeComDriver driver;
    TComPort port{&driver, &clock};
    LineWatch watch;
    uint32_t bounces = 0;
};

// A cone in lane 1's beam at arming and a bouncing lane 2 contact: the watch tells, and the
// race comes out exactly as without it.
TEST(LineWatch, WarningsLeaveTheRaceUntouched) {
    Station plain(false), watched(true);
    for (Station* s : {&plain, &watched}) {
        s->lines(kStatusRLSD);
        s->rc.LockLSClick(kLockStart); // F10
        EXPECT_EQ(s->watch.StatusText(), s == &watched ? "LS1 unterbrochen" : "");
        for (int i = 0; i < 60; ++i)
            s->lines(kStatusRLSD | (i % 2 ? 0 : kStatusDSR));
        s->lines(0);
        EXPECT_EQ(s->watch.StatusText(), "");
        s->lines(kStatusCTS, 1000);
        s->lines(0);
        for (int n = 0; n < 4; ++n) {
            s->lines(kStatusRLSD, 900);
            s->lines(kStatusRLSD | kStatusDSR, 40);
            s->lines(0);
        }
    }
    EXPECT_EQ(watched.bounces, kStatusDSR);
    EXPECT_EQ(plain.bounces, 0u);
    ASSERT_EQ(plain.rc.race.StopCount, 2); // a whole race, not two empty ones
    for (int row = 0; row < plain.table.RowCount(); ++row)
        for (int col = 0; col < plain.table.ColCount(); ++col)
            EXPECT_EQ(watched.table.Cell(col, row), plain.table.Cell(col, row)) << row << col;
    const RaceState &a = plain.rc.race, &b = watched.rc.race;
    EXPECT_EQ(b.StartStamp, a.StartStamp);
    EXPECT_EQ(b.PassCount, a.PassCount);
    EXPECT_EQ(b.PassStamp, a.PassStamp);
    EXPECT_EQ(b.StopCount, a.StopCount);
    EXPECT_EQ(b.FirstStoppedLane, a.FirstStoppedLane);
    EXPECT_EQ(b.FalseStartLane, a.FalseStartLane);
    EXPECT_EQ(watched.rc.led, plain.rc.led);
    EXPECT_EQ(watched.rc.falseStartShown, plain.rc.falseStartShown);
    EXPECT_EQ(watched.rc.lockTag, plain.rc.lockTag);
}

} // namespace

} // namespace vk::test
