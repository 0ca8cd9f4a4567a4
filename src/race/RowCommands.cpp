#include "race/RowCommands.h"

namespace vk {

void RowCommands::sbNextKrugClick() {
    if (nextRaceEnabled())
        protocol_.KeepAdvancingRows();
}

void RowCommands::bAVARIAClick() {
    if (accidentEnabled())
        protocol_.MarkAccident();
}

bool RowCommands::accidentEnabled() const {
    return !race_.anyClockRunning() && protocol_.CurrentRowHasStartNumber();
}

} // namespace vk
