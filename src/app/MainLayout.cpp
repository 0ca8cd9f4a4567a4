#include "app/MainLayout.h"

#include "platform/Rounding.h"

#include <algorithm>

namespace vk {

const std::vector<Placement>& RaceAreaPlacements() {
    static const std::vector<Placement> items = {
        {"bAvaria1", {2, 0, 84, 40}, Anchor::Left},
        {"bFehlStart1", {91, 1, 113, 40}, Anchor::Left},
        {"bSTOP1", {208, 1, 98, 40}, Anchor::Left},
        {"ImageLSstop1", {310, 11, 22, 22}, Anchor::Left},
        {"bRESET", {354, 0, 84, 40}, Anchor::Stretch},
        {"ImageLSstop2", {460, 11, 22, 22}, Anchor::Right},
        {"bSTOP2", {486, 1, 98, 40}, Anchor::Right},
        {"bFehlStart2", {588, 1, 113, 40}, Anchor::Right},
        {"bAvaria2", {706, 0, 84, 40}, Anchor::Right},
        {"FrameT1", {0, 48, 353, 143}, Anchor::Left, Band::Frame},
        {"FrameT2", {439, 48, 353, 143}, Anchor::Right, Band::Frame},
        {"ImageAmpel", {364, 66, 64, 64}, Anchor::Centre, Band::FrameMiddle},
        {"ImageLSstart", {385, 155, 22, 22}, Anchor::Centre, Band::BelowFrames},
        {"bSTART", {354, 180, 84, 40}, Anchor::Stretch, Band::BelowFrames},
        {"ImageTVAus", {228, 198, 90, 20}, Anchor::Left, Band::BelowFrames},
        {"ImageTVEin", {228, 198, 90, 20}, Anchor::Left, Band::BelowFrames},
        {"Panel4", {2, 221, 351, 43}, Anchor::Left, Band::BelowFrames},
        {"cbKlass", {376, 232, 41, 22}, Anchor::Left, Band::BelowFrames},
        {"PanelImit", {440, 198, 349, 62}, Anchor::Right, Band::BelowFrames},
        // Below the visible height of the race area: the operator never sees it.
        {"cbAutomatisch", {46, 420, 17, 17}, Anchor::Left, Band::BelowFrames},
    };
    return items;
}

namespace {
constexpr int kFrameWidth = 353, kFrameHeight = 143;

int Scaled(int v, double scale) {
    return RoundHalfEven(v * scale);
}
} // namespace

double RaceAreaScale(int windowWidth, int windowHeight) {
    const double k = std::min(static_cast<double>(windowWidth) / kWindowDesignWidth,
                              static_cast<double>(windowHeight) / kWindowDesignHeight);
    return std::max(1.0, k);
}

int RaceAreaHeight(double scale) {
    return kRaceAreaDesignHeight + Scaled(kFrameHeight, scale) - kFrameHeight;
}

Rect PlaceInRaceArea(const Placement& p, int areaWidth, double scale) {
    const int dx = areaWidth - kRaceAreaDesignWidth;
    const int frameWidth = Scaled(kFrameWidth, scale);
    const int grown = Scaled(kFrameHeight, scale) - kFrameHeight;
    Rect r = p.design;
    if (p.band == Band::Frame) {
        // Frames scale in place: lane 1 at the left edge, lane 2 at the right edge.
        r.width = frameWidth;
        r.height = Scaled(p.design.height, scale);
        r.left = p.anchor == Anchor::Right ? areaWidth - frameWidth : p.design.left;
        return r;
    }
    switch (p.anchor) {
    case Anchor::Left:
        break;
    case Anchor::Right:
        r.left += dx;
        break;
    case Anchor::Stretch:
        // The room between the frames, one pixel apart from each, as designed.
        r.left = frameWidth + (p.design.left - kFrameWidth);
        r.width = areaWidth - frameWidth - r.left -
                  (kRaceAreaDesignWidth - kFrameWidth - p.design.left - p.design.width);
        break;
    case Anchor::Centre:
        r.left += dx / 2;
        break;
    }
    if (p.band == Band::BelowFrames)
        r.top += grown;
    else if (p.band == Band::FrameMiddle)
        r.top += grown / 2;
    return r;
}

TopBarPlaces PlaceTopBar(int clientWidth, const std::function<int(int pixels)>& titleWidthAt) {
    constexpr int kBarHeight = 38, kDateWidth = 216;
    constexpr Rect kTitle{392, 4, 184, 28};
    // The logo ends at 288; a widened field keeps a small gap to it.
    constexpr int kTitleLeftmost = 296;
    TopBarPlaces t;
    t.date = {clientWidth - kDateWidth, 0, kDateWidth, kBarHeight};
    t.title = kTitle;
    t.title.width = std::max(0, t.date.left - kTitle.left);
    if (!titleWidthAt)
        return t;
    const auto need = [&](int px) { return titleWidthAt(px) + kTitleFieldMargins; };
    if (need(kTitleLargestPixels) > t.title.width) {
        t.title.left =
            std::clamp(t.date.left - need(kTitleLargestPixels), kTitleLeftmost, kTitle.left);
        t.title.width = std::max(0, t.date.left - t.title.left);
    }
    while (t.titlePixels > kTitleSmallestPixels && need(t.titlePixels) > t.title.width)
        --t.titlePixels;
    t.titleFits = need(t.titlePixels) <= t.title.width;
    return t;
}

} // namespace vk
