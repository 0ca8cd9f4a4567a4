#include "display/Pictures.h"

#include <QApplication>
#include <QFont>
#include <QIconEngine>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QRadialGradient>
#include <QStyleOption>
#include <QSvgRenderer>
#include <QtMath>

#include <cmath>
#include <functional>
#include <numbers>

namespace vk {

namespace {

void Smooth(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
}

// A round lamp with a soft highlight, dim when off.
void Lamp(QPainter& p, QPointF centre, double r, QColor colour, bool lit) {
    const QColor base = lit ? colour : colour.darker(420);
    QRadialGradient g(centre - QPointF(r / 3, r / 3), r * 1.3);
    g.setColorAt(0.0, lit ? colour.lighter(170) : base.lighter(130));
    g.setColorAt(0.6, base);
    g.setColorAt(1.0, base.darker(140));
    p.setPen(QPen(QColor(10, 10, 10), 1));
    p.setBrush(g);
    p.drawEllipse(centre, r, r);
}

// A filled disc with a darker rim.
void Disc(QPainter& p, QRectF r, QColor colour) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, colour.lighter(140));
    g.setColorAt(1.0, colour.darker(120));
    p.setPen(QPen(colour.darker(180), 1));
    p.setBrush(g);
    p.drawEllipse(r);
}

// A question mark of stroke width w inside r, drawn as a path so that it needs no font.
void QuestionMark(QPainter& p, QRectF r, QColor colour, double w) {
    const double cx = r.center().x();
    const double top = r.top();
    const double h = r.height();
    const double rad = r.width() / 2 - w / 2;
    QPainterPath path;
    path.arcMoveTo(QRectF(cx - rad, top + w / 2, 2 * rad, 2 * rad), 160);
    path.arcTo(QRectF(cx - rad, top + w / 2, 2 * rad, 2 * rad), 160, -250);
    path.lineTo(cx, top + h * 0.68);
    QPen pen(colour, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(cx, r.bottom() - w / 2), w * 0.65, w * 0.65);
}

// Each picture is drawn once per size and device pixel ratio, in its design coordinates
// scaled to the size asked for; later calls share the drawn pixmap. A barrier event that
// changes an icon thus costs a cache look-up, never a drawing.
QPixmap Cached(const QString& name, QSize design, QSize size, qreal dpr,
               const std::function<void(QPainter&)>& draw) {
    if (size.isEmpty())
        size = design;
    if (!(dpr > 0))
        dpr = 1;
    const QString key =
        QStringLiteral("vk-%1-%2x%3@%4").arg(name).arg(size.width()).arg(size.height()).arg(dpr);
    QPixmap pm;
    if (QPixmapCache::find(key, &pm))
        return pm;
    pm = QPixmap(QSize(qCeil(size.width() * dpr), qCeil(size.height() * dpr)));
    pm.fill(Qt::transparent);
    pm.setDevicePixelRatio(dpr);
    {
        QPainter p(&pm);
        Smooth(p);
        p.scale(double(size.width()) / design.width(), double(size.height()) / design.height());
        draw(p);
    }
    QPixmapCache::insert(key, pm);
    return pm;
}

} // namespace

QPixmap AmpelPicture(int n, qreal dpr, QSize size) {
    return Cached(QStringLiteral("ampel-%1").arg(n), {32, 32}, size, dpr, [n](QPainter& p) {
        // Housing on a post, lamps red (top), yellow, green (bottom).
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(70, 70, 70));
        p.drawRect(QRectF(14, 28, 4, 4));
        QLinearGradient g(8, 0, 24, 0);
        g.setColorAt(0.0, QColor(60, 60, 60));
        g.setColorAt(0.5, QColor(35, 35, 35));
        g.setColorAt(1.0, QColor(15, 15, 15));
        p.setPen(QPen(QColor(0, 0, 0), 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(8.5, 0.5, 15, 29), 3, 3);
        Lamp(p, {16, 6}, 4.2, QColor(255, 30, 20), n == 0);
        Lamp(p, {16, 15}, 4.2, QColor(255, 200, 0), n == 3);
        Lamp(p, {16, 24}, 4.2, QColor(20, 230, 40), n == 1);
    });
}

QPixmap LockPicture(int n, qreal dpr) {
    return Cached(QStringLiteral("lock-%1").arg(n), {22, 22}, {}, dpr, [n](QPainter& p) {
        const QRectF disc(1.5, 1.5, 19, 19);
        Disc(p, disc, n == 0 ? QColor(215, 20, 20) : QColor(20, 160, 40));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        QPainterPath sign;
        sign.setFillRule(Qt::WindingFill);
        sign.addRect(QRectF(5, 9, 12, 4));
        if (n != 0)
            sign.addRect(QRectF(9, 5, 4, 12));
        p.drawPath(sign.simplified());
    });
}

namespace {

QPixmap TvPicture(bool on, qreal dpr) {
    return Cached(QStringLiteral("tv-%1").arg(on), {90, 20}, {}, dpr, [on](QPainter& p) {
        const QColor face = on ? QColor(30, 150, 50) : QColor(120, 120, 120);
        QLinearGradient g(0, 0, 0, 20);
        g.setColorAt(0.0, face.lighter(150));
        g.setColorAt(1.0, face.darker(130));
        p.setPen(QPen(face.darker(200), 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(0.5, 0.5, 89, 19), 5, 5);

        // A small screen on its foot.
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(on ? QColor(120, 200, 255) : QColor(40, 40, 40));
        p.drawRoundedRect(QRectF(6.5, 3.5, 18, 11), 1.5, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRect(QRectF(13, 15, 6, 2));

        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(28, 0, 60, 20), Qt::AlignCenter, on ? "TV EIN" : "TV AUS");
    });
}

} // namespace

QPixmap TvOffPicture(qreal dpr) {
    return TvPicture(false, dpr);
}
QPixmap TvOnPicture(qreal dpr) {
    return TvPicture(true, dpr);
}

QPixmap HelpPicture(qreal dpr) {
    return Cached(QStringLiteral("help"), {38, 40}, {}, dpr, [](QPainter& p) {
        Disc(p, QRectF(3.5, 4.5, 31, 31), QColor(230, 160, 0));
        QuestionMark(p, QRectF(12, 10, 14, 20), Qt::white, 4);
    });
}

QPixmap SettingsPicture(qreal dpr) {
    return Cached(QStringLiteral("settings"), {38, 40}, {}, dpr, [](QPainter& p) {
        // A gear: a toothed wheel around a hole.
        const QPointF c(19, 20);
        QPainterPath gear;
        const int teeth = 8;
        for (int i = 0; i < teeth * 2; ++i) {
            const double a0 = i * std::numbers::pi / teeth;
            const double a1 = (i + 1) * std::numbers::pi / teeth;
            const double r = (i % 2 == 0) ? 15.0 : 11.5;
            const QPointF p0 = c + QPointF(std::cos(a0) * r, std::sin(a0) * r);
            const QPointF p1 = c + QPointF(std::cos(a1) * r, std::sin(a1) * r);
            if (i == 0)
                gear.moveTo(p0);
            else
                gear.lineTo(p0);
            gear.lineTo(p1);
        }
        gear.closeSubpath();
        QPainterPath hole;
        hole.addEllipse(c, 5, 5);
        gear = gear.subtracted(hole);
        QLinearGradient g(0, 5, 0, 35);
        g.setColorAt(0.0, QColor(200, 205, 215));
        g.setColorAt(1.0, QColor(90, 95, 110));
        p.setPen(QPen(QColor(50, 50, 60), 1));
        p.setBrush(g);
        p.drawPath(gear);
    });
}

QPixmap InfoPicture(qreal dpr) {
    return Cached(QStringLiteral("info"), {38, 40}, {}, dpr, [](QPainter& p) {
        Disc(p, QRectF(3.5, 4.5, 31, 31), QColor(30, 90, 210));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(19, 12.5), 2.6, 2.6);
        p.drawRoundedRect(QRectF(16.5, 17, 5, 13), 1, 1);
    });
}

QPixmap QuestionPicture(qreal dpr) {
    return Cached(QStringLiteral("question"), {32, 32}, {}, dpr, [](QPainter& p) {
        Disc(p, QRectF(1.5, 1.5, 29, 29), QColor(30, 90, 210));
        QuestionMark(p, QRectF(10, 6, 12, 20), Qt::white, 3.5);
    });
}

namespace {

void Sheet(QPainter& p, QRectF r, QColor paper = Qt::white) {
    QPainterPath path;
    const double fold = 6;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(paper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void DrawLoad(QPainter& p) {
    // Open folder with an arrow coming out.
    p.setPen(QPen(QColor(150, 100, 0), 1));
    p.setBrush(QColor(240, 190, 50));
    QPainterPath back;
    back.moveTo(3.5, 9.5);
    back.lineTo(11.5, 9.5);
    back.lineTo(13.5, 12.5);
    back.lineTo(25.5, 12.5);
    back.lineTo(25.5, 27.5);
    back.lineTo(3.5, 27.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(255, 220, 100));
    QPainterPath front;
    front.moveTo(3.5, 27.5);
    front.lineTo(8.5, 16.5);
    front.lineTo(30.5, 16.5);
    front.lineTo(25.5, 27.5);
    front.closeSubpath();
    p.drawPath(front);
    p.setPen(QPen(QColor(20, 120, 30), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(21, 11), QPointF(21, 3));
    p.drawLine(QPointF(17, 7), QPointF(21, 3));
    p.drawLine(QPointF(25, 7), QPointF(21, 3));
}

void DrawSave(QPainter& p) {
    // A floppy disk.
    p.setPen(QPen(QColor(10, 30, 80), 1));
    p.setBrush(QColor(40, 80, 170));
    QPainterPath body;
    body.moveTo(4.5, 3.5);
    body.lineTo(24.5, 3.5);
    body.lineTo(28.5, 7.5);
    body.lineTo(28.5, 28.5);
    body.lineTo(4.5, 28.5);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(200, 205, 215));
    p.drawRect(QRectF(9.5, 3.5, 13, 8));
    p.setBrush(QColor(40, 80, 170));
    p.drawRect(QRectF(17.5, 5, 3, 5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8.5, 16.5, 16, 12));
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.drawLine(QPointF(11, 20.5), QPointF(22, 20.5));
    p.drawLine(QPointF(11, 24.5), QPointF(22, 24.5));
}

void DrawExcel(QPainter& p) {
    // A green sheet with grid lines and an X.
    Sheet(p, QRectF(8.5, 2.5, 20, 27));
    p.setPen(QPen(QColor(120, 170, 120), 1));
    for (double y = 10.5; y < 29; y += 4)
        p.drawLine(QPointF(9, y), QPointF(28, y));
    p.drawLine(QPointF(18.5, 10), QPointF(18.5, 29));
    p.setPen(QPen(QColor(10, 80, 30), 1));
    p.setBrush(QColor(30, 130, 60));
    p.drawRoundedRect(QRectF(2.5, 9.5, 15, 15), 2, 2);
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6.5, 13.5), QPointF(13.5, 20.5));
    p.drawLine(QPointF(13.5, 13.5), QPointF(6.5, 20.5));
}

void DrawInet(QPainter& p) {
    // A globe with meridians and parallels.
    const QRectF r(3.5, 3.5, 25, 25);
    QRadialGradient g(r.center() - QPointF(4, 4), 16);
    g.setColorAt(0.0, QColor(140, 200, 255));
    g.setColorAt(1.0, QColor(20, 80, 190));
    p.setPen(QPen(QColor(10, 40, 110), 1));
    p.setBrush(g);
    p.drawEllipse(r);
    p.setPen(QPen(QColor(230, 245, 255), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(10, 3.5, 12, 25));
    p.drawLine(QPointF(16, 3.5), QPointF(16, 28.5));
    p.drawLine(QPointF(3.5, 16), QPointF(28.5, 16));
    p.drawLine(QPointF(6, 9.5), QPointF(26, 9.5));
    p.drawLine(QPointF(6, 22.5), QPointF(26, 22.5));
}

void DrawNext(QPainter& p) {
    // A chequered flag: the next race.
    p.setPen(QPen(QColor(80, 50, 20), 2));
    p.drawLine(QPointF(5, 3), QPointF(5, 30));
    const double x0 = 6, y0 = 4, s = 4;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 5; ++col) {
            p.setPen(Qt::NoPen);
            p.setBrush((row + col) % 2 == 0 ? Qt::black : Qt::white);
            p.drawRect(QRectF(x0 + col * s, y0 + row * s, s, s));
        }
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(x0, y0, 5 * s, 4 * s));
    // and an arrow onwards
    p.setPen(QPen(QColor(20, 140, 40), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(12, 25), QPointF(28, 25));
    p.drawLine(QPointF(23, 20), QPointF(28, 25));
    p.drawLine(QPointF(23, 30), QPointF(28, 25));
}

void DrawPrint(QPainter& p) {
    // A printer with a sheet coming out.
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9.5, 2.5, 13, 10));
    QLinearGradient g(0, 11, 0, 24);
    g.setColorAt(0.0, QColor(210, 210, 215));
    g.setColorAt(1.0, QColor(130, 130, 140));
    p.setPen(QPen(QColor(50, 50, 60), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2.5, 11.5, 27, 13), 2, 2);
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.drawRect(QRectF(8.5, 20.5, 15, 9));
    p.drawLine(QPointF(11, 24.5), QPointF(21, 24.5));
    p.drawLine(QPointF(11, 27), QPointF(19, 27));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 200, 40));
    p.drawEllipse(QPointF(25.5, 15.5), 1.5, 1.5);
}

void DrawClear(QPainter& p) {
    // A sheet struck out in red.
    Sheet(p, QRectF(5.5, 2.5, 20, 27));
    p.setPen(QPen(QColor(160, 160, 160), 1));
    for (double y = 10.5; y < 27; y += 4)
        p.drawLine(QPointF(9, y), QPointF(22, y));
    p.setPen(QPen(QColor(220, 20, 20), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6, 8), QPointF(27, 28));
    p.drawLine(QPointF(27, 8), QPointF(6, 28));
}

} // namespace

QPixmap ToolPicture(const QString& name, qreal dpr, QSize size) {
    void (*draw)(QPainter&) = nullptr;
    if (name == "load")
        draw = DrawLoad;
    else if (name == "save")
        draw = DrawSave;
    else if (name == "excel")
        draw = DrawExcel;
    else if (name == "inet")
        draw = DrawInet;
    else if (name == "next")
        draw = DrawNext;
    else if (name == "print")
        draw = DrawPrint;
    else if (name == "clear")
        draw = DrawClear;
    return Cached(QStringLiteral("tool-") + name, {32, 32}, size, dpr, [draw](QPainter& p) {
        if (draw)
            draw(p);
    });
}

namespace {

// An icon that draws its picture for every size and device pixel ratio asked of it, so a
// tool button or the window icon is as sharp on a 2x screen as on a 1x one.
class PictureIconEngine final : public QIconEngine {
public:
    // `draw` gives the picture in device pixels at the ratio.
    using Draw = std::function<QPixmap(QSize devicePixels, qreal dpr)>;
    PictureIconEngine(QString name, Draw draw) : name_(std::move(name)), draw_(std::move(draw)) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    // Qt asks with the size in device pixels and the ratio they are for.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
        if (size.isEmpty())
            return {};
        QPixmap pm = draw_(size, scale > 0 ? scale : 1.0);
        if (mode == QIcon::Disabled) {
            QStyleOption opt;
            opt.palette = QApplication::palette();
            const qreal dpr = pm.devicePixelRatio();
            pm = QApplication::style()->generatedIconPixmap(QIcon::Disabled, pm, &opt);
            pm.setDevicePixelRatio(dpr);
        }
        return pm;
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, scaledPixmap(rect.size() * dpr, mode, state, dpr));
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new PictureIconEngine(name_, draw_); }
    QString key() const override { return QStringLiteral("vk-picture"); }
    QString iconName() override { return name_; }

private:
    QString name_;
    Draw draw_;
};

} // namespace

QIcon ToolIcon(const QString& name) {
    return QIcon(new PictureIconEngine(name, [name](QSize px, qreal dpr) {
        return ToolPicture(name, dpr, QSize(qRound(px.width() / dpr), qRound(px.height() / dpr)));
    }));
}

QIcon ApplicationIcon() {
    return QIcon(new PictureIconEngine(QStringLiteral("velkoran"), [](QSize px, qreal dpr) {
        const QString key = QStringLiteral("vk-app-%1x%2").arg(px.width()).arg(px.height());
        QPixmap pm;
        if (!QPixmapCache::find(key, &pm)) {
            static QSvgRenderer svg(QStringLiteral(":/velkoran/velkoran.svg"));
            pm = QPixmap(px);
            pm.fill(Qt::transparent);
            QPainter p(&pm);
            svg.render(&p, QRectF(QPointF(0, 0), QSizeF(px)));
            p.end();
            QPixmapCache::insert(key, pm);
        }
        pm.setDevicePixelRatio(dpr);
        return pm;
    }));
}

QPixmap FourStates(const QPixmap& up) {
    // Up, disabled (grey), down (darker), hot (brighter), side by side.
    const QImage base = up.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = base.width(), h = base.height();
    QImage strip(w * 4, h, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    for (int y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(base.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(strip.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const QColor c = QColor::fromRgba(qUnpremultiply(in[x]));
            const int a = c.alpha();
            const int g = 128 + qGray(c.rgb()) / 2;
            const QColor states[4] = {c, QColor(g, g, g, a), c.darker(125), c.lighter(118)};
            for (int s = 0; s < 4; ++s) {
                QColor k = states[s];
                k.setAlpha(a);
                out[s * w + x] = qPremultiply(k.rgba());
            }
        }
    }
    QPixmap pm = QPixmap::fromImage(strip);
    pm.setDevicePixelRatio(up.devicePixelRatio());
    return pm;
}

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void TImage::setPicture(Source source) {
    source_ = std::move(source);
    pixmap_ = QPixmap();
    update();
}

QPixmap TImage::shownPixmap() {
    const qreal dpr = devicePixelRatioF();
    if (source_ && (pixmap_.isNull() || pixmap_.devicePixelRatio() != dpr ||
                    pixmap_.deviceIndependentSize().toSize() != size()))
        pixmap_ = source_(size(), dpr);
    return pixmap_;
}

void TImage::paintEvent(QPaintEvent*) {
    const QPixmap pm = shownPixmap();
    if (pm.isNull())
        return;
    QPainter p(this);
    p.drawPixmap(QRectF(rect()), pm, QRectF(pm.rect()));
}

void TImage::mouseReleaseEvent(QMouseEvent* e) {
    QWidget::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && onClick)
        onClick();
}

} // namespace vk
