#pragma once
#include "display/Colors.h"
#include "display/DigitShape.h"

#include <cstdint>
#include <functional>

namespace vk {

enum TBorderStyle : uint8_t { bsNone, bsSingle };

// Every property of a seven-segment digit with its setter rules. The widget asks for a repaint
// through onRepaint; tests count the calls.
class DigitModel {
public:
    DigitModel();

    std::function<void()> onRepaint;
    std::function<void()> onOverflow;

    int value() const { return value_; }
    void setValue(int v);

    uint8_t valueBinary() const { return valueBinary_; }
    void setValueBinary(uint8_t b);

    Color colorOn() const { return colorOn_; }
    void setColorOn(Color c);
    Color colorOff() const { return colorOff_; }
    void setColorOff(Color c);
    Color color() const { return color_; }
    void setColor(Color c);

    int thickness() const { return thickness_; }
    // Refused silently when the bars would not fit the stored size.
    void setThickness(int t);
    int separation() const { return separation_; }
    void setSeparation(int s);

    TBorderStyle borderStyle() const { return borderStyle_; }
    void setBorderStyle(TBorderStyle b);

    int width() const { return width_; }
    int height() const { return height_; }
    // The size is owned by the widget; storing it does not ask for a repaint.
    void setSize(int width, int height);

    std::array<DigitPolygon, kDigitSegmentCount> polygons() const;
    bool segmentLit(int index) const { return (valueBinary_ >> index) & 1u; }

private:
    void repaint();

    int value_ = 0;
    uint8_t valueBinary_ = kDigitPatterns[0];
    Color colorOn_ = 0x00FFFF;
    Color colorOff_ = 0x000000;
    Color color_ = 0x000000;
    int thickness_ = 2;
    int separation_ = 1;
    TBorderStyle borderStyle_ = bsSingle;
    int width_ = 16;
    int height_ = 32;
};

} // namespace vk
