#include "display/Dmn_led.h"
#include "display/LbSpeedButton.h"
#include "display/Pictures.h"
#include "display/QtColors.h"
#include "display/Udigit.h"

#include <QDir>
#include <QEnterEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

namespace vk {

namespace {

QColor Rgb(Color c) {
    return ToQColor(c);
}

QColor PixelOf(const QImage& img, int x, int y) {
    return img.pixelColor(x, y);
}

// The lane frames' digit, with a dim colour for dark bars so that they differ from the
// background.
void MakeLaneDigit(TDigit& d) {
    d.resize(48, 89);
    d.setThickness(5);
    d.setColor(0x000000);
    d.setColorOn(0x0000FF);
    d.setColorOff(0x404040);
}

bool HasColour(const QImage& img, const QColor& c) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y).rgb() == c.rgb())
                return true;
    return false;
}

int OpaquePixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += qAlpha(img.pixel(x, y)) > 0;
    return n;
}

void SendEnter(QWidget* w) {
    QEnterEvent ev(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(w, &ev);
}

void SendLeave(QWidget* w) {
    QEvent ev(QEvent::Leave);
    QApplication::sendEvent(w, &ev);
}

} // namespace

class DisplayWidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void colourConversion();
    void digitDefaults();
    void digitPaintsLitAndDarkBars();
    void digitCornerMarkAlone();
    void digitRepaintsOnlyTheChangedBars();
    void digitOverflowSignal();
    void ledDrawsOnlyTopLeftLamp();
    void ledLinkedLabel();
    void buttonActsOnMouseDown();
    void buttonDisabledSendsNothing();
    void buttonDisabledByItsOwnMouseDown();
    void buttonFaceColours();
    void buttonDisabledCaptionIsGrey();
    void picturesHaveTheirSizesAndColours();
    void screenshot();
};

void DisplayWidgetsTest::colourConversion() {
    QCOMPARE(ToQColor(0x0000FF), QColor(255, 0, 0));
    QCOMPARE(ToQColor(0x00FF00), QColor(0, 255, 0));
    QCOMPARE(ToQColor(0xF0CAA6), QColor(0xA6, 0xCA, 0xF0));
    QCOMPARE(FromQColor(QColor(0xA6, 0xCA, 0xF0)), Color(0xF0CAA6));
    QVERIFY(!ToQColor(clNone).isValid());
    QCOMPARE(FromQColor(QColor()), clNone);
    QPalette pal;
    pal.setColor(QPalette::Button, QColor(1, 2, 3));
    pal.setColor(QPalette::Dark, QColor(4, 5, 6));
    QCOMPARE(ToQColor(clBtnFace, pal), QColor(1, 2, 3));
    QCOMPARE(ToQColor(clBtnShadow, pal), QColor(4, 5, 6));
}

void DisplayWidgetsTest::digitDefaults() {
    TDigit d;
    QCOMPARE(d.size(), QSize(16, 32));
    QCOMPARE(d.value(), 0);
    QCOMPARE(d.valueBinary(), uint8_t(125));
    QCOMPARE(d.colorOn(), Color(0x00FFFF));
    QCOMPARE(d.colorOff(), Color(0));
    QCOMPARE(d.thickness(), 2);
    QCOMPARE(d.separation(), 1);
    d.setThickness(9);
    QCOMPARE(d.thickness(), 2);
    d.setThickness(8);
    QCOMPARE(d.thickness(), 8);

    // Sized by the layout before the thickness, while still hidden.
    TDigit lane;
    lane.resize(48, 89);
    lane.setThickness(5);
    QCOMPARE(lane.thickness(), 5);
}

void DisplayWidgetsTest::digitPaintsLitAndDarkBars() {
    TDigit d;
    MakeLaneDigit(d);
    d.setValue(1);
    const QImage img = d.grab().toImage();
    QCOMPARE(img.size(), QSize(48, 89));
    const QColor on = Rgb(0x0000FF), off = Rgb(0x404040), bg = Rgb(0);
    QCOMPARE(PixelOf(img, 42, 24), on);  // upper right
    QCOMPARE(PixelOf(img, 42, 63), on);  // lower right
    QCOMPARE(PixelOf(img, 5, 24), off);  // upper left
    QCOMPARE(PixelOf(img, 24, 5), off);  // top
    QCOMPARE(PixelOf(img, 24, 44), off); // middle
    QCOMPARE(PixelOf(img, 45, 86), off); // corner
    QCOMPARE(PixelOf(img, 24, 24), bg);  // inside the upper loop
    // Neighbouring bars are parted by the outline in the background colour.
    QCOMPARE(PixelOf(img, 11, 0), bg);

    d.setValue(8);
    const QImage eight = d.grab().toImage();
    QCOMPARE(PixelOf(eight, 5, 24), on);
    QCOMPARE(PixelOf(eight, 24, 44), on);
    QCOMPARE(PixelOf(eight, 45, 86), off);
}

void DisplayWidgetsTest::digitRepaintsOnlyTheChangedBars() {
    struct PaintSpy : QObject {
        int paints = 0;
        QRect area;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) {
                ++paints;
                area = static_cast<QPaintEvent*>(e)->region().boundingRect();
            }
            return false;
        }
    } spy;
    TDigit d;
    MakeLaneDigit(d);
    d.resize(96, 178);
    d.setThickness(10);
    d.setValue(8);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    d.installEventFilter(&spy);
    auto shownEqualsFullPaint = [&d] {
        const QImage shown = d.screen()->grabWindow(d.winId()).toImage();
        const QImage full = d.grab().toImage();
        return shown.convertToFormat(QImage::Format_RGB32) ==
               full.convertToFormat(QImage::Format_RGB32);
    };
    d.setValue(9); // only the lower left bar goes dark
    QTRY_COMPARE(spy.paints, 1);
    QVERIFY2(spy.area.left() <= 0 && spy.area.right() <= 2 * 10 + 2 && spy.area.top() > 80,
             qPrintable(QStringLiteral("%1,%2 %3x%4")
                            .arg(spy.area.x())
                            .arg(spy.area.y())
                            .arg(spy.area.width())
                            .arg(spy.area.height())));
    QVERIFY(shownEqualsFullPaint());
    for (int v : {0, 1, 2, 3, 4, 5, 6, 7, 3, 8}) {
        d.setValue(v);
        QTest::qWait(1);
        QVERIFY2(shownEqualsFullPaint(), qPrintable(QString::number(v)));
    }
    const int paints = spy.paints;
    d.setColorOn(0x00FF00); // another colour: the whole digit
    QTRY_COMPARE(spy.paints, paints + 1);
    QCOMPARE(spy.area, d.rect());
    QVERIFY(shownEqualsFullPaint());
}

void DisplayWidgetsTest::digitCornerMarkAlone() {
    TDigit d;
    MakeLaneDigit(d);
    d.setValueBinary(0x80);
    const QImage img = d.grab().toImage();
    const QColor on = Rgb(0x0000FF);
    QCOMPARE(PixelOf(img, 45, 86), on);
    int lit = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == on) {
                ++lit;
                QVERIFY2(x >= 38 && y >= 79, qPrintable(QString("lit at %1,%2").arg(x).arg(y)));
            }
    QVERIFY(lit > 5);
}

void DisplayWidgetsTest::digitOverflowSignal() {
    TDigit d;
    QSignalSpy spy(&d, &TDigit::overflow);
    d.setValue(3);
    d.setValue(12);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(d.value(), 0);
    QCOMPARE(d.valueBinary(), uint8_t(125));
}

void DisplayWidgetsTest::ledDrawsOnlyTopLeftLamp() {
    for (TLedShape shape : {lsCircle, lsRectangle}) {
        for (bool lit : {false, true}) {
            TLed led;
            QCOMPARE(led.size(), QSize(16, 16));
            led.resize(20, 20);
            led.setKind(lkCyan);
            led.setShape(shape);
            led.setValue(lit);
            const QRgb sentinel = qRgb(0x12, 0x34, 0x56);
            QImage img(20, 20, QImage::Format_RGB32);
            img.fill(sentinel);
            led.render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 20; ++x) {
                    const int code = LedPixelCode(shape, lit, x, y);
                    const QRgb want =
                        code == 0 ? sentinel : Rgb(LedPaletteColor(lkCyan, code)).rgb();
                    QVERIFY2(img.pixel(x, y) == want,
                             qPrintable(QString("pixel %1,%2 shape %3 lit %4")
                                            .arg(x)
                                            .arg(y)
                                            .arg(shape)
                                            .arg(lit)));
                }
        }
    }
}

void DisplayWidgetsTest::ledLinkedLabel() {
    TLed led;
    QSignalSpy spy(&led, &TLed::changed);
    auto* label = new QLabel("design");
    led.setLabelOnText("Ein");
    led.setLabelOffText("Aus");
    led.setLabelLinked(label);
    QCOMPARE(label->text(), QString("Aus"));
    led.setValue(true);
    led.setValue(true);
    QCOMPARE(label->text(), QString("Ein"));
    QCOMPARE(spy.count(), 1);
    led.setLabelOnText("Lichtschranke frei");
    QCOMPARE(label->text(), QString("Lichtschranke frei"));
    led.setValue(false);
    QCOMPARE(label->text(), QString("Aus"));
    QCOMPARE(spy.count(), 2);

    led.resize(16, 16);
    led.show();
    QVERIFY(QTest::qWaitForWindowExposed(&led));
    QSignalSpy clicks(&led, &TLed::clicked);
    QTest::mouseClick(&led, Qt::LeftButton, {}, QPoint(8, 8));
    QCOMPARE(clicks.count(), 1);

    // A label that is gone is unlinked rather than written to.
    delete label;
    QCOMPARE(led.labelLinked(), nullptr);
    led.setValue(true);
    QCOMPARE(spy.count(), 3);
}

void DisplayWidgetsTest::buttonActsOnMouseDown() {
    TLbSpeedButton b;
    b.resize(84, 40);
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    QSignalSpy down(&b, &TLbSpeedButton::mouseDown);
    QSignalSpy click(&b, &TLbSpeedButton::clicked);

    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(down.count(), 1);
    QCOMPARE(down.at(0).at(0).value<Qt::MouseButton>(), Qt::LeftButton);
    QCOMPARE(click.count(), 0);
    QVERIFY(b.isDown());
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(click.count(), 1);
    QVERIFY(!b.isDown());

    // Any button sends mouse-down; only the left one clicks.
    QTest::mousePress(&b, Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(down.count(), 2);
    QCOMPARE(down.at(1).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    QVERIFY(!b.isDown());
    QTest::mouseRelease(&b, Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(click.count(), 1);

    // Dragged off while held: the pressed look goes, and a release outside is no click.
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(&b, QPoint(200, 10));
    QVERIFY(!b.isDown());
    QTest::mouseMove(&b, QPoint(20, 10));
    QVERIFY(b.isDown());
    QTest::mouseMove(&b, QPoint(200, 10));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(200, 10));
    QCOMPARE(down.count(), 3);
    QCOMPARE(click.count(), 1);
}

void DisplayWidgetsTest::buttonDisabledSendsNothing() {
    TLbSpeedButton b;
    b.resize(84, 40);
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    b.setEnabled(false);
    QSignalSpy down(&b, &TLbSpeedButton::mouseDown);
    QSignalSpy click(&b, &TLbSpeedButton::clicked);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseClick(&b, Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(down.count(), 0);
    QCOMPARE(click.count(), 0);
    QVERIFY(!b.isDown());
}

void DisplayWidgetsTest::buttonDisabledByItsOwnMouseDown() {
    // The start button disables itself when pressed: no click and no pressed look after.
    TLbSpeedButton b;
    b.resize(84, 40);
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    connect(&b, &TLbSpeedButton::mouseDown, &b, [&b] { b.setEnabled(false); });
    QSignalSpy click(&b, &TLbSpeedButton::clicked);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(!b.isDown());
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(click.count(), 0);
}

void DisplayWidgetsTest::buttonFaceColours() {
    TLbSpeedButton b;
    b.setButtonStyle(bsModern);
    b.resize(98, 40);
    b.setColor(0x00FF00);
    b.setColorWhenDown(0x0000FF);
    b.setHotTrackColor(0xFF0000);
    b.setLightColor(0xFFFFFF);
    b.setShadowColor(clBtnShadow);
    QCOMPARE(b.buttonStyle(), bsModern);
    QCOMPARE(b.color(), Color(0x00FF00));
    QCOMPARE(b.colorWhenDown(), Color(0x0000FF));
    QCOMPARE(b.hotTrackColor(), Color(0xFF0000));
    QCOMPARE(b.lightColor(), Color(0xFFFFFF));
    QCOMPARE(b.shadowColor(), clBtnShadow);
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    SendLeave(&b); // the pointer may rest where an earlier test left it

    QCOMPARE(b.currentFaceColor(), QColor(0, 255, 0));
    QCOMPARE(b.grab().toImage().pixelColor(49, 20), QColor(0, 255, 0));
    // The light colour shades the top edge.
    const QColor edge = b.grab().toImage().pixelColor(49, 2);
    QVERIFY(edge.red() > 100 && edge.blue() > 100);

    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(b.currentFaceColor(), QColor(255, 0, 0));
    QCOMPARE(b.grab().toImage().pixelColor(49, 20), QColor(255, 0, 0));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(10, 10));

    SendEnter(&b);
    QVERIFY(b.isHot());
    QCOMPARE(b.currentFaceColor(), QColor(0, 0, 255));
    SendLeave(&b);
    QCOMPARE(b.currentFaceColor(), QColor(0, 255, 0));

    // No hot-track colour: the face stays; a disabled button does not track.
    b.setHotTrackColor(clNone);
    SendEnter(&b);
    QCOMPARE(b.currentFaceColor(), QColor(0, 255, 0));
    SendLeave(&b);
    b.setHotTrackColor(0xFF0000);
    b.setEnabled(false);
    SendEnter(&b);
    QVERIFY(!b.isHot());
    QCOMPARE(b.currentFaceColor(), QColor(0, 255, 0));

    b.setColor(clBtnFace);
    QCOMPARE(b.currentFaceColor(), b.palette().color(QPalette::Button));
}

void DisplayWidgetsTest::buttonDisabledCaptionIsGrey() {
    TLbSpeedButton b;
    b.resize(140, 40);
    b.setColor(0x000000);
    b.setFontColor(0x00FFFF); // yellow
    QFont f = b.font();
    f.setPixelSize(24);
    f.setBold(true);
    b.setFont(f);
    b.setCaption("STOPP");
    auto yellowPixels = [](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                n += c.red() > 200 && c.green() > 200 && c.blue() < 100;
            }
        return n;
    };
    const QColor grey(0x80, 0x80, 0x80);
    const QImage enabled = b.grab().toImage();
    QVERIFY(yellowPixels(enabled) > 20);
    QVERIFY(!HasColour(enabled, grey));
    b.setEnabled(false);
    const QImage disabled = b.grab().toImage();
    QCOMPARE(yellowPixels(disabled), 0);
    QVERIFY(HasColour(disabled, grey));

    // Hot-track font for an enabled button.
    b.setEnabled(true);
    QFont hot = f;
    hot.setPixelSize(21);
    b.setHotTrackFont(hot);
    b.setHotTrackFontColor(0x00FFFF);
    b.setUseHotTrackFont(true);
    SendEnter(&b);
    QVERIFY(HasColour(b.grab().toImage(), QColor(255, 255, 0)));
}

void DisplayWidgetsTest::picturesHaveTheirSizesAndColours() {
    for (int n = 0; n < 4; ++n)
        QCOMPARE(AmpelPicture(n).size(), QSize(32, 32));
    auto bright = [](const QImage& img, auto pred) {
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.alpha() == 255 && pred(c))
                    return true;
            }
        return false;
    };
    auto isRed = [](const QColor& c) { return c.red() > 200 && c.green() < 90; };
    auto isGreen = [](const QColor& c) { return c.green() > 190 && c.red() < 90; };
    auto isYellow = [](const QColor& c) { return c.red() > 200 && c.green() > 160; };
    auto isBright = [](const QColor& c) { return std::max({c.red(), c.green(), c.blue()}) > 200; };
    QVERIFY(bright(AmpelPicture(0).toImage(), isRed));
    QVERIFY(!bright(AmpelPicture(0).toImage(), isGreen));
    QVERIFY(bright(AmpelPicture(1).toImage(), isGreen));
    QVERIFY(!bright(AmpelPicture(1).toImage(), isRed));
    QVERIFY(!bright(AmpelPicture(2).toImage(), isBright));
    QVERIFY(bright(AmpelPicture(3).toImage(), isYellow));
    QVERIFY(!bright(AmpelPicture(3).toImage(), isGreen));

    QCOMPARE(LockPicture(0).size(), QSize(22, 22));
    QCOMPARE(LockPicture(1).size(), QSize(22, 22));
    QVERIFY(bright(LockPicture(0).toImage(), isRed));
    QVERIFY(bright(LockPicture(1).toImage(),
                   [](const QColor& c) { return c.green() > 120 && c.red() < 60; }));

    // The plus has a vertical bar, the no-entry sign has not.
    QCOMPARE(LockPicture(1).toImage().pixelColor(11, 7), QColor(Qt::white));
    QCOMPARE(LockPicture(1).toImage().pixelColor(11, 11), QColor(Qt::white));
    QCOMPARE(LockPicture(0).toImage().pixelColor(11, 11), QColor(Qt::white));
    QVERIFY(isRed(LockPicture(0).toImage().pixelColor(11, 6)));

    QCOMPARE(TvOffPicture().size(), QSize(90, 20));
    QCOMPARE(TvOnPicture().size(), QSize(90, 20));
    QVERIFY(TvOffPicture().toImage() != TvOnPicture().toImage());
    for (const QPixmap& pm : {HelpPicture(), SettingsPicture(), InfoPicture()}) {
        QCOMPARE(pm.size(), QSize(38, 40));
        QVERIFY(OpaquePixels(pm.toImage()) > 200);
    }
    QCOMPARE(QuestionPicture().size(), QSize(32, 32));

    QList<QImage> tools;
    for (const char* name : {"load", "save", "excel", "inet", "next", "print", "clear"}) {
        const QPixmap pm = ToolPicture(name);
        QCOMPARE(pm.size(), QSize(32, 32));
        QVERIFY2(OpaquePixels(pm.toImage()) > 150, name);
        for (const QImage& other : tools)
            QVERIFY2(other != pm.toImage(), name);
        tools.append(pm.toImage());
    }
    QCOMPARE(OpaquePixels(ToolPicture("unknown").toImage()), 0);
}

void DisplayWidgetsTest::screenshot() {
    QWidget sheet;
    sheet.setAutoFillBackground(true);
    QPalette pal = sheet.palette();
    pal.setColor(QPalette::Window, Rgb(0xF0CAA6));
    sheet.setPalette(pal);
    auto* grid = new QVBoxLayout(&sheet);

    auto* digits = new QHBoxLayout;
    grid->addLayout(digits);
    const int shown[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    for (int v : shown) {
        auto* d = new TDigit;
        d->setFixedSize(48, 89);
        d->setThickness(5);
        d->setColorOff(0x202020);
        d->setValue(v);
        digits->addWidget(d);
    }
    auto* small = new TDigit;
    small->setFixedSize(16, 32);
    small->setValueBinary(0xFF);
    digits->addWidget(small);

    auto* leds = new QHBoxLayout;
    grid->addLayout(leds);
    for (int k = 0; k < kLedKindCount; ++k)
        for (TLedShape s : {lsCircle, lsRectangle})
            for (bool lit : {false, true}) {
                auto* led = new TLed;
                led->setFixedSize(16, 16);
                led->setKind(static_cast<TLedKind>(k));
                led->setShape(s);
                led->setValue(lit);
                leds->addWidget(led);
            }
    leds->addStretch();

    auto* buttons = new QHBoxLayout;
    grid->addLayout(buttons);
    auto addButton = [&](const QString& text, Color face, Color fontColor, bool enabled) {
        auto* b = new TLbSpeedButton;
        b->setButtonStyle(bsModern);
        b->setFixedSize(98, 40);
        b->setCaption(text);
        b->setColor(face);
        b->setFontColor(fontColor);
        QFont f("Arial");
        f.setPixelSize(19);
        f.setBold(true);
        b->setFont(f);
        b->setEnabled(enabled);
        buttons->addWidget(b);
        return b;
    };
    addButton("START", 0x008000, 0xFFFFFF, true);
    addButton("STOPP 1", 0x0000FF, 0xFFFFFF, true);
    addButton("Fehlstart", 0x008080, 0x0000FF, true);
    addButton("0,000", 0x808080, 0xFFFFFF, false);
    auto* pressed = addButton("UNFALL", 0x800000, 0xFFFFFF, true);
    auto* plain = new TLbSpeedButton;
    plain->setFixedSize(84, 40);
    plain->setCaption("normal");
    buttons->addWidget(plain);
    buttons->addStretch();

    auto* pictures = new QHBoxLayout;
    grid->addLayout(pictures);
    auto addPicture = [&](const QPixmap& pm) {
        auto* l = new QLabel;
        l->setPixmap(pm);
        pictures->addWidget(l);
    };
    for (const QPixmap& pm : {HelpPicture(), SettingsPicture(), InfoPicture()}) {
        auto* b = new TLbSpeedButton;
        b->setButtonStyle(bsShape);
        b->setFixedSize(38, 40);
        b->setGlyph(pm);
        pictures->addWidget(b);
    }
    for (int n = 0; n < 4; ++n)
        addPicture(AmpelPicture(n));
    addPicture(LockPicture(0));
    addPicture(LockPicture(1));
    addPicture(TvOffPicture());
    addPicture(TvOnPicture());
    addPicture(QuestionPicture());
    pictures->addStretch();

    auto* tools = new QHBoxLayout;
    grid->addLayout(tools);
    for (const char* name : {"load", "save", "excel", "inet", "next", "print", "clear"}) {
        auto* b = new TLbSpeedButton;
        b->setFixedSize(36, 39);
        b->setFlat(false);
        b->setGlyph(ToolPicture(name));
        b->setEnabled(QString(name) != "save");
        tools->addWidget(b);
    }
    tools->addStretch();

    sheet.resize(700, 330);
    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    QTest::mousePress(pressed, Qt::LeftButton, {}, QPoint(10, 10));

    QString dir = qEnvironmentVariable("VK_SCREENSHOT_DIR");
    if (dir.isEmpty())
        dir = QDir::currentPath() + "/screenshots";
    QVERIFY(QDir().mkpath(dir));
    const QString file = dir + "/display.png";
    QVERIFY(sheet.grab().save(file));
    QVERIFY(QFileInfo(file).size() > 0);
    // The lamps, buttons and pictures twice as large, to judge single pixels.
    const QPixmap zoom = sheet.grab(QRect(0, 100, 640, 230));
    QVERIFY(zoom.scaled(zoom.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                .save(dir + "/display-zoom.png"));
    QTest::mouseRelease(pressed, Qt::LeftButton, {}, QPoint(10, 10));
}

} // namespace vk

QTEST_MAIN(vk::DisplayWidgetsTest)
#include "DisplayWidgetsTest.moc"
