#pragma once
#include <array>
#include <cstdint>
#include <vector>

namespace vk {

// Segment bits of a seven-segment digit; the bit number is also the index of the segment's
// polygon in DigitPolygons.
enum DigitSegment : uint8_t {
    segTop = 0x01,
    segMiddle = 0x02,
    segBottom = 0x04,
    segUpperLeft = 0x08,
    segUpperRight = 0x10,
    segLowerLeft = 0x20,
    segLowerRight = 0x40,
    segCorner = 0x80,
};

constexpr int kDigitSegmentCount = 8;

// Segment bytes of the digits 0..9. There are no letters, and no pattern lights the corner.
constexpr std::array<uint8_t, 10> kDigitPatterns = {125, 80, 55, 87, 90, 79, 111, 81, 127, 95};

// Pattern of a digit; anything outside 0..9 gives the pattern of 0.
uint8_t DigitPattern(int digit);

struct DigitPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const DigitPoint&, const DigitPoint&) = default;
};

using DigitPolygon = std::vector<DigitPoint>;

// The eight polygons of a digit of the given size: seven hexagonal bars and the triangular
// corner mark, indexed by segment bit number (0 top ... 6 lower right, 7 corner).
std::array<DigitPolygon, kDigitSegmentCount> DigitPolygons(int width, int height, int thickness,
                                                           int separation);

} // namespace vk
