#pragma once
#include "runlog/RunRecord.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vk {

using ProtocolRows = std::vector<std::vector<std::string>>;

// One lane as the spectators see it.
struct LiveLane {
    enum class Phase { Ready, Running, Finished };
    Phase phase = Phase::Ready;
    std::string startNumber, name, firstName, klass, nextNumber;
    // The start instant on the race's tick clock; the page runs the clock from it.
    int64_t startTick = 0;
    std::string rz, zz, kmh, fz, geszeit;
    bool win = false;
    bool falseStart = false;

    bool operator==(const LiveLane&) const = default;
};

// What the live pages show at one moment. Built on the ui thread, then only read: the server
// thread holds it through a LiveSnapshot and never sees the race's own objects.
struct LiveState {
    std::string title;
    std::array<LiveLane, 2> lanes;
    // The protocol as the grid holds it: row 0 the headers, then one row per driver. Shared
    // between snapshots until the table changes.
    std::shared_ptr<const ProtocolRows> protocol;
    // The run log, oldest first; shared, since it only grows.
    std::shared_ptr<const std::vector<RunRecord>> runs;

    const ProtocolRows& rows() const;
    const std::vector<RunRecord>& runList() const;
    // The protocol and the run log compare by identity: a changed one is a new object.
    bool operator==(const LiveState& o) const {
        return title == o.title && lanes == o.lanes && protocol == o.protocol && runs == o.runs;
    }
};

using LiveSnapshot = std::shared_ptr<const LiveState>;

// How many runs /api/state and the start page carry (newest first).
constexpr size_t kLatestRuns = 10;

// A JSON string literal of s, quotes included: every control character, quote, backslash,
// '<', '>', '&' and the line separators escaped, so it is safe inside a page as well; text
// that is not UTF-8 is read as Windows-1252, as the protocol files are.
std::string JsonString(const std::string& s);

// The document of /api/state.
std::string StateJson(const LiveState& state);
// The document of /api/runs?seit=N: the runs after run number `since`, oldest first.
std::string RunsJson(const std::vector<RunRecord>& runs, int64_t since);
// One run as a JSON object.
std::string RunJson(const RunRecord& run);

// What the socket and /api/state send: the state with the server's tick at sending, so the
// page can map the start instant onto its own clock without the server sending ticks.
std::string StateMessage(const std::string& stateJson, int64_t nowTick);

} // namespace vk
