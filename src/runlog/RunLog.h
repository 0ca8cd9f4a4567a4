#pragma once
#include "runlog/RunRecord.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vk {

// The run log is JSON Lines: one object per line, so a cut line loses at most itself. It is
// only ever appended to; readers skip what they cannot take and say how much that was.

// Longer lines are skipped unread: no field of a real record comes near this.
constexpr size_t kMaxRunLogLine = 64 * 1024;

// One record as a line, ended by "\n". Every string is escaped, so a name can hold quotes,
// backslashes, control characters or line ends without breaking the line.
std::string RunRecordLine(const RunRecord& r);

// Parses one line (without its line end). False for anything that is not a whole record
// of known kind with fields of the right types; unknown fields are ignored.
bool ParseRunRecordLine(std::string_view line, RunRecord& out);

struct RunLogContent {
    std::vector<RunRecord> records;
    int skipped = 0;      // lines that held something but no record (blank lines don't count)
    bool cutLast = false; // the last line had no line end and was not a record
    // The day's next run number. A line that could not be read may have held a run: its
    // number is read from the line's start where it survived; else each such line after the
    // last known number counts as one, so no number a lost line held is given twice.
    int64_t nextRun = 1;
};

// Reads a whole log text.
RunLogContent ParseRunLog(std::string_view text);
// A day holds a few MB at most; a larger file is read this far.
constexpr size_t kMaxRunLogFile = 256u << 20;
std::string ReadRunLogBytes(const std::string& path);
// Reads a log file; a missing file is an empty log.
RunLogContent ReadRunLog(const std::string& path);

// The day file of the run log beside the backup: the backup's folder, the title, "-Laeufe-"
// and the date "yyyy-mm-dd", ".jsonl".
std::string RunLogFileName(const std::string& backupPath, const std::string& title,
                           const std::string& date);

// Local wall-clock time as "2026-12-09T20:15:03"; its first ten characters are the date.
std::string LocalDateTimeText(int64_t secondsSinceEpoch);

// A race time text ("5,123", "12,000"; a point is taken too) in ms; -1 when the text is no
// time ("-", empty, garbage).
int64_t ParseRaceTimeMs(std::string_view text);

// A row's result as the best-run choice and the places see it.
struct RunResult {
    std::string geszeit;
    bool falseStart = false;
    // A valid time: not a false start and Geszeit is a time.
    int64_t validMs() const { return falseStart ? -1 : ParseRaceTimeMs(geszeit); }
};
// Whether `candidate` beats `current`: it has a valid time and `current` has none or a
// slower one. A tie is not better, so the earlier run stays.
bool IsBetterRun(const RunResult& candidate, const RunResult& current);

// Places per class by Geszeit: 1, 2, 3 ... within each class; equal times share a place and
// the next one counts them (1, 1, 3); a row without a valid time gets 0 (no place).
struct PlaceInput {
    std::string klass;
    std::string geszeit;
};
std::vector<int> PlacesPerClass(const std::vector<PlaceInput>& rows);

// The order "by class, then by Geszeit": indices into `rows`. Classes compare as numbers
// where both are numbers, else as text; rows without a valid time follow the timed rows of
// their class; rows keep their order otherwise.
std::vector<size_t> ClassTimeOrder(const std::vector<PlaceInput>& rows);

// A driver's records of kind Run, in log order.
std::vector<RunRecord> RunsOf(const std::vector<RunRecord>& records,
                              const std::string& startNumber);
// The last record of kind Run of a start number; null when there is none.
const RunRecord* LastRunOf(const std::vector<RunRecord>& records, const std::string& startNumber);

} // namespace vk
