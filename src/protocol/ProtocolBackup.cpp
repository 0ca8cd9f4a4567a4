#include "protocol/ProtocolBackup.h"

#include <filesystem>

namespace vk {

BackupWriter::BackupWriter(Protocol& protocol, TimerFactory& timers, std::string path, Clock clock)
    : protocol_(protocol), timer_(timers.createTimer()), path_(std::move(path)),
      clock_(std::move(clock)) {
    timer_->setEnabled(false);
    timer_->onTimer = [this] { fire(); };
    previousOperatorChange_ = protocol_.onOperatorChange;
    protocol_.onOperatorChange = [this] {
        if (previousOperatorChange_)
            previousOperatorChange_();
        OperatorChanged();
    };
}

BackupWriter::~BackupWriter() {
    timer_->setEnabled(false);
    timer_->onTimer = nullptr;
    protocol_.onOperatorChange = previousOperatorChange_;
}

ReadStatus BackupWriter::LoadAtStartup() {
    const ReadStatus st = protocol_.ReadProtocolText(path_);
    if (st == ReadStatus::Failed) {
        FileIo& io = protocol_.fileIo();
        const std::string stamp = DateTimeStamp(clock_());
        std::string copy = StampedCopyName(path_, stamp);
        for (int k = 2; io.exists(copy) && k < 100; ++k)
            copy = StampedCopyName(path_, stamp + "-" + std::to_string(k));
        if (!io.exists(copy) && io.copyFile(path_, copy)) {
            keptCopy_ = copy;
            protocol_.statusText("Die Sicherungsdatei konnte nicht vollständig gelesen werden; "
                                 "sie wurde als " +
                                 copy + " aufbewahrt");
        } else {
            blocked_ = true;
            protocol_.statusText("Die Sicherungsdatei " + path_ +
                                 " konnte nicht gelesen werden und wird nicht überschrieben");
        }
    }
    protocol_.UpdateProtocolButtons();
    protocol_.SelectWholeRow(protocol_.cursor().row);
    return st;
}

void BackupWriter::RequestWrite() {
    schedule(kSoonMs);
}

void BackupWriter::OperatorChanged() {
    schedule(kOperatorMs);
}

void BackupWriter::schedule(int delayMs) {
    if (pending_ && pendingDelay_ <= delayMs)
        return;
    pending_ = true;
    pendingDelay_ = delayMs;
    timer_->setEnabled(false);
    timer_->setInterval(delayMs);
    timer_->setEnabled(true);
}

void BackupWriter::fire() {
    timer_->setEnabled(false);
    pending_ = false;
    WriteNow();
}

bool BackupWriter::WriteNow() {
    timer_->setEnabled(false);
    pending_ = false;
    if (blocked_)
        return false;
    // The per-user data folder may not exist yet on a fresh installation.
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    const bool ok = protocol_.WriteProtocolText(path_);
    if (!ok)
        protocol_.statusText("Die Sicherungsdatei " + path_ + " konnte nicht geschrieben werden");
    else if (lastWriteFailed_)
        protocol_.statusText("Die Sicherungsdatei wurde wieder geschrieben");
    lastWriteFailed_ = !ok;
    return ok;
}

} // namespace vk
