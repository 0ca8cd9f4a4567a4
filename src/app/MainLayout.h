#pragma once
#include <string>
#include <vector>

namespace vk {

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

// How a control of the race area follows the area's width: it keeps its distance to the left
// edge, to the right edge, to the centre, or stretches with the width.
enum class Anchor { Left, Right, Stretch, Centre };

struct Placement {
    std::string name;
    Rect design; // at the design width
    Anchor anchor;
};

constexpr int kRaceAreaDesignWidth = 792;

// The controls of the race area with their design places.
const std::vector<Placement>& RaceAreaPlacements();

// Where a control goes in a race area of the given width.
Rect PlaceInRaceArea(const Placement& p, int areaWidth);

// The top bar's title field and date panel for a window of the given client width: the date
// panel is aligned to the right, the title field fills the room between its left edge and it.
struct TopBarPlaces {
    Rect title;
    Rect date;
};
TopBarPlaces PlaceTopBar(int clientWidth);

} // namespace vk
