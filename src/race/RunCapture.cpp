#include "race/RunCapture.h"

#include "platform/Tick.h"

namespace vk {

namespace {
void takeNames(RunRecord& r, const CellTable& table, int row) {
    if (row < 1 || row >= table.RowCount())
        return;
    r.name = table.Cell(1, row);
    r.firstName = table.Cell(2, row);
    r.klass = table.Cell(3, row);
}
} // namespace

RunRecord CaptureRun(const RaceControl& rc, int lane, const CellTable& table,
                     const std::string& title, const std::string& dateTime) {
    const LaneTimer& f = lane == 1 ? rc.FrameT1 : rc.FrameT2;
    const LaneTimer& other = lane == 1 ? rc.FrameT2 : rc.FrameT1;
    const LaneTimer::Result& res = f.lastResult();
    RunRecord r;
    r.kind = RunRecord::Kind::Run;
    r.dateTime = dateTime;
    r.title = title;
    r.lane = lane;
    r.startNumber = f.startNumberText();
    takeNames(r, table, table.FindRow(0, r.startNumber, false));
    r.startKind =
        rc.startedByContact ? RunRecord::StartKind::Contact : RunRecord::StartKind::Manual;
    for (int pass = 1; pass <= 4 && rc.race.hasPass(lane, pass); ++pass)
        r.passMs.push_back(TickDiff(rc.race.passStamp(lane, pass), rc.race.StartStamp));
    r.rz = res.rz;
    r.zz = res.zz;
    r.topSpeedTime = res.topSpeedTime;
    r.fz = res.fz;
    r.geszeit = res.geszeit;
    r.kmh = res.kmh;
    r.win = res.win;
    r.falseStart = res.falseStart;
    r.stopKind = rc.stoppedByPass[static_cast<size_t>(lane - 1)] ? RunRecord::StopKind::FourthPass
                                                                 : RunRecord::StopKind::ByHand;
    r.opponentStartNumber = other.startNumberText();
    return r;
}

RunRecord CaptureRowAct(RunRecord::Kind kind, const CellTable& table, int row,
                        const std::string& title, const std::string& dateTime) {
    RunRecord r;
    r.kind = kind;
    r.dateTime = dateTime;
    r.title = title;
    if (row >= 1 && row < table.RowCount()) {
        r.startNumber = table.Cell(0, row);
        takeNames(r, table, row);
        r.rz = table.Cell(4, row);
        r.zz = table.Cell(5, row);
        r.kmh = table.Cell(6, row);
        r.fz = table.Cell(7, row);
        r.geszeit = table.Cell(8, row);
        r.win = table.Cell(9, row) == "+";
        r.accident = kind == RunRecord::Kind::Accident;
    }
    return r;
}

} // namespace vk
