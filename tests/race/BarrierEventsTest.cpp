#include "RaceFixture.h"

namespace vk::test {

class BarrierEvents : public RaceFixture {
protected:
    BarrierEvents() {
        settings.ColSpeed0 = true;
        rc.ComPortOpen();
    }
    void armStart() {
        if (!rc.armed(kLockStart))
            rc.LockLSClick(kLockStart);
    }
    void contact() {
        setLines(lines | kStatusCTS, true);
        setLines(lines & ~kStatusCTS, true);
    }
};

TEST_F(BarrierEvents, ArmedContactStartsTheRaceWithGreenLightAndSound) {
    EXPECT_EQ(rc.ampelPicture, kAmpelRed); // port open
    armStart();
    EXPECT_EQ(rc.ampelPicture, kAmpelYellow);
    setLines(kStatusCTS, true);
    EXPECT_TRUE(rc.led[0]);
    EXPECT_TRUE(rc.FrameT1.clockRunning() && rc.FrameT2.clockRunning());
    EXPECT_EQ(rc.ampelPicture, kAmpelGreen);
    EXPECT_EQ(rc.ampelTag, kAmpelGreen);
    EXPECT_EQ(sound.played, std::vector<std::string>{"/prog/start.wav"});
    EXPECT_FALSE(rc.armed(kLockStart)); // the start blocks the contact
    EXPECT_TRUE(rc.armed(kLockLane1) && rc.armed(kLockLane2));
    EXPECT_FALSE(rc.mFehlstart1.enabled()); // port open: no false-start commands
    // Its opening does nothing.
    setLines(0, true);
    EXPECT_TRUE(rc.FrameT1.clockRunning());
}

// The start contact starts the race, the fourth pass stops the lane: each is one operation
// made of several, and the ui repaints once for it, with the whole state in place.
TEST_F(BarrierEvents, EachOperationTellsTheUiOnceWhenItIsComplete) {
    int told = 0;
    bool wholeState = false;
    rc.onChanged = [&] {
        ++told;
        wholeState = rc.led[0] && !rc.armed(kLockStart);
    };
    armStart();
    told = 0;
    setLines(kStatusCTS, true);
    EXPECT_EQ(told, 1);
    EXPECT_TRUE(wholeState);
    for (int k = 0; k < 3; ++k)
        pass(1);
    told = 0;
    setLines(kStatusRLSD, false);
    EXPECT_EQ(told, 1);
    EXPECT_FALSE(rc.FrameT1.clockRunning());
}

TEST_F(BarrierEvents, BlockedContactOrLockoutStartsNothing) {
    setLines(kStatusCTS, true);
    EXPECT_FALSE(rc.led[0]);
    EXPECT_TRUE(rc.mStart.enabled());
    setLines(0, true);

    // Within WaitStart after a start the armed contact is ignored.
    rc.applyWaitStart(2000);
    rc.mStart.click();
    rc.mStop1.click();
    rc.mStop2.click();
    rc.mReset.click();
    armStart();
    clock.advance(1500);
    contact();
    EXPECT_FALSE(rc.led[0]);
    EXPECT_TRUE(rc.mStart.enabled());
    clock.advance(500);
    contact();
    EXPECT_TRUE(rc.led[0]);
    EXPECT_FALSE(rc.mStart.enabled());
}

TEST_F(BarrierEvents, ManualStartWithArmedContactEndsRed) {
    armStart();
    rc.mStart.click();
    EXPECT_EQ(rc.ampelPicture, kAmpelRed);
    EXPECT_FALSE(rc.armed(kLockStart));
}

TEST_F(BarrierEvents, StartLockoutEndsArmingOnlyAfterAReset) {
    rc.mStart.click();
    clock.advance(3000);
    EXPECT_FALSE(rc.armed(kLockStart)); // the race is still on
    rc.mStop1.click();
    rc.mStop2.click();
    rc.mReset.click();
    EXPECT_FALSE(rc.armed(kLockStart));
    rc.mStart.click();
    rc.mStop1.click();
    rc.mStop2.click();
    rc.mReset.click();
    clock.advance(3000); // lockout ends while Ready
    EXPECT_TRUE(rc.armed(kLockStart));
}

TEST_F(BarrierEvents, AlgOneIgnoresTheContactAndSimultaneousLanes) {
    settings.Alg = 1;
    armStart();
    contact();
    EXPECT_TRUE(rc.mStart.enabled());
    rc.mStart.click();
    setLines(kStatusRLSD | kStatusDSR, false); // both lane lines in one change
    EXPECT_EQ(rc.race.PassCount[0], 0);
    EXPECT_EQ(rc.race.PassCount[1], 0);
    setLines(0, false);
    pass(1);
    EXPECT_EQ(rc.race.PassCount[0], 1);
}

TEST_F(BarrierEvents, OtherAlgMakesEveryEventANoOp) {
    settings.Alg = 2;
    armStart();
    contact();
    EXPECT_TRUE(rc.mStart.enabled());
    rc.mStart.click();
    pass(1);
    pass(2);
    EXPECT_EQ(rc.race.PassCount[0] + rc.race.PassCount[1], 0);
}

TEST_F(BarrierEvents, OnlyRisingLinesCountAndRepeatsAreDropped) {
    rc.mStart.click();
    setLines(kStatusRLSD, false);
    setLines(kStatusRLSD | kStatusDSR, false);
    setLines(kStatusRLSD, false);
    setLines(0, false);
    EXPECT_EQ(rc.race.PassCount[0], 1);
    EXPECT_EQ(rc.race.PassCount[1], 1);
    rc.ComPortStop(); // a repeated event with the same status
    EXPECT_EQ(rc.race.PassCount[0], 1);
}

TEST_F(BarrierEvents, FourPassesStampLightAndStopTheLane) {
    rc.mStart.click();
    const int64_t start = rc.race.StartStamp;
    const int leds[] = {1, 2, 3, 4};
    for (int k = 0; k < 4; ++k) {
        clock.advance(1000);
        pass(1);
        EXPECT_TRUE(rc.led[static_cast<size_t>(leds[k])]);
        EXPECT_EQ(rc.race.PassStamp[0][static_cast<size_t>(k)], start + 1000 * (k + 1));
    }
    EXPECT_FALSE(rc.FrameT1.clockRunning());
    EXPECT_FALSE(rc.armed(kLockLane1));
    const int r = rowOf(1);
    EXPECT_EQ(cell(4, r), "1,000");
    EXPECT_EQ(cell(5, r), "2,000");
    EXPECT_EQ(cell(7, r), "3,000");
    EXPECT_EQ(cell(8, r), "4,000");
    EXPECT_EQ(cell(9, r), "+");
    EXPECT_FALSE(rc.led[5]);
}

TEST_F(BarrierEvents, PassWithinTheLockoutAfterAStopIsIgnoredSilently) {
    rc.mStart.click();
    rc.mStop1.click();
    rc.LockLSClick(kLockLane1); // re-armed by hand inside the lockout
    clock.advance(499);
    pass(1);
    EXPECT_EQ(rc.race.PassCount[0], 0);
    EXPECT_FALSE(rc.falseStartShown[0]);
    clock.advance(1);
    pass(1);
    EXPECT_EQ(rc.race.PassCount[0], 1);
}

TEST_F(BarrierEvents, FifthPassAfterReArmingStopsNothingAndStoresNoStamp) {
    rc.mStart.click();
    for (int k = 0; k < 4; ++k) {
        clock.advance(100);
        pass(1);
    }
    const auto stamps = rc.race.PassStamp[0];
    clock.advance(600);
    rc.LockLSClick(kLockLane1);
    pass(1);
    EXPECT_EQ(rc.race.PassCount[0], 5);
    EXPECT_EQ(rc.race.PassStamp[0], stamps);
    EXPECT_EQ(rc.race.StopCount, 1);
    EXPECT_FALSE(rc.armed(kLockLane1)); // the lockout repeats
    EXPECT_TRUE(rc.FrameT2.clockRunning());
}

TEST_F(BarrierEvents, LaneLockoutReArmsOnlyWhileTheLaneCanStillStop) {
    rc.mStart.click();
    rc.mStop1.click();
    clock.advance(500);
    EXPECT_FALSE(rc.armed(kLockLane1)); // STOPP 1 is disabled
    EXPECT_TRUE(rc.armed(kLockLane2));
}

// One record, one word for both handlers: the start contact closing, opening or bouncing in
// the same wake-up as a lane line coming on must not hide the lane's change.
TEST_F(BarrierEvents, ContactChangeAndLanePassInOneHandOverCountThePass) {
    rc.mStart.click();
    const uint32_t contact[] = {kStatusCTS, 0, kStatusCTS};
    for (int k = 0; k < 3; ++k) {
        lines = contact[k] | kStatusRLSD;
        rc.ComPortStart();
        rc.ComPortStop();
        EXPECT_EQ(rc.race.PassCount[0], k + 1);
        lines = contact[k];
        rc.ComPortStop();
    }
    EXPECT_EQ(rc.LastModemStatus, kStatusCTS);
}

// A pass on tick 0 (every 49.7 days) is a pass like any other: the race runs across the wrap
// of the tick count with each pass in turn landing on it.
TEST_F(BarrierEvents, PassOnTickZeroCounts) {
    constexpr int64_t kWrap = int64_t{1} << 32;
    for (int onZero = 1; onZero <= 4; ++onZero) {
        clock.advance(onZero * kWrap - 1000 * onZero - clock.raw());
        rc.mStart.click();
        for (int k = 1; k <= 4; ++k) {
            clock.advance(1000);
            pass(1);
        }
        ASSERT_EQ(rc.race.passStamp(1, onZero), 0);
        const int r = rowOf(rc.FrameT1.startNumber());
        // RZ, ZZ, Km/h (12 m in 1 s), FZ, Geszeit
        const char* want[] = {"1,000", "2,000", "43,200", "3,000", "4,000"};
        for (int c = 4; c <= 8; ++c)
            EXPECT_EQ(cell(c, r), want[c - 4]) << "pass " << onZero << " on tick 0, column " << c;
        rc.mStop2.click();
        clock.advance(1000);
        rc.mReset.click();
    }
}

TEST_F(BarrierEvents, EarlyPassWhileArmedRaisesTheFalseStartIndication) {
    armStart();
    pass(1);
    EXPECT_TRUE(rc.falseStartShown[0]);
    EXPECT_FALSE(rc.falseStartShown[1]);
    EXPECT_EQ(rc.race.PassCount[0], 0);
    EXPECT_EQ(rc.race.PassStamp[0][0], 0);
    contact(); // the race can still be started
    EXPECT_TRUE(rc.FrameT1.clockRunning());
    EXPECT_TRUE(rc.falseStartShown[0]); // stays through the race with the port open
}

TEST_F(BarrierEvents, EarlyPassWithTheContactBlockedRaisesNothing) {
    pass(2);
    EXPECT_FALSE(rc.falseStartShown[1]);
    EXPECT_EQ(rc.race.PassCount[1], 0);
}

TEST_F(BarrierEvents, ClosingThePortHidesTheIconsAndKeepsTheirStates) {
    armStart();
    rc.ComPortClose();
    EXPECT_FALSE(rc.iconsVisible);
    EXPECT_EQ(rc.ampelPicture, kAmpelDark);
    EXPECT_TRUE(rc.armed(kLockStart));
    rc.ComPortOpen();
    EXPECT_TRUE(rc.iconsVisible);
    EXPECT_TRUE(rc.armed(kLockStart));
    EXPECT_EQ(rc.ampelPicture, kAmpelRed);
    EXPECT_EQ(rc.ampelTag, kAmpelYellow); // the picture only
}

TEST_F(BarrierEvents, ResetBlocksTheLanesAndSwitchesTheLedsOff) {
    armStart();
    contact();
    pass(1);
    pass(2);
    rc.mStop1.click();
    rc.mReset.click();
    EXPECT_FALSE(rc.armed(kLockLane1) || rc.armed(kLockLane2));
    for (bool on : rc.led)
        EXPECT_FALSE(on);
}

// ---- false start by the operator (port closed, hand timing) ----

class FalseStart : public RaceFixture {};

TEST_F(FalseStart, MarkedLaneGetsDashesAndTheOtherLaneTheWin) {
    rc.mStart.click();
    rc.race.PassStamp[0][0] = clock.TickStamp() + 300;
    clock.advance(2000);
    rc.mFehlstart1.click(); // F6
    const int r1 = rowOf(1);
    EXPECT_FALSE(rc.FrameT1.clockRunning());
    EXPECT_EQ(cell(7, r1), "-");
    EXPECT_EQ(cell(8, r1), "-");
    EXPECT_EQ(cell(4, r1), "");
    EXPECT_EQ(cell(6, r1), "");
    EXPECT_EQ(cell(9, r1), "");
    EXPECT_FALSE(rc.falseStartShown[0]);
    clock.advance(5000);
    rc.mStop2.click(); // later than lane 1, still the winner
    EXPECT_EQ(cell(9, rowOf(2)), "+");
    EXPECT_EQ(cell(8, rowOf(2)), "7,000");
}

TEST_F(FalseStart, CtrlF6MarksLaneTwo) {
    rc.mStart.click();
    clock.advance(1000);
    rc.mFehlstart2.click();
    EXPECT_EQ(cell(8, rowOf(2)), "-");
    rc.mStop1.click();
    EXPECT_EQ(cell(9, rowOf(1)), "+");
}

TEST_F(FalseStart, AfterTheLaneStoppedOnlyTheMarksChange) {
    rc.mStart.click();
    clock.advance(1000);
    rc.mStop1.click();
    EXPECT_EQ(cell(9, rowOf(1)), "+");
    rc.mFehlstart1.click(); // still enabled: the stop came by key, not by the STOPP button
    EXPECT_EQ(cell(8, rowOf(1)), "1,000");
    EXPECT_EQ(cell(9, rowOf(1)), "+");
    EXPECT_EQ(rc.race.FalseStartLane, 1);
    EXPECT_EQ(rc.race.FirstStoppedLane, 2);
    clock.advance(1000);
    rc.mStop2.click();
    EXPECT_EQ(cell(9, rowOf(2)), "+");
}

TEST_F(FalseStart, SilentWithoutSoundOrFiles) {
    settings.Sound = false;
    rc.mStart.click();
    rc.mStop1.click();
    settings.Sound = true;
    rc.stopSoundPath.clear();
    rc.mStop2.click();
    EXPECT_TRUE(sound.played.empty());
}

// ---- imitation panel ----

class Imitation : public RaceFixture {};

TEST_F(Imitation, WholeRaceFromThePanel) {
    rc.bImit1Click(1); // contact blocked: nothing
    EXPECT_TRUE(rc.mStart.enabled());
    rc.LockLSClick(kLockStart); // F10
    rc.bImit1Click(1);
    EXPECT_TRUE(rc.led[0]);
    EXPECT_FALSE(rc.mStart.enabled());
    for (int k = 1; k <= 4; ++k) {
        clock.advance(1000);
        rc.bImit1Click(2);
        EXPECT_TRUE(rc.led[static_cast<size_t>(k)]);
        rc.bImit1Click(3);
        EXPECT_TRUE(rc.led[static_cast<size_t>(4 + k)]);
    }
    EXPECT_EQ(rc.race.StopCount, 2);
    EXPECT_EQ(cell(8, rowOf(1)), "4,000");
    EXPECT_EQ(cell(9, rowOf(1)), "+");
    EXPECT_EQ(cell(8, rowOf(2)), "4,000");
    EXPECT_EQ(cell(9, rowOf(2)), "");
    EXPECT_FALSE(rc.ImitStart || rc.ImitLane1 || rc.ImitLane2);
}

TEST_F(Imitation, ContactUnderAlgOneDoesNothing) {
    settings.Alg = 1;
    rc.LockLSClick(kLockStart);
    rc.bImit1Click(1);
    EXPECT_TRUE(rc.mStart.enabled());
    EXPECT_FALSE(rc.led[0]);
}

TEST_F(Imitation, LanePressBeforeTheStartShowsTheFalseStart) {
    rc.LockLSClick(kLockStart);
    rc.bImit1Click(2);
    EXPECT_TRUE(rc.falseStartShown[0]);
    EXPECT_EQ(rc.race.PassCount[0], 0);
}

TEST_F(Imitation, PressWithinTheLockoutAfterItsLaneStoppedDoesNothing) {
    rc.mStart.click();
    rc.mStop2.click();
    rc.LockLSClick(kLockLane2);
    rc.bImit1Click(3);
    EXPECT_EQ(rc.race.PassCount[1], 0);
}

TEST_F(Imitation, RealLinesThatAreOnCountWhenClearInTheMarker) {
    rc.mStart.click();
    lines = kStatusRLSD; // lane 1's real line is on
    rc.bImit1Click(3);
    EXPECT_EQ(rc.race.PassCount[1], 1);
    EXPECT_EQ(rc.race.PassCount[0], 1); // RLSD is clear in the marker value
    lines = kStatusDSR;
    rc.bImit1Click(2);
    EXPECT_EQ(rc.race.PassCount[0], 2);
    EXPECT_EQ(rc.race.PassCount[1], 1); // DSR is set in the marker value
}

TEST_F(Imitation, TestKeyTogglesThePanel) {
    EXPECT_TRUE(rc.panelImitVisible);
    rc.TestLSClick();
    EXPECT_FALSE(rc.panelImitVisible);
    rc.TestLSClick();
    EXPECT_TRUE(rc.panelImitVisible);
}

} // namespace vk::test
