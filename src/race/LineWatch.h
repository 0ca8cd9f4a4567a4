#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <string>

namespace vk {

// Watches the input lines for what spoils a run before it starts: a lane's barrier line that
// is already on while the start is armed (a cone in the beam, a cut cable), and a line that
// changes more than kBounceLimit times within a second (a bouncing contact, a loose plug).
// It only tells; the race rules never read it.
class LineWatch {
public:
    static constexpr size_t kBounceLimit = 50;
    static constexpr int64_t kBounceWindowMs = 1000;

    // The port opened (with the word it reads now) or closed (0): nothing counts as a change.
    void Reset(uint32_t status);
    // A record of the lines. Returns the lines (modem-word bits) that have just gone over the
    // bounce limit; each is told once until it calms down to the limit again.
    uint32_t Change(int64_t tick, uint32_t status);
    void SetArmed(bool armed) { armed_ = armed; }

    bool Blocked(int lane) const;
    // "LS1 unterbrochen" while lane 1 is blocked, else empty.
    std::string LaneText(int lane) const;
    // Every blocked lane, for the status bar.
    std::string StatusText() const;

private:
    struct Line {
        uint32_t bit;
        std::deque<int64_t> changes;
        bool told = false;
    };
    std::array<Line, 3> lines_{{{0x10, {}, false}, {0x80, {}, false}, {0x20, {}, false}}};
    uint32_t status_ = 0;
    bool armed_ = false;
};

// The warning for lines that went over the bounce limit.
std::string BounceText(uint32_t lines);

} // namespace vk
