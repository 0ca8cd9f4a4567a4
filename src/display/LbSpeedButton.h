#pragma once
#include "display/ButtonLook.h"
#include "display/Colors.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <functional>

namespace vk {

// A push button drawn by the program in one of six looks (ButtonLook.h): bsNormal raised,
// bsEncarta flat until hovered, bsModern shaded and rounded, bsOld with a thick bevel,
// bsShape only its picture, bsQuicken a glossy pill. mouseDown is sent on the press of any mouse
// button (race buttons act on it), clicked on a left release inside the button. A disabled button
// sends nothing.
class TLbSpeedButton : public QWidget {
    Q_OBJECT

public:
    explicit TLbSpeedButton(QWidget* parent = nullptr);

    TLbButtonStyle buttonStyle() const { return style_; }
    void setButtonStyle(TLbButtonStyle s);
    using QWidget::setStyle;
    void setStyle(TLbButtonStyle s) { setButtonStyle(s); }

    // Colours are 0x00BBGGRR values or theme constants; clNone means "not used".
    Color color() const { return color_; }
    void setColor(Color c);
    Color colorWhenDown() const { return colorWhenDown_; }
    void setColorWhenDown(Color c);
    Color hotTrackColor() const { return hotTrackColor_; }
    void setHotTrackColor(Color c);
    Color lightColor() const { return lightColor_; }
    void setLightColor(Color c);
    Color shadowColor() const { return shadowColor_; }
    void setShadowColor(Color c);

    QString caption() const { return caption_; }
    void setCaption(const QString& text);
    // The caption font is QWidget::font(); its colour is kept apart.
    Color fontColor() const { return fontColor_; }
    void setFontColor(Color c);
    QFont hotTrackFont() const { return hotTrackFont_; }
    void setHotTrackFont(const QFont& f);
    Color hotTrackFontColor() const { return hotTrackFontColor_; }
    void setHotTrackFontColor(Color c);
    bool useHotTrackFont() const { return useHotTrackFont_; }
    void setUseHotTrackFont(bool on);

    // A strip of NumGlyphs equal pictures side by side: up, disabled, down, hot. Missing
    // states use the up picture (greyed when disabled).
    QPixmap glyph() const { return glyph_; }
    void setGlyph(const QPixmap& p);
    // A glyph drawn for the button's device pixel ratio, again whenever the ratio changes.
    void setGlyphSource(std::function<QPixmap(qreal dpr)> source);
    int numGlyphs() const { return numGlyphs_; }
    void setNumGlyphs(int n);
    TButtonLayout glyphLayout() const { return layout_; }
    void setGlyphLayout(TButtonLayout l);
    Qt::Alignment alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment a);

    bool flat() const { return flat_; }
    void setFlat(bool on);
    bool transparent() const { return transparent_; }
    void setTransparent(bool on);
    // Stored only: the fading hot-track look is not drawn.
    bool slowDecease() const { return slowDecease_; }
    void setSlowDecease(bool on) { slowDecease_ = on; }

    int tag() const { return tag_; }
    void setTag(int t) { tag_ = t; }

    bool isDown() const { return down_; }
    bool isHot() const { return hot_; }

    // The face colour that would be drawn now (pressed, hot or plain), as a QColor.
    QColor currentFaceColor() const;

    QSize sizeHint() const override;

signals:
    void mouseDown(Qt::MouseButton button);
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    LookState state() const;
    ButtonColors resolvedColors() const;
    QPixmap glyphForState() const;
    void paintFace(QPainter& p, const FacePlan& plan);
    void paintContent(QPainter& p, const QRect& r);

    TLbButtonStyle style_ = bsNormal;
    Color color_ = clBtnFace;
    Color colorWhenDown_ = clNone;
    Color hotTrackColor_ = clNone;
    Color lightColor_ = 0xFFFFFF;
    Color shadowColor_ = clBtnShadow;
    QString caption_;
    Color fontColor_ = 0x000000;
    QFont hotTrackFont_;
    Color hotTrackFontColor_ = 0x000000;
    bool useHotTrackFont_ = false;
    QPixmap glyph_;
    std::function<QPixmap(qreal)> glyphSource_;
    int numGlyphs_ = 1;
    TButtonLayout layout_ = blGlyphLeft;
    Qt::Alignment alignment_ = Qt::AlignCenter;
    bool flat_ = false;
    bool transparent_ = false;
    bool slowDecease_ = false;
    int tag_ = 0;
    bool pressed_ = false;
    bool down_ = false;
    bool hot_ = false;
};

} // namespace vk
