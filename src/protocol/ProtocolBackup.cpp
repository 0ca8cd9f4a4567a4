#include "protocol/ProtocolBackup.h"

namespace vk {

BackupWriter::BackupWriter(Protocol& protocol, TimerFactory& timers, std::string path, Post post,
                           Clock clock)
    : protocol_(protocol), timer_(timers.createTimer()), path_(std::move(path)),
      clock_(std::move(clock)), alive_(std::make_shared<BackupWriter*>(this)) {
    timer_->setEnabled(false);
    timer_->onTimer = [this] {
        timer_->setEnabled(false);
        submit();
    };
    previousOperatorChange_ = protocol_.onOperatorChange;
    protocol_.onOperatorChange = [this] {
        if (previousOperatorChange_)
            previousOperatorChange_();
        OperatorChanged();
    };
    previousReplacing_ = protocol_.onReplacing;
    protocol_.onReplacing = [this] {
        if (previousReplacing_)
            previousReplacing_();
        const std::string copy = freeStampedName(path_);
        thread_->submit(protocol_.table().Snapshot(), copy);
        return copy;
    };
    thread_ = std::make_unique<BackupThread>(
        protocol_.fileIo(), [post = std::move(post),
                             token = std::weak_ptr<BackupWriter*>(alive_)](BackupThread::Result r) {
            post([token, r = std::move(r)]() mutable {
                if (const auto self = token.lock())
                    (*self)->received(std::move(r));
            });
        });
}

BackupWriter::~BackupWriter() {
    timer_->setEnabled(false);
    timer_->onTimer = nullptr;
    protocol_.onOperatorChange = previousOperatorChange_;
    protocol_.onReplacing = previousReplacing_;
    thread_.reset(); // writes what is queued
    alive_.reset();
}

std::string BackupWriter::freeStampedName(const std::string& path) const {
    const std::string stamp = DateTimeStamp(clock_());
    FileIo& io = protocol_.fileIo();
    std::string name = StampedCopyName(path, stamp);
    for (int k = 2; (io.exists(name) || name == path_) && k < 1000; ++k)
        name = StampedCopyName(path, stamp + "-" + std::to_string(k));
    return name;
}

ReadStatus BackupWriter::LoadAtStartup(const std::string& readPath) {
    const std::string from = readPath.empty() ? path_ : readPath;
    RemoveStaleTempFiles(path_);
    const ReadStatus st = protocol_.ReadProtocolText(from);
    if (st == ReadStatus::Failed) {
        const std::string copy = freeStampedName(path_);
        if (protocol_.fileIo().copyFile(from, copy)) {
            keptCopy_ = copy;
            protocol_.statusText("Die Sicherungsdatei konnte nicht vollständig gelesen werden; "
                                 "sie wurde als " +
                                 copy + " aufbewahrt");
        } else if (from == path_) {
            // Never write over what could not be read: carry on beside it.
            path_ = copy;
            redirectWarning_ = "Die Sicherungsdatei " + from +
                               " ist nicht lesbar; die Sicherung wird in " + path_ + " geschrieben";
            protocol_.statusText(redirectWarning_);
        } else {
            protocol_.statusText("Die Sicherungsdatei " + from + " konnte nicht gelesen werden");
        }
    } else if (st == ReadStatus::Ok && from != path_) {
        protocol_.statusText("Die Sicherungsdatei liegt jetzt in " + path_);
        RequestWrite();
    }
    updateWarning();
    protocol_.UpdateProtocolButtons();
    protocol_.SelectWholeRow(protocol_.cursor().row);
    return st;
}

void BackupWriter::RequestWrite() {
    timer_->setEnabled(false);
    submit();
}

void BackupWriter::OperatorChanged() {
    schedule(kOperatorMs);
}

void BackupWriter::schedule(int delayMs) {
    if (timer_->enabled() && pendingDelay_ <= delayMs)
        return;
    pendingDelay_ = delayMs;
    timer_->setEnabled(false);
    timer_->setInterval(delayMs);
    timer_->setEnabled(true);
}

void BackupWriter::submit() {
    thread_->submit(protocol_.table().Snapshot(), path_);
}

bool BackupWriter::WriteNow() {
    timer_->setEnabled(false);
    const uint64_t id = thread_->submit(protocol_.table().Snapshot(), path_);
    const bool ok = thread_->flush(path_);
    received(BackupThread::Result{id, path_, ok, {}});
    return ok;
}

void BackupWriter::received(BackupThread::Result r) {
    const TableSnapshot release = std::move(r.snapshot);
    if (r.path != path_) {
        if (!r.ok)
            protocol_.statusText("Die Tabelle konnte nicht als " + r.path + " aufbewahrt werden");
        return;
    }
    if (r.id <= lastHandled_)
        return;
    lastHandled_ = r.id;
    if (r.ok && failing_)
        protocol_.statusText("Die Sicherungsdatei wurde wieder geschrieben");
    else if (!r.ok && !failing_)
        protocol_.statusText("Die Sicherungsdatei " + path_ + " konnte nicht geschrieben werden");
    failing_ = !r.ok;
    if (failing_)
        schedule(kRetryMs);
    updateWarning();
}

std::string BackupWriter::warning() const {
    std::string w = redirectWarning_;
    if (failing_) {
        if (!w.empty())
            w += " – ";
        w += "Sicherung fehlgeschlagen, neuer Versuch alle " + std::to_string(kRetryMs / 1000) +
             " s: " + path_;
    }
    return w;
}

void BackupWriter::updateWarning() {
    const std::string w = warning();
    if (w == shownWarning_)
        return;
    shownWarning_ = w;
    if (onWarning)
        onWarning(w);
}

} // namespace vk
