#pragma once
#include <array>
#include <cstdint>

namespace vk {

// The variables of one race of two lanes. Lanes are numbered 1 and 2; the arrays are
// indexed by lane - 1 and pass - 1. Whether a pass happened is told by the pass count, never
// by its stamp: the tick count is 0 once every 49.7 days.
struct RaceState {
    int64_t StartStamp = 0;
    std::array<int32_t, 2> PassCount{};
    std::array<std::array<int64_t, 4>, 2> PassStamp{};
    int32_t StopCount = 0;
    int32_t FirstStoppedLane = 0;
    int32_t FalseStartLane = 0;

    bool hasPass(int lane, int pass) const {
        return PassCount[static_cast<size_t>(lane - 1)] >= pass;
    }
    int64_t passStamp(int lane, int pass) const {
        return PassStamp[static_cast<size_t>(lane - 1)][static_cast<size_t>(pass - 1)];
    }
};

} // namespace vk
