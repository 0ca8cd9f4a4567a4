// The live results of the running program: switched on by the settings, a scripted race
// reaching a WebSocket and a real browser.
#include "app/LiveBinder.h"
#include "app/TestPlatform.h"
#include "display/FMonitor2.h"
#include "display/LbSpeedButton.h"
#include "live/HttpExchange.h"
#include "protocol/CellTable.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QWebSocket>
#include <QtTest>

using namespace vk;
using vk::test::Exchange;
using vk::test::Get;

namespace {

quint16 FreePort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

} // namespace

class LiveWindowTest : public QObject, test::ProgramFixture {
    Q_OBJECT

    quint16 port = 0;
    QLabel* label(TFormMain& w) { return w.findChild<QLabel*>(QStringLiteral("LabelLive")); }
    void switchOn(quint16 p) {
        port = p;
        // Only our values: the ones before them are missing, which must not lose ours.
        platform.store.keys["Velkoran"] = {{"LiveServer", 1},
                                           {"LivePort", static_cast<int32_t>(p)}};
    }
    static void click(QWidget* b) {
        QTest::mousePress(b, Qt::LeftButton);
        QTest::mouseRelease(b, Qt::LeftButton);
    }
    // Two drivers on the lanes, the race started, run for a moment and, with `finish`, stopped.
    void race(TFormMain& w, bool finish) {
        w.table().AddRow({"1", "Müller", "Jörg", "3"});
        w.table().AddRow({"2", "<b>Kühn</b>", "Ute", "3"});
        click(w.bSTART);
        QTest::qWait(300);
        if (!finish)
            return;
        click(w.bSTOP1);
        click(w.bSTOP2);
        QVERIFY(!w.table().Cell(8, 1).empty());
    }
    QByteArray get(const QByteArray& target) { return Exchange(port, Get(target)); }
    QByteArray chromium(const QStringList& extra) {
        const QString exe = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (exe.isEmpty())
            return {};
        QTemporaryDir profile;
        QProcess p;
        p.start(exe, QStringList{"--headless", "--no-sandbox", "--disable-gpu",
                                 "--disable-background-networking", "--disable-component-update",
                                 "--disable-sync", "--no-first-run",
                                 "--user-data-dir=" + profile.path(), "--virtual-time-budget=3000"}
                         << extra << QStringLiteral("http://127.0.0.1:%1/").arg(port));
        // The event loop keeps running: the window serves the snapshots' source meanwhile.
        for (QDeadlineTimer t(60000); p.state() != QProcess::NotRunning && !t.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return p.readAllStandardOutput();
    }

private slots:
    void init() {
        QVERIFY(newCase());
        qputenv("XDG_DATA_HOME", dir->filePath(QStringLiteral("data")).toUtf8());
    }
    void cleanup() { endCase(); }

    void offByDefaultOnFromTheSettings() {
        TFormMain& off = start();
        QVERIFY(!off.live().server().running());
        QVERIFY(label(off)->isHidden());
        endCase();
        QVERIFY(newCase());
        switchOn(FreePort());
        TFormMain& w = start();
        QCOMPARE(label(w)->text(), QStringLiteral("Live: http://127.0.0.1:%1/").arg(port));
        QCOMPARE(w.settings().LivePort, int{port});
    }

    void theAudienceWindowsQrCodeDecodesToTheAddress() {
        const QString zbar = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
        if (zbar.isEmpty())
            QSKIP("zbarimg is not installed (tools/deps installs zbar-tools)");
        switchOn(FreePort());
        TFormMain& w = start();
        auto* code = program->monitor().findChild<QLabel*>(QStringLiteral("ImageLiveQr"));
        QVERIFY(code && !code->isHidden());
        const QString png = dir->filePath(QStringLiteral("qr.png"));
        QVERIFY(code->pixmap().save(png));
        QProcess p;
        p.start(zbar, {"--raw", "-q", png});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), w.live().address());
        w.menu.at(QStringLiteral("mLiveQr"))->trigger(); // the key switches it off
        QVERIFY(code->isHidden());
        w.menu.at(QStringLiteral("mLive"))->trigger();
        auto* window = w.findChild<QWidget*>(QStringLiteral("FormLive"));
        QVERIFY(window && window->isVisible());
        QVERIFY(window->findChild<QLabel*>(QStringLiteral("LabelAddress"))
                    ->text()
                    .contains(w.live().address()));
    }

    void aPortInUseIsNamedAndTheProgramGoesOn() {
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
        switchOn(holder.serverPort());
        TFormMain& w = start();
        QVERIFY(!w.live().server().running());
        QVERIFY2(label(w)->text().contains("belegt") &&
                     label(w)->text().contains(QString::number(port)),
                 qPrintable(label(w)->text()));
        race(w, true);
    }

    void aScriptedRaceReachesASocketInOrder() {
        switchOn(FreePort());
        TFormMain& w = start();
        QWebSocket ws;
        QStringList got;
        connect(&ws, &QWebSocket::textMessageReceived, this, [&](const QString& m) { got << m; });
        ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port)));
        QTRY_VERIFY_WITH_TIMEOUT(!got.isEmpty(), 5000);
        race(w, true);
        const QString geszeit = QString::fromStdString(w.table().Cell(8, 1));
        QTRY_VERIFY_WITH_TIMEOUT(got.last().count("\"phase\":\"fertig\"") == 2, 5000);
        const QString all = got.join('\n');
        const auto first = [&](const char* s) { return all.indexOf(QString::fromLatin1(s)); };
        QVERIFY(first("\"phase\":\"bereit\"") < first("\"phase\":\"laeuft\""));
        QVERIFY(first("\"phase\":\"laeuft\"") < first("\"phase\":\"fertig\""));
        QVERIFY(got.last().contains("\"geszeit\":\"" + geszeit + "\""));
        QVERIFY(got.last().contains("\"name\":\"\\u003cb\\u003eKühn\\u003c/b\\u003e\""));
        // One message per change, none for the clock ticks in between.
        QVERIFY2(got.size() <= 8, qPrintable(QString::number(got.size())));
    }

    void theRunLogReachesThePagesAlsoWhenSwitchedOnLater() {
        TFormMain& w = start();
        race(w, true); // runs 1 and 2, logged while the server is off
        port = FreePort();
        w.settings().LiveServer = true;
        w.settings().LivePort = port;
        w.live().apply();
        QVERIFY(w.live().server().running());
        const QByteArray runs = get("/api/runs?seit=0");
        QVERIFY2(runs.contains("\"lauf\":1,\"zeit\"") && runs.contains("\"lauf\":2,"),
                 runs.constData());
        QVERIFY(get("/lauf/1").contains("Jörg Müller"));
        QVERIFY(get("/fahrer/2").contains("href=\"/lauf/2\""));
        // A stop while the server runs reaches the pages with the race's own push.
        click(w.bRESET);
        click(w.bSTART);
        QTest::qWait(100);
        click(w.bSTOP1);
        QTRY_VERIFY_WITH_TIMEOUT(get("/api/runs?seit=2").contains("\"lauf\":3,"), 5000);
        QVERIFY(get("/lauf/3").startsWith("HTTP/1.1 200"));
        // The next start reads the day's log before anything happens.
        program.reset();
        start();
        QTRY_VERIFY_WITH_TIMEOUT(get("/api/runs?seit=2").contains("\"lauf\":3,"), 5000);
    }

    void protocolAndTitleEditsArePushed() {
        switchOn(FreePort());
        TFormMain& w = start();
        w.table().AddRow({"1", "Müller", "Jörg", "3"});
        QWebSocket ws;
        QString last;
        connect(&ws, &QWebSocket::textMessageReceived, this, [&](const QString& m) { last = m; });
        ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port)));
        QTRY_VERIFY_WITH_TIMEOUT(last.contains("Müller"), 5000);
        // Nothing polls: each of these arrives only because the change pushed it.
        w.eTitle->setText(QStringLiteral("Sommerpokal"));
        QTRY_VERIFY_WITH_TIMEOUT(last.contains("\"titel\":\"Sommerpokal\""), 5000);
        w.table().SetCell(1, 1, "Öztürk");
        QTRY_VERIFY_WITH_TIMEOUT(last.contains("\"name\":\"Öztürk\""), 5000);
        w.table().AddRow({"9", "Yılmaz"});
        QTRY_VERIFY_WITH_TIMEOUT(get("/protokoll").contains("Yılmaz"), 5000);
    }

    void browserShowsTheRaceLive() {
        if (qEnvironmentVariable("VK_BROWSER") != QStringLiteral("1"))
            QSKIP("runs in its own entry, live_browser");
        if (QStandardPaths::findExecutable(QStringLiteral("chromium")).isEmpty())
            QSKIP("chromium is not installed (tools/deps installs it)");
        switchOn(FreePort());
        TFormMain& w = start();
        race(w, false);
        const QByteArray running = chromium({"--dump-dom"});
        QVERIFY2(running.contains("Jörg Müller") && running.contains("bahn laeuft"),
                 running.constData());
        const QString shots = qEnvironmentVariable("VK_LIVE_SHOTS");
        if (!shots.isEmpty())
            chromium({"--screenshot=" + shots + "/live-race-running.png", "--window-size=390,844"});
        click(w.bSTOP1);
        click(w.bSTOP2);
        const QByteArray done = chromium({"--dump-dom"});
        const QByteArray geszeit = QByteArray::fromStdString(w.table().Cell(8, 1));
        QVERIFY(!geszeit.isEmpty());
        QVERIFY2(done.contains("Jörg Müller") &&
                     done.contains("<div class=\"uhr\" data-bahn=\"1\">" + geszeit + "</div>"),
                 done.constData());
        QVERIFY(done.contains("&lt;b&gt;Kühn&lt;/b&gt;"));
        // The latest runs, newest first, from the run log.
        const int second = done.indexOf("<a href=\"/lauf/2\">Lauf 2</a> Nr. 2");
        QVERIFY2(second > 0 && second < done.indexOf("<a href=\"/lauf/1\">Lauf 1</a> Nr. 1 Jörg "
                                                     "Müller: " +
                                                     geszeit + " s"),
                 done.constData());
        if (!shots.isEmpty())
            chromium(
                {"--screenshot=" + shots + "/live-race-finished.png", "--window-size=390,844"});
    }
};

QTEST_MAIN(LiveWindowTest)
#include "LiveWindowTest.moc"
