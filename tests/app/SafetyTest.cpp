// The main window never loses what the operator typed or raced: editors survive table
// changes, running lanes keep their drivers, row commands hit the row meant, the backup's
// trouble is shown and asked about, and outside signals shut the program down in order.
#include "app/Program.h"
#include "app/SignalShutdown.h"
#include "app/TestPlatform.h"
#include "app/shell/ModalHelper.h"
#include "display/FrTimer.h"
#include "protocol/CellTable.h"
#include "protocol/Protocol.h"
#include "protocol/ProtocolPanel.h"
#include "protocol/ScriptedFileChooser.h"
#include "protocol/SortGrid.h"
#include "serial/FakeComDevice.h"
#include "support/ManualClock.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>

using namespace vk;

namespace {

std::string programIn(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("Velkoran")).toStdString();
}

// The child of the signal test: a running race, then it waits for the signal. With
// `realDialogs` a message box would wait for a click that never comes.
int runShutdownChild(const QString& folder, bool realDialogs) {
    int argc = 1;
    char name[] = "safety_child";
    char* argv[] = {name, nullptr};
    // The real settings file, in the test's folder.
    qputenv("XDG_CONFIG_HOME", folder.toLocal8Bit());
    QApplication app(argc, argv);
    SignalShutdown orderly;
    test::TestPlatform platform;
    test::ScriptedDialogs& dialogs = platform.dialogs;
    dialogs.answer = false; // a "Beenden?" would keep the program running
    TFormMain::Options options = platform.options(programIn(folder));
    options.settingsStore = nullptr;
    if (realDialogs)
        options.dialogs = nullptr;
    {
        Program program(options);
        program.main().show();
        program.main().race().mStart.click();
        std::printf("ready\n");
        std::fflush(stdout);
        app.exec();
    }
    std::printf("questions=%zu\n", dialogs.questions.size());
    return 0;
}

} // namespace

class SafetyTest : public QObject, test::ProgramFixture {
    Q_OBJECT

private:
    QString backupPath() const {
        return dir->filePath(QStringLiteral("Velkoran-Sicherungsdatei.txt"));
    }
    TFormMain& start(const QByteArray& backup = {}) {
        if (!backup.isEmpty()) {
            QFile f(backupPath());
            f.open(QIODevice::WriteOnly);
            f.write(backup);
        }
        return ProgramFixture::start();
    }
    TSortGrid* grid() { return program->main().protocolPanel().grid(); }
    QPoint cellCenter(int col, int row) {
        return grid()->visualRect(grid()->model()->index(row - 1, col)).center();
    }
    QLineEdit* editor() {
        for (QLineEdit* e : grid()->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible())
                return e;
        return nullptr;
    }
    std::string cell(int col, int row) { return program->main().table().Cell(col, row); }
    static QByteArray fiveDrivers() {
        return "Nr.\tName\t\r\n11\tA\t\r\n12\tB\t\r\n13\tC\t\r\n14\tD\t\r\n15\tE\t\r\n";
    }

private slots:
    void init() { QVERIFY(newCase()); }
    void cleanup() { endCase(); }

    void typedTextSurvivesLaneStartsStopsAndNewRows() {
        TFormMain& w = start();
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellCenter(1, 1));
        QTest::keyClick(grid(), 'M');
        QVERIFY(editor());
        QTest::keyClicks(editor(), "ei");
        QCOMPARE(cell(1, 1), std::string("Mei")); // each character reaches the cell at once
        QTest::keyClick(&w, Qt::Key_F5);          // lane starts append and fill rows
        QVERIFY(w.race().anyClockRunning());
        QVERIFY(editor());
        QCOMPARE(editor()->text(), QStringLiteral("Mei"));
        QTest::keyClicks(editor(), "er");
        QTest::keyClick(&w, Qt::Key_F8); // a lane stop writes its row
        QCOMPARE(editor()->text(), QStringLiteral("Meier"));
        QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(cell(1, 1), std::string("Meier"));
        QCOMPARE(cell(0, 1), std::string("1"));
        QCOMPARE(w.table().RowCount(), 4); // the new row came after the two lanes' rows
    }

    // Ctrl+N, Tab, name, Tab, first name, Return: the list is typed without the mouse, no
    // key reaches a lane's start number, and the lanes then time drivers 1 and 2.
    void anEntryListTypedByKeyboardAloneIsRaced() {
        TFormMain& w = start();
        const auto type = [](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
            QTest::keyClick(QApplication::focusWidget(), k, m);
        };
        const std::pair<const char*, const char*> drivers[] = {{"Meier", "Jan"}, {"Schulz", "Eva"}};
        int row = 0;
        for (const auto& [name, first] : drivers) {
            type(Qt::Key_N, Qt::ControlModifier);
            ++row;
            QCOMPARE(grid()->Col(), 0); // the new number is selected
            QCOMPARE(grid()->Row(), row);
            type(Qt::Key_Tab);
            QVERIFY(editor());
            QCOMPARE(grid()->Col(), 1);
            QTest::keyClicks(QApplication::focusWidget(), name);
            type(Qt::Key_Tab);
            QTest::keyClicks(QApplication::focusWidget(), first);
            type(Qt::Key_Return);
            QCOMPARE(cell(0, row), std::to_string(row));
            QCOMPARE(cell(1, row), std::string(name));
            QCOMPARE(cell(2, row), std::string(first));
        }
        // Tab opens the class list; Tab in the list takes the entry and wraps over the
        // results, from the last row to the first; Shift+Tab wraps back.
        const auto at = [this] { return std::pair(grid()->Col(), grid()->Row()); };
        type(Qt::Key_Tab);
        QCOMPARE(at(), std::pair(3, 2));
        QVERIFY(grid()->comboVisible());
        type(Qt::Key_Tab);
        QCOMPARE(at(), std::pair(0, 1));
        type(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(at(), std::pair(3, 2));
        QVERIFY(grid()->comboVisible());
        type(Qt::Key_Escape);
        QCOMPARE(w.window()->focusWidget(), static_cast<QWidget*>(grid()));

        type(Qt::Key_F5);
        QTest::qWait(20);
        type(Qt::Key_F8);
        type(Qt::Key_F9);
        QCOMPARE(w.race().FrameT1.startNumber(), 1);
        QCOMPARE(w.race().FrameT2.startNumber(), 2);
        QCOMPARE(w.table().RowCount(), 3);
        for (int r = 1; r <= 2; ++r) {
            QVERIFY(!cell(8, r).empty());
            QCOMPARE(cell(1, r), std::string(drivers[r - 1].first));
        }
    }

    void aRunningLaneKeepsItsRowAndDriverWhenRowsAreDeleted() {
        TFormMain& w = start(fiveDrivers());
        QCOMPARE(w.race().FrameT1.startNumber(), 11);
        QTest::keyClick(&w, Qt::Key_F5);
        w.protocol().SelectWholeRow(1);
        QTest::keyClick(&w, Qt::Key_0, Qt::ControlModifier); // driver 11 is timed: refused
        QCOMPARE(cell(0, 1), std::string("11"));
        QVERIFY(w.statusBar()->currentMessage().startsWith(
            QStringLiteral("Zeile entfernen erst nach dem Stopp: Bahn 1")));
        w.protocol().SelectWholeRow(3);
        QTest::keyClick(&w, Qt::Key_0, Qt::ControlModifier); // driver 13 is not
        QCOMPARE(w.table().FindRow(0, "13", false), -1);
        QCOMPARE(w.race().FrameT1.startNumber(), 11);
        QCOMPARE(w.race().FrameT2.startNumber(), 12);
        QCOMPARE(w.race().FrameT1.nextNumber(), 14); // the next numbers still follow the table
        QCOMPARE(w.race().FrameT2.nextNumber(), 15);
        QTest::keyClick(&w, Qt::Key_F9);
        QVERIFY(!cell(8, w.table().FindRow(0, "12", false)).empty());
    }

    void theContextMenuActsOnTheRowUnderTheMouse() {
        TFormMain& w = start(fiveDrivers());
        w.protocol().SelectWholeRow(1);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, cellCenter(1, 3),
                               grid()->viewport()->mapToGlobal(cellCenter(1, 3)));
        QApplication::sendEvent(grid()->viewport(), &menu);
        QMenu* popup = w.protocolPanel().popupMenu();
        QVERIFY(popup->isVisible());
        w.protocolPanel().action(QStringLiteral("Erase1"))->trigger();
        popup->close();
        QCOMPARE(w.table().FindRow(0, "13", false), -1);
        QCOMPARE(w.table().FindRow(0, "11", false), 1);
    }

    void tabIntoTheClassCellOpensItsList() {
        start(fiveDrivers());
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellCenter(1, 1));
        QTest::keyClick(grid(), Qt::Key_X);
        QVERIFY(editor());
        QTest::keyClick(editor(), Qt::Key_Tab);
        QCOMPARE(grid()->Col(), 2);
        QVERIFY(editor());
        QTest::keyClick(editor(), Qt::Key_Tab);
        QCOMPARE(grid()->Col(), 3);
        QVERIFY(grid()->comboVisible());
    }

    // The real yes/no dialog: an Enter meant for the table answers the destructive
    // questions with "Nein".
    void enterKeepsTheProtocolAndTheRunningRace() {
        TFormMain::Options o = platform.options(exe());
        o.dialogs = nullptr;
        program = std::make_unique<Program>(o);
        TFormMain& w = program->main();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.table().AddRow({"1", "Meier"});
        w.protocol().UpdateProtocolButtons();
        const auto pressEnter = [](QString& focused) {
            WhenModal([&focused](QWidget* dlg) {
                if (auto* b = qobject_cast<QPushButton*>(dlg->focusWidget()))
                    focused = b->text();
                QTest::keyClick(dlg->focusWidget(), Qt::Key_Return);
            });
        };
        QString focused;
        pressEnter(focused);
        w.protocolPanel().button(QStringLiteral("sbCLS"))->click();
        QCOMPARE(focused, QStringLiteral("Nein"));
        QCOMPARE(cell(1, 1), std::string("Meier"));

        w.race().mStart.click();
        QVERIFY(w.race().anyClockRunning());
        focused.clear();
        pressEnter(focused);
        QVERIFY(!w.close());
        QCOMPARE(focused, QStringLiteral("Nein"));
        QVERIFY(w.isVisible() && w.race().anyClockRunning());
        w.race().mStop1.click();
        w.race().mStop2.click();
    }

    void closingWhileTheBackupFailsShowsAWarningAndAsks() {
        TFormMain& w = start(fiveDrivers());
        QVERIFY(QFile::remove(backupPath()));
        QVERIFY(QDir().mkdir(backupPath())); // nothing can be renamed over a folder
        QTest::keyClick(&w, Qt::Key_F5);
        QTest::keyClick(&w, Qt::Key_F8);
        QTest::keyClick(&w, Qt::Key_F9);
        auto* warning = w.findChild<QLabel*>(QStringLiteral("BackupWarning"));
        QVERIFY(warning);
        QTRY_VERIFY(warning->isVisible());
        const QString shots = qEnvironmentVariable("VK_SCREENSHOT_DIR");
        if (!shots.isEmpty() && QDir().mkpath(shots))
            w.grab().save(shots + QStringLiteral("/backup-warning.png"));
        dialogs.answer = false;
        QVERIFY(!w.close());
        QCOMPARE(dialogs.questions.back(),
                 std::string("Die Sicherung konnte nicht geschrieben werden. Trotzdem beenden?"));
        QVERIFY(QDir().rmdir(backupPath()));
        const size_t asked = dialogs.questions.size();
        QVERIFY(w.close()); // the backup can be written again: no question
        QCOMPARE(dialogs.questions.size(), asked);
        QVERIFY(QFile(backupPath()).size() > 0);
    }

    void outsideSignalsRunTheOrderlyShutdown_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
        QTest::newRow("SIGINT") << SIGINT;
    }
    void outsideSignalsRunTheOrderlyShutdown() {
        QFETCH(int, signal);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--shutdown-child"), dir->path()});
        QVERIFY(child.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine() || child.waitForReadyRead(100), 20000);
        QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));
        ::kill(static_cast<pid_t>(child.processId()), signal);
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(child.readAll().trimmed(), QByteArray("questions=0"));
        // Only the window's destruction step writes the rows the lane starts made.
        QFile backup(backupPath());
        QVERIFY(backup.open(QIODevice::ReadOnly));
        const QByteArray bytes = backup.readAll();
        QVERIFY2(bytes.contains("\r\n1\t") && bytes.contains("\r\n2\t"), bytes.constData());
        // And the settings after it.
        QVERIFY(QFile::exists(dir->filePath(QStringLiteral("Quorvane/Velkoran.conf"))));
    }

    // Settings that cannot be written: on a signal the reason goes to the error stream and the
    // program ends; a pipe in place of the file holds up neither the start nor the end.
    void settingsThatCannotBeWrittenNeverHoldTheEnd() {
        for (const bool pipe : {false, true}) {
            const QString place = dir->filePath(QStringLiteral("Quorvane"));
            QDir(place).removeRecursively();
            QFile::remove(place);
            if (pipe) {
                QVERIFY(QDir().mkpath(place));
                QCOMPARE(mkfifo(QFile::encodeName(place + QStringLiteral("/Velkoran.conf")), 0600),
                         0);
            } else {
                QFile blocker(place); // a file where the folder should be, unwritable even as root
                QVERIFY(blocker.open(QIODevice::WriteOnly));
            }
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--shutdown-child"), dir->path(), QStringLiteral("real")});
            QVERIFY(child.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine() || child.waitForReadyRead(100), 20000);
            QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));
            ::kill(static_cast<pid_t>(child.processId()), SIGTERM);
            const bool ended = child.waitForFinished(20000);
            if (!ended)
                child.kill();
            QVERIFY2(ended, pipe ? "pipe" : "unwritable folder");
            QCOMPARE(child.exitCode(), 0);
            const QByteArray err = child.readAllStandardError();
            QVERIFY2(err.contains("Die Einstellungen wurden nicht gespeichert: "), err.constData());
        }
    }
};

int main(int argc, char** argv) {
    if (argc >= 3 && qstrcmp(argv[1], "--shutdown-child") == 0)
        return runShutdownChild(QString::fromLocal8Bit(argv[2]), argc == 4);
    QApplication app(argc, argv);
    SafetyTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SafetyTest.moc"
