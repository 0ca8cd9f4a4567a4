#include "display/DigitModel.h"

namespace vk {

DigitModel::DigitModel() = default;

void DigitModel::repaint() {
    if (onRepaint)
        onRepaint();
}

void DigitModel::setValue(int v) {
    // A repeated value costs nothing, even when the segments were written directly since.
    if (v == value_)
        return;
    if (v < 0 || v > 9) {
        value_ = 0;
        if (onOverflow)
            onOverflow();
    } else {
        value_ = v;
    }
    valueBinary_ = DigitPattern(value_);
    repaint();
}

void DigitModel::setValueBinary(uint8_t b) {
    if (b == valueBinary_)
        return;
    valueBinary_ = b;
    repaint();
}

void DigitModel::setColorOn(Color c) {
    if (c == colorOn_)
        return;
    colorOn_ = c;
    repaint();
}

void DigitModel::setColorOff(Color c) {
    if (c == colorOff_)
        return;
    colorOff_ = c;
    repaint();
}

void DigitModel::setColor(Color c) {
    if (c == color_)
        return;
    color_ = c;
    repaint();
}

void DigitModel::setThickness(int t) {
    if (t > width_ / 2 || t > height_ / 2)
        return;
    thickness_ = t;
    repaint();
}

void DigitModel::setSeparation(int s) {
    separation_ = s;
    repaint();
}

void DigitModel::setBorderStyle(TBorderStyle b) {
    if (b == borderStyle_)
        return;
    borderStyle_ = b;
    repaint();
}

void DigitModel::setSize(int width, int height) {
    width_ = width;
    height_ = height;
}

std::array<DigitPolygon, kDigitSegmentCount> DigitModel::polygons() const {
    return DigitPolygons(width_, height_, thickness_, separation_);
}

} // namespace vk
