#include "RaceFixture.h"
#include "race/SerialBinding.h"

#include "serial/Comms.h"
#include "serial/FakeComDevice.h"

#include <chrono>
#include <thread>

namespace vk::test {

using namespace std::chrono_literals;

// A whole race through the serial component: the scripted device changes the lines on the
// event thread, the hand-overs are served here as the ui thread would, and the race control
// is bound to the component as the main window binds it.
class SerialRace : public RaceFixture {
protected:
    const std::string kPath = "/fake/ttyUSB0";

    SerialRace() {
        driver.AddDevice(kPath);
        driver.SetTicks(&clock);
        SetMainWindowValues(port);
        ComPortMap map;
        map.entries[4] = {kPath, false};
        port.PortMap = map;
        port.Port = 5;
        BindRaceToPort(rc, port);
    }
    ~SerialRace() override { port.Close(); }

    // Sets the lines on the device and serves the hand-over the change causes.
    void lines(uint32_t word) {
        driver.SetLines(kPath, word);
        ASSERT_TRUE(port.HandOver().WaitPending(5s)) << "no hand-over arrived";
        port.HandOver().Drain();
    }
    // The device changes the lines at `sinceStart`; the ui thread does not serve it yet.
    void changeAt(int64_t sinceStart, uint32_t word) {
        clock.set(start + sinceStart);
        const size_t before = port.HandOver().Pending();
        driver.SetLines(kPath, word);
        for (int i = 0; i < 5000 && port.HandOver().Pending() == before; ++i)
            std::this_thread::sleep_for(1ms);
        ASSERT_GT(port.HandOver().Pending(), before) << "no record arrived";
    }
    void startRace() {
        port.Open();
        rc.LockLSClick(kLockStart); // F10
        start = clock.raw();
        lines(kStatusCTS);
        lines(0);
        ASSERT_EQ(rc.race.StartStamp, start);
    }
    void passAt(int lane, int64_t sinceStart) {
        clock.set(start + sinceStart);
        const uint32_t bit = lane == 1 ? kStatusRLSD : kStatusDSR;
        lines(bit);
        lines(0);
    }

    FakeComDriver driver;
    TComPort port{&driver, &clock};
    int64_t start = 0;
};

TEST_F(SerialRace, ArmContactFourPassesEachAndTheRowsThatResult) {
    port.Open();
    ASSERT_TRUE(port.Connected());
    EXPECT_TRUE(rc.iconsVisible);

    rc.LockLSClick(kLockStart); // F10
    start = clock.raw();
    lines(kStatusCTS);
    lines(0);
    ASSERT_TRUE(rc.FrameT1.clockRunning());
    EXPECT_TRUE(rc.led[0]);
    EXPECT_EQ(rc.race.StartStamp, start);

    passAt(1, 500);
    passAt(2, 600);
    passAt(1, 4000);
    passAt(2, 4200);
    passAt(2, 6300);
    passAt(1, 7600); // 12 m before the stop, 0.4 s
    passAt(1, 8000);
    EXPECT_FALSE(rc.FrameT1.clockRunning());
    passAt(2, 8500);
    EXPECT_FALSE(rc.FrameT2.clockRunning());

    auto row = [this](int number) {
        std::vector<std::string> r;
        for (int c = 0; c < table.ColCount(); ++c)
            r.push_back(cell(c, rowOf(number)));
        return r;
    };
    using R = std::vector<std::string>;
    EXPECT_EQ(row(1), (R{"1", "", "", "", "0,500", "4,000", "108,000", "7,500", "8,000", "+", ""}));
    EXPECT_EQ(row(2), (R{"2", "", "", "", "0,600", "4,200", "19,636", "7,900", "8,500", "", ""}));
    for (bool on : rc.led)
        EXPECT_TRUE(on);
}

TEST_F(SerialRace, LinesThatChangeTogetherAreHandledInOneHandOver) {
    port.Open();
    rc.mStart.click();
    // Both lanes in one change: one hand-over calls the stop handler twice; the second call
    // finds the status already seen.
    lines(kStatusRLSD | kStatusDSR);
    EXPECT_EQ(rc.race.PassCount[0], 1);
    EXPECT_EQ(rc.race.PassCount[1], 1);
    // The start contact with a lane change: each handler sees its own line change.
    lines(0);
    lines(kStatusCTS | kStatusRLSD);
    EXPECT_EQ(rc.LastModemStatus, kStatusCTS | kStatusRLSD);
    EXPECT_EQ(rc.race.PassCount[0], 2);
}

// The ui gets to a record late: the handler still reads the word of the record, not the lines
// now, and stamps the pass with the record's tick, not with the time it runs.
TEST_F(SerialRace, HandlerReadsAndStampsTheRecordNotTheMomentItRuns) {
    startRace();
    changeAt(500, kStatusRLSD);
    changeAt(520, 0); // the beam is whole again before the ui looks
    clock.set(start + 900);
    uint32_t seen = 0;
    port.OnRLSD = [&](TComPort* p) {
        if (!seen)
            seen = p->ModemStatus();
        rc.ComPortStop();
    };
    port.HandOver().Drain();
    EXPECT_EQ(seen, kStatusRLSD);
    EXPECT_EQ(rc.race.PassCount[0], 1);
    EXPECT_EQ(rc.race.passStamp(1, 1), start + 500);
    // Outside a dispatch the status is the device's and a key press stamps now.
    EXPECT_EQ(port.ModemStatus(), 0u);
    rc.mStop1.click();
    EXPECT_EQ(rc.FrameT1.StopStamp, start + 900);
}

// A pass the event thread stamped just before F5, which the ui handles after the start: it
// happened in the Ready state, so it is not timed (no negative reaction time), and with the
// start contact armed then it is the lane's false start.
TEST_F(SerialRace, PassStampedBeforeAKeyStartIsHandledAsBeforeTheStart) {
    port.Open();
    for (bool contactArmed : {false, true}) {
        if (contactArmed)
            rc.LockLSClick(kLockStart); // F10
        start = clock.raw() + 1000;
        changeAt(-20, kStatusRLSD);
        changeAt(-10, 0);
        clock.set(start);
        rc.mStart.click(); // F5, before the ui got to the records
        port.HandOver().Drain();
        EXPECT_EQ(rc.race.PassCount[0], 0) << contactArmed;
        EXPECT_EQ(rc.falseStartShown[0], contactArmed);
        passAt(1, 500);
        clock.set(start + 900);
        rc.mStop1.click();
        EXPECT_EQ(cell(4, rowOf(rc.FrameT1.startNumber())), "0,500");
        EXPECT_EQ(cell(7, rowOf(rc.FrameT1.startNumber())), "0,400");
        rc.mStop2.click();
        clock.advance(5000);
        rc.mReset.click();
    }
}

// A pulse the kernel counted but that was over before the thread read the lines.
TEST_F(SerialRace, PulseOverBeforeTheLinesAreReadIsCounted) {
    startRace();
    clock.set(start + 700);
    driver.Pulse(kPath, kStatusDSR);
    for (int i = 0; i < 500 && rc.race.PassCount[1] == 0; ++i) {
        port.HandOver().WaitPending(10ms);
        port.HandOver().Drain();
    }
    EXPECT_EQ(rc.race.PassCount[1], 1);
    EXPECT_EQ(rc.race.passStamp(2, 1), start + 700);
    EXPECT_TRUE(rc.led[5]);
}

// Lane 2 finishes 30 ms after lane 1 while the ui thread is busy with lane 1's stop: its
// stop stamp is still the moment its line changed.
TEST_F(SerialRace, FourthPassOfLaneTwoWhileTheUiIsBlockedKeepsItsStamp) {
    startRace();
    for (int64_t t : {500, 4000, 6000})
        for (int lane : {1, 2})
            passAt(lane, t + lane);
    passAt(1, 8000);
    ASSERT_FALSE(rc.FrameT1.clockRunning());
    changeAt(8030, kStatusDSR);
    changeAt(8032, 0);
    clock.set(start + 8200); // the ui comes back
    port.HandOver().Drain();
    EXPECT_FALSE(rc.FrameT2.clockRunning());
    EXPECT_EQ(rc.FrameT2.StopStamp, start + 8030);
    EXPECT_EQ(cell(8, rowOf(2)), "8,030");
    EXPECT_EQ(rc.FrameT2.digits(), (std::array<int, 6>{0, 0, 8, 0, 3, 0}));
}

TEST_F(SerialRace, ClosingThePortHidesTheIconsAndSilencesTheLines) {
    port.Open();
    port.Close();
    EXPECT_FALSE(rc.iconsVisible);
    EXPECT_EQ(rc.ampelPicture, kAmpelDark);
    EXPECT_EQ(port.ModemStatus(), 0u);
}

} // namespace vk::test
