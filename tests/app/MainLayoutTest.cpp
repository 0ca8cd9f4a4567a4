#include "app/MainLayout.h"

#include <gtest/gtest.h>

namespace vk {

namespace {
Rect at(const std::string& name, int width) {
    for (const auto& p : RaceAreaPlacements())
        if (p.name == name)
            return PlaceInRaceArea(p, width);
    ADD_FAILURE() << name;
    return {};
}
} // namespace

TEST(RaceAreaLayout, DesignWidthKeepsTheDesignPlaces) {
    for (const auto& p : RaceAreaPlacements())
        EXPECT_EQ(PlaceInRaceArea(p, kRaceAreaDesignWidth), p.design) << p.name;
}

TEST(RaceAreaLayout, WideningMovesLaneTwoAndStretchesTheCentreButtons) {
    const int w = kRaceAreaDesignWidth + 200;
    EXPECT_EQ(at("FrameT2", w), (Rect{639, 48, 353, 143}));
    EXPECT_EQ(at("bSTOP2", w).left, 686);
    EXPECT_EQ(at("PanelImit", w).left, 640);
    EXPECT_EQ(at("bSTART", w), (Rect{354, 180, 284, 40}));
    EXPECT_EQ(at("bRESET", w).width, 284);
    EXPECT_EQ(at("ImageAmpel", w).left, 464); // keeps its place relative to the centre
    // The lane-1 side and the protocol tool bar stay at the left.
    EXPECT_EQ(at("FrameT1", w), (Rect{0, 48, 353, 143}));
    EXPECT_EQ(at("Panel4", w), (Rect{2, 221, 351, 43}));
    // The right edge keeps its distance: lane 2's frame ends at the area's edge.
    const Rect f2 = at("FrameT2", w);
    EXPECT_EQ(f2.left + f2.width, w);
}

} // namespace vk
