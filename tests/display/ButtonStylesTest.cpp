// Every look of the styled button in each state, drawn side by side into
// screenshots/buttons.png for review.
#include "display/LbSpeedButton.h"
#include "display/Pictures.h"
#include "display/QtColors.h"

#include <QDir>
#include <QEnterEvent>
#include <QGridLayout>
#include <QLabel>
#include <QtTest>

namespace vk {

namespace {

enum Shown { Normal, Hot, Down, Disabled };
constexpr const char* kStateNames[] = {"normal", "hot", "down", "disabled"};

struct StyleRow {
    TLbButtonStyle style;
    const char* name;
};
constexpr StyleRow kStyles[] = {{bsNormal, "bsNormal"}, {bsEncarta, "bsEncarta"},
                                {bsModern, "bsModern"}, {bsOld, "bsOld"},
                                {bsShape, "bsShape"},   {bsQuicken, "bsQuicken"}};

QFont ArialBold(int px) {
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(px);
    return f;
}

// Dressed like the race area's START button.
TLbSpeedButton* RaceLike(TLbButtonStyle style) {
    auto* b = new TLbSpeedButton;
    b->setButtonStyle(style);
    b->setFixedSize(98, 40);
    b->setCaption(QStringLiteral("START"));
    b->setFont(ArialBold(19));
    b->setFontColor(0xFFFFFF);
    b->setColor(0x008000);
    b->setHotTrackColor(0x00A000);
    b->setColorWhenDown(0x005000);
    b->setHotTrackFont(ArialBold(21));
    b->setHotTrackFontColor(0x00FFFF);
    b->setUseHotTrackFont(true);
    if (style == bsShape) {
        b->setCaption({});
        b->setGlyph(HelpPicture());
    }
    return b;
}

void Show(TLbSpeedButton* b, Shown state) {
    if (state == Hot || state == Down) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(b, &enter);
    }
    if (state == Down)
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
    if (state == Disabled)
        b->setEnabled(false);
}

int CountNear(const QImage& img, const QColor& c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor p = img.pixelColor(x, y);
            n += std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) +
                     std::abs(p.blue() - c.blue()) <
                 12;
        }
    return n;
}

} // namespace

class ButtonStylesTest : public QObject {
    Q_OBJECT

private slots:
    void everyStyleInEveryState();
};

void ButtonStylesTest::everyStyleInEveryState() {
    QWidget sheet;
    sheet.setAutoFillBackground(true);
    QPalette pal = sheet.palette();
    pal.setColor(QPalette::Window, QColor(0xa6, 0xca, 0xf0)); // the main window's sky blue
    sheet.setPalette(pal);
    auto* grid = new QGridLayout(&sheet);
    for (int s = 0; s < 4; ++s)
        grid->addWidget(new QLabel(kStateNames[s]), 0, s + 1, Qt::AlignCenter);

    TLbSpeedButton* buttons[6][4] = {};
    for (int row = 0; row < 6; ++row) {
        grid->addWidget(new QLabel(kStyles[row].name), row + 1, 0);
        for (int s = 0; s < 4; ++s) {
            buttons[row][s] = RaceLike(kStyles[row].style);
            grid->addWidget(buttons[row][s], row + 1, s + 1);
        }
    }
    // Glyph places, alignment, flat and transparent on a plain grey face.
    const TButtonLayout layouts[] = {blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom};
    for (int i = 0; i < 4; ++i) {
        auto* b = new TLbSpeedButton;
        b->setFixedSize(98, 56);
        b->setGlyph(ToolPicture("load"));
        b->setCaption(QStringLiteral("Öffnen"));
        b->setGlyphLayout(layouts[i]);
        b->setAlignment(i == 0 ? Qt::AlignLeft : i == 1 ? Qt::AlignRight : Qt::AlignCenter);
        b->setFlat(i == 2);
        b->setTransparent(i == 3);
        grid->addWidget(b, 7, i + 1);
    }
    grid->addWidget(new QLabel("layout"), 7, 0);

    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    for (auto& row : buttons)
        for (int s = 0; s < 4; ++s)
            Show(row[s], static_cast<Shown>(s));

    QString dir = qEnvironmentVariable("VK_SCREENSHOT_DIR");
    if (dir.isEmpty())
        dir = QDir::currentPath() + "/screenshots";
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(sheet.grab().save(dir + "/buttons.png"));

    QImage img[6][4];
    for (int row = 0; row < 6; ++row)
        for (int s = 0; s < 4; ++s)
            img[row][s] = buttons[row][s]->grab().toImage();

    const QColor grey = ToQColor(0x808080);
    for (int row = 0; row < 6; ++row) {
        const char* name = kStyles[row].name;
        if (kStyles[row].style == bsShape)
            continue;
        QVERIFY2(img[row][Hot] != img[row][Normal], name);
        QVERIFY2(img[row][Down] != img[row][Hot], name);
        // The disabled caption is grey; an enabled one never is.
        QVERIFY2(CountNear(img[row][Disabled], grey) > 20, name);
        QVERIFY2(CountNear(img[row][Normal], grey) < CountNear(img[row][Disabled], grey) / 4, name);
        // Held, the face is ColorWhenDown in the middle of the button.
        QVERIFY2(CountNear(img[row][Down], ToQColor(0x005000)) > 200, name);
    }
    // Each look is its own, at rest and under the mouse.
    for (int a = 0; a < 6; ++a)
        for (int b = a + 1; b < 6; ++b)
            for (int s : {Normal, Hot})
                QVERIFY2(img[a][s] != img[b][s],
                         qPrintable(QString("%1 = %2 (%3)")
                                        .arg(kStyles[a].name, kStyles[b].name, kStateNames[s])));
    // Encarta rests flat: the corner shows the face, where the raised button has its edge.
    const QColor face = ToQColor(0x008000);
    QCOMPARE(img[1][Normal].pixelColor(0, 0), face);
    QVERIFY(img[0][Normal].pixelColor(0, 0) != face);
}

} // namespace vk

QTEST_MAIN(vk::ButtonStylesTest)
#include "ButtonStylesTest.moc"
