#include "platform/Tick.h"

#include <ctime>

namespace vk {

int64_t SystemTicks::TickStamp() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms =
        static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<int64_t>(static_cast<uint32_t>(ms));
}

} // namespace vk
