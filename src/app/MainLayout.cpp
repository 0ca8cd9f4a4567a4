#include "app/MainLayout.h"

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
        {"FrameT1", {0, 48, 353, 143}, Anchor::Left},
        {"FrameT2", {439, 48, 353, 143}, Anchor::Right},
        {"ImageAmpel", {364, 66, 64, 64}, Anchor::Centre},
        {"ImageLSstart", {385, 155, 22, 22}, Anchor::Centre},
        {"bSTART", {354, 180, 84, 40}, Anchor::Stretch},
        {"ImageTVAus", {228, 198, 90, 20}, Anchor::Left},
        {"ImageTVEin", {228, 198, 90, 20}, Anchor::Left},
        {"Panel4", {2, 221, 351, 43}, Anchor::Left},
        {"cbKlass", {376, 232, 41, 22}, Anchor::Left},
        {"PanelImit", {440, 198, 349, 62}, Anchor::Right},
        // Below the visible height of the race area: the operator never sees it.
        {"cbAutomatisch", {46, 420, 17, 17}, Anchor::Left},
    };
    return items;
}

Rect PlaceInRaceArea(const Placement& p, int areaWidth) {
    const int dx = areaWidth - kRaceAreaDesignWidth;
    Rect r = p.design;
    switch (p.anchor) {
    case Anchor::Left:
        break;
    case Anchor::Right:
        r.left += dx;
        break;
    case Anchor::Stretch:
        r.width += dx;
        break;
    case Anchor::Centre:
        r.left += dx / 2;
        break;
    }
    return r;
}

TopBarPlaces PlaceTopBar(int clientWidth) {
    constexpr int kBarHeight = 38, kDateWidth = 216;
    constexpr Rect kTitle{392, 4, 184, 28};
    TopBarPlaces t;
    t.date = {clientWidth - kDateWidth, 0, kDateWidth, kBarHeight};
    t.title = kTitle;
    t.title.width = std::max(0, t.date.left - kTitle.left);
    return t;
}

} // namespace vk
