#include "runlog/RunLogFile.h"

#include <utility>

namespace vk {

RunLogFile::RunLogFile(std::string path, Appender appender)
    : path_(std::move(path)), appender_(std::move(appender)) {}

void RunLogFile::load() {
    const std::string text = ReadRunLogBytes(path_);
    RunLogContent c = ParseRunLog(text);
    nextRun_ = c.nextRun;
    records_ = std::move(c.records);
    skipped_ = c.skipped;
    cutLast_ = c.cutLast;
    // A line cut by a crash has no end: the next record must not be glued to it.
    needsLineEnd_ = !text.empty() && text.back() != '\n';
}

std::string RunLogFile::statusWord() const {
    if (cutLast_ && skipped_ == 1)
        return "Laufprotokoll: letzte Zeile abgeschnitten, übersprungen";
    if (skipped_ > 0)
        return "Laufprotokoll: " + std::to_string(skipped_) + " Zeile(n) unlesbar, übersprungen";
    return {};
}

const RunRecord& RunLogFile::append(RunRecord r) {
    r.runNumber = r.kind == RunRecord::Kind::Run ? nextRun_++ : 0;
    std::string line = RunRecordLine(r);
    if (needsLineEnd_) {
        line.insert(line.begin(), '\n');
        needsLineEnd_ = false;
    }
    records_.push_back(std::move(r));
    if (appender_)
        appender_(path_, std::move(line));
    return records_.back();
}

} // namespace vk
