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
    glyphSource_ = nullptr;
    glyph_ = p;
    updateGeometry();
    update();
}
void TLbSpeedButton::setGlyphSource(std::function<QPixmap(qreal dpr)> source) {
    glyphSource_ = std::move(source);
    glyph_ = glyphSource_ ? glyphSource_(devicePixelRatioF()) : QPixmap();
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

LookState TLbSpeedButton::state() const {
    return {isEnabled(), down_, hot_};
}

ButtonColors TLbSpeedButton::resolvedColors() const {
    // Theme colours become concrete ones here; the look itself is worked out in the core.
    const QPalette& pal = palette();
    auto concrete = [&pal](Color c, QPalette::ColorRole fallback) {
        const QColor q = ToQColor(c, pal);
        return FromQColor(q.isValid() ? q : pal.color(fallback));
    };
    ButtonColors c;
    c.face = color_ == clNone ? clNone : FromQColor(ToQColor(color_, pal));
    c.whenDown = colorWhenDown_ == clNone ? clNone : FromQColor(ToQColor(colorWhenDown_, pal));
    c.hotTrack = hotTrackColor_ == clNone ? clNone : FromQColor(ToQColor(hotTrackColor_, pal));
    c.light = concrete(lightColor_, QPalette::Light);
    c.shadow = concrete(shadowColor_, QPalette::Dark);
    return c;
}

QColor TLbSpeedButton::currentFaceColor() const {
    return ToQColor(FaceColorFor(resolvedColors(), state()));
}

QPixmap TLbSpeedButton::glyphForState() const {
    if (glyph_.isNull())
        return {};
    const int w = glyph_.width() / numGlyphs_;
    if (w <= 0)
        return {};
    const GlyphChoice choice = ChooseGlyph(state(), numGlyphs_);
    const QPixmap picture = glyph_.copy(choice.index * w, 0, w, glyph_.height());
    return choice.greyed ? Greyed(picture) : picture;
}

QSize TLbSpeedButton::sizeHint() const {
    const QFontMetrics fm(font());
    QSize text = caption_.isEmpty() ? QSize() : fm.size(Qt::TextSingleLine, caption_);
    const QSize g = glyphForState().deviceIndependentSize().toSize();
    const int w = text.width() + (g.isEmpty() ? 0 : g.width() + 4) + 12;
    const int h = std::max(text.height(), g.isEmpty() ? 0 : g.height()) + 10;
    return {w, h};
}

namespace {

QBrush Gradient(const std::vector<GradientStop>& stops, const QRectF& box) {
    if (stops.size() == 1)
        return QBrush(ToQColor(stops.front().color));
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    for (const GradientStop& s : stops)
        g.setColorAt(s.at, ToQColor(s.color));
    return QBrush(g);
}

} // namespace

void TLbSpeedButton::paintFace(QPainter& p, const FacePlan& plan) {
    const QRect r = rect();
    if (plan.shape == FaceShape::Square) {
        if (plan.cutCorners) {
            // Leave the corner pixels to the parent, as old rounded-off buttons did.
            const QRegion corners =
                QRegion(r.left(), r.top(), 1, 1) + QRegion(r.right(), r.top(), 1, 1) +
                QRegion(r.left(), r.bottom(), 1, 1) + QRegion(r.right(), r.bottom(), 1, 1);
            p.setClipRegion(QRegion(r) - corners);
        }
        if (!plan.fill.empty())
            p.fillRect(r, Gradient(plan.fill, r));
        QRect ring = r;
        for (const Ring& line : plan.rings) {
            if (ring.width() < 2 || ring.height() < 2)
                break;
            p.setPen(ToQColor(line.topLeft));
            p.drawLine(ring.left(), ring.top(), ring.right() - 1, ring.top());
            p.drawLine(ring.left(), ring.top(), ring.left(), ring.bottom() - 1);
            p.setPen(ToQColor(line.bottomRight));
            p.drawLine(ring.left(), ring.bottom(), ring.right(), ring.bottom());
            p.drawLine(ring.right(), ring.top(), ring.right(), ring.bottom());
            ring.adjust(1, 1, -1, -1);
        }
        p.setClipping(false);
        return;
    }
    if (plan.shape != FaceShape::Rounded)
        return;
    const double inset = std::max(0.5, plan.outlineWidth / 2);
    const QRectF box = QRectF(r).adjusted(inset, inset, -inset, -inset);
    QPainterPath path;
    path.addRoundedRect(box, plan.radius, plan.radius);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (!plan.fill.empty())
        p.fillPath(path, Gradient(plan.fill, box));
    if (!plan.gloss.empty()) {
        const QRectF upper(box.left(), box.top(), box.width(), box.height() / 2);
        QPainterPath half;
        half.addRect(upper);
        p.fillPath(path.intersected(half), Gradient(plan.gloss, upper));
    }
    if (plan.outline != clNone) {
        QPen pen(ToQColor(plan.outline));
        pen.setWidthF(plan.outlineWidth);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

void TLbSpeedButton::paintContent(QPainter& p, const QRect& r) {
    const CaptionKind kind = CaptionKindFor(state(), useHotTrackFont_);
    const QFont f = kind == CaptionKind::Hot ? hotTrackFont_ : font();
    QColor textColor = ToQColor(kind == CaptionKind::Disabled ? kDisabledCaption
                                : kind == CaptionKind::Hot    ? hotTrackFontColor_
                                                              : fontColor_,
                                palette());
    if (!textColor.isValid())
        textColor = palette().color(QPalette::ButtonText);

    const QPixmap g = glyphForState();
    const QFontMetrics fm(f);
    const QSize textSize = caption_.isEmpty() ? QSize() : fm.size(Qt::TextSingleLine, caption_);
    const QSize glyphSize = g.isNull() ? QSize() : g.deviceIndependentSize().toSize();
    const HAlign align = (alignment_ & Qt::AlignLeft)    ? HAlign::Left
                         : (alignment_ & Qt::AlignRight) ? HAlign::Right
                                                         : HAlign::Centre;
    const ContentPlace place =
        PlaceContent({r.x(), r.y(), r.width(), r.height()}, {glyphSize.width(), glyphSize.height()},
                     {textSize.width(), textSize.height()}, layout_, align, 4, 4);
    if (!g.isNull())
        p.drawPixmap(place.glyph.x, place.glyph.y, g);
    if (!caption_.isEmpty()) {
        const QRect textRect(place.text.x, place.text.y, place.text.w, place.text.h);
        p.setFont(f);
        if (kind == CaptionKind::Disabled) {
            // Etched, so that grey text stays readable on a grey face.
            p.setPen(Qt::white);
            p.drawText(textRect.translated(1, 1), Qt::AlignCenter | Qt::TextSingleLine, caption_);
        }
        p.setPen(textColor);
        p.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, caption_);
    }
}

void TLbSpeedButton::paintEvent(QPaintEvent*) {
    // The screen (and with it the ratio) may have changed since the glyph was drawn.
    if (glyphSource_ && glyph_.devicePixelRatio() != devicePixelRatioF())
        glyph_ = glyphSource_(devicePixelRatioF());
    QPainter p(this);
    const FacePlan plan =
        PlanFace(style_, resolvedColors(), state(), flat_, transparent_, width(), height());
    paintFace(p, plan);
    paintContent(p, rect().translated(plan.shift, plan.shift));
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
