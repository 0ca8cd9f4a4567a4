#include "app/PagePrinter.h"
#include "app/Program.h"
#include "app/PublishBinder.h"
#include "app/TestPlatform.h"
#include "protocol/ProtocolPage.h"
#include "protocol/ProtocolPanel.h"
#include "protocol/ScriptedFileChooser.h"
#include "serial/FakeComDevice.h"
#include "support/ManualClock.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>

using namespace vk;

// The publishing buttons of the running main window, and printing the page into a PDF.
class PublishUiTest : public QObject, test::ProgramFixture {
    Q_OBJECT

private:
    void click(TFormMain& w, const char* name) {
        QToolButton* b = w.protocolPanel().button(QString::fromLatin1(name));
        QVERIFY(b && b->isEnabled());
        QTest::mouseClick(b, Qt::LeftButton);
    }

private slots:
    void init() {
        QVERIFY(newCase());
        qputenv("XDG_DATA_HOME", dir->filePath(QStringLiteral("data")).toUtf8());
    }
    void cleanup() { endCase(); }

    void buttonsShowPrintAndHandOverTheProtocol() {
        TFormMain& w = start();
        w.table().AddRow({"5", "Müller"});
        w.table().AddRow({"7", "<b>Kühn</b>"});
        w.protocol().UpdateProtocolButtons();

        click(w, "sbInet");
        click(w, "sbPrint");
        click(w, "sbPrint");
        const std::string page = dir->filePath(QStringLiteral("Velkoran.html")).toStdString();
        QCOMPARE(shell.opened, std::vector<std::string>{page});
        QCOMPARE(shell.printed, (std::vector<std::string>{page, page}));
        QFile f(QString::fromStdString(page));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("<td>&lt;b&gt;K\xC3\xBChn&lt;/b&gt;<td>"));

        click(w, "sbExcel");
        QCOMPARE(shell.opened.size(), size_t{2});
        const QString shown = QString::fromStdString(shell.opened[1]);
        QVERIFY2(shown.startsWith(dir->filePath(QStringLiteral("data/Quorvane/Velkoran/"))) &&
                     shown.endsWith(QStringLiteral(".xlsx")) && QFile::exists(shown),
                 qPrintable(shown));
        QVERIFY(dialogs.errors.empty());
    }

    // F1, "Als Webseite" and "Excel" say in the status bar what went where, or, when the
    // desktop has no program for the type, where the file lies.
    void handOversAreReportedInTheStatusBar_data() {
        QTest::addColumn<QString>("missingType");
        QTest::newRow("with a program") << QString();
        QTest::newRow("without") << QStringLiteral("text/html");
    }
    void handOversAreReportedInTheStatusBar() {
        QFETCH(QString, missingType);
        TFormMain& w = start();
        w.table().AddRow({"5", "Müller"});
        w.protocol().UpdateProtocolButtons();
        shell.noApplicationFor = missingType.toStdString();
        const QString help = dir->filePath(QStringLiteral("Velkoran-Hilfe.html"));
        QFile page(help);
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.close();
        const QString html = dir->filePath(QStringLiteral("Velkoran.html"));
        const std::pair<std::function<void()>, QString> actions[] = {
            {[&] { QTest::keyClick(&w, Qt::Key_F1); }, QStringLiteral("Hilfe geöffnet: ") + help},
            {[&] { click(w, "sbInet"); }, QStringLiteral("Seite geöffnet: ") + html},
            {[&] { click(w, "sbExcel"); }, QStringLiteral("Tabelle geöffnet: ")},
        };
        for (const auto& [act, said] : actions) {
            w.statusBar()->clearMessage();
            act();
            const QString shown = w.statusBar()->currentMessage();
            if (missingType.isEmpty())
                QVERIFY2(shown.startsWith(said), qPrintable(shown));
            else
                QVERIFY2(shown.startsWith(QStringLiteral("Kein Programm für text/html "
                                                         "eingerichtet. Die Datei liegt hier: ")) &&
                             shown.endsWith(said.mid(said.indexOf(u':') + 2)),
                         qPrintable(shown));
        }
        QCOMPARE(shell.opened.size(), missingType.isEmpty() ? size_t{3} : size_t{0});
        QVERIFY(dialogs.errors.empty());
    }

    void saveAndOpenGoByTheFileType() {
        TFormMain& w = start();
        w.table().AddRow({"5", "Müller"});
        w.table().AddRow({"7", "Kühn"});
        w.protocol().UpdateProtocolButtons();
        int shows = 0;
        w.publishing().publisher().onImported = [&shows] { ++shows; };
        const std::string base = dir->filePath(QStringLiteral("p")).toStdString();
        for (const char* ext : {".xlsx", ".docx", ".html", ".txt"})
            chooser.answers.push_back(FileChooser::Choice{base + ext, 0});
        for (int i = 0; i < 4; ++i)
            click(w, "sbSave");
        auto head = [](const std::string& path) {
            QFile f(QString::fromStdString(path));
            return f.open(QIODevice::ReadOnly) ? f.read(6) : QByteArray();
        };
        QCOMPARE(head(base + ".xlsx").left(2), QByteArray("PK"));
        QCOMPARE(head(base + ".docx").left(2), QByteArray("PK"));
        QCOMPARE(head(base + ".html"), QByteArray("<HTML>"));
        QCOMPARE(head(base + ".txt").left(3), QByteArray("Nr."));

        w.table().SetRowCount(2);
        w.table().ClearRow(1);
        chooser.answers.push_back(FileChooser::Choice{base + ".xlsx", 0});
        w.protocolPanel().sbLoadClick();
        QCOMPARE(w.table().RowCount(), 3);
        QCOMPARE(w.table().Cell(1, 2), std::string("Kühn"));
        QCOMPARE(w.protocol().cursor().row, 1);
        QVERIFY(w.protocolPanel().button(QStringLiteral("sbSave"))->isEnabled());
        QCOMPARE(shows, 1);
        QVERIFY(dialogs.errors.empty());
    }

    void printedPdfHoldsEveryRow() {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        QVERIFY2(!pdftotext.isEmpty(), "pdftotext (poppler-utils, see tools/deps) is missing");
        CellTable t;
        t.SetRowCount(1);
        for (int c = 0; c < 11; ++c)
            t.SetCell(c, 0, ProtocolHeaders[static_cast<size_t>(c)]);
        // Enough rows for more than one page.
        for (int n = 1; n <= 80; ++n)
            t.AddRow({std::to_string(n), "Fahrer" + std::to_string(n) + "x", "Jörg", "2", "0,512",
                      "", "", "5,123"});
        const QString page = dir->filePath(QStringLiteral("page.html"));
        QFile out(page);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(QByteArray::fromStdString(ProtocolPageBytes(t, "Velkoran")));
        out.close();

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir->filePath(QStringLiteral("page.pdf")));
        QVERIFY(PrintPageFile(page.toStdString(), printer));

        QProcess p;
        p.start(pdftotext, {dir->filePath(QStringLiteral("page.pdf")), QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY(text.contains(QStringLiteral("Geszeit")));
        QVERIFY(text.contains(QStringLiteral("Jörg")));
        for (int n = 1; n <= 80; ++n)
            QVERIFY2(text.contains(QStringLiteral("Fahrer%1x").arg(n)),
                     qPrintable(QString::number(n)));
        QVERIFY(!PrintPageFile(dir->filePath(QStringLiteral("none.html")).toStdString(), printer));
    }
};

QTEST_MAIN(PublishUiTest)
#include "PublishUiTest.moc"
