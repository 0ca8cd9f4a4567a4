#pragma once
#include <cstdint>

namespace vk {

// Rounds to the nearest whole number, halves to the even neighbour; NaN gives 0 and values
// beyond 32 bits are held at the limits.
int32_t RoundHalfEven(double value);

} // namespace vk
