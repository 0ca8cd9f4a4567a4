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

void GuardTimedRows(Protocol& protocol, RaceControl& race) {
    protocol.laneTimed = [&race](int lane) { return race.frame(lane).clockRunning(); };
    protocol.laneStartNumber = [&race](int lane) { return race.frame(lane).startNumber(); };
    for (int lane : {1, 2})
        race.frame(lane).onRowMissing = [&protocol](const std::string& number) {
            protocol.statusText("Start-Nr. " + number +
                                " hatte keine Zeile mehr: ihr Ergebnis steht in einer neuen Zeile");
            protocol.UpdateProtocolButtons();
        };
}

void UnguardTimedRows(Protocol& protocol, RaceControl& race) {
    protocol.laneTimed = nullptr;
    protocol.laneStartNumber = nullptr;
    for (int lane : {1, 2})
        race.frame(lane).onRowMissing = nullptr;
}

} // namespace vk
