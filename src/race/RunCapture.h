#pragma once
#include "protocol/CellTable.h"
#include "race/RaceControl.h"
#include "runlog/RunRecord.h"

#include <string>

namespace vk {

// The run log's record of lane `lane`'s stop: the frame's results, the pass stamps since the
// start, the driver's names and class from the row of the start number (empty when there is
// no row), and the other lane's start number.
RunRecord CaptureRun(const RaceControl& rc, int lane, const CellTable& table,
                     const std::string& title, const std::string& dateTime);

// A record of an act on a row (joker, accident mark, a run chosen): the row's start number,
// names, class and results as they stand after the act.
RunRecord CaptureRowAct(RunRecord::Kind kind, const CellTable& table, int row,
                        const std::string& title, const std::string& dateTime);

} // namespace vk
