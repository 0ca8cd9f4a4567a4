#include "display/LedModel.h"

namespace vk {

namespace {

constexpr Color kPalette[kLedKindCount][kLedPaletteSize] = {
    {0xFFFFFF, 0x808080, 0x000000, 0x0000FF, 0xFF00FF, 0xFFFFFF}, // lkRed
    {0xFFFFFF, 0x808080, 0x000000, 0x00FF00, 0x00FFFF, 0xFFFFFF}, // lkGreen
    {0xFFFFFF, 0x808080, 0x000000, 0x00FFFF, 0xFFFFFF, 0xFFFFFF}, // lkYellow
    {0xFFFFFF, 0x808080, 0x000000, 0x808000, 0xFFFF00, 0xFFFFFF}, // lkCyan
    {0xFFFFFF, 0x808080, 0x000000, 0xFF00FF, 0xFFFFFF, 0xFFFFFF}, // lkMagenta
    {0xFFFFFF, 0x808080, 0x000000, 0xFF0000, 0xFFFF00, 0xFFFFFF}, // lkBlue
    {0xFFFFFF, 0x808080, 0x000000, 0x808080, 0xC0C0C0, 0xFFFFFF}, // lkWhite
};

using PixelMap = const char* const[kLedSize];

constexpr PixelMap kCircleDark = {
    ".....222222.....", "...2233333322...", "..233333333331..", ".23333333333331.",
    ".23334443333331.", "2333443333333331", "2333433333333331", "2333433333333331",
    "2333333333333331", "2333333333333331", "2333333333333331", ".23333333333331.",
    ".23333333333331.", "..133333333331..", "...1133333311...", ".....111111.....",
};

constexpr PixelMap kCircleLit = {
    ".....222222.....", "...2234444422...", "..234455544441..", ".23455544444441.",
    ".24566644444441.", "2345664444444431", "2455644444444431", "2454444444444431",
    "2454444444444431", "2444444444444331", "2444444444444331", ".24444444444331.",
    ".24444444443331.", "..144444433331..", "...1133333311...", ".....111111.....",
};

constexpr PixelMap kRectangleDark = {
    "................", "................", "................", "2222222222222222",
    "2333333333333331", "2344443333333331", "2344333333333331", "2333333333333331",
    "2333333333333331", "2333333333333331", "2333333333333331", "2333333333333331",
    "2111111111111111", "................", "................", "................",
};

constexpr PixelMap kRectangleLit = {
    "................", "................", "................", "2222222222222222",
    "2444444444444441", "2455555555555431", "2456554444444431", "2455544444444431",
    "2455444444444431", "2454444444444431", "2444444444444431", "2433333333333331",
    "2111111111111111", "................", "................", "................",
};

} // namespace

Color LedPaletteColor(TLedKind kind, int code) {
    if (kind >= kLedKindCount || code < 1 || code > kLedPaletteSize)
        return clNone;
    return kPalette[kind][code - 1];
}

int LedPixelCode(TLedShape shape, bool lit, int x, int y) {
    if (x < 0 || y < 0 || x >= kLedSize || y >= kLedSize)
        return 0;
    const auto& map = shape == lsRectangle ? (lit ? kRectangleLit : kRectangleDark)
                                           : (lit ? kCircleLit : kCircleDark);
    const char ch = map[y][x];
    return ch >= '1' && ch <= '6' ? ch - '0' : 0;
}

void LedModel::repaint() {
    if (onRepaint)
        onRepaint();
}

void LedModel::updateCaption() {
    if (label_ && setCaption_)
        setCaption_(currentCaption());
}

void LedModel::setKind(TLedKind k) {
    if (k == kind_)
        return;
    kind_ = k;
    repaint();
}

void LedModel::setShape(TLedShape s) {
    if (s == shape_)
        return;
    shape_ = s;
    repaint();
}

void LedModel::setValue(bool v) {
    if (v == value_)
        return;
    value_ = v;
    repaint();
    updateCaption();
    if (onChange)
        onChange();
}

void LedModel::setLabelLinked(const void* label, CaptionFn setCaption) {
    if (label == label_)
        return;
    label_ = label;
    setCaption_ = label ? std::move(setCaption) : CaptionFn();
    updateCaption();
}

void LedModel::setLabelOnText(const std::string& t) {
    if (t == onText_)
        return;
    onText_ = t;
    updateCaption();
}

void LedModel::setLabelOffText(const std::string& t) {
    if (t == offText_)
        return;
    offText_ = t;
    updateCaption();
}

} // namespace vk
