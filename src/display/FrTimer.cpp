#include "display/FrTimer.h"

#include "display/MonitorLayout.h"
#include "display/QtColors.h"
#include "display/Udigit.h"

#include <QLabel>
#include <QSpinBox>

namespace vk {

namespace {

QSpinBox* numberEdit(QWidget* parent, const char* name, const char* textColor) {
    auto* e = new QSpinBox(parent);
    e->setObjectName(name);
    e->setRange(1, 9999);
    e->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    e->setAlignment(Qt::AlignRight);
    // A palette, not a style sheet: a style sheet gives the box a new palette at every
    // enable and disable (each race), and the style caches a new picture of the box for every
    // palette, so memory grew with each heat.
    QPalette pal = e->palette();
    pal.setColor(QPalette::Text, QColor(QLatin1String(textColor)));
    pal.setColor(QPalette::Base, QColor(0x40, 0x40, 0x40));
    pal.setColor(QPalette::Button, QColor(0x40, 0x40, 0x40));
    pal.setColor(QPalette::ButtonText, QColor(0xc0, 0xc0, 0xc0));
    e->setPalette(pal);
    e->setFixedSize(70, 28);
    return e;
}
} // namespace

TFrame1::TFrame1(LaneTimer& lane, QWidget* parent) : QFrame(parent), lane_(lane) {
    setObjectName(lane.lane() == 1 ? "FrameT1" : "FrameT2");
    setProperty("tag", lane.lane());
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);

    QFont labelFont(QStringLiteral("Arial"));
    labelFont.setBold(true);
    labelFont.setPixelSize(19);

    Panel6 = new QWidget(this);
    Panel6->setObjectName("Panel6");
    Label1 = new QLabel(QStringLiteral("Start-Nr.:"), Panel6);
    Label1->setObjectName("Label1");
    Label1->setFont(labelFont);
    Label1->setStyleSheet(QStringLiteral("color: #00ff00;"));
    editStartN1 = numberEdit(Panel6, "editStartN1", "#00ff00");
    Label2 = new QLabel(QStringLiteral("Bereit:"), Panel6);
    Label2->setObjectName("Label2");
    Label2->setFont(labelFont);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2->setStyleSheet(QStringLiteral("color: #ff0000;"));
    editStartN2 = numberEdit(Panel6, "editStartN2", "#ff0000");
    editStartN1->setFont(labelFont);
    editStartN2->setFont(labelFont);

    for (int i = 0; i < 6; ++i) {
        auto* d = new TDigit(this);
        d->setObjectName(QStringLiteral("Digit%1").arg(i + 4));
        d->setColor(0x000000);
        d->setColorOff(0x000000);
        d->setSeparation(1);
        Digit[static_cast<size_t>(i)] = d;
    }
    LabSec = new QLabel(QStringLiteral(","), this);
    LabSec->setObjectName("LabSec");
    QFont secFont(QStringLiteral("Times New Roman"));
    secFont.setStyleHint(QFont::Serif);
    secFont.setBold(true);
    LabSec->setFont(secFont);
    LabSec->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    LabSec->setAttribute(Qt::WA_TranslucentBackground);
    LabWarning = new QLabel(this);
    LabWarning->setObjectName("LabWarning");
    LabWarning->setAlignment(Qt::AlignCenter);
    LabWarning->setFont(labelFont);
    LabWarning->setStyleSheet(QStringLiteral("color: white; background: #c00000;"));
    LabWarning->hide();
    setScale(1);

    lane_.onDisplayChanged = [this] { renderDigits(); };
    lane_.onNumbersChanged = [this] { renderNumbers(); };
    connect(editStartN1, &QSpinBox::valueChanged, this, [this](int v) { lane_.setStartNumber(v); });
    connect(editStartN2, &QSpinBox::valueChanged, this, [this](int v) { lane_.setNextNumber(v); });
    render();
}

void TFrame1::setScale(double k) {
    if (k == scale_)
        return;
    scale_ = k;
    const LaneFrameLayout l = ScaleLaneFrame(k);
    const auto place = [](QWidget* w, const BoundsRect& r) {
        w->setGeometry(r.left, r.top, r.width(), r.height());
    };
    const auto fontOf = [](QWidget* w, int pixels) {
        QFont f = w->font();
        f.setPixelSize(pixels);
        w->setFont(f);
    };
    setFixedSize(l.width, l.height);
    place(Panel6, l.panel6);
    place(Label1, l.label1);
    place(Label2, l.label2);
    for (QSpinBox* e : {editStartN1, editStartN2}) {
        const BoundsRect& r = e == editStartN1 ? l.edit1 : l.edit2;
        e->setFixedSize(r.width(), r.height());
        e->move(r.left, r.top);
    }
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2),
                       static_cast<QWidget*>(editStartN1), static_cast<QWidget*>(editStartN2)})
        fontOf(w, l.labelFontPixels);
    for (size_t i = 0; i < 6; ++i) {
        // The size first: the thickness is tested against it.
        place(Digit[i], l.digits[i]);
        Digit[i]->setThickness(l.thickness);
    }
    place(LabSec, l.comma);
    fontOf(LabSec, l.commaFontPixels);
    // A bar across the digits, 30 px below their top at the design size.
    const int bar = static_cast<int>(30 * k);
    LabWarning->setGeometry(0, l.digits[0].top + bar, l.width, bar);
    fontOf(LabWarning, l.labelFontPixels);
}

void TFrame1::render() {
    renderDigits();
    renderNumbers();
}

void TFrame1::renderDigits() {
    for (int i = 0; i < 6; ++i) {
        TDigit* d = Digit[static_cast<size_t>(i)];
        d->setColorOn(lane_.digitColorOn(i));
        d->setValue(lane_.digits()[static_cast<size_t>(i)]);
    }
    if (lane_.labSecColor() != labSecShown_) {
        labSecShown_ = lane_.labSecColor();
        LabSec->setStyleSheet(QStringLiteral("color: %1; background: transparent;")
                                  .arg(ToQColor(labSecShown_).name()));
    }
}

void TFrame1::setWarning(const QString& text) {
    if (text == LabWarning->text() && LabWarning->isVisible() == !text.isEmpty())
        return;
    LabWarning->setText(text);
    LabWarning->setVisible(!text.isEmpty());
}

void TFrame1::renderNumbers() {
    const QSignalBlocker b1(editStartN1), b2(editStartN2);
    editStartN1->setValue(lane_.startNumber());
    editStartN2->setValue(lane_.nextNumber());
    editStartN1->setEnabled(lane_.startNumberEditable());
}

} // namespace vk
