#pragma once
#include <cstdint>
#include <vector>

namespace vk {

// Transition counters of the modem input lines, as the kernel keeps them (TIOCGICOUNT).
struct LineCounts {
    int cts = 0, dsr = 0, rng = 0, dcd = 0;
    bool operator==(const LineCounts&) const = default;
};

// One change of the input lines as the event thread saw it when it woke: the system event
// bits of the lines that changed, the modem-status word and the tick count of that moment.
// The ui thread dispatches it whenever it gets to it; what the handlers read and stamp is
// this record, so the ui's load does not move a stamp.
struct LineRecord {
    uint32_t events = 0;
    uint32_t status = 0;
    int64_t tick = 0;
};

// The modem-status bits of the lines a system event mask watches.
uint32_t WatchedLines(uint32_t eventMask);

// Whether the counters of any of the `watched` lines (modem-status bits) moved on from `b`
// to `a`; counters still behind a look that took a change from the word have not.
bool CountsMoved(const LineCounts& a, const LineCounts& b, uint32_t watched);

// Appends the records of one wake-up: `before` is the word of the last record, `after` the
// word read now; `then` and `now` the counters of both moments (null when the device has
// none). On return `then` holds the counters to compare the next wake-up with: `now` plus
// the changes that only the word, read after the counters, has shown yet, so that they are
// not taken a second time when the counters catch up. A line the counters show changing more than
// once went through states that the thread never read: a pulse that was over before it looked. Each
// of those states is handed over as a record of its own, one line at a time (so a pulse is first
// the line on, then the current state), and every pass the kernel counted reaches the handlers.
void SplitWake(uint32_t watched, uint32_t before, uint32_t after, LineCounts* then,
               const LineCounts* now, int64_t tick, std::vector<LineRecord>& out);

} // namespace vk
