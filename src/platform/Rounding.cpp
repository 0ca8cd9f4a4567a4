#include "platform/Rounding.h"

#include <cmath>
#include <limits>

namespace vk {

int32_t RoundHalfEven(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    const double r = std::nearbyint(value); // the default rounding: halves to even
    return static_cast<int32_t>(r < lo ? lo : r > hi ? hi : r);
}

int64_t DivRoundHalfUp(int64_t num, int64_t den) {
    const bool negative = (num < 0) != (den < 0);
    const uint64_t n = num < 0 ? 0 - static_cast<uint64_t>(num) : static_cast<uint64_t>(num);
    const uint64_t d = den < 0 ? 0 - static_cast<uint64_t>(den) : static_cast<uint64_t>(den);
    const uint64_t q = n / d + (n % d >= d - n % d ? 1 : 0);
    return negative ? -static_cast<int64_t>(q) : static_cast<int64_t>(q);
}

} // namespace vk
