#pragma once
#include <cstdint>

namespace vk {

// Rounds to the nearest whole number, halves to the even neighbour; NaN gives 0 and values
// beyond 32 bits are held at the limits.
int32_t RoundHalfEven(double value);

// num / den to the nearest whole number, halves away from zero, in integers only, so no
// binary fraction decides a tie; den must not be 0.
int64_t DivRoundHalfUp(int64_t num, int64_t den);

} // namespace vk
