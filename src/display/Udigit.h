#pragma once
#include "display/DigitModel.h"

#include <QWidget>

namespace vk {

// One seven-segment digit with a corner mark, drawn as filled polygons at any size.
class TDigit : public QWidget {
    Q_OBJECT

public:
    explicit TDigit(QWidget* parent = nullptr);

    int value() const { return model_.value(); }
    void setValue(int v);
    uint8_t valueBinary() const { return model_.valueBinary(); }
    void setValueBinary(uint8_t b);

    Color colorOn() const { return model_.colorOn(); }
    void setColorOn(Color c);
    Color colorOff() const { return model_.colorOff(); }
    void setColorOff(Color c);
    Color color() const { return model_.color(); }
    void setColor(Color c);

    int thickness() const { return model_.thickness(); }
    // Tested against the current size: resize() before setThickness().
    void setThickness(int t);
    int separation() const { return model_.separation(); }
    void setSeparation(int s);

    TBorderStyle borderStyle() const { return model_.borderStyle(); }
    void setBorderStyle(TBorderStyle b);

    const DigitModel& model() const { return model_; }

signals:
    void overflow();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // What a paint shows. When only the lit segments differ from the last request, only the
    // segments that changed are repainted.
    struct Look {
        uint8_t bits = 0;
        Color on = 0, off = 0, background = 0;
        int thickness = 0, separation = 0, width = 0, height = 0;
        bool operator==(const Look&) const = default;
    };
    Look look() const;
    void requestRepaint();
    void syncSize();
    // The segment polygons in device pixels; `scale` is what the painter must scale by.
    std::array<DigitPolygon, kDigitSegmentCount> devicePolygons(qreal& scale) const;

    DigitModel model_;
    Look requested_;
    // Segments whose colour changed since the last paint, and one rectangle around them (a
    // plain rectangle keeps the painter's clipping cheap); a paint of only that rectangle
    // draws only them.
    unsigned pendingSegments_ = 0;
    QRect pendingArea_;
};

} // namespace vk
