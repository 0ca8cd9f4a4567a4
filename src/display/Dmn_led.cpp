#include "display/Dmn_led.h"

#include "display/QtColors.h"

#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace vk {

TLed::TLed(QWidget* parent) : QWidget(parent) {
    resize(kLedSize, kLedSize);
    model_.onRepaint = [this] { update(); };
    model_.onChange = [this] { emit changed(); };
}

void TLed::setValue(bool v) {
    model_.setValue(v);
}
void TLed::setKind(TLedKind k) {
    model_.setKind(k);
}
void TLed::setShape(TLedShape s) {
    model_.setShape(s);
}

void TLed::setLabelLinked(QLabel* label) {
    if (label == label_)
        return;
    disconnect(labelGone_);
    label_ = label;
    if (label) {
        // A label that goes away must not be written to later.
        labelGone_ = connect(label, &QObject::destroyed, this, [this] {
            label_ = nullptr;
            model_.setLabelLinked(nullptr, {});
        });
    }
    model_.setLabelLinked(label, [this](const std::string& text) {
        if (label_)
            label_->setText(QString::fromStdString(text));
    });
}

QString TLed::labelOnText() const {
    return QString::fromStdString(model_.labelOnText());
}
void TLed::setLabelOnText(const QString& t) {
    model_.setLabelOnText(t.toStdString());
}
QString TLed::labelOffText() const {
    return QString::fromStdString(model_.labelOffText());
}
void TLed::setLabelOffText(const QString& t) {
    model_.setLabelOffText(t.toStdString());
}

void TLed::paintEvent(QPaintEvent*) {
    QImage lamp(kLedSize, kLedSize, QImage::Format_ARGB32);
    lamp.fill(Qt::transparent);
    for (int y = 0; y < kLedSize; ++y) {
        for (int x = 0; x < kLedSize; ++x) {
            const int code = LedPixelCode(model_.shape(), model_.value(), x, y);
            if (code != 0)
                lamp.setPixelColor(x, y, ToQColor(LedPaletteColor(model_.kind(), code)));
        }
    }
    QPainter p(this);
    p.drawImage(0, 0, lamp);
}

void TLed::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
    QWidget::mousePressEvent(event);
}

void TLed::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        pressed_ = false;
    QWidget::mouseReleaseEvent(event);
    if (click)
        emit clicked();
}

} // namespace vk
