#include "race/RowCommands.h"

namespace vk {

void RowCommands::sbNextKrugClick() {
    if (nextRaceEnabled())
        protocol_.KeepAdvancingRows();
}

void RowCommands::mJokerClick() {
    protocol_.ToggleJoker();
    acted(RunRecord::Kind::Joker);
}

void RowCommands::bAVARIAClick() {
    if (!accidentEnabled())
        return;
    protocol_.MarkAccident();
    acted(RunRecord::Kind::Accident);
}

void RowCommands::acted(RunRecord::Kind kind) {
    const int row = protocol_.cursor().row;
    if (onAct && row >= 1 && row < protocol_.table().RowCount())
        onAct(kind, row);
}

bool RowCommands::accidentEnabled() const {
    return !race_.anyClockRunning() && protocol_.CurrentRowHasStartNumber();
}

} // namespace vk
