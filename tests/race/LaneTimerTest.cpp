#include "RaceFixture.h"

namespace vk::test {

using LaneDisplay = RaceFixture;

TEST_F(LaneDisplay, LeadingZerosAreDimUntilTheyCount) {
    LaneTimer& f = rc.FrameT1;
    f.ShowMilliseconds(7005);
    EXPECT_EQ(f.digits(), (std::array<int, 6>{0, 0, 7, 0, 0, 5}));
    EXPECT_EQ(f.digitColorOn(0), kDigitDim);
    EXPECT_EQ(f.digitColorOn(1), kDigitDim);
    EXPECT_EQ(f.digitColorOn(2), kDigitBright);

    f.ShowMilliseconds(17250);
    EXPECT_EQ(f.digits(), (std::array<int, 6>{0, 1, 7, 2, 5, 0}));
    EXPECT_EQ(f.digitColorOn(0), kDigitDim);
    EXPECT_EQ(f.digitColorOn(1), kDigitBright);

    f.ShowMilliseconds(105000);
    EXPECT_EQ(f.digitColorOn(0), kDigitBright);
    EXPECT_EQ(f.digitColorOn(1), kDigitBright); // a zero after a non-zero hundreds digit
    EXPECT_EQ(f.digits()[1], 0);
}

TEST_F(LaneDisplay, ClockTicksShowTheRunningTimeAndMirrorEveryShowing) {
    std::vector<std::array<int, 6>> mirrored;
    rc.FrameT2.onMirror = [&](const std::array<int, 6>& d, Color, Color) { mirrored.push_back(d); };
    rc.mStart.click();
    clock.advance(1234);
    // One clock for both lanes, twenty showings a second: the last at 1200.
    EXPECT_EQ(rc.FrameT2.digits(), (std::array<int, 6>{0, 0, 1, 2, 0, 0}));
    EXPECT_EQ(rc.FrameT1.digits(), rc.FrameT2.digits());
    ASSERT_EQ(mirrored.size(), 24u);
    EXPECT_EQ(mirrored.back(), rc.FrameT2.digits());
    rc.mStop2.click();
    EXPECT_EQ(rc.FrameT2.digits(), (std::array<int, 6>{0, 0, 1, 2, 3, 4})); // from the stop stamp
    rc.mStop1.click();
    rc.mReset.click();
    EXPECT_EQ(mirrored.back(), (std::array<int, 6>{}));
}

TEST(LaneClockPeriod, OncePerDisplayFrameAtMostTwentyASecond) {
    for (auto [hz, ms] : {std::pair{60.0, 50}, {144.0, 50}, {0.0, 50}, {15.0, 67}, {20.0, 50}})
        EXPECT_EQ(LaneClockPeriodMs(hz), ms) << hz;
}

TEST_F(LaneDisplay, StartNumberIsLockedWhileTheLaneRunsAndKeptInRange) {
    LaneTimer& f = rc.FrameT1;
    f.setStartNumber(0);
    EXPECT_EQ(f.startNumber(), 1);
    f.setStartNumber(12345);
    EXPECT_EQ(f.startNumber(), 9999);
    f.setStartNumber(12);
    rc.mStart.click();
    EXPECT_FALSE(f.startNumberEditable());
    EXPECT_EQ(cell(0, rowOf(12)), "12");
    rc.mStop1.click();
    EXPECT_FALSE(f.startNumberEditable());
    f.ResetLane();
    EXPECT_TRUE(f.startNumberEditable());
    EXPECT_EQ(f.StopStamp, rc.race.StartStamp);
}

TEST_F(LaneDisplay, EmptyProtocolRowIsFilledInsteadOfAppending) {
    int updates = 0;
    rc.updateProtocolButtons = [&] { ++updates; };
    rc.FrameT1.StartLane();
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(cell(0, 1), "1");
    EXPECT_EQ(updates, 1);
    rc.FrameT2.StartLane();
    EXPECT_EQ(table.RowCount(), 3);
    EXPECT_EQ(cell(0, 2), "2");
}

} // namespace vk::test
