#pragma once
#include "runlog/RunLog.h"

#include <functional>
#include <string>
#include <vector>

namespace vk {

// One race day's run log: what the day's file held at start-up plus every record appended
// since, kept in memory for the readers (a driver's runs, the timeslip). The file itself is
// only appended to, by `appender` (the backup writer's thread, which syncs each line).
class RunLogFile {
public:
    using Appender = std::function<void(const std::string& path, std::string bytes)>;

    RunLogFile(std::string path, Appender appender);

    const std::string& path() const { return path_; }
    // Reads the day's file (a missing file is an empty log).
    void load();
    const std::vector<RunRecord>& records() const { return records_; }
    // Lines of the file that held no record.
    int skipped() const { return skipped_; }
    // A word for the status bar when the file held lines that could not be read; else empty.
    std::string statusWord() const;

    // Numbers a run (acts keep 0), keeps the record and hands its line to the appender.
    // Returns the record as kept.
    const RunRecord& append(RunRecord r);

private:
    std::string path_;
    Appender appender_;
    std::vector<RunRecord> records_;
    int skipped_ = 0;
    bool cutLast_ = false;
    bool needsLineEnd_ = false;
    int64_t nextRun_ = 1;
};

} // namespace vk
