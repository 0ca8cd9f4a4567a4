#include "app/MainLayout.h"

#include <gtest/gtest.h>

namespace vk {

namespace {
Rect at(const std::string& name, int width, double scale = 1) {
    for (const auto& p : RaceAreaPlacements())
        if (p.name == name)
            return PlaceInRaceArea(p, width, scale);
    ADD_FAILURE() << name;
    return {};
}
bool overlap(const Rect& a, const Rect& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
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

TEST(RaceAreaLayout, ScalesOnlyAboveTheDesignSizeAndByTheTighterSide) {
    const struct {
        int w, h;
        double k;
    } cases[] = {
        {800, 561, 1},  {640, 480, 1}, {1600, 561, 1}, {800, 900, 1}, {1920, 1080, 1080.0 / 561},
        {1600, 1200, 2}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(RaceAreaScale(c.w, c.h), c.k) << c.w << "x" << c.h;
    EXPECT_EQ(RaceAreaHeight(1), 265);
}

TEST(RaceAreaLayout, MaximisedOnFullHdTheFramesGrowAndTheButtonsKeepTheirSize) {
    const int W = 1920;
    const double k = RaceAreaScale(W, 1080);
    const int grown = 275 - 143;
    EXPECT_EQ(RaceAreaHeight(k), 265 + grown);
    EXPECT_EQ(at("FrameT1", W, k), (Rect{0, 48, 680, 275}));
    EXPECT_EQ(at("FrameT2", W, k), (Rect{W - 680, 48, 680, 275}));
    // START and RESET fill the room between the frames, one pixel from each.
    EXPECT_EQ(at("bSTART", W, k), (Rect{681, 180 + grown, W - 2 * 680 - 2, 40}));
    EXPECT_EQ(at("bRESET", W, k), (Rect{681, 0, W - 2 * 680 - 2, 40}));
    EXPECT_EQ(at("Panel4", W, k), (Rect{2, 221 + grown, 351, 43}));
    for (const auto& p : RaceAreaPlacements()) {
        const Rect r = PlaceInRaceArea(p, W, k);
        if (p.band != Band::Frame && p.anchor != Anchor::Stretch) {
            EXPECT_EQ(std::pair(r.width, r.height), std::pair(p.design.width, p.design.height))
                << p.name;
        }
    }
}

TEST(RaceAreaLayout, NoControlsOverlapAtTheDesignSizeOrGrown) {
    for (const auto& [W, H] : {std::pair{800, 561}, {1200, 561}, {1920, 1080}, {1280, 1024}}) {
        const double k = RaceAreaScale(W, H);
        const auto& items = RaceAreaPlacements();
        for (size_t i = 0; i < items.size(); ++i)
            for (size_t j = i + 1; j < items.size(); ++j) {
                // The two TV switches share a place; only one is ever shown.
                if (items[i].name.starts_with("ImageTV") && items[j].name.starts_with("ImageTV"))
                    continue;
                EXPECT_FALSE(
                    overlap(PlaceInRaceArea(items[i], W, k), PlaceInRaceArea(items[j], W, k)))
                    << W << "x" << H << ": " << items[i].name << " / " << items[j].name;
            }
    }
}

// The title field widens to the left, to the logo at most, then shrinks the font. The event
// name measures 20 px per font pixel in the bar's bold font.
TEST(TopBarLayout, AnEventNameFitsFromTheDesignSizeUp) {
    const auto event = [](int px) { return 20 * px; };
    const auto design = [](int px) { return 3 * px; }; // "* * *"
    const auto endless = [](int px) { return 40 * px; };
    const struct {
        int client;
        std::function<int(int)> width;
        Rect title;
        int px;
        bool fits = true;
    } cases[] = {
        {792, nullptr, {392, 4, 184, 28}, 16},
        {792, design, {392, 4, 184, 28}, 16},
        {792, event, {296, 4, 280, 28}, 13},
        {800, event, {296, 4, 288, 28}, 13},
        {900, event, {352, 4, 332, 28}, 16},
        {1000, event, {392, 4, 392, 28}, 16},
        {1920, event, {392, 4, 1312, 28}, 16},
        {792, endless, {296, 4, 280, 28}, kTitleSmallestPixels, false},
    };
    for (const auto& c : cases) {
        const TopBarPlaces t = PlaceTopBar(c.client, c.width);
        EXPECT_EQ(t.title, c.title) << c.client;
        EXPECT_EQ(t.titlePixels, c.px) << c.client;
        EXPECT_EQ(t.titleFits, c.fits) << c.client;
        EXPECT_EQ(t.date, (Rect{c.client - 216, 0, 216, 38})) << c.client;
    }
}

} // namespace vk
