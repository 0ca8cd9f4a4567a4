#include "serial/Adapter.h"
#include "serial/Comms.h"
#include "serial/FakeComDevice.h"
#include "support/FakeSystem.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace vk;
using namespace std::chrono_literals;

namespace {

const std::string kPath = "/fake/ttyUSB0";

class ComPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        driver.AddDevice(kPath);
        port = MakePort(&clock);
    }
    void TearDown() override { port.reset(); }

    std::unique_ptr<TComPort> MakePort(TimerFactory* timers) {
        auto p = std::make_unique<TComPort>(&driver, timers);
        current = p.get();
        SetMainWindowValues(*p);
        ComPortMap map;
        map.entries[4] = {kPath, false};
        p->PortMap = map;
        p->Port = 5;
        Bind(*p);
        return p;
    }

    void Bind(TComPort& p) {
        auto rec = [this](const char* name) {
            return [this, name](TComPort* sender) {
                EXPECT_EQ(sender, current);
                log.emplace_back(name);
            };
        };
        p.OnCTS = rec("cts");
        p.OnDSR = rec("dsr");
        p.OnRLSD = rec("rlsd");
        p.OnOpen = rec("open");
        p.OnClose = rec("close");
        p.OnDeviceLost = rec("lost");
        p.OnDeviceBack = rec("back");
    }

    // Serves hand-overs until the log has `n` entries (bounded): a drain may already run a
    // hand-over that the thread queued while the drain was busy.
    void ServeUntilLogged(size_t n) {
        for (int i = 0; i < 500 && log.size() < n; ++i) {
            port->HandOver().WaitPending(10ms);
            port->HandOver().Drain();
        }
    }

    // Waits (bounded) for the event thread to hand something over, then serves it.
    size_t Serve() {
        EXPECT_TRUE(port->HandOver().WaitPending(5s)) << "no hand-over arrived";
        return port->HandOver().Drain();
    }

    using Log = std::vector<std::string>;
    test::ManualClock clock;
    FakeComDriver driver;
    std::unique_ptr<TComPort> port;
    TComPort* current = nullptr;
    Log log;
};

TEST(ComPortProperties, ConstructorAndMainWindowValues) {
    FakeComDriver driver;
    TComPort p(&driver);
    EXPECT_EQ(p.BaudRate, br9600);
    EXPECT_EQ(p.BaudRateUser, 9600);
    EXPECT_EQ(p.Port, 1);
    EXPECT_EQ(p.FlowControl, fcNone);
    EXPECT_EQ(p.DataBits(), 8);
    EXPECT_EQ(p.Events, TEvents::All());
    EXPECT_EQ(EventMaskOf(p.Events), 0x01FFu);
    EXPECT_EQ(p.WriteBufSize, 2048);
    EXPECT_FALSE(p.Connected());
    EXPECT_EQ(p.ModemStatus(), 0u);

    p.Port = 7;
    SetMainWindowValues(p);
    EXPECT_EQ(p.Port, 0);
    EXPECT_EQ(p.BaudRateUser, 28800);
    EXPECT_EQ(p.FlowControl, fcRtsCts);
    EXPECT_EQ(p.DataBits(), 5);
    EXPECT_EQ(EventMaskOf(p.Events), 0x0038u);
    EXPECT_EQ(p.ReadBufSize, 64);

    const ComSettings s = SettingsOf(p);
    EXPECT_EQ(s.baudRate, 9600); // BaudRateUser counts only for brUser
    EXPECT_EQ(s.dataBits, 5);
    EXPECT_EQ(s.xonLimit, 16);
    EXPECT_TRUE(s.enableDtr);
    EXPECT_TRUE(s.rtsHandshake);
    EXPECT_TRUE(s.ctsOutFlow);
    EXPECT_FALSE(s.xonXoff);
    EXPECT_EQ(s.eventMask, 0x0038u);
}

TEST(ComPortProperties, DataBitsRuleAndBaudRates) {
    FakeComDriver driver;
    TComPort p(&driver);
    p.SetDataBits(4);
    EXPECT_EQ(p.DataBits(), 5);
    p.SetDataBits(9);
    EXPECT_EQ(p.DataBits(), 8);
    p.SetDataBits(6);
    EXPECT_EQ(p.DataBits(), 6);
    p.SetDataBits(0);
    EXPECT_EQ(p.DataBits(), 5);

    const int32_t expected[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                19200, 38400, 56000, 57600, 115200, 128000, 256000};
    for (int r = br110; r < brUser; ++r)
        EXPECT_EQ(BaudRateValue(static_cast<TBaudRate>(r), 1234), expected[r]) << r;
    p.BaudRate = brUser;
    p.BaudRateUser = 250000;
    EXPECT_EQ(SettingsOf(p).baudRate, 250000);

    EXPECT_EQ(EventMaskOf({evRxChar, evRing}), 0x0101u);
    EXPECT_EQ(EventMaskOf({evTxEmpty, evRxFlag, evBreak, evError}), 0x00C6u);
    p.FlowControl = fcXonXoff;
    p.EnableDTR = false;
    const ComSettings s = SettingsOf(p);
    EXPECT_TRUE(s.xonXoff);
    EXPECT_FALSE(s.rtsHandshake);
    EXPECT_FALSE(s.enableDtr);
}

TEST_F(ComPortTest, OpenRaisesOnOpenAndAppliesSettings) {
    port->Open();
    EXPECT_TRUE(port->Connected());
    EXPECT_EQ(log, Log({"open"}));
    EXPECT_TRUE(driver.IsOpen(kPath));
    EXPECT_EQ(driver.LastSettings(kPath).dataBits, 5);
    EXPECT_EQ(driver.LastSettings(kPath).eventMask, 0x38u);
}

TEST_F(ComPortTest, LinesChangingTogetherDispatchInFixedOrderInOneHandOver) {
    port->Open();
    ASSERT_TRUE(driver.WaitUntilWaiting(kPath));
    driver.SetLines(kPath, MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
    EXPECT_EQ(Serve(), 1u);
    EXPECT_EQ(log, Log({"open", "cts", "dsr", "rlsd"}));
    EXPECT_EQ(port->ModemStatus(), 0xB0u);
}

TEST_F(ComPortTest, DispatchOrderOfAllNineEventsSkipsUnassigned) {
    Log order;
    port->OnRxChar = [&](TComPort*, uint32_t inQue) {
        order.push_back("rxchar" + std::to_string(inQue));
    };
    port->OnTxEmpty = [&](TComPort*) { order.push_back("txempty"); };
    port->OnBreak = [&](TComPort*) { order.push_back("break"); };
    port->OnRing = [&](TComPort*) { order.push_back("ring"); };
    port->OnCTS = [&](TComPort*) { order.push_back("cts"); };
    port->OnDSR = [&](TComPort*) { order.push_back("dsr"); };
    port->OnRxFlag = [&](TComPort*) { order.push_back("rxflag"); };
    port->OnRLSD = [&](TComPort*) { order.push_back("rlsd"); };
    port->OnError = [&](TComPort*) { order.push_back("error"); };
    port->DispatchEvents(0x01FF);
    EXPECT_EQ(order, Log({"rxchar0", "txempty", "break", "ring", "cts", "dsr", "rxflag", "rlsd",
                          "error"}));

    order.clear();
    port->OnBreak = nullptr;
    port->OnDSR = nullptr;
    port->DispatchEvents(EV_BREAK | EV_DSR | EV_RLSD | EV_CTS);
    EXPECT_EQ(order, Log({"cts", "rlsd"}));
}

TEST_F(ComPortTest, ModemStatusWord) {
    driver.SetLines(kPath, MS_CTS_ON | MS_RLSD_ON);
    EXPECT_EQ(port->ModemStatus(), 0u); // not open
    port->Open();
    EXPECT_EQ(port->ModemStatus(), 0x90u);
    driver.SetLines(kPath, MS_CTS_ON | MS_RLSD_ON | MS_DSR_ON);
    EXPECT_EQ(port->ModemStatus(), 0xB0u);
    port->Close();
    EXPECT_EQ(port->ModemStatus(), 0u);
}

TEST_F(ComPortTest, OpenOnOpenPortClosesFirstAndCloseOnClosedDoesNothing) {
    port->Close();
    EXPECT_TRUE(log.empty());
    port->Open();
    port->Open();
    EXPECT_EQ(log, Log({"open", "close", "open"}));
    EXPECT_EQ(driver.Opens(kPath), 2);
    EXPECT_EQ(driver.Purges(kPath), 1); // the first thread purged when it ended
    port->Close();
    port->Close();
    EXPECT_EQ(log, Log({"open", "close", "open", "close"}));
    EXPECT_FALSE(driver.IsOpen(kPath));
}

TEST_F(ComPortTest, FailedOpensLeaveClosedWithoutOnOpen) {
    driver.RemoveDevice(kPath);
    try {
        port->Open();
        FAIL() << "open of a missing device succeeded";
    } catch (const EComHandle& e) {
        EXPECT_STREQ(e.what(), "Unable to open com port: No such file or directory");
    }
    driver.AddDevice(kPath);
    driver.FailState(kPath, EACCES);
    try {
        port->Open();
        FAIL() << "open with refused settings succeeded";
    } catch (const EComState& e) {
        EXPECT_STREQ(e.what(), "Unable to set com state: Permission denied");
    }
    EXPECT_FALSE(port->Connected());
    EXPECT_TRUE(log.empty());

    // Port 0 and a number without a device are names that do not open.
    port->Port = 0;
    EXPECT_THROW(port->Open(), EComHandle);
    port->Port = 17;
    EXPECT_THROW(port->Open(), EComHandle);

    // A reopen that fails has still closed the old connection.
    driver.FailState(kPath, 0);
    port->Port = 5;
    port->Open();
    driver.FailOpen(kPath, EBUSY);
    EXPECT_THROW(port->Open(), EComHandle);
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(log, Log({"open", "close"}));
}

TEST_F(ComPortTest, ChangeSignalledTogetherWithStopIsNotDispatched) {
    port->Open();
    driver.HoldWaits(kPath, true);
    ASSERT_TRUE(driver.WaitUntilWaiting(kPath));
    driver.SetLines(kPath, MS_CTS_ON);
    port->Close(); // stop and change are both pending when the wait looks: stop wins
    EXPECT_EQ(log, Log({"open", "close"}));
    EXPECT_EQ(port->HandOver().Pending(), 0u);
}

TEST_F(ComPortTest, CloseWithPendingHandOverDeliversItAndDoesNotDeadlock) {
    port->Open();
    driver.SetLines(kPath, MS_CTS_ON);
    ASSERT_TRUE(port->HandOver().WaitPending(5s));
    port->Close(); // the thread is blocked in the hand-over; Close serves it while waiting
    EXPECT_EQ(log, Log({"open", "cts", "close"}));
    EXPECT_FALSE(driver.IsOpen(kPath));
}

TEST_F(ComPortTest, HandlerThatClosesThePortDoesNotDeadlock) {
    port->OnCTS = [this](TComPort* p) {
        log.emplace_back("cts");
        p->Close();
    };
    port->Open();
    driver.SetLines(kPath, MS_CTS_ON | MS_DSR_ON);
    Serve();
    // The handlers of the same hand-over still run, on a closed port.
    EXPECT_EQ(log, Log({"open", "cts", "close", "dsr"}));
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(port->ModemStatus(), 0u);
}

TEST_F(ComPortTest, HandlerThatReopensThePortKeepsWorking) {
    bool reopened = false;
    port->OnCTS = [&](TComPort* p) {
        log.emplace_back("cts");
        if (!reopened) {
            reopened = true;
            p->Open();
        }
    };
    port->Open();
    driver.SetLines(kPath, MS_CTS_ON);
    Serve();
    ASSERT_TRUE(driver.WaitUntilWaiting(kPath));
    driver.SetLines(kPath, 0);
    Serve();
    EXPECT_EQ(log, Log({"open", "cts", "close", "open", "cts"}));
    EXPECT_TRUE(port->Connected());
}

TEST_F(ComPortTest, LaterChangesAreReportedByTheNextWait) {
    port->Open();
    driver.SetLines(kPath, MS_CTS_ON);
    ASSERT_TRUE(port->HandOver().WaitPending(5s));
    driver.SetLines(kPath, MS_CTS_ON | MS_DSR_ON); // while the first hand-over is pending
    ServeUntilLogged(3);
    EXPECT_EQ(log, Log({"open", "cts", "dsr"}));
}

TEST_F(ComPortTest, ManyOpenCloseCyclesWhileLinesToggle) {
    std::atomic<bool> done{false};
    std::thread toggler([&] {
        uint32_t w = 0;
        while (!done.load()) {
            w = (w + 0x10) & 0xF0;
            driver.SetLines(kPath, w);
            std::this_thread::yield();
        }
    });
    int events = 0;
    auto count = [&](TComPort* p) {
        EXPECT_TRUE(p->Connected());
        ++events;
    };
    port->OnCTS = port->OnDSR = port->OnRLSD = count;
    for (int i = 0; i < 200; ++i) {
        port->Open();
        port->HandOver().Drain();
        if (i % 3 == 0)
            port->HandOver().WaitPending(1ms);
        port->HandOver().Drain();
        port->Close();
    }
    done.store(true);
    toggler.join();
    ASSERT_EQ(log.size(), 400u);
    for (size_t i = 0; i < log.size(); ++i)
        EXPECT_EQ(log[i], i % 2 ? "close" : "open") << i;
    EXPECT_EQ(driver.Opens(kPath), 200);
    EXPECT_EQ(driver.Purges(kPath), 200);
    EXPECT_FALSE(driver.IsOpen(kPath));
    EXPECT_EQ(port->HandOver().Pending(), 0u);
    // Not asserted exactly: how many changes a thread saw depends on scheduling.
    RecordProperty("events", events);
}

TEST_F(ComPortTest, FailingWaitsBackOffAndRecover) {
    driver.SetIdleLimit(kPath, 12);
    driver.FailWaits(kPath, true);
    port->Open();
    ASSERT_TRUE(driver.WaitForIdles(kPath, 13));
    const std::vector<int> expected = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1000, 1000, 1000};
    EXPECT_EQ(driver.Idles(kPath), expected);
    EXPECT_EQ(port->HandOver().Pending(), 0u); // failed waits dispatch nothing

    // A good wait resets the pause.
    driver.FailWaits(kPath, false);
    ASSERT_TRUE(driver.WaitUntilWaiting(kPath));
    driver.SetLines(kPath, MS_DSR_ON);
    Serve();
    driver.FailWaits(kPath, true);
    ASSERT_TRUE(driver.WaitForIdles(kPath, 14));
    EXPECT_EQ(driver.Idles(kPath).back(), 1);
    port->Close(); // prompt even while the thread pauses
    EXPECT_EQ(log, Log({"open", "dsr", "close"}));
}

TEST_F(ComPortTest, DeviceLostClosesAndComesBackByItself) {
    port->Open();
    driver.SetLines(kPath, MS_RLSD_ON);
    Serve();
    driver.RemoveDevice(kPath);
    Serve();
    EXPECT_EQ(log, Log({"open", "rlsd", "close", "lost"}));
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(port->ModemStatus(), 0u);
    EXPECT_TRUE(port->WatchingForDevice());
    EXPECT_EQ(DeviceLostText(*port), "Schnittstelle COM5 getrennt");

    clock.advance(3000); // still gone: nothing happens
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(driver.Opens(kPath), 1);

    driver.AddDevice(kPath);
    driver.FailOpen(kPath, EBUSY); // back, but someone else holds it
    clock.advance(1000);
    EXPECT_FALSE(port->Connected());
    driver.FailOpen(kPath, 0);
    clock.advance(999);
    EXPECT_FALSE(port->Connected());
    clock.advance(1);
    EXPECT_TRUE(port->Connected());
    EXPECT_FALSE(port->WatchingForDevice());
    EXPECT_EQ(log, Log({"open", "rlsd", "close", "lost", "open", "back"}));
    EXPECT_EQ(DeviceBackText(*port), "Schnittstelle COM5 wieder verbunden");

    // The reopened port delivers again.
    ASSERT_TRUE(driver.WaitUntilWaiting(kPath));
    driver.SetLines(kPath, MS_RLSD_ON | MS_CTS_ON);
    Serve();
    EXPECT_EQ(log.back(), "cts");
}

// Meanwhile another adapter took the old node: the port follows its own adapter.
TEST_F(ComPortTest, AdapterBackUnderAnotherNameIsOpenedThere) {
    test::FakeSystem sys;
    const std::string byId = "usb-FTDI_FT232R_USB_UART_A1-if00-port0";
    sys.usb("ttyUSB0", "1-1", "0403", "6001", "A1", "FT232R USB UART");
    sys.byId(byId, "ttyUSB0");
    const std::string moved = "/fake/ttyUSB1";
    port->PortMap.entries[5] = {moved, false};
    FollowAdapter(*port, DescribeAdapter(kPath, sys.roots).Identity(), sys.roots);
    port->OnDeviceMoved = [this](TComPort*, const std::string& before) {
        log.push_back("moved from " + before);
    };
    port->Open();
    driver.RemoveDevice(kPath);
    Serve();

    sys.dropTty("ttyUSB0", "1-1");
    sys.usb("ttyUSB0", "1-4", "1a86", "7523", "", "USB Serial");
    driver.AddDevice(kPath);
    clock.advance(TComPort::WatchIntervalMs); // the adapter is not back yet
    EXPECT_FALSE(port->Connected());
    EXPECT_FALSE(driver.IsOpen(kPath));

    sys.usb("ttyUSB1", "1-1", "0403", "6001", "A1", "FT232R USB UART");
    sys.byId(byId, "ttyUSB1");
    driver.AddDevice(moved);
    clock.advance(TComPort::WatchIntervalMs);
    EXPECT_TRUE(driver.IsOpen(moved));
    EXPECT_FALSE(driver.IsOpen(kPath));
    EXPECT_EQ(port->Port, 6);
    EXPECT_EQ(log, Log({"open", "close", "lost", "open", "moved from /fake/ttyUSB0"}));
    EXPECT_EQ(DeviceMovedText(*port, kPath),
              "Adapter wieder verbunden, jetzt als COM6 (/fake/ttyUSB1, vorher /fake/ttyUSB0)");
}

TEST_F(ComPortTest, CloseEndsTheWatchForALostDevice) {
    port->Open();
    driver.RemoveDevice(kPath);
    Serve();
    ASSERT_TRUE(port->WatchingForDevice());
    port->Close(); // already closed: no OnClose, but no reopen behind the operator's back
    EXPECT_FALSE(port->WatchingForDevice());
    driver.AddDevice(kPath);
    clock.advance(5000);
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(log, Log({"open", "close", "lost"}));
}

TEST_F(ComPortTest, LossNoticedWhileClosingIsDropped) {
    port->Open();
    driver.RemoveDevice(kPath);
    ASSERT_TRUE(port->HandOver().WaitPending(5s)); // the loss is queued, not yet served
    port->Close();
    EXPECT_EQ(log, Log({"open", "close"}));
    EXPECT_FALSE(port->WatchingForDevice());
    EXPECT_EQ(port->HandOver().Pending(), 0u);
}

TEST_F(ComPortTest, LossWithoutTimersOnlyCloses) {
    port = MakePort(nullptr);
    port->Open();
    driver.RemoveDevice(kPath);
    Serve();
    EXPECT_EQ(log, Log({"open", "close", "lost"}));
    EXPECT_FALSE(port->WatchingForDevice());
}

TEST_F(ComPortTest, DestroyingAnOpenPortClosesIt) {
    port->Open();
    driver.SetLines(kPath, MS_DSR_ON);
    ASSERT_TRUE(port->HandOver().WaitPending(5s));
    port.reset();
    EXPECT_EQ(log, Log({"open", "dsr", "close"}));
    EXPECT_FALSE(driver.IsOpen(kPath));
}

TEST_F(ComPortTest, DevicePathOverridesPortNumber) {
    driver.AddDevice("/fake/other");
    port->DevicePath = "/fake/other";
    port->Open();
    EXPECT_TRUE(driver.IsOpen("/fake/other"));
    EXPECT_FALSE(driver.IsOpen(kPath));
    EXPECT_EQ(DeviceLostText(*port), "Schnittstelle /fake/other getrennt");
}

} // namespace

namespace {

TEST_F(ComPortTest, UnreadInputIsThrownAwayWhileOpenSoRtsStaysRaised) {
    port->Open();
    const int atOpen = driver.Purges(kPath);
    clock.advance(TComPort::PurgeIntervalMs * 3);
    EXPECT_EQ(driver.Purges(kPath), atOpen + 3);
    port->Close();
    const int atClose = driver.Purges(kPath);
    clock.advance(TComPort::PurgeIntervalMs * 3);
    EXPECT_EQ(driver.Purges(kPath), atClose);

    // A component that reads what arrives keeps its input.
    port->OnRxChar = [](TComPort*, uint32_t) {};
    port->Open();
    const int reading = driver.Purges(kPath);
    clock.advance(TComPort::PurgeIntervalMs * 3);
    EXPECT_EQ(driver.Purges(kPath), reading);
}

} // namespace
