#include "RaceFixture.h"

#include "serial/Comms.h"
#include "serial/FakeComDevice.h"

#include <chrono>

namespace vk::test {

using namespace std::chrono_literals;

// A whole race through the serial component: the scripted device changes the lines on the
// event thread, the hand-overs are served here as the ui thread would, and the race control
// is bound to the component exactly as the main window binds it.
class SerialRace : public RaceFixture {
protected:
    const std::string kPath = "/fake/ttyUSB0";

    SerialRace() {
        driver.AddDevice(kPath);
        SetMainWindowValues(port);
        ComPortMap map;
        map.entries[4] = {kPath, false};
        port.PortMap = map;
        port.Port = 5;
        port.OnCTS = [this](TComPort*) { rc.ComPortStart(); };
        port.OnDSR = [this](TComPort*) { rc.ComPortStop(); };
        port.OnRLSD = [this](TComPort*) { rc.ComPortStop(); };
        port.OnOpen = [this](TComPort*) { rc.ComPortOpen(); };
        port.OnClose = [this](TComPort*) { rc.ComPortClose(); };
        rc.modemStatus = [this] { return port.ModemStatus(); };
    }
    ~SerialRace() override { port.Close(); }

    // Sets the lines on the device and serves the hand-over the change causes.
    void lines(uint32_t word) {
        driver.SetLines(kPath, word);
        ASSERT_TRUE(port.HandOver().WaitPending(5s)) << "no hand-over arrived";
        port.HandOver().Drain();
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
    passAt(1, 6000);
    passAt(2, 6300);
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
    EXPECT_EQ(row(1), (R{"1", "", "", "", "0,500", "4,000", "10,800", "7,500", "8,000", "+", ""}));
    EXPECT_EQ(row(2), (R{"2", "", "", "", "0,600", "4,200", "10,047", "7,900", "8,500", "", ""}));
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
    // The start contact with a lane change: the start handler stores the whole word first.
    lines(0);
    lines(kStatusCTS | kStatusRLSD);
    EXPECT_EQ(rc.LastModemStatus, kStatusCTS | kStatusRLSD);
    EXPECT_EQ(rc.race.PassCount[0], 1);
}

TEST_F(SerialRace, ClosingThePortHidesTheIconsAndSilencesTheLines) {
    port.Open();
    port.Close();
    EXPECT_FALSE(rc.iconsVisible);
    EXPECT_EQ(rc.ampelPicture, kAmpelDark);
    EXPECT_EQ(port.ModemStatus(), 0u);
}

} // namespace vk::test
