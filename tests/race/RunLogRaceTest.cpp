#include "RaceFixture.h"

#include "protocol/RaceTimeText.h"
#include "race/RunCapture.h"

namespace vk::test {

class RunLogRace : public RaceFixture {
protected:
    // One race: lane 1 (driver 1) stops after `ms1`, or is marked a false start when ms1 < 0;
    // lane 2 stops 10 s after the start.
    void race(int ms1) {
        rc.FrameT1.setStartNumber(1); // the reset moved the ready drivers on
        rc.FrameT2.setStartNumber(2);
        rc.mStart.click();
        if (ms1 < 0) {
            rc.mFehlstart1.click();
            clock.advance(10000);
        } else {
            clock.advance(ms1);
            rc.mStop1.click();
            clock.advance(10000 - ms1);
        }
        rc.mStop2.click();
        rc.mReset.click();
    }
};

TEST_F(RunLogRace, RowShowsTheBestRunWithSeveralStartsElseTheLast) {
    struct Case {
        bool manyStart;
        std::vector<int> runs; // lane 1's times, -1 a false start
        const char* geszeit;   // row 1 afterwards
    } cases[] = {
        {false, {6000, 7000}, "7,000"}, {false, {6000, -1}, "-"},
        {true, {6000, 7000}, "6,000"},  {true, {6000, 5000, 5500}, "5,000"},
        {true, {6000, -1}, "6,000"}, // a false start is never best
        {true, {-1, 8000}, "8,000"},    {true, {6000, 6000}, "6,000"},
    };
    for (const Case& c : cases) {
        table.SetRowCount(2);
        table.ClearRow(1);
        settings.ManyStart = c.manyStart;
        std::vector<std::string> logged;
        rc.onLaneStopped = [&](int lane) {
            if (lane == 1)
                logged.push_back(CaptureRun(rc, 1, table, "T", "d").geszeit);
        };
        for (int ms : c.runs)
            race(ms);
        EXPECT_EQ(cell(8, rowOf(1)), c.geszeit) << c.manyStart << " " << c.runs.size();
        // The log has every run, whatever the row shows.
        ASSERT_EQ(logged.size(), c.runs.size());
        EXPECT_EQ(logged.back(), c.runs.back() < 0 ? "-" : FormatRaceTime(c.runs.back()));
    }
}

TEST_F(RunLogRace, CapturedRunHoldsPassesNamesOpponentAndHowItStartedAndStopped) {
    table.SetCell(0, 1, "1");
    table.SetCell(1, 1, "Meier");
    table.SetCell(3, 1, "2");
    rc.ComPortOpen();
    lines = 0;
    rc.ImageLSClick(kLockStart); // arm the start contact
    setLines(kStatusCTS, true);
    ASSERT_FALSE(rc.mStart.enabled());
    for (int p = 1; p <= 4; ++p) {
        clock.advance(1000);
        pass(1);
    }
    clock.advance(500);
    rc.mStop2.click();
    const RunRecord r1 = CaptureRun(rc, 1, table, "Cup", "2026-12-09T20:00:00");
    const RunRecord r2 = CaptureRun(rc, 2, table, "Cup", "2026-12-09T20:00:00");
    EXPECT_EQ(r1.startKind, RunRecord::StartKind::Contact);
    EXPECT_EQ(r1.passMs, (std::vector<int64_t>{1000, 2000, 3000, 4000}));
    EXPECT_EQ(r1.topSpeedTime, "3,000");
    EXPECT_EQ(r1.geszeit, "4,000");
    EXPECT_EQ(r1.stopKind, RunRecord::StopKind::FourthPass);
    EXPECT_TRUE(r1.win);
    EXPECT_EQ(r1.name, "Meier");
    EXPECT_EQ(r1.klass, "2");
    EXPECT_EQ(r1.opponentStartNumber, "2");
    EXPECT_EQ(r2.stopKind, RunRecord::StopKind::ByHand);
    EXPECT_FALSE(r2.win);
    EXPECT_TRUE(r2.passMs.empty());
}

} // namespace vk::test
