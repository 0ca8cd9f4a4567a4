#include "display/LedModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vk {

namespace {

struct CountingLed {
    LedModel led;
    int repaints = 0;
    int changes = 0;
    CountingLed() {
        led.onRepaint = [this] { ++repaints; };
        led.onChange = [this] { ++changes; };
    }
};

} // namespace

TEST(LedModel, ConstructorValues) {
    LedModel led;
    EXPECT_EQ(led.kind(), lkRed);
    EXPECT_EQ(led.shape(), lsCircle);
    EXPECT_FALSE(led.value());
    EXPECT_EQ(led.labelLinked(), nullptr);
    EXPECT_EQ(led.labelOnText(), "");
    EXPECT_EQ(led.labelOffText(), "");
}

TEST(LedModel, ValueTrueTwiceRepaintsAndNotifiesOnce) {
    CountingLed c;
    c.led.setValue(true);
    c.led.setValue(true);
    EXPECT_EQ(c.repaints, 1);
    EXPECT_EQ(c.changes, 1);
    c.led.setValue(false);
    EXPECT_EQ(c.repaints, 2);
    EXPECT_EQ(c.changes, 2);
}

TEST(LedModel, ChangeIsReportedAfterTheValueAndCaption) {
    LedModel led;
    std::string caption;
    led.setLabelOnText("an");
    int label = 0;
    led.setLabelLinked(&label, [&](const std::string& s) { caption = s; });
    bool seenValue = false;
    std::string seenCaption;
    led.onChange = [&] {
        seenValue = led.value();
        seenCaption = caption;
    };
    led.setValue(true);
    EXPECT_TRUE(seenValue);
    EXPECT_EQ(seenCaption, "an");
}

TEST(LedModel, KindAndShapeRepaintOnlyWhenDifferent) {
    CountingLed c;
    c.led.setKind(lkRed);
    c.led.setShape(lsCircle);
    EXPECT_EQ(c.repaints, 0);
    c.led.setKind(lkGreen);
    c.led.setShape(lsRectangle);
    EXPECT_EQ(c.repaints, 2);
    EXPECT_EQ(c.changes, 0);
}

TEST(LedModel, LinkedLabelFollowsValueAndTexts) {
    LedModel led;
    std::vector<std::string> captions;
    auto sink = [&](const std::string& s) { captions.push_back(s); };
    led.setLabelOnText("Ein");
    led.setLabelOffText("Aus");
    int label = 0;
    led.setLabelLinked(&label, sink);
    ASSERT_EQ(captions, (std::vector<std::string>{"Aus"}));

    led.setLabelLinked(&label, sink); // same label: nothing
    EXPECT_EQ(captions.size(), 1u);

    led.setValue(true);
    EXPECT_EQ(captions.back(), "Ein");
    led.setValue(false);
    EXPECT_EQ(captions.back(), "Aus");

    led.setLabelOffText("Frei");
    EXPECT_EQ(captions.back(), "Frei");
    led.setValue(true);
    led.setLabelOnText("Belegt");
    EXPECT_EQ(captions.back(), "Belegt");
    const size_t before = captions.size();
    led.setLabelOnText("Belegt"); // unchanged text: nothing
    EXPECT_EQ(captions.size(), before);

    led.setLabelLinked(nullptr, sink);
    led.setValue(false);
    led.setLabelOffText("weg");
    EXPECT_EQ(captions.size(), before);
}

TEST(LedModel, NoLabelMeansNoCaptionCalls) {
    CountingLed c;
    c.led.setLabelOnText("x");
    c.led.setValue(true);
    EXPECT_EQ(c.led.currentCaption(), "x");
    EXPECT_EQ(c.changes, 1);
}

TEST(LedPalette, SpotChecksAgainstTheTable) {
    EXPECT_EQ(LedPaletteColor(lkRed, 1), 0xFFFFFFu);
    EXPECT_EQ(LedPaletteColor(lkRed, 2), 0x808080u);
    EXPECT_EQ(LedPaletteColor(lkRed, 3), 0x000000u);
    EXPECT_EQ(LedPaletteColor(lkRed, 4), 0x0000FFu);
    EXPECT_EQ(LedPaletteColor(lkRed, 5), 0xFF00FFu);
    EXPECT_EQ(LedPaletteColor(lkGreen, 4), 0x00FF00u);
    EXPECT_EQ(LedPaletteColor(lkGreen, 5), 0x00FFFFu);
    EXPECT_EQ(LedPaletteColor(lkYellow, 4), 0x00FFFFu);
    EXPECT_EQ(LedPaletteColor(lkCyan, 4), 0x808000u);
    EXPECT_EQ(LedPaletteColor(lkCyan, 5), 0xFFFF00u);
    EXPECT_EQ(LedPaletteColor(lkMagenta, 4), 0xFF00FFu);
    EXPECT_EQ(LedPaletteColor(lkBlue, 4), 0xFF0000u);
    EXPECT_EQ(LedPaletteColor(lkBlue, 5), 0xFFFF00u);
    EXPECT_EQ(LedPaletteColor(lkWhite, 4), 0x808080u);
    EXPECT_EQ(LedPaletteColor(lkWhite, 5), 0xC0C0C0u);
    EXPECT_EQ(LedPaletteColor(lkWhite, 6), 0xFFFFFFu);
    EXPECT_EQ(LedPaletteColor(lkRed, 0), clNone);
    EXPECT_EQ(LedPaletteColor(lkRed, 7), clNone);
}

namespace {

std::string Row(TLedShape shape, bool lit, int y) {
    std::string s;
    for (int x = 0; x < kLedSize; ++x) {
        const int c = LedPixelCode(shape, lit, x, y);
        s += c == 0 ? '.' : static_cast<char>('0' + c);
    }
    return s;
}

} // namespace

TEST(LedPixelMap, SpotChecksAgainstTheTable) {
    EXPECT_EQ(Row(lsCircle, false, 0), ".....222222.....");
    EXPECT_EQ(Row(lsCircle, false, 4), ".23334443333331.");
    EXPECT_EQ(Row(lsCircle, false, 15), ".....111111.....");
    EXPECT_EQ(Row(lsCircle, true, 2), "..234455544441..");
    EXPECT_EQ(Row(lsCircle, true, 4), ".24566644444441.");
    EXPECT_EQ(Row(lsCircle, true, 13), "..144444433331..");
    EXPECT_EQ(Row(lsRectangle, false, 2), "................");
    EXPECT_EQ(Row(lsRectangle, false, 5), "2344443333333331");
    EXPECT_EQ(Row(lsRectangle, false, 12), "2111111111111111");
    EXPECT_EQ(Row(lsRectangle, true, 6), "2456554444444431");
    EXPECT_EQ(Row(lsRectangle, true, 11), "2433333333333331");
    EXPECT_EQ(Row(lsRectangle, true, 13), "................");
}

TEST(LedPixelMap, OutsideTheMapNothingIsDrawn) {
    EXPECT_EQ(LedPixelCode(lsCircle, true, 16, 8), 0);
    EXPECT_EQ(LedPixelCode(lsCircle, true, 8, 16), 0);
    EXPECT_EQ(LedPixelCode(lsCircle, true, -1, 8), 0);
    EXPECT_EQ(LedPixelCode(lsRectangle, false, 8, -1), 0);
}

} // namespace vk
