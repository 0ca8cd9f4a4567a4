#pragma once
#include <cstdint>

namespace vk {

// Colours are 0x00BBGGRR values. A few values stand for colours of the desktop theme
// rather than fixed ones; the ui resolves them against its palette.
using Color = uint32_t;

constexpr Color clBtnFace = 0xFF00000F;   // button face of the theme
constexpr Color clBtnShadow = 0xFF000010; // button shadow of the theme
constexpr Color clNone = 0x1FFFFFFF;      // nothing drawn

constexpr bool IsThemeColor(Color c) {
    return (c & 0xFF000000u) == 0xFF000000u;
}
constexpr int RedOf(Color c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(Color c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(Color c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

} // namespace vk
