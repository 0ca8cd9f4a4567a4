#include "serial/LineRecord.h"
#include "serial/Comms.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vk;

namespace {

struct Rec {
    uint32_t events, status;
    bool operator==(const Rec&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rec& r) {
    return os << "{ev " << std::hex << r.events << ", " << r.status << "}";
}

// Counters as (cts, dsr, dcd) transitions since the last record.
std::vector<Rec> Split(uint32_t before, uint32_t after, int cts, int dsr, int dcd,
                       bool counters = true) {
    LineCounts then{};
    const LineCounts now{cts, dsr, 0, dcd};
    std::vector<LineRecord> out;
    SplitWake(WatchedLines(EV_CTS | EV_DSR | EV_RLSD), before, after, counters ? &then : nullptr,
              counters ? &now : nullptr, 77, out);
    std::vector<Rec> r;
    for (const LineRecord& x : out) {
        EXPECT_EQ(x.tick, 77);
        r.push_back({x.events, x.status});
    }
    return r;
}

using V = std::vector<Rec>;
constexpr uint32_t L1 = MS_RLSD_ON, L2 = MS_DSR_ON, S = MS_CTS_ON;

TEST(LineRecord, EveryCountedChangeBecomesARecordOneLineAtATime) {
    // A plain change.
    EXPECT_EQ(Split(0, L1, 0, 0, 1), (V{{EV_RLSD, L1}}));
    // A pulse that was over before the lines were read: on, then the current state.
    EXPECT_EQ(Split(0, 0, 0, 0, 2), (V{{EV_RLSD, L1}, {EV_RLSD, 0}}));
    // Two pulses within one wake-up: both passes reach the handlers.
    EXPECT_EQ(Split(0, 0, 0, 0, 4), (V{{EV_RLSD, L1}, {EV_RLSD, 0}, {EV_RLSD, L1}, {EV_RLSD, 0}}));
    // Off and on again while the line was on: the new rise shows.
    EXPECT_EQ(Split(L1, L1, 0, 0, 2), (V{{EV_RLSD, 0}, {EV_RLSD, L1}}));
    // A change after the counters were read shows only in the word.
    EXPECT_EQ(Split(0, L2, 0, 0, 0), (V{{EV_DSR, L2}}));
    EXPECT_EQ(Split(0, L2, 0, 2, 0), (V{{EV_DSR, L2}, {EV_DSR, 0}, {EV_DSR, L2}}));
    // Pulses on both lanes: never two lines in one made-up record, so neither the rule for
    // lanes coming on together nor the start contact's handler can swallow one.
    EXPECT_EQ(Split(0, 0, 0, 2, 2), (V{{EV_DSR, L2}, {EV_RLSD, L2 | L1}, {EV_DSR | EV_RLSD, 0}}));
    EXPECT_EQ(Split(0, L1, 2, 0, 1), (V{{EV_CTS, S}, {EV_CTS | EV_RLSD, L1}}));
    // A line that changed hundreds of times (a bouncing contact) gives at most four passes.
    const V many = Split(0, 0, 0, 0, 102);
    int rises = 0;
    for (size_t i = 0; i < many.size(); ++i)
        rises += (many[i].status & L1) && (i == 0 || !(many[i - 1].status & L1));
    EXPECT_EQ(rises, 4);
    EXPECT_EQ(many.back(), (Rec{EV_RLSD, 0}));
    // Nothing changed: nothing to hand over.
    EXPECT_TRUE(Split(L1, L1, 0, 0, 0).empty());
    // Without counters only the word tells.
    EXPECT_EQ(Split(0, L1 | L2, 0, 0, 0, false), (V{{EV_DSR | EV_RLSD, L1 | L2}}));
    EXPECT_TRUE(Split(0, 0, 0, 0, 2, false).empty());
}

// A change between the look at the counters and the read of the word is taken from the word;
// when the counters catch up later it must not come back as a pulse (a pass that never was).
TEST(LineRecord, ChangeSeenFirstInTheWordIsTakenOnce) {
    const uint32_t watched = WatchedLines(EV_CTS | EV_DSR | EV_RLSD);
    LineCounts base{};
    std::vector<LineRecord> out;
    const LineCounts lagging{};
    SplitWake(watched, 0, L1, &base, &lagging, 1, out);
    EXPECT_FALSE(CountsMoved(lagging, base, watched)); // nothing new while they lag
    SplitWake(watched, L1, L1, &base, &lagging, 2, out);
    const LineCounts caughtUp{0, 1, 0, 1}; // and lane 2 came on
    SplitWake(watched, L1, L1 | L2, &base, &caughtUp, 3, out);
    V got;
    for (const LineRecord& r : out)
        got.push_back({r.events, r.status});
    EXPECT_EQ(got, (V{{EV_RLSD, L1}, {EV_DSR, L1 | L2}}));
}

} // namespace
