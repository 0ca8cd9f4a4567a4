#include "serial/QtHandOver.h"
#include "serial/Comms.h"
#include "serial/FakeComDevice.h"

#include <QtTest>

#include <thread>

using namespace vk;

class QtHandOverTest : public QObject {
    Q_OBJECT

    std::thread::id uiThread;

private slots:
    void changesReachHandlersOnTheUiThreadThroughTheEventLoop();
    void helperMayDieBeforeThePort();
};

void QtHandOverTest::changesReachHandlersOnTheUiThreadThroughTheEventLoop() {
    FakeComDriver driver;
    driver.AddDevice("/fake/tty");
    TComPort port(&driver);
    SetMainWindowValues(port);
    port.DevicePath = "/fake/tty";
    QtHandOver handOver(port);

    QStringList log;
    bool onUiThread = true;
    auto rec = [&](const char* name) {
        return [&, name](TComPort*) {
            onUiThread = onUiThread && std::this_thread::get_id() == uiThread;
            log << name;
        };
    };
    uiThread = std::this_thread::get_id();
    port.OnCTS = rec("cts");
    port.OnRLSD = rec("rlsd");
    port.Open();
    QVERIFY(driver.WaitUntilWaiting("/fake/tty"));
    driver.SetLines("/fake/tty", MS_CTS_ON | MS_RLSD_ON);
    QTRY_COMPARE(log, QStringList({"cts", "rlsd"}));
    QVERIFY(onUiThread);
    port.Close();
}

void QtHandOverTest::helperMayDieBeforeThePort() {
    FakeComDriver driver;
    driver.AddDevice("/fake/tty");
    TComPort port(&driver);
    port.DevicePath = "/fake/tty";
    int dsr = 0;
    port.OnDSR = [&](TComPort*) { ++dsr; };
    {
        QtHandOver handOver(port);
        port.Open();
    }
    // No helper now: the wake-up goes nowhere and the hand-over waits for a drain.
    QVERIFY(driver.WaitUntilWaiting("/fake/tty"));
    driver.SetLines("/fake/tty", MS_DSR_ON);
    QVERIFY(port.HandOver().WaitPending(std::chrono::milliseconds(5000)));
    QCoreApplication::processEvents();
    QCOMPARE(dsr, 0);
    port.Close(); // serves the pending hand-over
    QCOMPARE(dsr, 1);
}

QTEST_MAIN(QtHandOverTest)
#include "QtHandOverTest.moc"
