// The main window as the operator sees it, on three offscreen screens (screens.json: the
// operator's 1x screen, a TV, a 2x screen), with real fonts and a German locale: the places of
// the controls at two window sizes, the time cells, the pictures at 2x, and the screenshots
// the README shows.
#include "app/DlgYesNo.h"
#include "app/MainLayout.h"
#include "app/Program.h"
#include "app/TestPlatform.h"
#include "config/Cfg.h"
#include "display/FMonitor2.h"
#include "display/FrTimer.h"
#include "display/LbSpeedButton.h"
#include "display/Pictures.h"
#include "display/Udigit.h"
#include "protocol/GridRules.h"
#include "protocol/ProtocolPanel.h"
#include "protocol/SortGrid.h"

#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

using namespace vk;

namespace {

int darkPixels(const QImage& img, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(img.pixel(x, y)) < 110)
                ++n;
    return n;
}

// The line edit shows its whole text: from the first character to the end it did not scroll.
bool shownWhole(QLineEdit& e) {
    e.setCursorPosition(0);
    const int first = e.inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    e.end(false);
    const int last = e.inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    const int advance = e.fontMetrics().horizontalAdvance(e.text());
    return last < e.width() && std::abs(last - first - advance) <= 1;
}

const QString kEvent = QStringLiteral("Vereinsmeisterschaft Herbst 2026 – Finale");

QString shotDir() {
    const QString dir = qEnvironmentVariable("VK_SCREENSHOT_DIR", QDir::tempPath());
    QDir().mkpath(dir);
    return dir;
}

} // namespace

class MainWindowLayoutTest : public QObject, test::ProgramFixture {
    Q_OBJECT

private:
    static QRect rect(const Rect& r) { return {r.left, r.top, r.width, r.height}; }

private slots:
    void init() { QVERIFY(newCase()); }
    void cleanup() { endCase(); }

    void controlsFollowTheWindowWidth_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("design 800 x 561") << QSize(800, 561);
        QTest::newRow("wide 1200 x 561") << QSize(1200, 561);
    }
    void controlsFollowTheWindowWidth() {
        QFETCH(QSize, size);
        TFormMain& w = start();
        w.resize(size);
        QTRY_COMPARE(w.PanelLeft->width(), size.width());
        const int W = size.width(), dx = W - kRaceAreaDesignWidth;
        for (const Placement& p : RaceAreaPlacements()) {
            const QWidget* c =
                p.name == "Panel4"
                    ? w.protocolPanel().toolBar()
                    : w.PanelLeft->findChild<QWidget*>(QString::fromStdString(p.name));
            QVERIFY2(c, p.name.c_str());
            QCOMPARE(c->parentWidget(), w.PanelLeft);
            QCOMPARE(c->geometry(), rect(PlaceInRaceArea(p, W)));
        }
        // The lane-2 side keeps its distance to the right edge, the centre buttons stretch,
        // the protocol tool bar stays at the bottom-left.
        QCOMPARE(w.FrameT2->geometry().right() + 1, W);
        QCOMPARE(w.PanelImit->geometry().right() + 1, W - 3);
        QCOMPARE(w.bAvaria2->geometry().right() + 1, W - 2);
        QCOMPARE(w.bSTOP2->x(), 486 + dx);
        QCOMPARE(w.bSTART->geometry(), QRect(354, 180, 84 + dx, 40));
        QCOMPARE(w.bRESET->geometry(), QRect(354, 0, 84 + dx, 40));
        QCOMPARE(w.protocolPanel().toolBar()->geometry(), QRect(2, 221, 351, 43));
        QCOMPARE(w.FrameT1->geometry(), QRect(0, 48, 353, 143));
        QCOMPARE(w.cbAutomatisch->y(), 420); // below what the race area shows
        QVERIFY(w.cbAutomatisch->y() > w.PanelLeft->height());

        // Top bar: the date panel at the right edge, the title field up to it.
        QCOMPARE(w.PanelDate->geometry(), QRect(W - 216, 0, 216, 38));
        QCOMPARE(w.eTitle->geometry(), QRect(392, 4, W - 216 - 392, 28));
        // An event's name is shown whole, in the field widened towards the logo if need be.
        w.eTitle->setText(kEvent);
        QVERIFY(shownWhole(*w.eTitle));
        QVERIFY(w.eTitle->x() > w.findChild<QLabel*>("LabelLogoSuffix")->geometry().right());
        QCOMPARE(w.eTitle->geometry().right() + 1, W - 216);
        // The protocol's columns fill the grid to its scroll bar.
        const TSortGrid* g = w.protocolPanel().grid();
        int sum = 0;
        for (int c = 0; c < g->horizontalHeader()->count(); ++c)
            if (!g->isColumnHidden(c))
                sum += g->columnWidth(c);
        QCOMPARE(sum, g->viewport()->width());
        QCOMPARE(w.statusBar()->height(), 19);
    }

    // Maximised on a 1920 x 1080 screen: the frames and digits grow with the window, the
    // buttons keep their size, the names take the grid's width and the title fits an event.
    void maximisedOnFullHd() {
        TFormMain& w = start();
        QScreen* tv = QGuiApplication::screens().value(1);
        QVERIFY(tv && tv->size() == QSize(1920, 1080));
        w.windowHandle()->setScreen(tv);
        w.showMaximized();
        // Maximised within the screen (the window system keeps a frame).
        QTRY_VERIFY(w.width() > 1900 && w.height() > 1060);
        const int W = w.width();
        QTRY_COMPARE(w.PanelLeft->width(), W);
        const double k = RaceAreaScale(W, w.height());
        QVERIFY(k > 1.8);
        QCOMPARE(w.PanelLeft->height(), RaceAreaHeight(k));
        for (const Placement& p : RaceAreaPlacements()) {
            const QWidget* c =
                p.name == "Panel4"
                    ? w.protocolPanel().toolBar()
                    : w.PanelLeft->findChild<QWidget*>(QString::fromStdString(p.name));
            QCOMPARE(c->geometry(), rect(PlaceInRaceArea(p, W, k)));
        }
        QCOMPARE(w.bSTOP1->size(), QSize(98, 40));
        for (const TFrame1* f : {w.FrameT1, w.FrameT2}) {
            QCOMPARE(f->Digit[0]->size(), QSize(qRound(48 * k), qRound(89 * k)));
            QCOMPARE(f->Digit[0]->thickness(), qRound(5 * k));
            QVERIFY(f->editStartN1->geometry().right() < f->Label2->x());
        }
        w.eTitle->setText(kEvent);
        QVERIFY(shownWhole(*w.eTitle));
        QCOMPARE(w.eTitle->font().pixelSize(), 16);
        // Name and first name share the grid's extra width two to one.
        const TSortGrid* g = w.protocolPanel().grid();
        const int names = g->colWidth(1) + g->colWidth(2);
        QVERIFY(names > W - 600);
        QCOMPARE(g->colWidth(1), names / 3 * 2);
        QCOMPARE(g->colWidth(0), 40);

        CellTable& t = w.table();
        t.AddRow({"1", "Brandt", "Lukas", "1", "0,412", "4,107", "161,204", "7,690", "8,102", "+"});
        t.AddRow({"2", "Kowalski", "Marek", "1", "0,537", "4,298", "152,911", "7,954", "8,491"});
        t.AddRow({"3", "Hoffmann", "Lea", "2"});
        t.AddRow({"4", "Yilmaz", "Deniz", "2"});
        w.FrameT1->editStartN1->setValue(3);
        w.FrameT2->editStartN1->setValue(4);
        QTest::keyClick(&w, Qt::Key_F5);
        QTest::qWait(1234);
        QVERIFY(w.grab().save(shotDir() + "/main-window-1920.png"));
        QTest::keyClick(&w, Qt::Key_F8);
        QTest::keyClick(&w, Qt::Key_F9);
    }

    void timeCellsAreNeverCut() {
        TFormMain& w = start();
        w.resize(800, 561);
        CellTable& t = w.table();
        t.AddRow({"1", "Meier", "Jan", "1", "0,517", "4,093", "147,305", "7,514", "8,031", "+"});
        t.AddRow({"2", "Schulz", "Eva", "2", "10,517", "14,093", "2372,881", "17,514", "18,031"});
        TSortGrid* g = w.protocolPanel().grid();
        const QFontMetrics fm(g->font());
        const char* texts[] = {"0,517", "10,517", "2372,881", "147,305", "18,031"};
        for (const char* text : texts) {
            const int need = CellWidthFor(fm.horizontalAdvance(QString::fromLatin1(text)));
            const int col = text == std::string("0,517") || text == std::string("10,517") ? 4
                            : text == std::string("18,031")                               ? 8
                                                                                          : 6;
            QTRY_VERIFY2(g->colWidth(col) >= need, text);
        }
        QCOMPARE(g->colWidth(5), 60); // a column whose times fit keeps its width
        t.AddRow({"3"});
        w.protocol().SelectWholeRow(3); // rows 1 and 2 unselected: black text on white
        g->viewport()->update();
        QTest::qWait(20);
        const QImage shot = g->viewport()->grab().toImage();
        // Each result is drawn whole: as many dark pixels as the text alone.
        for (const auto& [col, row, text] : std::vector<std::tuple<int, int, QString>>{
                 {4, 1, "0,517"}, {4, 2, "10,517"}, {6, 2, "2372,881"}, {8, 1, "8,031"}}) {
            const QRect cell =
                g->visualRect(g->model()->index(row - 1, col)).adjusted(0, 0, -1, -1);
            QImage alone(fm.horizontalAdvance(text) + 4, fm.height() + 4, QImage::Format_RGB32);
            alone.fill(Qt::white);
            QPainter p(&alone);
            p.setFont(g->font());
            p.setPen(Qt::black);
            p.drawText(QPoint(2, 2 + fm.ascent()), text);
            p.end();
            const int expected = darkPixels(alone, alone.rect());
            const int drawn = darkPixels(shot, cell);
            QVERIFY2(drawn >= expected * 9 / 10 && drawn <= expected * 11 / 10,
                     qPrintable(QStringLiteral("%1: %2 of %3").arg(text).arg(drawn).arg(expected)));
        }
    }

    void picturesAreDrawnForTheScreensPixelRatio() {
        TFormMain& w = start();
        w.settings().ColSpeed0 = true;
        w.ImageAmpel->show();
        QCOMPARE(w.ImageAmpel->shownPixmap().devicePixelRatio(), 1.0);
        QScreen* hi = QGuiApplication::screens().value(2);
        QVERIFY(hi && hi->devicePixelRatio() == 2.0);
        w.windowHandle()->setScreen(hi);
        w.move(hi->geometry().topLeft() + QPoint(20, 20));
        QTRY_COMPARE(w.devicePixelRatioF(), 2.0);
        const QPixmap ampel = w.ImageAmpel->shownPixmap();
        QCOMPARE(ampel.devicePixelRatio(), 2.0);
        QCOMPARE(ampel.size(), QSize(128, 128)); // 64 x 64 drawn with 4 pixels per point
        w.grab();                                // paints the buttons on the 2x screen
        QCOMPARE(w.bHelp->glyph().devicePixelRatio(), 2.0);
        QCOMPARE(w.bHelp->glyph().deviceIndependentSize().toSize(), QSize(4 * 38, 40));
        // Tool-bar pictures and the window icon are drawn for 2x, not blown up from 1x.
        QToolButton* load = w.protocolPanel().button(QStringLiteral("sbLoad"));
        const QImage sharp = load->icon().pixmap(QSize(32, 32), 2.0).toImage();
        QCOMPARE(sharp.size(), QSize(64, 64));
        const QImage blown = ToolPicture(QStringLiteral("load"))
                                 .toImage()
                                 .scaled(64, 64, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY(sharp.convertToFormat(QImage::Format_ARGB32) !=
                blown.convertToFormat(QImage::Format_ARGB32));
        const QPixmap icon = w.windowIcon().pixmap(QSize(64, 64), 2.0);
        QCOMPARE(icon.size(), QSize(128, 128));
        QVERIFY(icon.toImage().pixelColor(64, 64).alpha() == 255);
        // The dialogs opened from it draw their pictures for 2x as well.
        TFDlgYesNo ask(QStringLiteral("Velkoran"), &w);
        QCOMPARE(ask.Image1->pixmap().devicePixelRatio(), 2.0);
        Settings settings;
        TCfgDialog cfg(settings, 0, &w);
        QCOMPARE(cfg.ImageStart->pixmap().size(), QSize(64, 64));
        QVERIFY(w.grab().save(shotDir() + "/main-2x.png"));
    }

    // The README's picture: a race running, the protocol of the heats before it.
    void screenshotOfARunningRace() {
        TFormMain& w = start();
        w.resize(800, 561);
        w.eTitle->setText(QStringLiteral("Sommerpokal Lauf 3"));
        CellTable& t = w.table();
        t.AddRow({"1", "Brandt", "Lukas", "1", "0,412", "4,107", "161,204", "7,690", "8,102", "+"});
        t.AddRow({"2", "Kowalski", "Marek", "1", "0,537", "4,298", "152,911", "7,954", "8,491"});
        t.AddRow({"3", "Hoffmann", "Lea", "2", "0,389", "4,011", "164,877", "7,502", "7,891", "+"});
        t.AddRow({"4", "Yilmaz", "Deniz", "2", "0,601", "4,420", "149,302", "8,127", "8,728"});
        t.AddRow({"5", "Becker", "Tim", "3"});
        t.AddRow({"6", "Wagner", "Sophie", "3"});
        w.FrameT1->editStartN1->setValue(5);
        w.FrameT2->editStartN1->setValue(6);
        w.FrameT1->editStartN2->setValue(7);
        w.FrameT2->editStartN2->setValue(8);
        w.settings().ColSpeed0 = true;
        QTest::keyClick(&w, Qt::Key_F5);
        w.protocol().SelectWholeRow(1);
        QTest::qWait(1234);
        QVERIFY(w.grab().save(shotDir() + "/main-window.png"));
        QTest::keyClick(&w, Qt::Key_F8);
        QTest::keyClick(&w, Qt::Key_F9);
    }
};

QTEST_MAIN(MainWindowLayoutTest)
#include "MainWindowLayoutTest.moc"
