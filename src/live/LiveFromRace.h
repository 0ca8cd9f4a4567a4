#pragma once
#include "live/LiveState.h"
#include "protocol/CellTable.h"
#include "race/RaceControl.h"

namespace vk {

// A lane as the spectators see it, read from the race control and the driver's protocol row:
// running from the start to its stop, finished until the reset, results only once finished.
LiveLane LiveLaneOf(const RaceControl& race, int lane, const CellTable& table);

// Keeps the protocol's rows for the snapshots: copies them only when the table changed since
// the last call (a row the table changed is a new row object), else hands the last copy again.
class LiveRowsCache {
public:
    std::shared_ptr<const ProtocolRows> rows(const CellTable& table);

private:
    TableSnapshot last_;
    std::shared_ptr<const ProtocolRows> rows_;
};

} // namespace vk
