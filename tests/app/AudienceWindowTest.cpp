// Runs on three offscreen screens (screens.json): the operator's 1024 x 768, a 1920 x 1080 TV
// and a 4K TV scaled to 200 %.
#include "app/Program.h"
#include "app/PublishBinder.h"
#include "app/TestPlatform.h"
#include "display/FMonitor2.h"
#include "display/FrTimer.h"
#include "display/QtColors.h"
#include "display/Udigit.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSpinBox>
#include <QtTest>

using namespace vk;

class AudienceWindowTest : public QObject, test::ProgramFixture {
    Q_OBJECT

private:
    TFormMonitor2& monitor() { return program->monitor(); }
    static QScreen* screen(int i) { return QGuiApplication::screens().value(i); }
    void key(QWidget* w, int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(w, static_cast<Qt::Key>(k), m);
    }
    static QStringList labels(const TFormMonitor2& m) {
        return {m.LabStart1->text(), m.LabNext1->text(), m.LabStart2->text(), m.LabNext2->text()};
    }

private slots:
    void init() {
        QVERIFY(newCase());
        QCOMPARE(QGuiApplication::screens().size(), 3);
    }
    void cleanup() { endCase(); }

    void switchesScreensAndEscape() {
        TFormMain& w = start();
        TFormMonitor2& m = monitor();
        QVERIFY(w.ImageTVAus->isVisible()); // more than one screen
        QVERIFY(!w.ImageTVEin->isVisible());
        QVERIFY(m.windowFlags().testFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
        QCOMPARE(m.cursor().shape(), Qt::BlankCursor);

        w.settings().MonitorIndex = 1;
        QTest::mouseClick(w.ImageTVAus, Qt::LeftButton);
        QVERIFY(m.isVisible());
        QVERIFY(w.ImageTVEin->isVisible());
        QCOMPARE(m.screen(), screen(1));
        QCOMPARE(m.geometry(), screen(1)->geometry());
        QTest::qWait(50); // the window system's activations arrive late
        QTRY_COMPARE(QApplication::activeWindow(), &w); // the operator keeps typing there
        key(&m, Qt::Key_Escape);                        // on a TV Escape does nothing
        QVERIFY(m.isVisible());

        // The settings dialog's OK moves a visible window at once.
        w.settings().MonitorIndex = 0;
        w.placeAudienceWindow();
        QCOMPARE(m.geometry(), screen(0)->geometry());
        QCOMPARE(m.Digit[0]->geometry(), QRect(23, 125, 139, 258));
        QCOMPARE(m.Digita[0]->y(), 458);
        key(&m, Qt::Key_Escape);
        QVERIFY(!m.isVisible());
        QVERIFY(!w.ImageTVEin->isVisible());

        // Clicking the "on" switch closes it.
        key(&w, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(m.isVisible() && w.ImageTVEin->isVisible());
        QTest::mouseClick(w.ImageTVEin, Qt::LeftButton);
        QVERIFY(!m.isVisible());

        // The TV goes away: the window closes rather than cover the operator's screen.
        w.settings().MonitorIndex = 1;
        key(&w, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(m.isVisible());
        emit qGuiApp->screenRemoved(screen(0)); // not its screen
        QVERIFY(m.isVisible());
        emit qGuiApp->screenRemoved(screen(1));
        QVERIFY(!m.isVisible());
        QVERIFY(!w.ImageTVEin->isVisible());
    }

    void ctrlMOnAnotherScreenLeavesTheKeysWithTheRaceControl() {
        TFormMain& w = start();
        TFormMonitor2& m = monitor();
        w.settings().MonitorIndex = 2;
        key(&w, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(m.isVisible());
        QCOMPARE(m.screen(), screen(2));
        QTest::qWait(50); // the window system's activations arrive late
        QTRY_COMPARE(QApplication::activeWindow(), &w);
        // The next F-key goes where the keyboard is: still the race control.
        key(QApplication::activeWindow(), Qt::Key_F5);
        QVERIFY(w.race().FrameT1.clockRunning());
        key(QApplication::activeWindow(), Qt::Key_M, Qt::ControlModifier);
        QVERIFY(!m.isVisible());
    }

    void labelsAndDigitsFollowTheLanes() {
        TFormMain& w = start();
        TFormMonitor2& m = monitor();
        // Typed while the window was hidden: shown at its first showing.
        w.FrameT1->editStartN1->setValue(7);
        w.FrameT1->editStartN2->setValue(9);
        key(&w, Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(labels(m),
                 (QStringList{QStringLiteral(" Start-Nr.:7"), QStringLiteral("Bereit: 9 "),
                              QStringLiteral(" Start-Nr.:2"), QStringLiteral("Bereit: 4 ")}));
        w.eTitle->setText(QStringLiteral("Finale"));
        QCOMPARE(m.PanelTitle->text(), QStringLiteral("Finale"));

        RaceControl& rc = w.race();
        const auto same = [&](const TFrame1* frame, const std::array<TDigit*, 6>& shown) {
            for (size_t i = 0; i < 6; ++i)
                if (frame->Digit[i]->value() != shown[i]->value() ||
                    frame->Digit[i]->colorOn() != shown[i]->colorOn())
                    return false;
            return true;
        };
        rc.FrameT1.ShowTime(17, 250);
        rc.FrameT2.ShowTime(7, 5);
        QVERIFY(same(w.FrameT1, m.Digit));
        QVERIFY(same(w.FrameT2, m.Digita));
        QCOMPARE(m.Digit[1]->colorOn(), Color(0x00FFFF)); // tens bright, hundreds dim
        QCOMPARE(m.Digit[0]->colorOn(), Color(0x404040));
        QCOMPARE(m.Digita[1]->colorOn(), Color(0x404040));

        key(&w, Qt::Key_F5);
        QTRY_VERIFY(m.Digit[5]->value() != 0 || m.Digit[4]->value() != 0); // it runs
        key(&w, Qt::Key_F8);
        key(&w, Qt::Key_F9);
        QVERIFY(same(w.FrameT1, m.Digit));
        QVERIFY(same(w.FrameT2, m.Digita));
        key(&w, Qt::Key_F7);
        QVERIFY(same(w.FrameT1, m.Digit) && same(w.FrameT2, m.Digita));
        QCOMPARE(m.Digit[5]->value(), 0);
        QCOMPARE(labels(m),
                 (QStringList{QStringLiteral(" Start-Nr.:9"), QStringLiteral("Bereit: 11 "),
                              QStringLiteral(" Start-Nr.:4"), QStringLiteral("Bereit: 6 ")}));
    }

    // A race while the window is hidden, then Ctrl+M: every bar on the screen shows what the
    // lane frames show, as the window system got it. A digit that changed on all four sides
    // while hidden but kept one lit bar (0, 1, 2, 0 leaves the upper right bar alone) must
    // still draw that bar at its first showing.
    void firstShowingAfterARaceDrawsEveryBar() {
        TFormMain& w = start();
        TFormMonitor2& m = monitor(); // laid out for the operator's screen, and shown there
        key(&w, Qt::Key_F5);
        QTest::qWait(300);
        key(&w, Qt::Key_F8);
        key(&w, Qt::Key_F9);
        key(&w, Qt::Key_F7);
        for (int ms : {1, 2, 0}) {
            w.race().FrameT1.ShowTime(0, ms);
            w.race().FrameT2.ShowTime(0, ms * 10);
        }
        key(&w, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        QTest::qWait(50);
        const QImage shot = m.screen()->grabWindow(m.winId()).toImage();
        QCOMPARE(shot.size(), m.size());
        for (const auto& [frame, shown] :
             {std::pair{w.FrameT1, m.Digit}, std::pair{w.FrameT2, m.Digita}})
            for (size_t i = 0; i < 6; ++i) {
                const TDigit* d = shown[i];
                const auto polygons = d->model().polygons();
                for (int s = 0; s < kDigitSegmentCount; ++s) {
                    QPoint c;
                    for (const DigitPoint& pt : polygons[size_t(s)])
                        c += QPoint(pt.x, pt.y);
                    c /= int(polygons[size_t(s)].size());
                    const bool lit = frame->Digit[i]->model().segmentLit(s);
                    const QColor want = ToQColor(lit ? d->colorOn() : d->colorOff());
                    QVERIFY2(shot.pixelColor(d->mapTo(&m, c)) == want,
                             qPrintable(QStringLiteral("%1 digit %2 bar %3")
                                            .arg(frame->objectName())
                                            .arg(i)
                                            .arg(s)));
                }
            }
    }

    void importedSheetRerunsTheShowSteps() {
        TFormMain& w = start();
        TFormMonitor2& m = monitor();
        const std::string sheet = dir->filePath(QStringLiteral("lauf.xlsx")).toStdString();
        w.table().SetCell(0, 1, "5");
        QVERIFY(w.publishing().publisher().ExportExcel(sheet));
        w.race().FrameT1.setStartNumber(7); // typed by hand: not shown until the next showing
        QCOMPARE(m.LabStart1->text(), QStringLiteral(" Start-Nr.:1"));
        QVERIFY(w.publishing().publisher().Open(sheet, ProtocolFileType::Spreadsheet));
        QCOMPARE(m.LabStart1->text(), QStringLiteral(" Start-Nr.:7"));
        QVERIFY(!w.ImageTVEin->isVisible()); // the switch stays as it was
    }

    void tooLargeThicknessIsIgnored() {
        TFormMain& w = start();
        TFormMonitor2& m = monitor(); // hidden, laid out on the operator's screen
        QVERIFY(qAbs(m.ScaleFactor - 2.901) < 0.0005);
        QCOMPARE(m.Digit[0]->thickness(), 15);
        QCOMPARE(m.PanelLab1->font().pixelSize(), 55);
        w.FrameT1->Digit[0]->setThickness(24);
        QCOMPARE(w.FrameT1->Digit[0]->thickness(), 24);
        m.LayoutDisplay(); // 24 x 2.9 = 70 > 139 / 2
        QCOMPARE(m.Digit[0]->thickness(), 15);
        QCOMPARE(m.Digit[1]->thickness(), 15);
    }

    void closingTheMainWindowEndsTheProgram() {
        TFormMain& w = start();
        w.settings().MonitorIndex = 1;
        key(&w, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(monitor().isVisible());
        QTimer::singleShot(0, &w, [&w] { w.close(); });
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        guard.start(5000);
        QCOMPARE(QApplication::exec(), 0);
        guard.stop();
        program.reset(); // the end of main(): backup written, port closed
        QVERIFY(QFile::exists(dir->filePath(QStringLiteral("Velkoran-Sicherungsdatei.txt"))));
    }

    void fullHdGrab() {
        TFormMain& w = start();
        TFormMonitor2& m = monitor();
        w.settings().MonitorIndex = 1;
        w.eTitle->setText(QStringLiteral("Großer Preis – Finale"));
        key(&w, Qt::Key_M, Qt::ControlModifier);
        w.race().FrameT1.ShowTime(8, 412);
        w.race().FrameT2.ShowTime(12, 97);
        QCOMPARE(m.size(), QSize(1920, 1080));
        // Top to bottom without overlap, the picture centred.
        const int order[] = {m.PanelTitle->geometry().bottom(), m.PanelLab1->y(),
                             m.PanelLab1->geometry().bottom(),  m.Digit[0]->y(),
                             m.Digit[0]->geometry().bottom(),   m.PanelLab2->y(),
                             m.PanelLab2->geometry().bottom(),  m.Digita[0]->y(),
                             m.Digita[0]->geometry().bottom(),  1080};
        for (size_t i = 0; i + 1 < std::size(order); i += 2)
            QVERIFY2(order[i] < order[i + 1], qPrintable(QString::number(i)));
        QVERIFY(qAbs(m.PanelLab1->x() - (1920 - m.PanelLab1->geometry().right() - 1)) <= 1);
        QVERIFY(m.Digit[0]->height() > 350);

        const QString folder = qEnvironmentVariable("VK_SCREENSHOT_DIR", QDir::tempPath());
        QDir().mkpath(folder);
        const QImage shot = m.grab().toImage();
        QVERIFY(shot.save(folder + QStringLiteral("/audience.png")));
        // A lit bar of lane 1's units digit (8) is yellow, the background black.
        const QRect d = m.Digit[2]->geometry();
        QCOMPARE(shot.pixelColor(d.center().x(), d.top() + m.Digit[2]->thickness()),
                 QColor(Qt::yellow));
        QCOMPARE(shot.pixelColor(5, m.height() - 5), QColor(Qt::black));
    }

    void digitsPaintAtTheScreensPixelRatio() {
        // A digit on the 200 % screen paints like one of twice the size at 100 %.
        auto digit = [](QScreen* s, int scale) {
            auto d = std::make_unique<TDigit>();
            d->setScreen(s);
            d->setGeometry(QRect(s->geometry().topLeft(), QSize(48 * scale, 89 * scale)));
            d->setThickness(5 * scale);
            d->setSeparation(scale);
            d->setColorOff(0x404040);
            d->setValue(4);
            d->show();
            return d;
        };
        const auto scaled = digit(screen(2), 1);
        const auto plain = digit(screen(0), 2);
        QCOMPARE(scaled->devicePixelRatioF(), 2.0);
        const QImage a = scaled->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage b = plain->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(a.size(), QSize(96, 178));
        QImage device = a;
        device.setDevicePixelRatio(1);
        QCOMPARE(device, b);
    }
};

QTEST_MAIN(AudienceWindowTest)
#include "AudienceWindowTest.moc"
