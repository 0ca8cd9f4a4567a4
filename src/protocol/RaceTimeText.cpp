#include "protocol/RaceTimeText.h"

#include <cstdio>

namespace vk {

std::string FormatRaceTime(int64_t ms) {
    const bool negative = ms < 0;
    const uint64_t m = negative ? static_cast<uint64_t>(-(ms + 1)) + 1 : static_cast<uint64_t>(ms);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%llu,%03llu", negative ? "-" : "",
                  static_cast<unsigned long long>(m / 1000),
                  static_cast<unsigned long long>(m % 1000));
    return buf;
}

} // namespace vk
