#include "display/MonitorLayout.h"

#include <gtest/gtest.h>

namespace vk {

TEST(MonitorLayout, RoundingTiesToEven) {
    const std::pair<double, int> cases[] = {{0.5, 0},  {1.5, 2},  {2.5, 2},   {3.5, 4}, {2.49, 2},
                                            {2.51, 3}, {-0.5, 0}, {-1.5, -2}, {7.0, 7}};
    for (auto [v, r] : cases)
        EXPECT_EQ(RoundHalfEven(v), r) << v;
    EXPECT_EQ(ScaleRect({1, 3, 5, 7}, 0.5), (BoundsRect{0, 2, 2, 4}));
}

TEST(MonitorLayout, FourToThreeGivesTheDesignFigures) {
    const LaneFrameGeometry f = DesignLaneFrame();
    const AudienceLayout l = LayoutDisplay(1024, 768, f, f);
    EXPECT_NEAR(l.scale, 2.901, 0.0005);
    const AudienceLane& one = l.lanes[0];
    const AudienceLane& two = l.lanes[1];
    EXPECT_EQ(one.digits[0], (BoundsRect{23, 125, 162, 383}));
    for (size_t i = 0; i < 6; ++i) {
        // Edges are rounded, not widths: 139 or 140.
        EXPECT_NEAR(one.digits[i].width(), 139.5, 0.5) << i;
        EXPECT_EQ(one.digits[i].height(), 258) << i;
        EXPECT_EQ(one.digits[i].top, 125) << i;
        EXPECT_EQ(one.thickness[i], 15) << i;
        EXPECT_EQ(two.digits[i].top, 458) << i;
        EXPECT_EQ(two.digits[i].left, one.digits[i].left) << i;
    }
    EXPECT_EQ(l.labelFontPoints, 41);
    EXPECT_EQ(l.labelFontPixels, 55);
    EXPECT_EQ(l.title, (BoundsRect{0, 0, 1024, 55}));
    EXPECT_EQ(one.labels, (BoundsRect{0, 125 - 66, 1024, 125 - 66 + 55}));
    EXPECT_EQ(two.labels, (BoundsRect{0, 458 - 66, 1024, 458 - 66 + 55}));
    EXPECT_EQ(one.commaFontPoints, 139); // 48 points scaled
    EXPECT_EQ(two.comma.top - one.comma.top, 458 - 125);
}

TEST(MonitorLayout, FourToThreeAndFiveToFourKeepTheWidthScale) {
    const LaneFrameGeometry f = DesignLaneFrame();
    for (auto [w, h] : {std::pair{800, 600}, {1024, 768}, {1280, 1024}, {1600, 1200}}) {
        const AudienceLayout l = LayoutDisplay(w, h, f, f);
        EXPECT_DOUBLE_EQ(l.scale, w / 353.0) << w;
        EXPECT_EQ(l.lanes[1].digits[0].top, h - RoundHalfEven(1.2 * l.lanes[1].digits[0].height()))
            << w;
        EXPECT_EQ(l.lanes[0].labels.left, 0) << w;
        EXPECT_EQ(l.lanes[0].labels.right, w) << w;
        EXPECT_TRUE(RowsApart(l, h)) << w;
    }
}

TEST(MonitorLayout, WideScreensKeepTheRowsApartAndCentreThePicture) {
    const LaneFrameGeometry f = DesignLaneFrame();
    for (auto [w, h] :
         {std::pair{1920, 1080}, {3840, 2160}, {1280, 720}, {1920, 1200}, {2560, 1080}}) {
        const AudienceLayout l = LayoutDisplay(w, h, f, f);
        EXPECT_LT(l.scale, w / 353.0) << w;
        EXPECT_TRUE(RowsApart(l, h)) << w;
        const AudienceLane& one = l.lanes[0];
        const AudienceLane& two = l.lanes[1];
        EXPECT_GE(one.labels.top, l.title.bottom) << w;
        EXPECT_GE(two.labels.top, one.digits[0].bottom) << w;
        EXPECT_LE(two.digits[0].bottom, h) << w;
        // As large as the height allows: lane 2's strip as far from lane 1's digits as from
        // its own, give or take the rounding.
        const int below = two.labels.top - one.digits[0].bottom;
        const int above = two.digits[0].top - two.labels.bottom;
        EXPECT_GE(below, above) << w;
        EXPECT_LE(below, above + 3) << w;
        // Centred: equal margins left and right of the picture, the title spans the screen.
        EXPECT_LE(std::abs(one.labels.left - (w - one.labels.right)), 1) << w;
        EXPECT_GT(one.labels.left, 0) << w;
        EXPECT_EQ(l.title.right, w) << w;
        EXPECT_EQ(one.digits[0].left - one.labels.left, RoundHalfEven(8 * l.scale)) << w;
    }
}

} // namespace vk
