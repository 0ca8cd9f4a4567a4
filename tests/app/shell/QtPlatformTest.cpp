#include "app/QtPlatform.h"

#include <QElapsedTimer>
#include <QtTest>

#include <memory>

#ifndef VK_PROGRAM_DIR
#error "VK_PROGRAM_DIR must name the folder with the generated sounds"
#endif

// Timing bounds here are deliberately loose: they tell a restarted count from an untouched
// one by hundreds of milliseconds, never by the timer's precision.
class QtPlatformTest : public QObject {
    Q_OBJECT

private slots:
    void timerStartsDisabled();
    void timerFiresPeriodically();
    void intervalZeroNeverFires();
    void enablingAnEnabledTimerDoesNotRestart();
    void changingTheIntervalRestarts();
    void handlerCanStopItsTimer();
    void handlerCanDestroyItsTimer();
    void soundPlaysWithoutBlocking();
};

void QtPlatformTest::timerStartsDisabled() {
    vk::QtTimerFactory f;
    auto t = f.createTimer();
    QVERIFY(!t->enabled());
    QCOMPARE(t->interval(), 1000);
    int count = 0;
    t->onTimer = [&] { ++count; };
    t->setInterval(10);
    QTest::qWait(100);
    QCOMPARE(count, 0);
}

void QtPlatformTest::timerFiresPeriodically() {
    vk::QtTimerFactory f;
    auto t = f.createTimer();
    int count = 0;
    t->onTimer = [&] { ++count; };
    t->setInterval(20);
    t->setEnabled(true);
    QVERIFY(t->enabled());
    QTRY_VERIFY_WITH_TIMEOUT(count >= 3, 5000);
    t->setEnabled(false);
    const int stoppedAt = count;
    QTest::qWait(100);
    QCOMPARE(count, stoppedAt);
}

void QtPlatformTest::intervalZeroNeverFires() {
    vk::QtTimerFactory f;
    auto t = f.createTimer();
    int count = 0;
    t->onTimer = [&] { ++count; };
    t->setInterval(0);
    t->setEnabled(true);
    QTest::qWait(150);
    QCOMPARE(count, 0);
    QVERIFY(t->enabled());
    // A positive interval later makes the enabled timer run.
    t->setInterval(20);
    QTRY_VERIFY_WITH_TIMEOUT(count >= 1, 5000);
    t->setInterval(-5);
    const int at = count;
    QTest::qWait(100);
    QCOMPARE(count, at);
}

void QtPlatformTest::enablingAnEnabledTimerDoesNotRestart() {
    vk::QtTimerFactory f;
    auto t = f.createTimer();
    QElapsedTimer clock;
    qint64 firstFire = -1;
    t->onTimer = [&] {
        if (firstFire < 0)
            firstFire = clock.elapsed();
    };
    t->setInterval(2000);
    clock.start();
    t->setEnabled(true);
    QTest::qWait(1500);
    QVERIFY(firstFire < 0);
    t->setEnabled(true);
    t->setInterval(2000);
    QTRY_VERIFY_WITH_TIMEOUT(firstFire >= 0, 8000);
    // A restart at 1500 ms could not fire before 3500 ms; the margin leaves room for a busy
    // machine.
    QVERIFY2(firstFire < 3200, qPrintable(QString::number(firstFire)));
}

void QtPlatformTest::changingTheIntervalRestarts() {
    vk::QtTimerFactory f;
    auto t = f.createTimer();
    QElapsedTimer clock;
    qint64 firstFire = -1;
    t->onTimer = [&] {
        if (firstFire < 0)
            firstFire = clock.elapsed();
    };
    t->setInterval(1000);
    clock.start();
    t->setEnabled(true);
    QTest::qWait(600);
    t->setInterval(900);
    QCOMPARE(t->interval(), 900);
    QTRY_VERIFY_WITH_TIMEOUT(firstFire >= 0, 5000);
    // The new count began at 600 ms, so the first tick comes no sooner than 1500 ms.
    QVERIFY2(firstFire >= 1450, qPrintable(QString::number(firstFire)));
}

void QtPlatformTest::handlerCanStopItsTimer() {
    vk::QtTimerFactory f;
    auto t = f.createTimer();
    int count = 0;
    t->onTimer = [&] {
        ++count;
        t->setEnabled(false);
    };
    t->setInterval(10);
    t->setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(count == 1, 5000);
    QTest::qWait(100);
    QCOMPARE(count, 1);
    QVERIFY(!t->enabled());
}

void QtPlatformTest::handlerCanDestroyItsTimer() {
    vk::QtTimerFactory f;
    std::unique_ptr<vk::Timer> t = f.createTimer();
    int count = 0;
    t->onTimer = [&] {
        ++count;
        t.reset();
    };
    t->setInterval(10);
    t->setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(!t, 5000);
    QTest::qWait(50);
    QCOMPARE(count, 1);
}

void QtPlatformTest::soundPlaysWithoutBlocking() {
    const std::string dir = VK_PROGRAM_DIR;
    vk::QtSoundOutput sound;
    QElapsedTimer clock;
    clock.start();
    // This machine may have no sound device: Qt may warn, but nothing may hang or crash.
    sound.play(dir + "/start.wav");
    sound.play(dir + "/stopp.wav"); // cuts the start tone
    sound.play(dir + "/does-not-exist.wav");
    sound.play("");
    QCOMPARE(sound.lastPath(), std::string());
    sound.play(dir + "/stopp.wav");
    QCOMPARE(sound.lastPath(), dir + "/stopp.wav");
    QTest::qWait(200);
    sound.stop();
    QVERIFY2(clock.elapsed() < 3000, "playing blocked the caller");
}

QTEST_MAIN(QtPlatformTest)
#include "QtPlatformTest.moc"
