#include "display/FrTimer.h"

#include "display/QtColors.h"
#include "display/Udigit.h"

#include <QLabel>
#include <QSpinBox>

namespace vk {

namespace {
constexpr int kDigitTop = 43;
constexpr int kDigitLeft[6] = {8, 58, 108, 182, 232, 282};

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
    setFixedSize(353, 143);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);

    QFont labelFont(QStringLiteral("Arial"));
    labelFont.setBold(true);
    labelFont.setPixelSize(19);

    Panel6 = new QWidget(this);
    Panel6->setObjectName("Panel6");
    Panel6->setGeometry(0, 0, 353, 36);
    Label1 = new QLabel(QStringLiteral("Start-Nr.:"), Panel6);
    Label1->setObjectName("Label1");
    Label1->setFont(labelFont);
    Label1->setStyleSheet(QStringLiteral("color: #00ff00;"));
    Label1->setGeometry(6, 4, 100, 28);
    editStartN1 = numberEdit(Panel6, "editStartN1", "#00ff00");
    editStartN1->setFont(labelFont);
    editStartN1->move(104, 4);
    Label2 = new QLabel(QStringLiteral("Bereit:"), Panel6);
    Label2->setObjectName("Label2");
    Label2->setFont(labelFont);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2->setStyleSheet(QStringLiteral("color: #ff0000;"));
    Label2->setGeometry(180, 4, 92, 28);
    editStartN2 = numberEdit(Panel6, "editStartN2", "#ff0000");
    editStartN2->setFont(labelFont);
    editStartN2->move(277, 4);

    for (int i = 0; i < 6; ++i) {
        auto* d = new TDigit(this);
        d->setObjectName(QStringLiteral("Digit%1").arg(i + 4));
        d->setGeometry(kDigitLeft[i], kDigitTop, 48, 89);
        d->setColor(0x000000);
        d->setColorOff(0x000000);
        d->setThickness(5);
        d->setSeparation(1);
        Digit[static_cast<size_t>(i)] = d;
    }
    LabSec = new QLabel(QStringLiteral(","), this);
    LabSec->setObjectName("LabSec");
    QFont secFont(QStringLiteral("Times New Roman"));
    secFont.setStyleHint(QFont::Serif);
    secFont.setBold(true);
    secFont.setPixelSize(64);
    LabSec->setFont(secFont);
    LabSec->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    LabSec->setAttribute(Qt::WA_TranslucentBackground);
    LabSec->setGeometry(156, kDigitTop + 20, 26, 80);

    LabWarning = new QLabel(this);
    LabWarning->setObjectName("LabWarning");
    LabWarning->setAlignment(Qt::AlignCenter);
    LabWarning->setFont(labelFont);
    LabWarning->setStyleSheet(QStringLiteral("color: white; background: #c00000;"));
    LabWarning->setGeometry(0, kDigitTop + 30, 353, 30);
    LabWarning->hide();

    lane_.onDisplayChanged = [this] { renderDigits(); };
    lane_.onNumbersChanged = [this] { renderNumbers(); };
    connect(editStartN1, &QSpinBox::valueChanged, this, [this](int v) { lane_.setStartNumber(v); });
    connect(editStartN2, &QSpinBox::valueChanged, this, [this](int v) { lane_.setNextNumber(v); });
    render();
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
