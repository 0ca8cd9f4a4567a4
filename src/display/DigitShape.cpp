#include "display/DigitShape.h"

#include <cstddef>

namespace vk {

uint8_t DigitPattern(int digit) {
    if (digit < 0 || digit > 9)
        return kDigitPatterns[0];
    return kDigitPatterns[static_cast<std::size_t>(digit)];
}

namespace {

DigitPolygon HorizontalBar(int w1, int t, int s, int y0) {
    return {{s + t, y0 + t},
            {s + 2 * t, y0},
            {w1 - 2 * t - s, y0},
            {w1 - t - s, y0 + t},
            {w1 - 2 * t - s, y0 + 2 * t},
            {s + 2 * t, y0 + 2 * t}};
}

DigitPolygon VerticalBar(int m, int t, int s, int x0, int y0) {
    return {{x0, y0 + 2 * t + s},         {x0 + t, y0 + t + s}, {x0 + 2 * t, y0 + 2 * t + s},
            {x0 + 2 * t, y0 + m - t - s}, {x0 + t, y0 + m - s}, {x0, y0 + m - t - s}};
}

} // namespace

std::array<DigitPolygon, kDigitSegmentCount> DigitPolygons(int width, int height, int thickness,
                                                           int separation) {
    const int w1 = width - 1;
    const int h1 = height - 1;
    const int t = thickness;
    const int s = separation;
    const int m = h1 / 2;

    std::array<DigitPolygon, kDigitSegmentCount> p;
    p[0] = HorizontalBar(w1, t, s, 0);
    p[1] = HorizontalBar(w1, t, s, m - t);
    p[2] = HorizontalBar(w1, t, s, h1 - 2 * t);
    p[3] = VerticalBar(m, t, s, 0, 0);
    p[4] = VerticalBar(m, t, s, w1 - 2 * t, 0);
    p[5] = VerticalBar(m, t, s, 0, m - t);
    p[6] = VerticalBar(m, t, s, w1 - 2 * t, m - t);
    p[7] = {{w1, h1}, {w1 - 2 * t + s, h1}, {w1, h1 - 2 * t + s}};
    return p;
}

} // namespace vk
