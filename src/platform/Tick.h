#pragma once
#include <cstdint>

namespace vk {

// The millisecond tick count: 32 bits counting from system start, widened to 64 bits with a
// zero high word. Differences are taken on the low 32 bits (see TickDiff) so they stay right
// across one wrap of the counter.
class TickSource {
public:
    virtual ~TickSource() = default;
    virtual int64_t TickStamp() = 0;
};

// Low 32 bits of CLOCK_MONOTONIC in milliseconds.
class SystemTicks final : public TickSource {
public:
    int64_t TickStamp() override;
};

// Signed 32-bit difference of the low 32 bits of two stamps.
inline int32_t TickDiff(int64_t later, int64_t earlier) {
    return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}

} // namespace vk
