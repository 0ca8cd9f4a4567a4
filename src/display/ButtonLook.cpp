#include "display/ButtonLook.h"

#include <algorithm>
#include <cmath>

namespace vk {

namespace {

constexpr Color kBlack = 0x000000;

int MixChannel(int a, int b, double t) {
    return static_cast<int>(std::lround(a + (b - a) * t));
}

std::vector<GradientStop> Solid(Color c) {
    return {{0.0, c}};
}

// The classic frame: raised, or pressed in; thin for flat buttons.
std::vector<Ring> Bevel(const ButtonColors& c, Color face, bool down, bool thin) {
    if (thin)
        return down ? std::vector<Ring>{{c.shadow, c.light}}
                    : std::vector<Ring>{{c.light, c.shadow}};
    if (down)
        return {{kBlack, c.light}, {c.shadow, face}};
    return {{c.light, kBlack}, {face, c.shadow}};
}

// A black outline around a three pixel bevel; pressed, the light edges vanish and a two
// pixel shadow lies along the top and left only.
std::vector<Ring> ThickBevel(const ButtonColors& c, Color face, bool down) {
    if (down)
        return {{kBlack, kBlack}, {c.shadow, face}, {c.shadow, face}};
    return {{kBlack, kBlack}, {c.light, c.shadow}, {c.light, c.shadow}, {c.light, c.shadow}};
}

} // namespace

Color MixColor(Color a, Color b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    const int r = MixChannel(RedOf(a), RedOf(b), t);
    const int g = MixChannel(GreenOf(a), GreenOf(b), t);
    const int bl = MixChannel(BlueOf(a), BlueOf(b), t);
    return static_cast<Color>(r) | static_cast<Color>(g) << 8 | static_cast<Color>(bl) << 16;
}

Color FaceColorFor(const ButtonColors& colors, LookState state) {
    if (state.down && colors.whenDown != clNone)
        return colors.whenDown;
    if (state.hot && state.enabled && colors.hotTrack != clNone)
        return colors.hotTrack;
    return colors.face;
}

CaptionKind CaptionKindFor(LookState state, bool useHotTrackFont) {
    if (!state.enabled)
        return CaptionKind::Disabled;
    return state.hot && useHotTrackFont ? CaptionKind::Hot : CaptionKind::Normal;
}

GlyphChoice ChooseGlyph(LookState state, int numGlyphs) {
    int wanted = 0;
    if (!state.enabled)
        wanted = 1;
    else if (state.down)
        wanted = 2;
    else if (state.hot)
        wanted = 3;
    if (wanted < std::clamp(numGlyphs, 1, 4))
        return {wanted, false};
    return {0, !state.enabled};
}

FacePlan PlanFace(TLbButtonStyle style, const ButtonColors& colors, LookState state, bool flat,
                  bool transparent, int width, int height) {
    // A disabled button is never hot; a held one is drawn pressed.
    const bool hot = state.hot && state.enabled;
    const bool down = state.down && state.enabled;
    const Color face = FaceColorFor(colors, {state.enabled, down, hot});
    const bool filled = !transparent && face != clNone;
    const Color base = face == clNone ? colors.light : face;
    const bool framed = !flat || hot || down;
    const int shortSide = std::max(0, std::min(width, height));

    FacePlan plan;
    plan.shift = down ? 1 : 0;
    switch (style) {
    case bsShape:
        return plan;

    case bsNormal:
        plan.shape = FaceShape::Square;
        if (filled)
            plan.fill = Solid(face);
        if (framed)
            plan.rings = Bevel(colors, base, down, flat);
        return plan;

    case bsOld:
        plan.shape = FaceShape::Square;
        if (filled)
            plan.fill = Solid(face);
        if (framed) {
            plan.rings = ThickBevel(colors, base, down);
            plan.cutCorners = true;
        }
        plan.shift = down ? 2 : 0;
        return plan;

    case bsEncarta: {
        // Flat at rest; under the mouse a soft panel rises, held it sinks.
        plan.shape = FaceShape::Square;
        const Color edge = MixColor(base, colors.shadow, 0.6);
        if (down) {
            if (filled)
                plan.fill = {{0.0, MixColor(base, colors.shadow, 0.4)}, {0.35, base}, {1.0, base}};
            plan.rings = {{colors.shadow, edge}};
        } else if (hot) {
            if (filled)
                plan.fill = {{0.0, MixColor(base, colors.light, 0.7)},
                             {0.5, MixColor(base, colors.light, 0.3)},
                             {1.0, MixColor(base, colors.shadow, 0.15)}};
            plan.rings = {{edge, edge}};
        } else if (filled) {
            plan.fill = Solid(face);
        }
        return plan;
    }

    case bsModern:
        plan.shape = FaceShape::Rounded;
        plan.radius = std::min(6.0, shortSide / 4.0);
        if (filled) {
            // Light along the top and bottom edges, the face across the middle; a held
            // button shades the other way round.
            const Color edge = down ? MixColor(base, colors.shadow, 0.35) : colors.light;
            const Color far =
                down ? MixColor(base, colors.light, 0.4) : MixColor(colors.light, base, 0.5);
            plan.fill = {{0.0, edge}, {0.4, base}, {0.7, base}, {1.0, far}};
        }
        if (framed) {
            plan.outline = colors.shadow;
            plan.outlineWidth = down ? 2.0 : 1.0;
        }
        return plan;

    case bsQuicken:
        // A pill with a glassy upper half that goes away while held.
        plan.shape = FaceShape::Rounded;
        plan.radius = std::min(12.0, shortSide / 3.0);
        if (filled) {
            // Held without a colour of its own, the face darkens.
            const bool darken = down && colors.whenDown == clNone;
            plan.fill = Solid(darken ? MixColor(base, colors.shadow, 0.25) : base);
            if (!down)
                plan.gloss = {{0.0, MixColor(base, colors.light, 0.8)},
                              {1.0, MixColor(base, colors.light, 0.25)}};
        }
        if (framed) {
            plan.outline = MixColor(base, kBlack, 0.45);
            plan.outlineWidth = down ? 2.0 : 1.0;
        }
        return plan;
    }
    return plan;
}

ContentPlace PlaceContent(LookRect area, LookSize glyph, LookSize text, TButtonLayout layout,
                          HAlign align, int margin, int spacing) {
    const bool hasGlyph = glyph.w > 0 && glyph.h > 0;
    const bool hasText = text.w > 0 && text.h > 0;
    if (!hasGlyph)
        glyph = {};
    if (!hasText)
        text = {};
    const int gap = hasGlyph && hasText ? spacing : 0;
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    const LookSize total = horizontal ? LookSize{glyph.w + gap + text.w, std::max(glyph.h, text.h)}
                                      : LookSize{std::max(glyph.w, text.w), glyph.h + gap + text.h};

    int x = area.x + (area.w - total.w) / 2;
    if (align == HAlign::Left)
        x = area.x + margin;
    else if (align == HAlign::Right)
        x = area.x + area.w - margin - total.w;
    const int y = area.y + (area.h - total.h) / 2;

    ContentPlace c;
    switch (layout) {
    case blGlyphLeft:
        c.glyph = {x, y + (total.h - glyph.h) / 2, glyph.w, glyph.h};
        c.text = {x + glyph.w + gap, y, text.w, total.h};
        break;
    case blGlyphRight:
        c.text = {x, y, text.w, total.h};
        c.glyph = {x + text.w + gap, y + (total.h - glyph.h) / 2, glyph.w, glyph.h};
        break;
    case blGlyphTop:
        c.glyph = {x + (total.w - glyph.w) / 2, y, glyph.w, glyph.h};
        c.text = {x, y + glyph.h + gap, total.w, text.h};
        break;
    case blGlyphBottom:
        c.text = {x, y, total.w, text.h};
        c.glyph = {x + (total.w - glyph.w) / 2, y + text.h + gap, glyph.w, glyph.h};
        break;
    }
    return c;
}

} // namespace vk
