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

} // namespace vk
