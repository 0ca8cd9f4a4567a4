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
