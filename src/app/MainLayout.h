#pragma once
#include <functional>
#include <string>
#include <vector>

namespace vk {

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

// How a control of the race area follows the area's width: it keeps its distance to the left
// edge, to the right edge, to the centre, or fills the room between the two lane frames.
enum class Anchor { Left, Right, Stretch, Centre };
// How it follows the lane frames when they grow: it stays in the button row at the top, it is
// a lane frame (scaled), it keeps its distance to the frames' bottom, or to their middle.
enum class Band { Top, Frame, BelowFrames, FrameMiddle };

struct Placement {
    std::string name;
    Rect design; // at the design width
    Anchor anchor;
    Band band = Band::Top;
};

constexpr int kRaceAreaDesignWidth = 792;
constexpr int kRaceAreaDesignHeight = 265;
// The window's size at the design: what the settings open it with.
constexpr int kWindowDesignWidth = 800, kWindowDesignHeight = 561;

// The controls of the race area with their design places.
const std::vector<Placement>& RaceAreaPlacements();

// The lane frames' scale in a window of the given size: 1 up to the design size, above it the
// smaller of the width and height ratios, so the protocol keeps its share of the height.
double RaceAreaScale(int windowWidth, int windowHeight);
// The race area's height at that scale: the design height plus what the frames grew.
int RaceAreaHeight(double scale);

// Where a control goes in a race area of the given width with the frames at `scale`. Buttons
// and pictures keep their size; at scale 1 this is the design layout moved with the width.
Rect PlaceInRaceArea(const Placement& p, int areaWidth, double scale = 1);

// The top bar's title field and date panel for a window of the given client width: the date
// panel is aligned to the right, the title field fills the room between its left edge and it.
// A title wider than that room widens the field to the left, up to the logo; when even that is
// too narrow, the field's font shrinks, down to a size still readable from a step away.
// titleWidthAt gives the title's text width at a font's pixel size (none: the design title).
constexpr int kTitleLargestPixels = 16, kTitleSmallestPixels = 12;
struct TopBarPlaces {
    Rect title;
    Rect date;
    int titlePixels = kTitleLargestPixels;
    bool titleFits = true; // false: the field scrolls even at the smallest font
};
// The field's frame and text margins and the cursor, around the text.
constexpr int kTitleFieldMargins = 12;
TopBarPlaces PlaceTopBar(int clientWidth, const std::function<int(int pixels)>& titleWidthAt = {});

} // namespace vk
