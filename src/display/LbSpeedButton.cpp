#include "display/LbSpeedButton.h"

#include "display/QtColors.h"

#include <QEnterEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace vk {

namespace {

constexpr Color kDisabledCaption = 0x808080;

QColor Mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QPixmap Greyed(const QPixmap& source) {
    QImage img = source.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int g = 128 + qGray(line[x]) / 2;
            line[x] = qRgba(g, g, g, qAlpha(line[x]));
        }
    }
    return QPixmap::fromImage(img);
}

} // namespace

TLbSpeedButton::TLbSpeedButton(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    hotTrackFont_ = font();
}

void TLbSpeedButton::setButtonStyle(TLbButtonStyle s) {
    if (s == style_)
        return;
    style_ = s;
    update();
}

void TLbSpeedButton::setColor(Color c) {
    color_ = c;
    update();
}
void TLbSpeedButton::setColorWhenDown(Color c) {
    colorWhenDown_ = c;
    update();
}
void TLbSpeedButton::setHotTrackColor(Color c) {
    hotTrackColor_ = c;
    update();
}
void TLbSpeedButton::setLightColor(Color c) {
    lightColor_ = c;
    update();
}
void TLbSpeedButton::setShadowColor(Color c) {
    shadowColor_ = c;
    update();
}
void TLbSpeedButton::setCaption(const QString& text) {
    if (text == caption_)
        return;
    caption_ = text;
    updateGeometry();
    update();
}
void TLbSpeedButton::setFontColor(Color c) {
    fontColor_ = c;
    update();
}
void TLbSpeedButton::setHotTrackFont(const QFont& f) {
    hotTrackFont_ = f;
    update();
}
void TLbSpeedButton::setHotTrackFontColor(Color c) {
    hotTrackFontColor_ = c;
    update();
}
void TLbSpeedButton::setUseHotTrackFont(bool on) {
    useHotTrackFont_ = on;
    update();
}
void TLbSpeedButton::setGlyph(const QPixmap& p) {
    glyph_ = p;
    updateGeometry();
    update();
}
void TLbSpeedButton::setNumGlyphs(int n) {
    numGlyphs_ = std::clamp(n, 1, 4);
    updateGeometry();
    update();
}
void TLbSpeedButton::setGlyphLayout(TButtonLayout l) {
    layout_ = l;
    update();
}
void TLbSpeedButton::setAlignment(Qt::Alignment a) {
    alignment_ = a;
    update();
}
void TLbSpeedButton::setFlat(bool on) {
    flat_ = on;
    update();
}
void TLbSpeedButton::setTransparent(bool on) {
    transparent_ = on;
    update();
}

QColor TLbSpeedButton::currentFaceColor() const {
    Color c = color_;
    if (down_ && colorWhenDown_ != clNone)
        c = colorWhenDown_;
    else if (hot_ && isEnabled() && hotTrackColor_ != clNone)
        c = hotTrackColor_;
    return ToQColor(c, palette());
}

QPixmap TLbSpeedButton::glyphForState() const {
    if (glyph_.isNull())
        return {};
    const int w = glyph_.width() / numGlyphs_;
    if (w <= 0)
        return {};
    int index = 0;
    if (!isEnabled())
        index = 1;
    else if (down_)
        index = 2;
    else if (hot_)
        index = 3;
    const bool present = index < numGlyphs_;
    const QPixmap picture = glyph_.copy((present ? index : 0) * w, 0, w, glyph_.height());
    if (!isEnabled() && !present)
        return Greyed(picture);
    return picture;
}

QSize TLbSpeedButton::sizeHint() const {
    const QFontMetrics fm(font());
    QSize text = caption_.isEmpty() ? QSize() : fm.size(Qt::TextSingleLine, caption_);
    const QPixmap g = glyphForState();
    const int w = text.width() + (g.isNull() ? 0 : g.width() + 4) + 12;
    const int h = std::max(text.height(), g.isNull() ? 0 : g.height()) + 10;
    return {w, h};
}

void TLbSpeedButton::paintFace(QPainter& p, const QRect& r) {
    const QColor face = currentFaceColor();
    QColor light = ToQColor(lightColor_, palette());
    QColor shadow = ToQColor(shadowColor_, palette());
    if (!light.isValid())
        light = palette().color(QPalette::Light);
    if (!shadow.isValid())
        shadow = palette().color(QPalette::Dark);

    if (style_ == bsShape)
        return;

    if (style_ == bsModern) {
        const QRectF box = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
        const double radius = std::min(6.0, std::min(box.width(), box.height()) / 4);
        QPainterPath path;
        path.addRoundedRect(box, radius, radius);
        p.setRenderHint(QPainter::Antialiasing, true);
        if (!transparent_ && face.isValid()) {
            // Light at the top and bottom edges, the face colour across the middle; a held
            // button shades the other way round.
            QLinearGradient g(box.topLeft(), box.bottomLeft());
            const QColor edge = down_ ? Mix(face, shadow, 0.35) : light;
            const QColor far = down_ ? Mix(face, light, 0.4) : Mix(light, face, 0.5);
            g.setColorAt(0.0, edge);
            g.setColorAt(0.4, face);
            g.setColorAt(0.7, face);
            g.setColorAt(1.0, far);
            p.fillPath(path, g);
        }
        QPen pen(shadow);
        pen.setWidthF(down_ ? 2.0 : 1.0);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.setRenderHint(QPainter::Antialiasing, false);
        return;
    }

    // The plain raised button of the other styles.
    if (!transparent_ && face.isValid())
        p.fillRect(r, face);
    if (flat_ && !hot_ && !down_)
        return;
    const QColor topLeft = down_ ? shadow : light;
    const QColor bottomRight = down_ ? light : shadow;
    p.setPen(topLeft);
    p.drawLine(r.left(), r.top(), r.right() - 1, r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
    p.setPen(bottomRight);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    if (!flat_ && !down_) {
        p.setPen(Qt::black);
        p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        p.drawLine(r.right(), r.top(), r.right(), r.bottom());
        p.setPen(shadow);
        p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
        p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    }
}

void TLbSpeedButton::paintContent(QPainter& p, const QRect& r) {
    const bool hotFont = hot_ && isEnabled() && useHotTrackFont_;
    const QFont f = hotFont ? hotTrackFont_ : font();
    QColor textColor = ToQColor(hotFont ? hotTrackFontColor_ : fontColor_, palette());
    if (!isEnabled())
        textColor = ToQColor(kDisabledCaption);
    if (!textColor.isValid())
        textColor = palette().color(QPalette::ButtonText);

    const QPixmap g = glyphForState();
    const QFontMetrics fm(f);
    const QSize textSize = caption_.isEmpty() ? QSize() : fm.size(Qt::TextSingleLine, caption_);
    const QSize glyphSize = g.isNull() ? QSize() : g.deviceIndependentSize().toSize();
    const int gap = (!g.isNull() && !caption_.isEmpty()) ? 4 : 0;
    const bool horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
    const QSize total = horizontal ? QSize(glyphSize.width() + gap + textSize.width(),
                                           std::max(glyphSize.height(), textSize.height()))
                                   : QSize(std::max(glyphSize.width(), textSize.width()),
                                           glyphSize.height() + gap + textSize.height());

    int x = r.left() + (r.width() - total.width()) / 2;
    if (alignment_ & Qt::AlignLeft)
        x = r.left() + 4;
    else if (alignment_ & Qt::AlignRight)
        x = r.right() - 4 - total.width();
    const int y = r.top() + (r.height() - total.height()) / 2;

    QRect glyphRect, textRect;
    switch (layout_) {
    case blGlyphLeft:
        glyphRect = QRect(QPoint(x, y + (total.height() - glyphSize.height()) / 2), glyphSize);
        textRect = QRect(x + glyphSize.width() + gap, y, textSize.width(), total.height());
        break;
    case blGlyphRight:
        textRect = QRect(x, y, textSize.width(), total.height());
        glyphRect =
            QRect(QPoint(x + textSize.width() + gap, y + (total.height() - glyphSize.height()) / 2),
                  glyphSize);
        break;
    case blGlyphTop:
        glyphRect = QRect(QPoint(x + (total.width() - glyphSize.width()) / 2, y), glyphSize);
        textRect = QRect(x, y + glyphSize.height() + gap, total.width(), textSize.height());
        break;
    case blGlyphBottom:
        textRect = QRect(x, y, total.width(), textSize.height());
        glyphRect =
            QRect(QPoint(x + (total.width() - glyphSize.width()) / 2, y + textSize.height() + gap),
                  glyphSize);
        break;
    }
    if (!g.isNull())
        p.drawPixmap(glyphRect.topLeft(), g);
    if (!caption_.isEmpty()) {
        p.setFont(f);
        if (!isEnabled()) {
            // Etched, so that grey text stays readable on a grey face.
            p.setPen(Qt::white);
            p.drawText(textRect.translated(1, 1), Qt::AlignCenter | Qt::TextSingleLine, caption_);
        }
        p.setPen(textColor);
        p.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, caption_);
    }
}

void TLbSpeedButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    paintFace(p, r);
    const QRect content = down_ ? r.translated(1, 1) : r;
    paintContent(p, content);
}

void TLbSpeedButton::mousePressEvent(QMouseEvent* event) {
    if (!isEnabled())
        return;
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        down_ = true;
        update();
    }
    event->accept();
    emit mouseDown(event->button());
}

void TLbSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_)
        return;
    pressed_ = false;
    const bool inside = rect().contains(event->position().toPoint());
    down_ = false;
    update();
    if (isEnabled() && inside)
        emit clicked();
}

void TLbSpeedButton::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_)
        return;
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != down_) {
        down_ = inside;
        update();
    }
}

void TLbSpeedButton::enterEvent(QEnterEvent* event) {
    if (isEnabled() && !hot_) {
        hot_ = true;
        update();
    }
    QWidget::enterEvent(event);
}

void TLbSpeedButton::leaveEvent(QEvent* event) {
    if (hot_) {
        hot_ = false;
        update();
    }
    QWidget::leaveEvent(event);
}

void TLbSpeedButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        // A button disabled by its own mouse-down handler must not stay pressed or hot.
        pressed_ = false;
        down_ = false;
        hot_ = false;
    } else if (event->type() == QEvent::EnabledChange) {
        hot_ = underMouse();
    }
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(event);
}

} // namespace vk
