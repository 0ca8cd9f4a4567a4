#pragma once
#include "display/Colors.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace vk {

enum TLedKind : uint8_t { lkRed, lkGreen, lkYellow, lkCyan, lkMagenta, lkBlue, lkWhite };
enum TLedShape : uint8_t { lsCircle, lsRectangle };

constexpr int kLedSize = 16;
constexpr int kLedKindCount = 7;
constexpr int kLedPaletteSize = 6;

// Palette entry `code` (1..6) of a kind; code 0 (not drawn) and out-of-range codes give clNone.
Color LedPaletteColor(TLedKind kind, int code);

// Palette code of pixel (x, y) of the 16x16 map for shape and state; 0 = not drawn,
// also for coordinates outside the map.
int LedPixelCode(TLedShape shape, bool lit, int x, int y);

// The state of an LED indicator. The linked label is identified by an opaque pointer (not
// owned) and receives its caption through the function given with it.
class LedModel {
public:
    using CaptionFn = std::function<void(const std::string&)>;

    std::function<void()> onRepaint;
    std::function<void()> onChange;

    TLedKind kind() const { return kind_; }
    void setKind(TLedKind k);
    TLedShape shape() const { return shape_; }
    void setShape(TLedShape s);

    bool value() const { return value_; }
    void setValue(bool v);

    const void* labelLinked() const { return label_; }
    // label == nullptr unlinks.
    void setLabelLinked(const void* label, CaptionFn setCaption);

    const std::string& labelOnText() const { return onText_; }
    void setLabelOnText(const std::string& t);
    const std::string& labelOffText() const { return offText_; }
    void setLabelOffText(const std::string& t);

    // The caption the linked label should show now.
    const std::string& currentCaption() const { return value_ ? onText_ : offText_; }

private:
    void repaint();
    void updateCaption();

    TLedKind kind_ = lkRed;
    TLedShape shape_ = lsCircle;
    bool value_ = false;
    const void* label_ = nullptr;
    CaptionFn setCaption_;
    std::string onText_;
    std::string offText_;
};

} // namespace vk
