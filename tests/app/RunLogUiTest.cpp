#include "app/Program.h"
#include "app/RunLogBinder.h"
#include "app/RunLogViews.h"
#include "app/TestPlatform.h"
#include "protocol/ProtocolPanel.h"
#include "runlog/RunLog.h"
#include "support/Screenshot.h"

#include <QAction>
#include <QPrinter>
#include <QProcess>
#include <QStatusBar>
#include <QTableWidget>
#include <QtTest>

#include <chrono>
#include <fstream>

using namespace vk;

namespace {
std::string today() {
    const auto s = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return LocalDateTimeText(s.count()).substr(0, 10);
}

// The text of a PDF as pdftotext lays it out, blank runs squeezed.
QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(20000);
    QString text = QString::fromUtf8(p.readAllStandardOutput());
    text.replace(QRegularExpression(QStringLiteral("[ \t]+")), QStringLiteral(" "));
    text.replace(QRegularExpression(QStringLiteral("( *\n *)+")), QStringLiteral("\n"));
    return text.trimmed();
}
} // namespace

// The run log through the main window: what the evening's acts leave in the day's file,
// places, a run chosen for a row, and the timeslip on paper.
class RunLogUiTest : public QObject {
    Q_OBJECT

private:
    test::ProgramFixture f;

    std::vector<RunRecord> logged(TFormMain& w) {
        return ReadRunLog(w.runLog().log().path()).records;
    }

private slots:
    void init() { QVERIFY(f.newCase()); }
    void cleanup() { f.program.reset(); }

    void theEveningsActsAreLoggedInOrderAfterACutLine() {
        // A crash cut the day's last line.
        const std::string day =
            RunLogFileName(f.exe() + "-Sicherungsdatei.txt", "Velkoran", today());
        std::ofstream(day, std::ios::binary)
            << "{\"kind\":\"Run\",\"run\":4}\n{\"kind\":\"Run\",\"run\":5,\"name\":\"cu";
        TFormMain& w = f.start();
        QVERIFY(w.statusBar()->currentMessage().contains(QStringLiteral("abgeschnitten")));
        auto key = [&w](int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
            QTest::keyClick(&w, static_cast<Qt::Key>(k), m);
        };
        key(Qt::Key_F5);
        QTest::qWait(20);
        key(Qt::Key_F9);
        key(Qt::Key_F8);
        const int one = w.table().FindRow(0, "1", false);
        w.protocol().SelectWholeRow(one);
        key(Qt::Key_J, Qt::ControlModifier);
        key(Qt::Key_F4);
        w.protocolPanel().action(QStringLiteral("Rezultentfernen1"))->trigger();
        QVERIFY(w.runLog().flush());

        std::vector<RunRecord> log = logged(w);
        QCOMPARE(log.at(0).runNumber, 4); // from before the crash
        log.erase(log.begin());
        using K = RunRecord::Kind;
        std::vector<K> kinds;
        for (const RunRecord& r : log)
            kinds.push_back(r.kind);
        QCOMPARE(kinds, (std::vector<K>{K::Run, K::Run, K::Joker, K::Accident, K::ResultsRemoved}));
        QCOMPARE(log[0].lane, 2); // stopped first
        QVERIFY(log[0].win && !log[1].win);
        QCOMPARE(log[0].runNumber, 6); // the cut line held run 5
        QCOMPARE(log[1].opponentStartNumber, std::string("2"));
        QCOMPARE(log[1].stopKind, RunRecord::StopKind::ByHand);
        QCOMPARE(log[1].startKind, RunRecord::StartKind::Manual);
        QCOMPARE(log[3].startNumber, std::string("1"));
        QVERIFY(log[3].accident);

        // One click in "Läufe anzeigen" makes a logged run the row's values again.
        w.runLog().chooseRun(one, log[1]);
        QCOMPARE(w.table().Cell(8, one), log[1].geszeit);
        QVERIFY(w.runLog().flush());
        const RunRecord chosen = logged(w).back();
        QCOMPARE(chosen.kind, K::RunChosen);
        QCOMPARE(chosen.refersTo, log[1].runNumber);
    }

    void placesAreShownOnceGivenAndFollowEveryStop() {
        TFormMain& w = f.start();
        CellTable& t = w.table();
        ProtocolPanel& panel = w.protocolPanel();
        QAction* platz = panel.action(QStringLiteral("mPlatz"));
        QVERIFY(platz->isVisible() &&
                panel.action(QStringLiteral("SortierenKlassenZeit1"))->isVisible());
        QVERIFY(!panel.placeColumnShown());
        t.ReplaceRows({{"Nr."},
                       {"1", "A", "", "1", "", "", "", "", "9,000"},
                       {"2", "B", "", "1", "", "", "", "", "8,000"}});
        platz->trigger();
        QCOMPARE(t.Cell(10, 1), std::string("2"));
        QCOMPARE(t.Cell(10, 2), std::string("1"));
        QVERIFY(panel.placeColumnShown());
        QVERIFY(panel.grid()->columnWidth(10) > 0);
        // Driver 1 races again and is faster: the place follows the stop.
        w.race().FrameT1.setStartNumber(1);
        w.race().mStart.click();
        QTest::qWait(20);
        w.race().mStop1.click();
        QCOMPARE(t.Cell(10, 1), std::string("1"));
    }

    void aClickInTheRunsListChoosesThatRun() {
        std::vector<RunRecord> runs(2);
        runs[0].runNumber = 3;
        runs[1].runNumber = 8;
        runs[1].geszeit = "9,876";
        TRunsDialog d("12", runs, nullptr);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        test::SaveScreenshot(&d, "runs-dialog.png");
        QCOMPARE(d.table()->item(1, 7)->text(), QStringLiteral("9,876"));
        QTableWidget* t = d.table();
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {},
                          t->visualRect(t->model()->index(1, 2)).center());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(d.chosen() && d.chosen()->runNumber == 8);
    }

    void timeslipPrintsOnAReceiptRollAndOnA4() {
        RunRecord r;
        r.runNumber = 7;
        r.dateTime = "2026-12-09T20:15:03";
        r.title = "Sommer-Cup";
        r.lane = 1;
        r.startNumber = "12";
        r.name = "Müller";
        r.firstName = "Jürgen";
        r.klass = "3";
        r.rz = "0,512";
        r.zz = "4,200";
        r.kmh = "123,456";
        r.fz = "11,365";
        r.geszeit = "11,877";
        r.win = true;
        r.opponentStartNumber = "4";
        RunRecord other = r;
        other.geszeit = "12,001";
        const QString golden = QStringLiteral(
            "Sommer-Cup\nZeitkarte\nDatum 09.12.2026 20:15:03\nLauf 7\nBahn 1\nStart-Nr. 12\n"
            "Name Müller, Jürgen\nKlasse 3\nRZ 0,512 s\nZZ 4,200 s\nKm/h 123,456\nFZ 11,365 s\n"
            "Geszeit 11,877 s\nErgebnis Sieg\nGegner Nr. 4\nGegner Geszeit 12,001 s");
        QTemporaryDir out;
        const struct {
            const char* name;
            QPageSize size;
        } pages[] = {{"receipt", QPageSize(QSizeF(80, 200), QPageSize::Millimeter)},
                     {"a6", QPageSize(QPageSize::A6)},
                     {"a4", QPageSize(QPageSize::A4)}};
        for (const auto& p : pages) {
            const QString pdf = out.filePath(QString::fromLatin1(p.name) + ".pdf");
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printer.setPageSize(p.size);
            printer.setPageMargins(QMarginsF(3, 3, 3, 3), QPageLayout::Millimeter);
            QVERIFY(PrintTimeslips({MakeTimeslip(r, &other)}, printer));
            QCOMPARE(pdfText(pdf), golden);
            const QByteArray shots = qgetenv("VK_SCREENSHOT_DIR");
            if (!shots.isEmpty())
                QFile::copy(pdf, QString::fromLocal8Bit(shots) + "/timeslip-" + p.name + ".pdf");
        }
    }
};

QTEST_MAIN(RunLogUiTest)
#include "RunLogUiTest.moc"
