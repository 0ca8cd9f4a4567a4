#include "display/Udigit.h"

#include "display/QtColors.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QRegion>

namespace vk {

TDigit::TDigit(QWidget* parent) : QWidget(parent) {
    // Every paint covers the whole area, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(16, 32);
    syncSize();
    model_.onRepaint = [this] { requestRepaint(); };
    model_.onOverflow = [this] { emit overflow(); };
    requested_ = look();
}

TDigit::Look TDigit::look() const {
    return {model_.valueBinary(), model_.colorOn(),    model_.colorOff(), model_.color(),
            model_.thickness(),   model_.separation(), width(),           height()};
}

void TDigit::requestRepaint() {
    syncSize();
    const Look now = look();
    Look sameBits = requested_;
    sameBits.bits = now.bits;
    const unsigned changed = now.bits ^ requested_.bits;
    requested_ = now;
    if (!(sameBits == now)) {
        pendingSegments_ = 0;
        pendingArea_ = QRect();
        update();
        return;
    }
    if (!changed)
        return; // nothing looks different
    // Qt drops the updates of a hidden digit and paints it whole when it is shown; the bars
    // that changed meanwhile say nothing about what the screen holds then.
    if (!isVisible()) {
        pendingSegments_ = 0;
        pendingArea_ = QRect();
        return;
    }
    // A running clock changes a few bars of one or two digits at a time; on a big screen a
    // whole digit is hundreds of thousands of pixels.
    const auto polygons = model_.polygons();
    QRect dirty;
    for (int i = 0; i < kDigitSegmentCount; ++i)
        if ((changed >> i) & 1u)
            for (const DigitPoint& pt : polygons[static_cast<size_t>(i)])
                dirty |= QRect(pt.x, pt.y, 1, 1);
    // The margin covers the outline and the device-pixel rounding of scaled screens.
    dirty.adjust(-2, -2, 2, 2);
    pendingSegments_ |= changed;
    pendingArea_ |= dirty;
    update(dirty);
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

std::array<DigitPolygon, kDigitSegmentCount> TDigit::devicePolygons(qreal& scale) const {
    // On scaled and big screens the bars are computed in device pixels, so edges, gaps and
    // outlines take the screen's own resolution instead of a blown-up logical grid.
    const qreal dpr = devicePixelRatioF();
    scale = 1 / dpr;
    if (dpr == 1.0)
        return model_.polygons();
    return DigitPolygons(qRound(width() * dpr), qRound(height() * dpr),
                         qRound(model_.thickness() * dpr), qRound(model_.separation() * dpr));
}

void TDigit::paintEvent(QPaintEvent* event) {
    syncSize();
    QPainter p(this);
    const QColor background = ToQColor(model_.color(), palette());
    const QColor on = ToQColor(model_.colorOn(), palette());
    const QColor off = ToQColor(model_.colorOff(), palette());
    const QRegion region = event->region();
    // Segments never overlap and each is drawn whole with its outline, so when only the
    // changed segments' area is to be painted, drawing those segments is enough: the rest
    // of the backing store already shows the digit.
    // A paint of the whole digit (its first showing, an expose, a grab) lands on pixels of
    // unknown content and always draws everything.
    unsigned only = 0;
    if (pendingSegments_ && region.boundingRect() != rect() &&
        pendingArea_.contains(region.boundingRect()))
        only = pendingSegments_;
    pendingSegments_ = 0;
    pendingArea_ = QRect();
    if (!only)
        for (const QRect& r : region)
            p.fillRect(r, background);
    QPen pen(background);
    pen.setWidth(0);
    p.setPen(pen);

    qreal scale = 1;
    const auto polygons = devicePolygons(scale);
    if (scale != 1)
        p.scale(scale, scale);
    QPolygon poly;
    for (int i = 0; i < kDigitSegmentCount; ++i) {
        if (only && !((only >> i) & 1u))
            continue;
        const auto& points = polygons[static_cast<size_t>(i)];
        poly.resize(static_cast<int>(points.size()));
        for (size_t k = 0; k < points.size(); ++k)
            poly.setPoint(static_cast<int>(k), points[k].x, points[k].y);
        const QRectF bounds(QRectF(poly.boundingRect()).adjusted(-1, -1, 1, 1));
        if (!region.intersects(
                QRectF(bounds.topLeft() * scale, bounds.size() * scale).toAlignedRect()))
            continue;
        p.setBrush(model_.segmentLit(i) ? on : off);
        p.drawPolygon(poly);
    }
}

} // namespace vk
