#pragma once
#include "runlog/RunRecord.h"

#include <string>
#include <utility>
#include <vector>

namespace vk {

// The record of the other lane's run of the same race as records[index]: the nearest Run of
// the opponent's start number on the other lane within the two records around it; null when
// that lane has not stopped (yet).
const RunRecord* OpponentRun(const std::vector<RunRecord>& records, size_t index);

// The timeslip ("Zeitkarte") of a run: a heading and label/value lines, in print order.
struct Timeslip {
    std::string title;   // the race title
    std::string heading; // "Zeitkarte"
    std::vector<std::pair<std::string, std::string>> lines;
};
Timeslip MakeTimeslip(const RunRecord& run, const RunRecord* opponent);

// The timeslips of the race that ended last: the log's last two runs, in log order.
std::vector<Timeslip> LastRaceTimeslips(const std::vector<RunRecord>& records);

} // namespace vk
