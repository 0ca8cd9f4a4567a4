#include "app/RaceArea.h"

#include "app/FMain.h"
#include "app/MainLayout.h"
#include "display/Dmn_led.h"
#include "display/FrTimer.h"
#include "display/LbSpeedButton.h"
#include "display/Pictures.h"
#include "protocol/ProtocolPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace vk {

namespace {

QFont arialBold(int px) {
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(px);
    return f;
}

// The race buttons: bold 19-pixel captions, a 21-pixel hot-track caption.
TLbSpeedButton* raceButton(QWidget* parent, const char* name, const QString& caption,
                           const QString& hint, int tag, Color face, Color fontColor,
                           Color hotColor) {
    auto* b = new TLbSpeedButton(parent);
    b->setObjectName(name);
    b->setButtonStyle(bsModern);
    b->setCaption(caption);
    b->setToolTip(hint);
    b->setTag(tag);
    b->setFont(arialBold(19));
    b->setFontColor(fontColor);
    b->setColor(face);
    b->setHotTrackFont(arialBold(21));
    b->setHotTrackFontColor(hotColor);
    b->setUseHotTrackFont(true);
    b->setSlowDecease(false);
    return b;
}

TImage* image(QWidget* parent, const char* name, const QString& hint, QSize size) {
    auto* l = new TImage(parent);
    l->setObjectName(name);
    l->setToolTip(hint);
    l->resize(size);
    return l;
}

void buildButtons(TFormMain& w) {
    constexpr Color navy = 0x800000, olive = 0x008080, red = 0x0000FF, grey = 0x808080,
                    green = 0x008000, white = 0xFFFFFF, yellow = 0x00FFFF;
    QWidget* area = w.PanelLeft;
    w.bAvaria1 = raceButton(area, "bAvaria1", "UNFALL", "F7", 0, navy, white, yellow);
    w.bFehlStart1 = raceButton(area, "bFehlStart1", "Fehlstart", "F6", 1, olive, red, red);
    w.bSTOP1 = raceButton(area, "bSTOP1", "STOPP 1", "F8", 1, red, white, yellow);
    w.bRESET = raceButton(area, "bRESET", "0,000", "F7", 0, grey, white, yellow);
    w.bSTOP2 = raceButton(area, "bSTOP2", "STOPP 2", "F9", 2, red, white, yellow);
    w.bFehlStart2 = raceButton(area, "bFehlStart2", "Fehlstart", "Strg+F6", 2, olive, red, red);
    w.bAvaria2 = raceButton(area, "bAvaria2", "UNFALL", "F7", 0, navy, white, yellow);
    w.bSTART = raceButton(area, "bSTART", "START", "F5", 0, green, white, yellow);
    // The false-start buttons stay disabled: being shown is the false-start indication. The
    // accident buttons start disabled; their binder enables them.
    for (auto* b : {w.bAvaria1, w.bAvaria2, w.bFehlStart1, w.bFehlStart2})
        b->setEnabled(false);

    RaceControl& rc = w.race();
    QObject::connect(w.bSTART, &TLbSpeedButton::mouseDown, &w, [&rc] { rc.bSTARTMouseDown(); });
    for (TLbSpeedButton* b : {w.bSTOP1, w.bSTOP2})
        QObject::connect(b, &TLbSpeedButton::mouseDown, &w,
                         [&rc, tag = b->tag()] { rc.bSTOPMouseDown(tag); });
    for (TLbSpeedButton* b : {w.bFehlStart1, w.bFehlStart2})
        QObject::connect(b, &TLbSpeedButton::clicked, &w,
                         [&rc, tag = b->tag()] { rc.bFehlStartClick(tag); });
    QObject::connect(w.bRESET, &TLbSpeedButton::clicked, &w, [&rc] { rc.mResetClick(); });
}

void buildPictures(TFormMain& w) {
    QWidget* area = w.PanelLeft;
    RaceControl& rc = w.race();
    w.ImageAmpel = image(area, "ImageAmpel", QString(), {64, 64});
    w.ImageLSstart = image(area, "ImageLSstart", "Blockieren LS START (F10)", {22, 22});
    w.ImageLSstop1 = image(area, "ImageLSstop1", "Blockieren LS STOPP1 (F11)", {22, 22});
    w.ImageLSstop2 = image(area, "ImageLSstop2", "Blockieren LS STOPP2 (F12)", {22, 22});
    const int inputs[3] = {kLockStart, kLockLane1, kLockLane2};
    TImage* icons[3] = {w.ImageLSstart, w.ImageLSstop1, w.ImageLSstop2};
    for (int i = 0; i < 3; ++i) {
        icons[i]->setProperty("tag", inputs[i]);
        icons[i]->setCursor(Qt::PointingHandCursor);
        icons[i]->onClick = [&rc, input = inputs[i]] { rc.ImageLSClick(input); };
        icons[i]->hide();
    }

    w.ImageTVAus = image(area, "ImageTVAus", "Strg+M", {90, 20});
    w.ImageTVEin = image(area, "ImageTVEin", "Strg+M", {90, 20});
    w.ImageTVAus->setPicture([](QSize, qreal dpr) { return TvOffPicture(dpr); });
    w.ImageTVEin->setPicture([](QSize, qreal dpr) { return TvOnPicture(dpr); });
    for (TImage* tv : {w.ImageTVAus, w.ImageTVEin}) {
        tv->setCursor(Qt::PointingHandCursor);
        tv->hide();
    }
    w.ImageTVAus->onClick = [&w] { w.ImageTVAusClick(); };
    w.ImageTVEin->onClick = [&w] { w.ImageTVEinClick(); };
}

void buildProtocolToolBar(TFormMain& w) {
    QWidget* bar = w.protocolPanel().toolBar();
    bar->setParent(w.PanelLeft);
    bar->show();
    // Two-state pictures: the disabled look is drawn from the picture.
    const char* pictures[][2] = {{"sbLoad", "load"}, {"sbSave", "save"},     {"sbExcel", "excel"},
                                 {"sbInet", "inet"}, {"sbNextKrug", "next"}, {"sbPrint", "print"},
                                 {"sbCLS", "clear"}};
    for (const auto& [button, picture] : pictures)
        if (QToolButton* b = w.protocolPanel().button(QString::fromLatin1(button))) {
            b->setIcon(ToolIcon(QString::fromLatin1(picture)));
            b->setIconSize({32, 32});
        }
}

void buildImitationPanel(TFormMain& w) {
    auto* panel = new QFrame(w.PanelLeft);
    w.PanelImit = panel;
    panel->setObjectName("PanelImit");
    panel->setToolTip(QStringLiteral("Lichtschranken Imitation"));
    // Lowered bevel on the active-caption colour.
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, QColor(0x00, 0x54, 0xe3));
    pal.setColor(QPalette::WindowText, Qt::white);
    panel->setPalette(pal);
    auto* caption = new QLabel(QStringLiteral("LS IMIT"), panel);
    caption->setObjectName("LabelImit");
    caption->setFont(arialBold(24));
    caption->adjustSize();
    caption->move(56, 6);

    RaceControl& rc = w.race();
    auto button = [&](const char* name, const QString& text, const QString& hint, int tag,
                      QRect r) {
        auto* b = new QPushButton(text, panel);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setProperty("tag", tag);
        b->setGeometry(r);
        b->setFocusPolicy(Qt::NoFocus);
        QObject::connect(b, &QPushButton::pressed, &w, [&rc, tag] { rc.bImit1Click(tag); });
        return b;
    };
    w.bImit1 = button("bImit1", "7+8", "Ampel-Kontakt-Start", 1, {5, 4, 48, 33});
    w.bImit2 = button("bImit2", "1+4 (L)", "1.Reakt/Zwisch/TopSpeed/Stopp", 2, {170, 4, 75, 33});
    w.bImit3 = button("bImit3", "4+6 (R)", "2.Reakt/Zwisch/TopSpeed/Stopp", 3, {269, 5, 75, 33});

    const int ledX[9] = {21, 168, 188, 208, 228, 266, 286, 306, 326};
    const char* hints[9] = {"Ampel-Kontakt-Start", "Reaktion-LS1",  "LS-Zwischzeit 1",
                            "TopSpeed-LS 1",       "Stopp-LS 1",    "Reaktion-LS2",
                            "LS-Zwischzeit 2",     "TopSpeed-LS 2", "Stopp-LS 2"};
    for (int i = 0; i < 9; ++i) {
        auto* led = new TLed(panel);
        led->setObjectName(QStringLiteral("Led%1").arg(i));
        led->setKind(lkGreen);
        led->setShape(lsCircle);
        led->setToolTip(QString::fromUtf8(hints[i]));
        led->setGeometry(ledX[i], 41, 16, 16);
        w.Led[static_cast<size_t>(i)] = led;
    }
}

} // namespace

void BuildRaceArea(TFormMain& w) {
    w.PanelLeft = new QWidget(&w);
    w.PanelLeft->setObjectName("PanelLeft");
    w.PanelLeft->setFixedHeight(kRaceAreaDesignHeight);
    w.PanelLeft->setFont(arialBold(19));

    RaceControl& rc = w.race();
    w.FrameT1 = new TFrame1(rc.FrameT1, w.PanelLeft);
    w.FrameT2 = new TFrame1(rc.FrameT2, w.PanelLeft);
    buildButtons(w);
    buildPictures(w);
    buildProtocolToolBar(w);

    w.cbKlass = new QComboBox(w.PanelLeft);
    w.cbKlass->setObjectName("cbKlass");
    for (const auto& k : w.protocol().classList)
        w.cbKlass->addItem(QString::fromStdString(k));

    // Below the visible height of the race area: the operator never sees it.
    w.cbAutomatisch = new QCheckBox(w.PanelLeft);
    w.cbAutomatisch->setObjectName("cbAutomatisch");
    w.cbAutomatisch->setToolTip(QStringLiteral("Automatische Umschaltung in 5 Sekunden"));
    QObject::connect(w.cbAutomatisch, &QCheckBox::toggled, &w,
                     [&rc](bool on) { rc.cbAutomatisch = on; });

    buildImitationPanel(w);
}

void PlaceRaceArea(TFormMain& w) {
    const int areaWidth = w.PanelLeft->width();
    // Above the design size the frames grow with the window; the buttons keep their size.
    const double k = RaceAreaScale(w.width(), w.height());
    w.PanelLeft->setFixedHeight(RaceAreaHeight(k));
    w.FrameT1->setScale(k);
    w.FrameT2->setScale(k);
    for (const Placement& p : RaceAreaPlacements()) {
        QWidget* widget = p.name == "Panel4"
                              ? w.protocolPanel().toolBar()
                              : w.PanelLeft->findChild<QWidget*>(QString::fromStdString(p.name),
                                                                 Qt::FindDirectChildrenOnly);
        if (!widget)
            continue;
        const Rect r = PlaceInRaceArea(p, areaWidth, k);
        widget->setGeometry(r.left, r.top, r.width, r.height);
    }
}

} // namespace vk
