#include "display/FMonitor2.h"

#include "display/FrTimer.h"
#include "display/QtColors.h"
#include "display/Udigit.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

namespace vk {

namespace {

constexpr Color kYellow = 0x00FFFF;
constexpr Color kDim = 0x404040;
constexpr Color kLime = 0x00FF00;
constexpr Color kRed = 0x0000FF;

QRect ToQRect(const BoundsRect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

BoundsRect FromQRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

int PixelSizeOf(const QFont& f) {
    return f.pixelSize() > 0 ? f.pixelSize() : qRound(f.pointSizeF() * 96 / 72);
}

void SetColors(QWidget* w, Color text, bool fillBlack) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, ToQColor(text));
    p.setColor(QPalette::Window, Qt::black);
    w->setPalette(p);
    w->setAutoFillBackground(fillBlack);
}

QLabel* Label(const char* name, const QString& text, Qt::Alignment align, Color color,
              QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setAlignment(align);
    SetColors(l, color, false);
    return l;
}

QWidget* Panel(const char* name, QWidget* parent) {
    auto* p = new QWidget(parent);
    p->setObjectName(name);
    SetColors(p, 0xFFFFFF, true);
    return p;
}

} // namespace

TFormMonitor2::TFormMonitor2(const QString& title, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("FormMonitor2");
    setWindowTitle(QStringLiteral("Monitor 2"));
    // The main window alone decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);
    setCursor(Qt::BlankCursor);
    SetColors(this, 0xFFFFFF, true);
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(19);
    setFont(f);

    Panel1 = Panel("Panel1", this);
    PanelTimer = Panel("PanelTimer", Panel1);
    PanelTitle =
        Label("PanelTitle", QStringLiteral("* * *"), Qt::AlignCenter, 0xFFFFFF, PanelTimer);
    PanelTitle->setAutoFillBackground(true);
    PanelTitle->setGeometry(0, 0, 366, 25);

    QFont sec(QStringLiteral("Times New Roman"));
    sec.setStyleHint(QFont::Serif);
    sec.setBold(true);
    sec.setPixelSize(64);
    const int left[6] = {8, 58, 108, 182, 232, 282};
    for (int lane = 0; lane < 2; ++lane) {
        const QString suffix = lane == 0 ? QString() : QStringLiteral("a");
        auto& digits = lane == 0 ? Digit : Digita;
        for (int i = 0; i < 6; ++i) {
            auto* d = new TDigit(PanelTimer);
            d->setObjectName(QStringLiteral("Digit%1").arg(i + 4) + suffix);
            d->setGeometry(left[i], 50 + lane * 130, 48, 89);
            d->setColorOn(i < 2 ? kDim : kYellow);
            d->setColorOff(0x000000);
            d->setColor(0x000000);
            d->setThickness(5);
            d->setSeparation(1);
            digits[static_cast<size_t>(i)] = d;
        }
        // Hanging from the top of its box, the comma sits on the digits' base line.
        QLabel* comma = Label(lane == 0 ? "LabSec" : "LabSec2", QStringLiteral(","),
                              Qt::AlignHCenter | Qt::AlignTop, kYellow, PanelTimer);
        comma->setFont(sec);
        comma->setGeometry(156, 70 + lane * 130, 26, 80);
        (lane == 0 ? LabSec : LabSec2) = comma;
    }
    // The strips come after the commas, so a tall comma never covers a start number.
    PanelLab1 = Panel("PanelLab1", PanelTimer);
    PanelLab2 = Panel("PanelLab2", PanelTimer);
    PanelLab1->setGeometry(0, 24, 366, 22);
    PanelLab2->setGeometry(0, 154, 366, 22);
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    const Qt::Alignment leftAlign = Qt::AlignLeft | Qt::AlignVCenter;
    LabStart1 = Label("LabStart1", QString(), leftAlign, kLime, PanelLab1);
    LabNext1 = Label("LabNext1", QString(), right, kRed, PanelLab1);
    LabStart2 = Label("LabStart2", QString(), leftAlign, kLime, PanelLab2);
    LabNext2 = Label("LabNext2", QString(), right, kRed, PanelLab2);
    labelTexts(1, 1, 3);
    labelTexts(2, 2, 4);

    setTitle(title);
    resize(366, 281);
    PlaceOnMonitor();
    // A TV that goes away must not leave a borderless always-on-top window over the
    // operator's screen, where Escape may not close it.
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this](QScreen* screen) {
        if (screen == placedOn_ && isVisible())
            close();
    });
}

void TFormMonitor2::setLaneFrames(TFrame1* lane1, TFrame1* lane2) {
    frames_[0] = lane1;
    frames_[1] = lane2;
}

void TFormMonitor2::setTitle(const QString& title) {
    PanelTitle->setText(title);
}

void TFormMonitor2::FormShow() {
    PlaceOnMonitor();
    ResetLabels();
}

void TFormMonitor2::PlaceOnMonitor() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (!screens.isEmpty()) {
        const int i = monitorIndex();
        QScreen* screen = screens.value(i >= 0 && i < screens.size() ? i : 0);
        setScreen(screen);
        setGeometry(screen->geometry());
        placedOn_ = screen;
    }
    LayoutDisplay();
}

LaneFrameGeometry TFormMonitor2::frameGeometry(int lane) const {
    const TFrame1* f = frames_[lane - 1];
    if (!f)
        return DesignLaneFrame();
    LaneFrameGeometry g;
    g.width = f->width();
    for (size_t i = 0; i < 6; ++i) {
        g.digits[i] = FromQRect(f->Digit[i]->geometry());
        g.thickness[i] = f->Digit[i]->thickness();
    }
    g.comma = FromQRect(f->LabSec->geometry());
    g.commaFontPoints = FontPointsFromPixels(PixelSizeOf(f->LabSec->font()));
    // The frame's text is that of its start-number labels.
    g.fontPoints = FontPointsFromPixels(PixelSizeOf(f->Label1->font()));
    return g;
}

void TFormMonitor2::LayoutDisplay() {
    // A hidden window gets its resize event only when shown; its size is current already.
    Panel1->setGeometry(rect());
    PanelTimer->setGeometry(Panel1->rect());
    const AudienceLayout l =
        vk::LayoutDisplay(width(), height(), frameGeometry(1), frameGeometry(2));
    ScaleFactor = l.scale;

    QFont labels = font();
    labels.setPixelSize(std::max(1, l.labelFontPixels));
    for (QWidget* w : {static_cast<QWidget*>(PanelTitle), PanelLab1, PanelLab2})
        w->setFont(labels);
    PanelTitle->setGeometry(ToQRect(l.title));

    for (size_t lane = 0; lane < 2; ++lane) {
        const AudienceLane& a = l.lanes[lane];
        auto& digits = lane == 0 ? Digit : Digita;
        // Bounds first: the thickness is tested against the new size.
        for (size_t i = 0; i < 6; ++i) {
            digits[i]->setGeometry(ToQRect(a.digits[i]));
            digits[i]->setThickness(a.thickness[i]);
        }
        QLabel* comma = lane == 0 ? LabSec : LabSec2;
        QFont cf = comma->font();
        cf.setPixelSize(std::max(1, a.commaFontPixels));
        comma->setFont(cf);
        comma->setGeometry(ToQRect(a.comma));

        QWidget* strip = lane == 0 ? PanelLab1 : PanelLab2;
        strip->setGeometry(ToQRect(a.labels));
        const int half = strip->width() / 2;
        (lane == 0 ? LabStart1 : LabStart2)->setGeometry(0, 0, half, strip->height());
        (lane == 0 ? LabNext1 : LabNext2)
            ->setGeometry(half, 0, strip->width() - half, strip->height());
    }
}

void TFormMonitor2::labelTexts(int lane, int start, int next) {
    (lane == 1 ? LabStart1 : LabStart2)->setText(QStringLiteral(" Start-Nr.:%1").arg(start));
    (lane == 1 ? LabNext1 : LabNext2)->setText(QStringLiteral("Bereit: %1 ").arg(next));
}

void TFormMonitor2::ResetLabels() {
    for (int lane = 1; lane <= 2; ++lane) {
        TFrame1* f = frames_[lane - 1];
        if (f)
            labelTexts(lane, f->lane().startNumber(), f->lane().nextNumber());
    }
}

void TFormMonitor2::mirror(int lane, const std::array<int, 6>& digits, Color colorOn4,
                           Color colorOn5) {
    auto& d = lane == 1 ? Digit : Digita;
    d[0]->setColorOn(colorOn4);
    d[1]->setColorOn(colorOn5);
    for (size_t i = 0; i < 6; ++i)
        d[i]->setValue(digits[i]);
}

void TFormMonitor2::showEvent(QShowEvent* event) {
    FormShow();
    QWidget::showEvent(event);
    emit shown();
}

void TFormMonitor2::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit closed();
}

void TFormMonitor2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutDisplay();
}

void TFormMonitor2::keyPressEvent(QKeyEvent* event) {
    // On the operator's own screen the window covers everything, so Escape closes it there;
    // on a TV it must not vanish by a stray key.
    if (event->key() == Qt::Key_Escape && monitorIndex() == 0)
        close();
    else
        QWidget::keyPressEvent(event);
}

} // namespace vk
