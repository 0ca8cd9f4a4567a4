#pragma once
#include "display/Colors.h"

#include <cstdint>
#include <vector>

namespace vk {

// The looks of the styled push button.
enum TLbButtonStyle : uint8_t { bsNormal, bsEncarta, bsModern, bsOld, bsShape, bsQuicken };

// Place of the glyph relative to the caption.
enum TButtonLayout : uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

enum class HAlign : uint8_t { Left, Centre, Right };

struct LookRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const LookRect&) const = default;
};

struct LookSize {
    int w = 0, h = 0;
};

struct LookState {
    bool enabled = true;
    bool down = false; // the left mouse button is held on it
    bool hot = false;  // the mouse is over it
};

// A button's colours. face, light and shadow are concrete 0x00BBGGRR values (the ui resolves
// theme colours first); face may be clNone (nothing filled); whenDown and hotTrack are clNone
// when unused.
struct ButtonColors {
    Color face = 0xC0C0C0;
    Color whenDown = clNone;
    Color hotTrack = clNone;
    Color light = 0xFFFFFF;
    Color shadow = 0x808080;
};

constexpr Color kDisabledCaption = 0x808080;

// Per channel a + (b - a) * t, rounded; t is held within 0..1.
Color MixColor(Color a, Color b, double t);

// Held with ColorWhenDown set: that colour; over an enabled button with HotTrackColor set:
// that one; else the face.
Color FaceColorFor(const ButtonColors& colors, LookState state);

enum class CaptionKind : uint8_t { Normal, Hot, Disabled };
CaptionKind CaptionKindFor(LookState state, bool useHotTrackFont);

// Which picture of a strip of numGlyphs (up, disabled, down, hot) to show; a missing state
// shows the up picture, greyed when the button is disabled.
struct GlyphChoice {
    int index = 0;
    bool greyed = false;
    bool operator==(const GlyphChoice&) const = default;
};
GlyphChoice ChooseGlyph(LookState state, int numGlyphs);

struct GradientStop {
    double at = 0; // 0 at the top, 1 at the bottom
    Color color = 0;
    bool operator==(const GradientStop&) const = default;
};

// One pixel wide frame line: its top and left sides, its bottom and right sides.
struct Ring {
    Color topLeft = 0, bottomRight = 0;
    bool operator==(const Ring&) const = default;
};

enum class FaceShape : uint8_t {
    Nothing, // only the picture and caption
    Square,  // filled rectangle, framed by rings from the outside in
    Rounded, // filled rounded rectangle with a one-colour outline
};

// What to paint for the face of a button of the given size.
struct FacePlan {
    FaceShape shape = FaceShape::Nothing;
    std::vector<GradientStop> fill; // empty: not filled; one stop: a solid fill
    std::vector<Ring> rings;        // Square only
    bool cutCorners = false;        // Square only: the four corner pixels stay unpainted
    double radius = 0;              // Rounded only
    Color outline = clNone;         // Rounded only; clNone: no outline
    double outlineWidth = 0;
    std::vector<GradientStop> gloss; // over the upper half, inside the outline
    int shift = 0;                   // caption and glyph move right and down while held
};

FacePlan PlanFace(TLbButtonStyle style, const ButtonColors& colors, LookState state, bool flat,
                  bool transparent, int width, int height);

struct ContentPlace {
    LookRect glyph;
    LookRect text;
    bool operator==(const ContentPlace&) const = default;
};

// Glyph and caption as one block inside area: centred vertically, placed horizontally by
// align (margin from the edge when not centred), spacing between them when both exist.
ContentPlace PlaceContent(LookRect area, LookSize glyph, LookSize text, TButtonLayout layout,
                          HAlign align, int margin, int spacing);

} // namespace vk
