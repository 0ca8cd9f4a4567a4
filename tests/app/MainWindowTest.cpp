#include "app/Program.h"
#include "display/Dmn_led.h"
#include "display/FrTimer.h"
#include "display/LbSpeedButton.h"
#include "display/Udigit.h"
#include "protocol/CellTable.h"
#include "support/ManualClock.h"

#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace vk;

// Each test gets a program folder of its own, so backups and settings never leak between
// tests, and scripted answers for every question the window asks.
class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<Program> program;

    std::string exe() const { return dir->filePath(QStringLiteral("Velkoran")).toStdString(); }

    TFormMain& start() {
        TFormMain::Options o;
        o.executablePath = exe();
        o.dialogs = &dialogs;
        program = std::make_unique<Program>(o);
        TFormMain& w = program->main();
        w.show();
        w.activateWindow();
        [[maybe_unused]] bool active = QTest::qWaitForWindowActive(&w);
        return w;
    }
    void key(TFormMain& w, int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(&w, static_cast<Qt::Key>(k), m);
    }
    std::string cell(int col, int row) { return program->main().table().Cell(col, row); }
    int rowOf(int number) {
        return program->main().table().FindRow(0, std::to_string(number), false);
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        dialogs = {};
    }
    void cleanup() {
        program.reset();
        dir.reset();
    }

    void functionKeysRunARace() {
        TFormMain& w = start();
        key(w, Qt::Key_F8); // before a start: nothing
        QCOMPARE(w.race().race.StopCount, 0);
        key(w, Qt::Key_F5);
        QVERIFY(w.race().FrameT1.clockRunning());
        QVERIFY(!w.bSTART->isEnabled());
        QVERIFY(w.bSTOP1->isEnabled());
        QTest::qWait(60);
        key(w, Qt::Key_F8);
        key(w, Qt::Key_F9);
        QVERIFY(!w.race().anyClockRunning());
        QVERIFY(!cell(8, rowOf(1)).empty());
        QVERIFY(!cell(8, rowOf(2)).empty());
        QCOMPARE(cell(9, rowOf(1)), std::string("+"));
        QVERIFY(!cell(6, rowOf(2)).empty());
        QVERIFY(w.bRESET->isEnabled());
        // The frame shows the lane's final time.
        const auto& d = w.race().FrameT1.digits();
        QCOMPARE(w.FrameT1->Digit[5]->value(), d[5]);
        QVERIFY(d[3] + d[4] + d[5] > 0 || d[2] > 0);

        QDir().mkpath(qEnvironmentVariable("VK_SCREENSHOT_DIR", QStringLiteral(".")));
        const QString shot =
            qEnvironmentVariable("VK_SCREENSHOT_DIR", QStringLiteral(".")) + "/main.png";
        QVERIFY(w.grab().save(shot));

        key(w, Qt::Key_F7);
        QVERIFY(w.bSTART->isEnabled());
        QCOMPARE(w.FrameT1->editStartN1->value(), 3);
        QCOMPARE(w.FrameT2->editStartN2->value(), 6);
    }

    void startActsOnMouseDown() {
        TFormMain& w = start();
        QTest::mousePress(w.bSTART, Qt::LeftButton);
        QVERIFY(w.race().FrameT1.clockRunning()); // before the release
        QTest::mouseRelease(w.bSTART, Qt::LeftButton);
        QTest::mousePress(w.bSTOP2, Qt::RightButton); // any mouse button
        QVERIFY(!w.race().FrameT2.clockRunning());
        QVERIFY(w.race().FrameT1.clockRunning());
    }

    void imitationPanelRunsAWholeRace() {
        TFormMain& w = start();
        key(w, Qt::Key_F10);
        QTest::mouseClick(w.bImit1, Qt::LeftButton);
        QVERIFY(w.Led[0]->value());
        QVERIFY(w.race().FrameT1.clockRunning());
        for (int k = 1; k <= 4; ++k) {
            QTest::mouseClick(w.bImit2, Qt::LeftButton);
            QVERIFY(w.Led[static_cast<size_t>(k)]->value());
            if (k < 4)
                QVERIFY(!w.Led[static_cast<size_t>(k + 1)]->value());
        }
        QVERIFY(!w.race().FrameT1.clockRunning());
        for (int k = 5; k <= 8; ++k) {
            QTest::mouseClick(w.bImit3, Qt::LeftButton);
            QVERIFY(w.Led[static_cast<size_t>(k)]->value());
        }
        QVERIFY(!w.race().anyClockRunning());
        QVERIFY(!cell(4, rowOf(1)).empty()); // reaction time from the first pass
        QVERIFY(!cell(5, rowOf(2)).empty());
        QCOMPARE(cell(9, rowOf(1)), std::string("+"));
        QCOMPARE(cell(9, rowOf(2)), std::string(""));
    }

    void ctrlTHidesAndShowsThePanel() {
        TFormMain& w = start();
        QVERIFY(w.PanelImit->isVisible());
        key(w, Qt::Key_T, Qt::ControlModifier);
        QVERIFY(!w.PanelImit->isVisible());
        QVERIFY(!w.Led[1]->isVisible());
        key(w, Qt::Key_T, Qt::ControlModifier);
        QVERIFY(w.PanelImit->isVisible());
    }

    void closingAsksOnlyWhileALaneRuns() {
        TFormMain& w = start();
        key(w, Qt::Key_F5);
        dialogs.answer = false;
        QVERIFY(!w.close());
        QCOMPARE(dialogs.questions, std::vector<std::string>{"Beenden?"});
        QVERIFY(w.race().FrameT1.clockRunning());
        QVERIFY(w.isVisible());

        key(w, Qt::Key_F8);
        key(w, Qt::Key_F9);
        dialogs.questions.clear();
        QVERIFY(w.close());
        QVERIFY(dialogs.questions.empty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
