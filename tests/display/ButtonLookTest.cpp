#include "display/ButtonLook.h"

#include <gtest/gtest.h>

#include <string>

using namespace vk;

namespace {

constexpr LookState kIdle{true, false, false};
constexpr LookState kHot{true, false, true};
constexpr LookState kDown{true, true, true};
constexpr LookState kOff{false, false, false};
constexpr LookState kOffUnderMouse{false, false, true};

ButtonColors Colors() {
    ButtonColors c;
    c.face = 0x008000;
    c.whenDown = 0x0000FF;
    c.hotTrack = 0xFF0000;
    c.light = 0xFFFFFF;
    c.shadow = 0x808080;
    return c;
}

int Brightness(Color c) {
    return RedOf(c) + GreenOf(c) + BlueOf(c);
}

} // namespace

TEST(ButtonLook, MixColorPerChannelRoundedAndClamped) {
    EXPECT_EQ(MixColor(0x000000, 0xFFFFFF, 0.0), 0x000000u);
    EXPECT_EQ(MixColor(0x000000, 0xFFFFFF, 1.0), 0xFFFFFFu);
    EXPECT_EQ(MixColor(0x0000FF, 0xFF0000, 0.5), 0x800080u); // 127.5 rounds up
    EXPECT_EQ(MixColor(0x102030, 0x102030, 0.3), 0x102030u);
    EXPECT_EQ(MixColor(0x000000, 0xFFFFFF, 2.0), 0xFFFFFFu);
    EXPECT_EQ(MixColor(0x000000, 0xFFFFFF, -1.0), 0x000000u);
}

TEST(ButtonLook, FaceColourFollowsPressAndHotTrack) {
    ButtonColors unset = Colors();
    unset.whenDown = clNone;
    unset.hotTrack = clNone;
    ButtonColors onlyHot = Colors();
    onlyHot.whenDown = clNone;
    const struct {
        const char* name;
        ButtonColors colors;
        LookState state;
        Color face;
    } cases[] = {
        {"idle", Colors(), kIdle, 0x008000},
        {"hot", Colors(), kHot, 0xFF0000},
        {"held", Colors(), kDown, 0x0000FF},
        {"disabled under the mouse", Colors(), kOffUnderMouse, 0x008000},
        {"hot, no hot-track colour", unset, kHot, 0x008000},
        {"held, no down colour", unset, kDown, 0x008000},
        {"held, only a hot-track colour", onlyHot, kDown, 0xFF0000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FaceColorFor(c.colors, c.state), c.face) << c.name;
}

TEST(ButtonLook, CaptionAndGlyphPerState) {
    EXPECT_EQ(CaptionKindFor(kIdle, true), CaptionKind::Normal);
    EXPECT_EQ(CaptionKindFor(kHot, true), CaptionKind::Hot);
    EXPECT_EQ(CaptionKindFor(kHot, false), CaptionKind::Normal);
    EXPECT_EQ(CaptionKindFor(kOffUnderMouse, true), CaptionKind::Disabled);

    // Strip order: up, disabled, down, hot.
    const struct {
        LookState state;
        int numGlyphs;
        GlyphChoice choice;
    } cases[] = {
        {kIdle, 4, {0, false}}, {kOff, 4, {1, false}},  {kDown, 4, {2, false}},
        {kHot, 4, {3, false}},  {kHot, 2, {0, false}},  {kOff, 1, {0, true}},
        {kOff, 2, {1, false}},  {kDown, 2, {0, false}}, {kOff, 0, {0, true}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseGlyph(c.state, c.numGlyphs), c.choice)
            << c.state.enabled << c.state.down << c.state.hot << " of " << c.numGlyphs;
}

TEST(ButtonLook, EachStyleFramesAndFillsAsItsLookSays) {
    const struct {
        const char* name;
        TLbButtonStyle style;
        LookState state;
        bool flat, transparent;
        FaceShape shape;
        bool framed, filled, glossy;
        int shift;
    } cases[] = {
        {"normal", bsNormal, kIdle, false, false, FaceShape::Square, true, true, false, 0},
        {"normal held", bsNormal, kDown, false, false, FaceShape::Square, true, true, false, 1},
        {"normal flat", bsNormal, kIdle, true, false, FaceShape::Square, false, true, false, 0},
        {"normal flat hot", bsNormal, kHot, true, false, FaceShape::Square, true, true, false, 0},
        {"normal transparent", bsNormal, kIdle, false, true, FaceShape::Square, true, false, false,
         0},
        {"encarta at rest", bsEncarta, kIdle, false, false, FaceShape::Square, false, true, false,
         0},
        {"encarta hot", bsEncarta, kHot, false, false, FaceShape::Square, true, true, false, 0},
        {"encarta held", bsEncarta, kDown, false, false, FaceShape::Square, true, true, false, 1},
        {"encarta disabled", bsEncarta, kOffUnderMouse, false, false, FaceShape::Square, false,
         true, false, 0},
        {"old", bsOld, kIdle, false, false, FaceShape::Square, true, true, false, 0},
        {"old held", bsOld, kDown, false, false, FaceShape::Square, true, true, false, 2},
        {"old flat", bsOld, kIdle, true, false, FaceShape::Square, false, true, false, 0},
        {"modern", bsModern, kIdle, false, false, FaceShape::Rounded, true, true, false, 0},
        {"modern flat", bsModern, kIdle, true, false, FaceShape::Rounded, false, true, false, 0},
        {"quicken", bsQuicken, kIdle, false, false, FaceShape::Rounded, true, true, true, 0},
        {"quicken held", bsQuicken, kDown, false, false, FaceShape::Rounded, true, true, false, 1},
        {"quicken transparent", bsQuicken, kHot, false, true, FaceShape::Rounded, true, false,
         false, 0},
        {"shape", bsShape, kDown, false, false, FaceShape::Nothing, false, false, false, 1},
    };
    for (const auto& c : cases) {
        const FacePlan p = PlanFace(c.style, Colors(), c.state, c.flat, c.transparent, 84, 40);
        EXPECT_EQ(p.shape, c.shape) << c.name;
        EXPECT_EQ(!p.rings.empty() || p.outline != clNone, c.framed) << c.name;
        EXPECT_EQ(!p.fill.empty(), c.filled) << c.name;
        EXPECT_EQ(!p.gloss.empty(), c.glossy) << c.name;
        EXPECT_EQ(p.shift, c.shift) << c.name;
    }
}

TEST(ButtonLook, StylesDifferInTheirDetails) {
    const ButtonColors c = Colors();
    // A disabled button under the mouse looks exactly like a disabled one elsewhere.
    const FacePlan off = PlanFace(bsEncarta, c, kOff, false, false, 84, 40);
    const FacePlan offHot = PlanFace(bsEncarta, c, kOffUnderMouse, false, false, 84, 40);
    EXPECT_EQ(off.fill, offHot.fill);
    EXPECT_EQ(off.rings, offHot.rings);

    // Encarta under the mouse: a panel bright at the top, darker than the hot face below.
    ButtonColors pale = c;
    pale.hotTrack = 0xE0E0E0;
    const FacePlan encarta = PlanFace(bsEncarta, pale, kHot, false, false, 84, 40);
    ASSERT_GE(encarta.fill.size(), 2u);
    EXPECT_GT(Brightness(encarta.fill.front().color), Brightness(pale.hotTrack));
    EXPECT_LT(Brightness(encarta.fill.back().color), Brightness(pale.hotTrack));

    // Old: a black outline and a bevel three pixels thick, light above, shadow below.
    const FacePlan old = PlanFace(bsOld, c, kIdle, false, false, 84, 40);
    ASSERT_EQ(old.rings.size(), 4u);
    EXPECT_EQ(old.rings[0], (Ring{0x000000, 0x000000}));
    EXPECT_EQ(old.rings[1], (Ring{c.light, c.shadow}));
    EXPECT_EQ(old.rings[3], (Ring{c.light, c.shadow}));
    EXPECT_TRUE(old.cutCorners);
    const FacePlan normal = PlanFace(bsNormal, c, kIdle, false, false, 84, 40);
    EXPECT_LT(normal.rings.size(), old.rings.size());

    // Quicken: rounder than modern, its gloss fading from near white to the face.
    const FacePlan quicken = PlanFace(bsQuicken, c, kIdle, false, false, 84, 40);
    const FacePlan modern = PlanFace(bsModern, c, kIdle, false, false, 84, 40);
    EXPECT_GT(quicken.radius, modern.radius);
    ASSERT_EQ(quicken.gloss.size(), 2u);
    EXPECT_GT(Brightness(quicken.gloss[0].color), Brightness(quicken.gloss[1].color));
    EXPECT_GT(Brightness(quicken.gloss[1].color), Brightness(c.face));
    // Small buttons keep their corners inside the button.
    EXPECT_LE(PlanFace(bsQuicken, c, kIdle, false, false, 12, 9).radius, 3.0);
    EXPECT_LE(PlanFace(bsModern, c, kIdle, false, false, 12, 9).radius, 2.25);

    // No face colour: nothing filled, whatever the style.
    ButtonColors none = c;
    none.face = clNone;
    for (TLbButtonStyle s : {bsNormal, bsEncarta, bsModern, bsOld, bsQuicken})
        EXPECT_TRUE(PlanFace(s, none, kIdle, false, false, 84, 40).fill.empty()) << int(s);
}

TEST(ButtonLook, ContentPlacement) {
    const LookRect area{0, 0, 100, 40};
    const LookSize glyph{16, 16}, text{40, 14};
    const struct {
        const char* name;
        LookSize glyph, text;
        TButtonLayout layout;
        HAlign align;
        ContentPlace place;
    } cases[] = {
        {"glyph left, centred",
         glyph,
         text,
         blGlyphLeft,
         HAlign::Centre,
         {{20, 12, 16, 16}, {40, 12, 40, 16}}},
        {"glyph right",
         glyph,
         text,
         blGlyphRight,
         HAlign::Centre,
         {{64, 12, 16, 16}, {20, 12, 40, 16}}},
        {"glyph top", glyph, text, blGlyphTop, HAlign::Centre, {{42, 3, 16, 16}, {30, 23, 40, 14}}},
        {"glyph bottom",
         glyph,
         text,
         blGlyphBottom,
         HAlign::Centre,
         {{42, 21, 16, 16}, {30, 3, 40, 14}}},
        {"left aligned",
         glyph,
         text,
         blGlyphLeft,
         HAlign::Left,
         {{4, 12, 16, 16}, {24, 12, 40, 16}}},
        {"right aligned",
         glyph,
         text,
         blGlyphLeft,
         HAlign::Right,
         {{36, 12, 16, 16}, {56, 12, 40, 16}}},
        {"caption only: no gap",
         {},
         text,
         blGlyphLeft,
         HAlign::Centre,
         {{30, 20, 0, 0}, {30, 13, 40, 14}}},
        {"glyph only", glyph, {}, blGlyphTop, HAlign::Centre, {{42, 12, 16, 16}, {42, 28, 16, 0}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlaceContent(area, c.glyph, c.text, c.layout, c.align, 4, 4), c.place) << c.name;
}
