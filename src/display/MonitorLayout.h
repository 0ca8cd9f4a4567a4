#pragma once
#include "platform/Rounding.h"
#include <array>

namespace vk {

// A control's bounds as left, top, right and bottom edges (right and bottom exclusive).
struct BoundsRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const BoundsRect&) const = default;
};

// Each edge multiplied by k and rounded, ties to even.
BoundsRect ScaleRect(const BoundsRect& r, double k);

// Font sizes are points at 96 pixels per inch, as the lane frames were designed.
int FontPointsFromPixels(int pixels);
int FontPixelsFromPoints(int points);

// What the audience window copies from one lane frame.
struct LaneFrameGeometry {
    int width = 0;
    std::array<BoundsRect, 6> digits{}; // Digit4 .. Digit9 within the frame
    std::array<int, 6> thickness{};
    BoundsRect comma;        // LabSec
    int commaFontPoints = 0; // LabSec's font
    int fontPoints = 0;      // the frame's own font
};

// The lane frame as designed: 353 wide, digits 48 x 89 at top 43, thickness 5, the comma in
// a 64-pixel serif face, the frame's text 19 pixels.
LaneFrameGeometry DesignLaneFrame();

// The lane frame's own controls at a scale: the race area grows them with the window.
struct LaneFrameLayout {
    int width = 0, height = 0;
    BoundsRect panel6, label1, edit1, label2, edit2; // the start-number strip
    std::array<BoundsRect, 6> digits{};
    int thickness = 0;
    BoundsRect comma;
    int labelFontPixels = 0, commaFontPixels = 0;
};
// Every design rectangle through ScaleRect, thickness and font sizes rounded; scale 1 is the
// design.
LaneFrameLayout ScaleLaneFrame(double k);

struct AudienceLane {
    std::array<BoundsRect, 6> digits{};
    std::array<int, 6> thickness{};
    BoundsRect comma;
    int commaFontPoints = 0;
    int commaFontPixels = 0;
    BoundsRect labels; // the label strip above the digits
};

struct AudienceLayout {
    double scale = 0; // ScaleFactor
    int labelFontPoints = 0;
    int labelFontPixels = 0; // also the height of the strips and the title
    BoundsRect title;
    std::array<AudienceLane, 2> lanes{};
};

// The audience window's layout for a client area: the lane frames' controls scaled by
// client width / frame width, lane 1 below the title, lane 2 at the bottom with a margin of a
// fifth of a digit height, each label strip above its digits. Where that scale would make the
// rows overlap (screens wider than about 4:3), the largest smaller scale at which title,
// strips and digit rows follow each other without overlap is taken and the picture is
// centred horizontally; lane 2's strip then keeps the distance to lane 1's digits that each
// strip keeps to its own digits.
AudienceLayout LayoutDisplay(int clientWidth, int clientHeight, const LaneFrameGeometry& lane1,
                             const LaneFrameGeometry& lane2);

// Whether title, strips and digit rows follow each other from top to bottom without overlap
// and within the client height, with at least `gap` pixels above lane 2's strip.
bool RowsApart(const AudienceLayout& layout, int clientHeight, int gap = 0);

} // namespace vk
