#include "display/DigitShape.h"

#include <gtest/gtest.h>

namespace vk {

using P = DigitPoint;

TEST(DigitPattern, EachDigitLightsItsBars) {
    const uint8_t top = segTop, mid = segMiddle, bot = segBottom, ul = segUpperLeft,
                  ur = segUpperRight, ll = segLowerLeft, lr = segLowerRight;
    EXPECT_EQ(DigitPattern(0), top | bot | ul | ur | ll | lr);
    EXPECT_EQ(DigitPattern(1), ur | lr);
    EXPECT_EQ(DigitPattern(2), top | mid | bot | ur | ll);
    EXPECT_EQ(DigitPattern(3), top | mid | bot | ur | lr);
    EXPECT_EQ(DigitPattern(4), mid | ul | ur | lr);
    EXPECT_EQ(DigitPattern(5), top | mid | bot | ul | lr);
    EXPECT_EQ(DigitPattern(6), top | mid | bot | ul | ll | lr);
    EXPECT_EQ(DigitPattern(7), top | ur | lr);
    EXPECT_EQ(DigitPattern(8), 0x7F);
    EXPECT_EQ(DigitPattern(9), top | mid | bot | ul | ur | lr);
}

TEST(DigitPattern, NoPatternLightsTheCornerAndOutOfRangeIsZero) {
    for (int d = 0; d <= 9; ++d)
        EXPECT_EQ(DigitPattern(d) & segCorner, 0) << d;
    EXPECT_EQ(DigitPattern(-1), 125);
    EXPECT_EQ(DigitPattern(10), 125);
}

// The lane frames' digit: 48 x 89, thickness 5, separation 1.
TEST(DigitPolygons, CornersOfTheLaneFrameDigit) {
    const auto p = DigitPolygons(48, 89, 5, 1);
    EXPECT_EQ(p[0], (DigitPolygon{P{6, 5}, P{11, 0}, P{36, 0}, P{41, 5}, P{36, 10}, P{11, 10}}));
    EXPECT_EQ(p[1],
              (DigitPolygon{P{6, 44}, P{11, 39}, P{36, 39}, P{41, 44}, P{36, 49}, P{11, 49}}));
    EXPECT_EQ(p[2],
              (DigitPolygon{P{6, 83}, P{11, 78}, P{36, 78}, P{41, 83}, P{36, 88}, P{11, 88}}));
    EXPECT_EQ(p[3], (DigitPolygon{P{0, 11}, P{5, 6}, P{10, 11}, P{10, 38}, P{5, 43}, P{0, 38}}));
    EXPECT_EQ(p[4],
              (DigitPolygon{P{37, 11}, P{42, 6}, P{47, 11}, P{47, 38}, P{42, 43}, P{37, 38}}));
    EXPECT_EQ(p[5], (DigitPolygon{P{0, 50}, P{5, 45}, P{10, 50}, P{10, 77}, P{5, 82}, P{0, 77}}));
    EXPECT_EQ(p[6],
              (DigitPolygon{P{37, 50}, P{42, 45}, P{47, 50}, P{47, 77}, P{42, 82}, P{37, 77}}));
    EXPECT_EQ(p[7], (DigitPolygon{P{47, 88}, P{38, 88}, P{47, 79}}));
}

TEST(DigitPolygons, EveryPointLiesInsideTheControl) {
    for (auto [w, h, t, s] : {std::array{16, 32, 2, 1}, std::array{48, 89, 5, 1},
                              std::array{30, 60, 4, 0}, std::array{120, 200, 12, 3}}) {
        for (const auto& poly : DigitPolygons(w, h, t, s))
            for (const auto& pt : poly) {
                EXPECT_GE(pt.x, 0);
                EXPECT_LT(pt.x, w);
                EXPECT_GE(pt.y, 0);
                EXPECT_LT(pt.y, h);
            }
    }
}

} // namespace vk
