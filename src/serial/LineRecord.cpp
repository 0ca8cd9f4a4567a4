#include "serial/LineRecord.h"

#include "serial/Comms.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace vk {

namespace {

struct Line {
    uint32_t word;
    uint32_t event;
    int LineCounts::*count;
};

// In the order the handlers run.
constexpr Line kLines[] = {{MS_RING_ON, EV_RING, &LineCounts::rng},
                           {MS_CTS_ON, EV_CTS, &LineCounts::cts},
                           {MS_DSR_ON, EV_DSR, &LineCounts::dsr},
                           {MS_RLSD_ON, EV_RLSD, &LineCounts::dcd}};

// A line that changed more often than this within one wake-up has its first changes cut: four
// passes end a lane anyway.
constexpr int64_t kMaxMissed = 8;

} // namespace

uint32_t WatchedLines(uint32_t eventMask) {
    uint32_t w = 0;
    for (const Line& l : kLines)
        if (eventMask & l.event)
            w |= l.word;
    return w;
}

bool CountsMoved(const LineCounts& a, const LineCounts& b, uint32_t watched) {
    for (const Line& l : kLines)
        if ((watched & l.word) && static_cast<int32_t>(static_cast<uint32_t>(a.*l.count) -
                                                       static_cast<uint32_t>(b.*l.count)) > 0)
            return true;
    return false;
}

void SplitWake(uint32_t watched, uint32_t before, uint32_t after, LineCounts* then,
               const LineCounts* now, int64_t tick, std::vector<LineRecord>& out) {
    uint32_t events = 0;
    LineCounts next = now ? *now : LineCounts{};
    // Changes of each line before the one that led to `after`.
    std::array<int, std::size(kLines)> missed{};
    int steps = 0;
    for (size_t i = 0; i < std::size(kLines); ++i) {
        const Line& l = kLines[i];
        if (!(watched & l.word))
            continue;
        const bool flipped = ((before ^ after) & l.word) != 0;
        int64_t n = flipped ? 1 : 0;
        if (then && now) {
            // Counters behind the last look are still to catch up with the word: no change.
            const int32_t d = static_cast<int32_t>(static_cast<uint32_t>(now->*l.count) -
                                                   static_cast<uint32_t>(then->*l.count));
            n = std::max(d, 0);
            next.*l.count = d < 0 ? then->*l.count : now->*l.count;
            // The word is read after the counters: a change in between shows only in the word,
            // and reaches the counters later.
            if ((n % 2 != 0) != flipped) {
                ++n;
                ++(next.*l.count);
            }
        }
        if (n == 0)
            continue;
        events |= l.event;
        int64_t m = n - 1;
        if (m > kMaxMissed)
            m = kMaxMissed - (m - kMaxMissed) % 2; // the same parity: it still ends at `after`
        missed[i] = static_cast<int>(m);
        steps = std::max(steps, missed[i]);
    }
    // One line per record: two lines that seem to change together would be taken as one
    // change by the handlers.
    uint32_t word = before;
    for (int step = 0; step < steps; ++step)
        for (size_t i = 0; i < std::size(kLines); ++i)
            if (missed[i] > step) {
                word ^= kLines[i].word;
                out.push_back({kLines[i].event, word, tick});
            }
    if (events)
        out.push_back({events, after, tick});
    if (then && now)
        *then = next;
}

} // namespace vk
