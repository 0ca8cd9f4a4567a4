#include "live/LiveFromRace.h"

namespace vk {

LiveLane LiveLaneOf(const RaceControl& rc, int lane, const CellTable& table) {
    const LaneTimer& f = lane == 1 ? rc.FrameT1 : rc.FrameT2;
    LiveLane l;
    l.startNumber = f.startNumberText();
    l.nextNumber = std::to_string(f.nextNumber());
    const int row = table.FindRow(0, l.startNumber, false);
    if (row > 0) {
        l.name = table.Cell(1, row);
        l.firstName = table.Cell(2, row);
        l.klass = table.Cell(3, row);
    }
    if (f.clockRunning())
        l.phase = LiveLane::Phase::Running;
    else if (f.StopStamp != rc.race.StartStamp) // a reset sets the stop back to the start
        l.phase = LiveLane::Phase::Finished;
    if (l.phase == LiveLane::Phase::Ready)
        return l;
    l.startTick = rc.race.StartStamp;
    l.falseStart = rc.race.FalseStartLane == lane;
    if (l.phase == LiveLane::Phase::Finished && row > 0) {
        l.rz = table.Cell(4, row);
        l.zz = table.Cell(5, row);
        l.kmh = table.Cell(6, row);
        l.fz = table.Cell(7, row);
        l.geszeit = table.Cell(8, row);
        l.win = !table.Cell(9, row).empty();
    }
    return l;
}

std::shared_ptr<const ProtocolRows> LiveRowsCache::rows(const CellTable& table) {
    TableSnapshot now = table.Snapshot();
    if (rows_ && now.cols == last_.cols && now.rows == last_.rows)
        return rows_;
    auto copy = std::make_shared<ProtocolRows>();
    copy->reserve(now.rows.size());
    for (const auto& r : now.rows)
        copy->push_back(*r);
    rows_ = std::move(copy);
    last_ = std::move(now);
    return rows_;
}

} // namespace vk
