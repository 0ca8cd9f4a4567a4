#include "display/DigitModel.h"

#include <gtest/gtest.h>

namespace vk {

namespace {

struct CountingDigit {
    DigitModel d;
    int repaints = 0;
    int overflows = 0;
    CountingDigit() {
        d.onRepaint = [this] { ++repaints; };
        d.onOverflow = [this] { ++overflows; };
    }
};

} // namespace

TEST(DigitModel, ConstructorValues) {
    DigitModel d;
    EXPECT_EQ(d.value(), 0);
    EXPECT_EQ(d.valueBinary(), 125);
    EXPECT_EQ(d.colorOn(), 0x00FFFFu);
    EXPECT_EQ(d.colorOff(), 0u);
    EXPECT_EQ(d.color(), 0u);
    EXPECT_EQ(d.thickness(), 2);
    EXPECT_EQ(d.separation(), 1);
    EXPECT_EQ(d.borderStyle(), bsSingle);
    EXPECT_EQ(d.width(), 16);
    EXPECT_EQ(d.height(), 32);
}

TEST(DigitModel, ValueOutOfRangeShowsZeroAndOverflowsOnce) {
    CountingDigit c;
    c.d.setValue(3);
    ASSERT_EQ(c.d.valueBinary(), 87);
    c.repaints = 0;
    c.d.setValue(12);
    EXPECT_EQ(c.d.value(), 0);
    EXPECT_EQ(c.d.valueBinary(), 125);
    EXPECT_EQ(c.overflows, 1);
    EXPECT_EQ(c.repaints, 1);

    c.d.setValue(5);
    c.d.setValue(-1);
    EXPECT_EQ(c.d.value(), 0);
    EXPECT_EQ(c.overflows, 2);
    c.d.setValue(9);
    EXPECT_EQ(c.d.value(), 9);
    EXPECT_EQ(c.d.valueBinary(), 95);
    EXPECT_EQ(c.overflows, 2);
}

TEST(DigitModel, OverflowWhileShowingZeroStillReports) {
    // 12 differs from the current 0, so it is handled even though the result is 0 again.
    CountingDigit c;
    c.d.setValue(12);
    EXPECT_EQ(c.overflows, 1);
    EXPECT_EQ(c.d.value(), 0);
}

TEST(DigitModel, SameValueKeepsDirectlyWrittenSegments) {
    CountingDigit c;
    c.d.setValue(7);
    c.d.setValueBinary(0);
    EXPECT_EQ(c.d.value(), 7);
    c.repaints = 0;
    c.d.setValue(7);
    EXPECT_EQ(c.d.valueBinary(), 0);
    EXPECT_EQ(c.repaints, 0);
    c.d.setValue(8);
    EXPECT_EQ(c.d.valueBinary(), 127);
}

TEST(DigitModel, ValueBinaryRepaintsOnlyWhenDifferent) {
    CountingDigit c;
    c.d.setValueBinary(0x80);
    EXPECT_EQ(c.repaints, 1);
    c.d.setValueBinary(0x80);
    EXPECT_EQ(c.repaints, 1);
    for (int i = 0; i < 7; ++i)
        EXPECT_FALSE(c.d.segmentLit(i));
    EXPECT_TRUE(c.d.segmentLit(7));
}

TEST(DigitModel, ColoursAndBorderRepaintOnlyWhenDifferent) {
    CountingDigit c;
    c.d.setColorOn(0x00FFFF);
    c.d.setColorOff(0);
    c.d.setColor(0);
    c.d.setBorderStyle(bsSingle);
    EXPECT_EQ(c.repaints, 0);
    c.d.setColorOn(0x0000FF);
    c.d.setColorOff(0x202020);
    c.d.setColor(0x101010);
    c.d.setBorderStyle(bsNone);
    EXPECT_EQ(c.repaints, 4);
    EXPECT_EQ(c.d.colorOn(), 0x0000FFu);
    EXPECT_EQ(c.d.colorOff(), 0x202020u);
    EXPECT_EQ(c.d.color(), 0x101010u);
    EXPECT_EQ(c.d.borderStyle(), bsNone);
}

TEST(DigitModel, ThicknessMustFitHalfTheStoredSize) {
    CountingDigit c; // 16 x 32
    c.d.setThickness(9);
    EXPECT_EQ(c.d.thickness(), 2);
    EXPECT_EQ(c.repaints, 0);
    c.d.setThickness(8);
    EXPECT_EQ(c.d.thickness(), 8);
    EXPECT_EQ(c.repaints, 1);

    // Integer halves: 17 wide allows 8, not 9; the height limits a flat digit.
    c.d.setSize(17, 40);
    c.d.setThickness(9);
    EXPECT_EQ(c.d.thickness(), 8);
    c.d.setSize(40, 13);
    c.d.setThickness(7);
    EXPECT_EQ(c.d.thickness(), 8);
    c.d.setThickness(6);
    EXPECT_EQ(c.d.thickness(), 6);
    c.d.setSize(48, 89);
    c.d.setThickness(5);
    EXPECT_EQ(c.d.thickness(), 5);
    EXPECT_EQ(c.d.polygons(), DigitPolygons(48, 89, 5, 1));
}

TEST(DigitModel, SeparationIsAlwaysStored) {
    CountingDigit c;
    c.d.setSeparation(1);
    c.d.setSeparation(40);
    EXPECT_EQ(c.d.separation(), 40);
    EXPECT_EQ(c.repaints, 2);
}

} // namespace vk
