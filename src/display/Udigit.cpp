#include "display/Udigit.h"

#include "display/QtColors.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>

namespace vk {

TDigit::TDigit(QWidget* parent) : QWidget(parent) {
    // Every paint covers the whole area, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(16, 32);
    syncSize();
    model_.onRepaint = [this] { update(); };
    model_.onOverflow = [this] { emit overflow(); };
}

void TDigit::syncSize() {
    model_.setSize(width(), height());
}

void TDigit::setValue(int v) {
    model_.setValue(v);
}
void TDigit::setValueBinary(uint8_t b) {
    model_.setValueBinary(b);
}
void TDigit::setColorOn(Color c) {
    model_.setColorOn(c);
}
void TDigit::setColorOff(Color c) {
    model_.setColorOff(c);
}
void TDigit::setColor(Color c) {
    model_.setColor(c);
}

void TDigit::setThickness(int t) {
    // resize() of a hidden widget sends its resize event only when shown; the geometry
    // itself is current already.
    syncSize();
    model_.setThickness(t);
}

void TDigit::setSeparation(int s) {
    model_.setSeparation(s);
}
void TDigit::setBorderStyle(TBorderStyle b) {
    model_.setBorderStyle(b);
}

void TDigit::resizeEvent(QResizeEvent* event) {
    syncSize();
    QWidget::resizeEvent(event);
}

void TDigit::paintEvent(QPaintEvent* event) {
    syncSize();
    QPainter p(this);
    const QColor background = ToQColor(model_.color(), palette());
    const QColor on = ToQColor(model_.colorOn(), palette());
    const QColor off = ToQColor(model_.colorOff(), palette());
    p.fillRect(event->rect(), background);
    QPen pen(background);
    pen.setWidth(0);
    p.setPen(pen);

    // On scaled and big screens the bars are computed in device pixels, so edges, gaps and
    // outlines take the screen's own resolution instead of a blown-up logical grid.
    const qreal dpr = devicePixelRatioF();
    std::array<DigitPolygon, kDigitSegmentCount> polygons;
    if (dpr == 1.0) {
        polygons = model_.polygons();
    } else {
        polygons =
            DigitPolygons(qRound(width() * dpr), qRound(height() * dpr),
                          qRound(model_.thickness() * dpr), qRound(model_.separation() * dpr));
        p.scale(1 / dpr, 1 / dpr);
    }
    QPolygon poly;
    for (int i = 0; i < kDigitSegmentCount; ++i) {
        const auto& points = polygons[static_cast<size_t>(i)];
        poly.resize(static_cast<int>(points.size()));
        for (size_t k = 0; k < points.size(); ++k)
            poly.setPoint(static_cast<int>(k), points[k].x, points[k].y);
        p.setBrush(model_.segmentLit(i) ? on : off);
        p.drawPolygon(poly);
    }
}

} // namespace vk
