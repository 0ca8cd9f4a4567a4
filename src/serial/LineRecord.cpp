#include "serial/LineRecord.h"

#include "serial/Comms.h"

namespace vk {

namespace {

struct Line {
    uint32_t word;
    uint32_t event;
    int LineCounts::*count;
};

// In the order the handlers run.
constexpr Line kLines[] = {{MS_CTS_ON, EV_CTS, &LineCounts::cts},
                           {MS_DSR_ON, EV_DSR, &LineCounts::dsr},
                           {MS_RLSD_ON, EV_RLSD, &LineCounts::dcd},
                           {MS_RING_ON, EV_RING, &LineCounts::rng}};

} // namespace

uint32_t WatchedLines(uint32_t eventMask) {
    uint32_t w = 0;
    for (const Line& l : kLines)
        if (eventMask & l.event)
            w |= l.word;
    return w;
}

void SplitWake(uint32_t watched, uint32_t before, uint32_t after, const LineCounts* then,
               const LineCounts* now, int64_t tick, std::vector<LineRecord>& out) {
    uint32_t events = 0;
    uint32_t word = before;
    for (const Line& l : kLines) {
        if (!(watched & l.word))
            continue;
        const bool flipped = ((before ^ after) & l.word) != 0;
        int64_t n = flipped ? 1 : 0;
        if (then && now) {
            n = static_cast<uint32_t>((*now).*l.count) - static_cast<uint32_t>((*then).*l.count);
            // The word is read after the counters: a change in between shows only in the word.
            if ((n % 2 != 0) != flipped)
                ++n;
        }
        if (n == 0)
            continue;
        events |= l.event;
        if (n >= 2 && !(before & l.word)) {
            word |= l.word;
            out.push_back({l.event, word, tick});
        }
    }
    if (events)
        out.push_back({events, after, tick});
}

} // namespace vk
