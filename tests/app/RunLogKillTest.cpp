#include "app/Program.h"
#include "app/RunLogBinder.h"
#include "app/TestPlatform.h"
#include "runlog/RunLog.h"

#include <QProcess>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <thread>

using namespace vk;

namespace {
const char* const kChildDir = "VK_KILL_CHILD_DIR";

// The child: the program with a big protocol, one lane stopped by its key. It says which run
// it logged and where, then runs on until it is killed.
int runChild(const QString& dir) {
    test::TestPlatform platform;
    std::unique_ptr<Program> program =
        platform.start(QDir(dir).filePath(QStringLiteral("Velkoran")).toStdString());
    TFormMain& w = program->main();
    // The protocol's backup after the stop takes longer than the kill waits.
    CellTable& t = w.table();
    t.SetRowCount(300001);
    for (int r = 3; r < t.RowCount(); ++r)
        t.SetCell(0, r, std::to_string(r + 10));
    w.race().FrameT1.setStartNumber(1);
    w.race().FrameT2.setStartNumber(2);
    QTest::keyClick(&w, Qt::Key_F5);
    QTest::qWait(30);
    QTest::keyClick(&w, Qt::Key_F8);
    const RunRecord& run = w.runLog().log().records().back();
    std::printf("%s\n%s\n", w.runLog().log().path().c_str(), run.geszeit.c_str());
    std::fflush(stdout);
    return QCoreApplication::exec();
}
} // namespace

// A kill -9 right after a lane's stop keeps the run in the day's log: the program runs in a
// child process and is killed while it writes the protocol's backup.
class RunLogKillTest : public QObject {
    Q_OBJECT

private slots:
    void aKillRightAfterAStopKeepsTheRun() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildDir), dir.path());
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted(10000));
        while (child.peek(4096).count('\n') < 2)
            QVERIFY2(child.waitForReadyRead(30000), "the child never stopped a lane");
        // Well within the 50 ms a run may take to reach the disk.
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        const QString path = QString::fromUtf8(child.readLine()).trimmed();
        const std::string geszeit = QString::fromUtf8(child.readLine()).trimmed().toStdString();
        QVERIFY(ParseRaceTimeMs(geszeit) >= 30);
        const RunLogContent log = ReadRunLog(path.toStdString());
        QCOMPARE(log.records.size(), size_t(1));
        const RunRecord& r = log.records[0];
        QCOMPARE(r.kind, RunRecord::Kind::Run);
        QCOMPARE(r.lane, 1);
        QCOMPARE(r.startNumber, std::string("1"));
        QCOMPARE(r.geszeit, geszeit);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (const QString dir = qEnvironmentVariable(kChildDir); !dir.isEmpty())
        return runChild(dir);
    RunLogKillTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RunLogKillTest.moc"
