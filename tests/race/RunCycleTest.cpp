#include "RaceFixture.h"

namespace vk::test {

using RunCycle = RaceFixture;

TEST_F(RunCycle, ManualRaceFillsBothRowsAndTheFirstStoppedLaneWins) {
    EXPECT_TRUE(rc.mStart.enabled());
    EXPECT_FALSE(rc.mStop1.enabled());
    rc.mStart.click();
    EXPECT_FALSE(rc.mStart.enabled());
    EXPECT_TRUE(rc.mStop1.enabled() && rc.mStop2.enabled());
    EXPECT_FALSE(rc.mReset.enabled());
    EXPECT_TRUE(rc.FrameT1.clockRunning() && rc.FrameT2.clockRunning());

    clock.advance(9000);
    rc.mStop2.click(); // lane 2 stops first
    clock.advance(1000);
    rc.mStop1.click();

    const int r1 = rowOf(1), r2 = rowOf(2);
    ASSERT_EQ(r1, 1); // the empty protocol's only row is used by the first lane
    ASSERT_EQ(r2, 2);
    for (int c : {4, 5, 7})
        EXPECT_EQ(cell(c, r1), "") << c;
    EXPECT_EQ(cell(8, r1), "10,000");
    EXPECT_EQ(cell(6, r1), "144,7"); // 402 m in 10 s
    EXPECT_EQ(cell(9, r1), "");
    EXPECT_EQ(cell(8, r2), "9,000");
    EXPECT_EQ(cell(6, r2), "160,8");
    EXPECT_EQ(cell(9, r2), "+");
    EXPECT_EQ(rc.race.FirstStoppedLane, 2);
    EXPECT_TRUE(rc.mReset.enabled());
    EXPECT_FALSE(rc.mStop1.enabled() || rc.mStop2.enabled());
    EXPECT_EQ(sound.played,
              (std::vector<std::string>{"/prog/start.wav", "/prog/stopp.wav", "/prog/stopp.wav"}));
    EXPECT_GE(backups, 1);
}

TEST_F(RunCycle, ButtonsMirrorCommandsWithTheirColours) {
    EXPECT_EQ(rc.bSTART.face, 0x008000u);
    EXPECT_FALSE(rc.bSTOP1.enabled);
    EXPECT_EQ(rc.bSTOP1.face, clBtnFace);
    rc.mStart.click();
    EXPECT_FALSE(rc.bSTART.enabled);
    EXPECT_EQ(rc.bSTART.face, clBtnFace);
    EXPECT_EQ(rc.bSTART.light, clBtnShadow);
    EXPECT_EQ(rc.bSTART.shadow, clNone);
    EXPECT_EQ(rc.bSTOP1.face, 0x0000FFu);
    EXPECT_EQ(rc.bSTOP2.light, 0x9090FFu);
    EXPECT_EQ(rc.bSTOP2.shadow, 0x0000C0u);
    rc.mStop1.click();
    EXPECT_TRUE(rc.bRESET.enabled);
    EXPECT_EQ(rc.bRESET.face, 0x808080u);
    EXPECT_EQ(rc.bRESET.light, 0x000000u);
    EXPECT_FALSE(rc.bSTOP1.enabled);
    EXPECT_TRUE(rc.bSTOP2.enabled);
}

TEST_F(RunCycle, PassStampsGiveReactionIntermediateDrivingTimeAndSegmentSpeed) {
    settings.Length = 402;
    settings.LengthF = 3900;
    rc.mStart.click();
    rc.race.PassCount[0] = 3;
    rc.race.PassStamp[0] = {clock.TickStamp() + 450, clock.TickStamp() + 4000,
                            clock.TickStamp() + 6600};
    clock.advance(7000);
    rc.mStop1.click();
    const int r = rowOf(1);
    EXPECT_EQ(cell(4, r), "0,450");
    EXPECT_EQ(cell(5, r), "4,000");
    EXPECT_EQ(cell(7, r), "6,550");
    EXPECT_EQ(cell(8, r), "7,000");
    // (4020 - 3900) dm from the top-speed barrier to the stop in 400 ms
    EXPECT_EQ(cell(6, r), "108,000");
}

// The segment is timed from the third pass; without it the mean over the track stands.
// Ties round up on the exact decimal value.
TEST_F(RunCycle, SpeedFromTheTopSpeedBarrierOrTheMeanRoundedHalfUp) {
    struct Case {
        int length, lengthF, passes;
        int32_t pass3, stop; // ms after the start
        const char* speed;
    } cases[] = {
        {402, 3900, 0, 0, 16000, "90,5"}, // 90,45 exactly
        {402, 3900, 2, 0, 16000, "90,5"}, // the intermediate pass changes nothing
        {402, 3900, 3, 12000, 12400, "108,000"},
        {402, 3900, 4, 12000, 15072, "14,063"},  // 14,0625 exactly
        {402, 3900, 3, 12000, 12000, ""},        // no time over the segment
        {500, 4200, 3, 10000, 12000, "144,000"}, // 800 dm in 2 s
        {402, 3900, 3, 1000, 13000, "3,600"},    // a slow segment stays in km/h
    };
    for (const Case& c : cases) {
        settings.Length = c.length;
        settings.LengthF = c.lengthF;
        RaceState race;
        race.StartStamp = 5000;
        race.PassCount[0] = c.passes;
        race.PassStamp[0][2] = c.passes >= 3 ? 5000 + c.pass3 : 0;
        EXPECT_EQ(SpeedText(race, 1, 5000 + c.stop, settings, ","), c.speed)
            << c.passes << " passes, stop " << c.stop;
    }
}

TEST_F(RunCycle, LengthZeroGivesZeroMeanSpeed) {
    settings.Length = 0;
    rc.mStart.click();
    clock.advance(5123);
    rc.mStop1.click();
    EXPECT_EQ(cell(6, rowOf(1)), "0,0");
    EXPECT_EQ(cell(8, rowOf(1)), "5,123");
}

TEST_F(RunCycle, DecimalSeparatorIsTheSystems) {
    rc.setDecimalSeparator(".");
    rc.mStart.click();
    clock.advance(10000);
    rc.mStop1.click();
    EXPECT_EQ(cell(6, rowOf(1)), "144.7");
    EXPECT_EQ(cell(8, rowOf(1)), "10,000"); // run-time text keeps its comma
}

TEST_F(RunCycle, ZeroElapsedTimeLeavesTheSpeedEmptyAndWritesTheRest) {
    rc.mStart.click();
    rc.mStop1.click();
    EXPECT_EQ(cell(6, rowOf(1)), "");
    EXPECT_EQ(cell(8, rowOf(1)), "0,000");
    EXPECT_EQ(cell(9, rowOf(1)), "+");

    // A top-speed pass at the stop moment: the segment speed has no time either.
    rc.race.PassCount[1] = 3;
    rc.race.PassStamp[1] = {clock.TickStamp(), clock.TickStamp(), clock.TickStamp()};
    rc.mStop2.click();
    EXPECT_EQ(cell(6, rowOf(2)), "");
    EXPECT_EQ(cell(5, rowOf(2)), "0,000");
}

TEST_F(RunCycle, StopWithoutRowStopsTheClockAndWritesNothing) {
    rc.mStart.click();
    table.SetCell(0, rowOf(1), "77"); // the row of lane 1 no longer carries its number
    clock.advance(3210);
    rc.mStop1.click();
    EXPECT_FALSE(rc.FrameT1.clockRunning());
    EXPECT_EQ(rc.FrameT1.digits(), (std::array<int, 6>{0, 0, 3, 2, 1, 0}));
    for (int c = 4; c < table.ColCount(); ++c)
        EXPECT_EQ(cell(c, 1), "") << c;
}

TEST_F(RunCycle, DisabledCommandsDoNothing) {
    rc.mStop1.click(); // before a start
    EXPECT_EQ(rc.race.StopCount, 0);
    EXPECT_TRUE(rc.mStart.enabled());
    rc.mStart.click();
    const int64_t start = rc.race.StartStamp;
    clock.advance(100);
    rc.mStart.click();
    EXPECT_EQ(rc.race.StartStamp, start);
    rc.mStop1.click();
    rc.mStop1.click();
    EXPECT_EQ(rc.race.StopCount, 1);
}

TEST_F(RunCycle, MouseDownOnStartAndStopActsThroughTheCommands) {
    rc.bSTOPMouseDown(1);
    EXPECT_EQ(rc.race.StopCount, 0);
    rc.bSTARTMouseDown();
    EXPECT_TRUE(rc.FrameT1.clockRunning());
    // With the port closed the start offers the false-start commands; a STOPP press takes
    // that lane's away.
    EXPECT_TRUE(rc.mFehlstart1.enabled() && rc.mFehlstart2.enabled());
    EXPECT_TRUE(rc.falseStartShown[0] && rc.falseStartShown[1]);
    rc.bSTOPMouseDown(1);
    EXPECT_FALSE(rc.FrameT1.clockRunning());
    EXPECT_FALSE(rc.mFehlstart1.enabled());
    EXPECT_FALSE(rc.falseStartShown[0]);
    EXPECT_TRUE(rc.mFehlstart2.enabled());
}

TEST_F(RunCycle, RaceAcrossTheTickWrapGivesTheRightTimes) {
    clock.set(0xFFFFF000LL); // 4096 ms before the 32-bit wrap
    rc.mStart.click();
    clock.advance(3000);
    rc.FrameT1.ClockTimer();
    EXPECT_EQ(rc.FrameT1.digits(), (std::array<int, 6>{0, 0, 3, 0, 0, 0}));
    clock.advance(3144); // past the wrap
    EXPECT_LT(clock.TickStamp(), rc.race.StartStamp);
    rc.mStop1.click();
    EXPECT_EQ(cell(8, rowOf(1)), "6,144");
    EXPECT_EQ(rc.FrameT1.digits(), (std::array<int, 6>{0, 0, 6, 1, 4, 4}));
}

TEST_F(RunCycle, LongRunWrapsTheDigitsButNotTheText) {
    rc.mStart.click();
    clock.advance(1234567);
    rc.mStop1.click();
    EXPECT_EQ(cell(8, rowOf(1)), "1234,567");
    EXPECT_EQ(rc.FrameT1.digits(), (std::array<int, 6>{2, 3, 4, 5, 6, 7}));
}

// ---- reset ----

TEST_F(RunCycle, ResetMovesTheReadyDriversOntoTheLanes) {
    int labels = 0;
    rc.onResetLabels = [&] { ++labels; };
    rc.mStart.click();
    clock.advance(5000);
    rc.mStop1.click();
    rc.mStop2.click();
    rc.mReset.click();
    EXPECT_EQ(rc.FrameT1.startNumber(), 3);
    EXPECT_EQ(rc.FrameT1.nextNumber(), 5);
    EXPECT_EQ(rc.FrameT2.startNumber(), 4);
    EXPECT_EQ(rc.FrameT2.nextNumber(), 6);
    EXPECT_EQ(labels, 1);
    EXPECT_EQ(rc.FrameT1.digits(), (std::array<int, 6>{}));
    EXPECT_TRUE(rc.FrameT1.startNumberEditable());
    EXPECT_TRUE(rc.mStart.enabled());
    EXPECT_FALSE(rc.mReset.enabled() || rc.mStop1.enabled() || rc.mStop2.enabled());
    EXPECT_FALSE(rc.mFehlstart1.enabled() || rc.falseStartShown[0] || rc.falseStartShown[1]);
    EXPECT_EQ(cell(8, rowOf(1)), "5,000"); // the protocol is not touched
    for (bool on : rc.led)
        EXPECT_FALSE(on);
}

TEST_F(RunCycle, ResetAfterTheFirstStopAbandonsTheRunningLane) {
    rc.mStart.click();
    clock.advance(4000);
    rc.mStop1.click();
    EXPECT_TRUE(rc.mReset.enabled());
    const int before = backups;
    clock.advance(1000);
    rc.mReset.click();
    EXPECT_EQ(rc.FrameT1.startNumber(), 3);
    EXPECT_EQ(rc.FrameT2.startNumber(), 2); // lane 2 was still running: its numbers stay
    EXPECT_EQ(rc.FrameT2.nextNumber(), 4);
    EXPECT_FALSE(rc.FrameT2.clockRunning());
    EXPECT_EQ(rc.FrameT2.digits(), (std::array<int, 6>{}));
    const int r2 = rowOf(2);
    ASSERT_GT(r2, 0);
    for (int c = 1; c < table.ColCount(); ++c)
        EXPECT_EQ(cell(c, r2), "") << c;
    EXPECT_GT(backups, before); // the abandoned lane's row reaches the disk too
    // The clock stays stopped: nothing ticks it on.
    clock.advance(1000);
    EXPECT_EQ(rc.FrameT2.digits(), (std::array<int, 6>{}));
}

TEST_F(RunCycle, ReadyNumberIsHeldAt9999) {
    rc.FrameT1.setNextNumber(9998);
    rc.FrameT2.setNextNumber(9999);
    rc.mStart.click();
    rc.mStop1.click();
    rc.mStop2.click();
    rc.mReset.click();
    EXPECT_EQ(rc.FrameT1.startNumber(), 9998);
    EXPECT_EQ(rc.FrameT1.nextNumber(), 9999);
    EXPECT_EQ(rc.FrameT2.startNumber(), 9999);
    EXPECT_EQ(rc.FrameT2.nextNumber(), 9999);
}

TEST_F(RunCycle, AutomaticResetFiresOnceAfter5000ms) {
    rc.cbAutomatisch = true;
    rc.mStart.click();
    rc.mStop1.click();
    EXPECT_FALSE(rc.TimerReset().enabled()); // only the second stop starts it
    rc.mStop2.click();
    clock.advance(4999);
    EXPECT_FALSE(rc.mStart.enabled());
    clock.advance(1);
    EXPECT_TRUE(rc.mStart.enabled());
    EXPECT_EQ(rc.FrameT1.startNumber(), 3);
    clock.advance(20000);
    EXPECT_EQ(rc.FrameT1.startNumber(), 3); // once only
}

TEST_F(RunCycle, NoAutomaticResetWithTheBoxClearOrAfterAManualReset) {
    rc.mStart.click();
    rc.mStop1.click();
    rc.mStop2.click();
    clock.advance(10000);
    EXPECT_FALSE(rc.mStart.enabled());

    rc.mReset.click();
    rc.cbAutomatisch = true;
    rc.mStart.click();
    rc.mStop1.click();
    rc.mStop2.click();
    clock.advance(2000);
    rc.mReset.click(); // manual reset in between stops the timer
    EXPECT_EQ(rc.FrameT1.startNumber(), 5);
    clock.advance(10000);
    EXPECT_EQ(rc.FrameT1.startNumber(), 5);
}

TEST_F(RunCycle, StartReusesTheRowOfAKnownNumberAndAppendsForANewOne) {
    table.SetRowCount(3);
    table.SetCell(0, 1, "7");
    table.SetCell(1, 1, "Meier");
    table.SetCell(8, 1, "9,999");
    table.SetCell(0, 2, "1");
    table.SetCell(9, 2, "+");
    rc.mStart.click();
    EXPECT_EQ(rowOf(1), 2);
    EXPECT_EQ(cell(9, 2), ""); // old results cleared
    EXPECT_EQ(rowOf(2), 3);    // appended
    EXPECT_EQ(table.RowCount(), 4);
    EXPECT_EQ(cell(8, 1), "9,999"); // other rows untouched
}

} // namespace vk::test
