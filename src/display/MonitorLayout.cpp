#include "display/MonitorLayout.h"

#include <algorithm>
#include <cmath>

namespace vk {

namespace {

constexpr int kDesignDpi = 96;

// a * b / c rounded half away from zero, for non-negative values.
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : -((-p + c / 2) / c));
}

BoundsRect Shifted(BoundsRect r, int dx, int dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
    return r;
}

BoundsRect AtTop(const BoundsRect& r, int top) {
    return Shifted(r, 0, top - r.top);
}

// The layout at one scale, the picture (one frame width at that scale) centred horizontally.
AudienceLayout LayoutAt(double k, int clientWidth, int clientHeight, const LaneFrameGeometry& f1,
                        const LaneFrameGeometry& f2) {
    AudienceLayout l;
    l.scale = k;
    const int pictureWidth = RoundHalfEven(k * f1.width);
    const int dx = (clientWidth - pictureWidth) / 2;
    const LaneFrameGeometry* frames[2] = {&f1, &f2};
    for (size_t lane = 0; lane < 2; ++lane) {
        const LaneFrameGeometry& f = *frames[lane];
        AudienceLane& a = l.lanes[lane];
        for (size_t i = 0; i < 6; ++i) {
            a.digits[i] = Shifted(ScaleRect(f.digits[i], k), dx, 0);
            a.thickness[i] = RoundHalfEven(f.thickness[i] * k);
        }
        a.comma = Shifted(ScaleRect(f.comma, k), dx, 0);
        a.commaFontPoints = RoundHalfEven(f.commaFontPoints * k);
        a.commaFontPixels = FontPixelsFromPoints(a.commaFontPoints);
    }
    l.labelFontPoints = RoundHalfEven(f1.fontPoints * k);
    l.labelFontPixels = FontPixelsFromPoints(l.labelFontPoints);
    const int h = l.labelFontPixels;

    // Lane 2's row sits at the bottom, a fifth of a digit height above the edge; its comma
    // keeps its place relative to the digits.
    AudienceLane& one = l.lanes[0];
    AudienceLane& two = l.lanes[1];
    const int top2 = clientHeight - RoundHalfEven(1.2 * two.digits[0].height());
    for (auto& d : two.digits)
        d = AtTop(d, top2);
    two.comma = AtTop(two.comma, one.comma.top + (top2 - one.digits[0].top));

    for (AudienceLane* a : {&one, &two}) {
        const int top = a->digits[0].top - RoundHalfEven(1.2 * h);
        a->labels = {dx, top, dx + pictureWidth, top + h};
    }
    l.title = {0, 0, clientWidth, h};
    return l;
}

} // namespace

BoundsRect ScaleRect(const BoundsRect& r, double k) {
    return {RoundHalfEven(r.left * k), RoundHalfEven(r.top * k), RoundHalfEven(r.right * k),
            RoundHalfEven(r.bottom * k)};
}

int FontPointsFromPixels(int pixels) {
    return MulDiv(pixels, 72, kDesignDpi);
}

int FontPixelsFromPoints(int points) {
    return MulDiv(points, kDesignDpi, 72);
}

LaneFrameGeometry DesignLaneFrame() {
    LaneFrameGeometry g;
    g.width = 353;
    const int left[6] = {8, 58, 108, 182, 232, 282};
    for (size_t i = 0; i < 6; ++i) {
        g.digits[i] = {left[i], 43, left[i] + 48, 43 + 89};
        g.thickness[i] = 5;
    }
    g.comma = {156, 63, 182, 143};
    g.commaFontPoints = FontPointsFromPixels(64);
    g.fontPoints = FontPointsFromPixels(19);
    return g;
}

LaneFrameLayout ScaleLaneFrame(double k) {
    const LaneFrameGeometry d = DesignLaneFrame();
    LaneFrameLayout l;
    l.width = RoundHalfEven(k * d.width);
    l.height = RoundHalfEven(k * 143);
    l.panel6 = ScaleRect({0, 0, d.width, 36}, k);
    l.label1 = ScaleRect({6, 4, 106, 32}, k);
    l.edit1 = ScaleRect({104, 4, 174, 32}, k);
    l.label2 = ScaleRect({180, 4, 272, 32}, k);
    l.edit2 = ScaleRect({277, 4, 347, 32}, k);
    for (size_t i = 0; i < 6; ++i)
        l.digits[i] = ScaleRect(d.digits[i], k);
    l.thickness = RoundHalfEven(k * d.thickness[0]);
    l.comma = ScaleRect(d.comma, k);
    l.labelFontPixels = RoundHalfEven(k * 19);
    l.commaFontPixels = RoundHalfEven(k * 64);
    return l;
}

bool RowsApart(const AudienceLayout& l, int clientHeight, int gap) {
    int previousBottom = l.title.bottom;
    for (const AudienceLane& a : l.lanes) {
        if (a.labels.top < previousBottom + (&a == &l.lanes[0] ? 0 : gap))
            return false;
        int top = a.digits[0].top, bottom = a.digits[0].bottom;
        for (const BoundsRect& d : a.digits) {
            top = std::min(top, d.top);
            bottom = std::max(bottom, d.bottom);
        }
        if (top < a.labels.bottom)
            return false;
        previousBottom = bottom;
    }
    return previousBottom <= clientHeight;
}

AudienceLayout LayoutDisplay(int clientWidth, int clientHeight, const LaneFrameGeometry& lane1,
                             const LaneFrameGeometry& lane2) {
    const double k = lane1.width > 0 ? static_cast<double>(clientWidth) / lane1.width : 0.0;
    AudienceLayout l = LayoutAt(k, clientWidth, clientHeight, lane1, lane2);
    if (RowsApart(l, clientHeight))
        return l;
    // Too wide for its height: the largest scale that keeps the rows apart, lane 2's strip as
    // far below lane 1's digits as each strip is above its own. At scale 0 everything is
    // empty and apart, so the search always has an answer.
    double lo = 0, hi = k;
    for (int i = 0; i < 48; ++i) {
        const double mid = (lo + hi) / 2;
        const AudienceLayout m = LayoutAt(mid, clientWidth, clientHeight, lane1, lane2);
        const int gap = RoundHalfEven(1.2 * m.labelFontPixels) - m.labelFontPixels;
        if (RowsApart(m, clientHeight, gap))
            lo = mid;
        else
            hi = mid;
    }
    return LayoutAt(lo, clientWidth, clientHeight, lane1, lane2);
}

} // namespace vk
