#include "app/Program.h"
#include "app/TestPlatform.h"
#include "config/MemorySettingsStore.h"
#include "display/Dmn_led.h"
#include "display/FMonitor2.h"
#include "display/FrTimer.h"
#include "display/LbSpeedButton.h"
#include "display/Udigit.h"
#include "protocol/CellTable.h"
#include "protocol/ProtocolPanel.h"
#include "protocol/ScriptedFileChooser.h"
#include "protocol/SortGrid.h"
#include "serial/Comms.h"
#include "serial/FakeComDevice.h"
#include "support/ManualClock.h"
#include "support/Screenshot.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>

using namespace vk;

// Scripted answers for every question the window asks.
class MainWindowTest : public QObject, test::ProgramFixture {
    Q_OBJECT

private:
    void key(TFormMain& w, int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(&w, static_cast<Qt::Key>(k), m);
    }
    QByteArray backupFile() {
        QFile f(dir->filePath(QStringLiteral("Velkoran-Sicherungsdatei.txt")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    std::string cell(int col, int row) { return program->main().table().Cell(col, row); }
    int rowOf(int number) {
        return program->main().table().FindRow(0, std::to_string(number), false);
    }

private slots:
    void init() { QVERIFY(newCase()); }
    void cleanup() { endCase(); }

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
        // The frame's digits show the lane's final time, the one in its protocol row.
        QString shown;
        for (int i = 0; i < 6; ++i) {
            if (i == 3)
                shown += ',';
            shown += QString::number(w.FrameT1->Digit[static_cast<size_t>(i)]->value());
        }
        QCOMPARE(shown, QStringLiteral("%1").arg(QString::fromStdString(cell(8, rowOf(1))), 7,
                                                 QLatin1Char('0')));

        QDir().mkpath(qEnvironmentVariable("VK_SCREENSHOT_DIR", QDir::tempPath()));
        const QString shot =
            qEnvironmentVariable("VK_SCREENSHOT_DIR", QDir::tempPath()) + "/main.png";
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

    void raceSurvivesARestartThroughTheBackup() {
        {
            TFormMain& w = start();
            key(w, Qt::Key_F5);
            QTest::qWait(20);
            key(w, Qt::Key_F9);
            key(w, Qt::Key_F8);
            QCOMPARE(cell(9, rowOf(2)), std::string("+"));
            program.reset(); // closing the program writes the backup
        }
        QVERIFY(backupFile().contains("2\t \t \t \t"));
        start();
        QVERIFY(rowOf(1) > 0 && rowOf(2) > 0);
        QCOMPARE(cell(9, rowOf(2)), std::string("+"));
        QVERIFY(!cell(8, rowOf(1)).empty());
        QVERIFY(program->main().protocolPanel().button(QStringLiteral("sbSave"))->isEnabled());
    }

    void typedNameIsInTheBackupWithoutARace() {
        TFormMain& w = start();
        w.menu["Neu1"]->trigger(); // Ctrl+N: a row with start number 1
        TSortGrid* grid = w.protocolPanel().grid();
        const QPoint p = grid->visualRect(grid->model()->index(0, 1)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, p);
        QTest::keyClick(grid, 'M');
        QLineEdit* editor = nullptr;
        for (QLineEdit* e : grid->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible())
                editor = e;
        QVERIFY(editor);
        QTest::keyClicks(editor, "eier");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(cell(1, 1), std::string("Meier")); // the editor commits through a queued call
        QTRY_VERIFY_WITH_TIMEOUT(backupFile().contains("1\tMeier\t"), 3000);
    }

    void unreadableFileOnOpenLeavesTheTable() {
        TFormMain& w = start();
        w.table().SetCell(0, 1, "7");
        w.table().SetCell(1, 1, "Bleibt");
        chooser.answers = {FileChooser::Choice{dir->path().toStdString(), 0}}; // a folder
        QTest::mouseClick(w.protocolPanel().button(QStringLiteral("sbLoad")), Qt::LeftButton);
        QCOMPARE(chooser.openAsked, 1);
        QCOMPARE(cell(1, 1), std::string("Bleibt"));
        QVERIFY(w.statusBar()->currentMessage().contains(QStringLiteral("nicht gelesen")));
    }

    void serialPortOpensAndReportsALostAndReturningDevice() {
        const std::string path = "/fake/ttyUSB0";
        driver.AddDevice(path);
        TFormMain& w = start();
        QVERIFY(!w.ImageLSstart->isVisible());
        ComPortMap map;
        map.entries[4] = {path, false};
        w.comPort().PortMap = map;
        w.comPort().Port = 5;
        w.comPort().Open();
        QVERIFY(w.ImageLSstart->isVisible());

        // A race from the lines: arm, contact, lane 1 passes.
        key(w, Qt::Key_F10);
        driver.SetLines(path, kStatusCTS);
        QTRY_VERIFY_WITH_TIMEOUT(w.race().FrameT1.clockRunning(), 3000);
        QVERIFY(w.Led[0]->value());
        // Served apart: a contact change and a lane change in one hand-over count no pass.
        driver.SetLines(path, 0);
        QTRY_COMPARE_WITH_TIMEOUT(w.race().LastModemStatus, 0u, 3000);
        driver.SetLines(path, kStatusRLSD);
        QTRY_VERIFY_WITH_TIMEOUT(w.Led[1]->value(), 3000);

        driver.RemoveDevice(path);
        QTRY_COMPARE_WITH_TIMEOUT(w.statusBar()->currentMessage(),
                                  QStringLiteral("Schnittstelle COM5 getrennt"), 3000);
        QVERIFY(!w.comPort().Connected());
        QVERIFY(!w.ImageLSstart->isVisible());
        driver.AddDevice(path);
        QTRY_COMPARE_WITH_TIMEOUT(w.statusBar()->currentMessage(),
                                  QStringLiteral("Schnittstelle COM5 wieder verbunden"), 5000);
        QVERIFY(w.comPort().Connected());
        QVERIFY(w.ImageLSstart->isVisible());
    }

    // A cone in lane 1's beam at arming shows in its frame and the status bar until it
    // clears; a bouncing lane 2 contact is warned of.
    void blockedBeamAndBouncingLineAreShown() {
        const std::string path = "/fake/beam"; // the driver outlives the cases: lines of its own
        driver.AddDevice(path);
        TFormMain& w = start();
        w.comPort().PortMap.entries[4] = {path, false};
        w.comPort().Port = 5;
        w.comPort().Open();
        QVERIFY(w.comPort().Connected());
        auto* bar = w.statusBar()->findChild<QLabel*>(QStringLiteral("LabLines"));
        QVERIFY(bar);
        driver.SetLines(path, kStatusRLSD);
        QTRY_COMPARE_WITH_TIMEOUT(w.race().LastModemStatus, kStatusRLSD, 3000);
        QVERIFY(!w.FrameT1->LabWarning->isVisible()); // not armed yet
        key(w, Qt::Key_F10);
        QVERIFY(w.FrameT1->LabWarning->isVisible());
        QCOMPARE(w.FrameT1->LabWarning->text(), QStringLiteral("LS1 unterbrochen"));
        QVERIFY(!w.FrameT2->LabWarning->isVisible());
        QCOMPARE(bar->text(), QStringLiteral("LS1 unterbrochen"));
        QVERIFY(bar->isVisible());
        test::SaveScreenshot(&w, "blocked-beam.png");
        HandOverQueue& queue = w.comPort().HandOver();
        for (int i = 0; i < 60; ++i) { // each change its own record, as a contact bounces
            const size_t before = queue.Pending();
            driver.SetLines(path, kStatusRLSD | (i % 2 ? 0 : kStatusDSR));
            for (int n = 0; n < 5000 && queue.Pending() == before; ++n)
                QThread::usleep(200);
        }
        QTRY_VERIFY_WITH_TIMEOUT(
            w.statusBar()->currentMessage().startsWith(QStringLiteral("LS2: mehr als 50 Wechsel")),
            3000);
        driver.SetLines(path, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!w.FrameT1->LabWarning->isVisible(), 3000);
        QVERIFY(!bar->isVisible());
    }

    void shellKeysHelpInfoAndTheAudienceWindow() {
        TFormMain& w = start();
        QCOMPARE(w.windowTitle(), QStringLiteral("Velkoran v 0.5"));
        QCOMPARE(w.eTitle->text(), QStringLiteral("* * *"));
        const QString help = dir->filePath(QStringLiteral("Velkoran-Hilfe.html"));
        key(w, Qt::Key_F1); // no page beside the program yet
        QCOMPARE(dialogs.errors.size(), size_t(1));
        QVERIFY(QFile(help).open(QIODevice::WriteOnly));
        key(w, Qt::Key_F1);
        key(w, Qt::Key_I, Qt::AltModifier);
        QCOMPARE(shell.opened, (std::vector<std::string>{help.toStdString(), help.toStdString()}));
        key(w, Qt::Key_F3);
        QCOMPARE(dialogs.infos.size(), size_t(1));
        QVERIFY(QString::fromStdString(dialogs.infos[0]).contains(QStringLiteral("Velkoran")));

        TFormMonitor2& m = program->monitor();
        QVERIFY(!m.isVisible());
        QVERIFY(!w.ImageTVAus->isVisible()); // one screen; Ctrl+M still works
        key(w, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(m.isVisible());
        QVERIFY(w.ImageTVEin->isVisible());
        w.eTitle->setText(QStringLiteral("Finale"));
        QCOMPARE(m.PanelTitle->text(), QStringLiteral("Finale"));
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        key(w, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(!m.isVisible());
        QVERIFY(!w.ImageTVEin->isVisible());
        // The date panel holds the date, three blanks and the time; without a language (this
        // test runs under the C locale) in German short formats.
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d\\d   \\d\\d:\\d\\d$"))
                     .match(w.PanelDate->text())
                     .hasMatch(),
                 qPrintable(w.PanelDate->text()));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
