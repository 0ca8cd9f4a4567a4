#pragma once
#include "protocol/Protocol.h"
#include "race/RaceControl.h"
#include "runlog/RunRecord.h"

#include <functional>

namespace vk {

// Joker, accident mark and the step to the next race, as the race control allows them.
// While a lane is being timed, the next race and the accident mark wait: the step would
// delete the row the running lane writes its result into, and a mark on it would be
// overwritten at its stop. The accident mark also needs a current row with a start number.
class RowCommands {
public:
    RowCommands(RaceControl& race, Protocol& protocol) : race_(race), protocol_(protocol) {}

    void mJokerClick();
    void sbNextKrugClick();
    void bAVARIAClick();

    bool nextRaceEnabled() const { return !race_.anyClockRunning(); }
    bool accidentEnabled() const;

    // A joker or accident mark changed row `row` (the run log records it).
    std::function<void(RunRecord::Kind kind, int row)> onAct;

private:
    void acted(RunRecord::Kind kind);
    RaceControl& race_;
    Protocol& protocol_;
};

// Binds the protocol to the lanes being timed: commands that would remove a running lane's
// row are refused, the lanes' current start numbers stay while they run, and a stop that
// finds its row gone writes into a new one, which the status bar reports.
void GuardTimedRows(Protocol& protocol, RaceControl& race);
void UnguardTimedRows(Protocol& protocol, RaceControl& race);

} // namespace vk
