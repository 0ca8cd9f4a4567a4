#include "app/ProtocolBinder.h"

#include "platform/ProgramPaths.h"
#include "platform/Services.h"
#include "protocol/Protocol.h"
#include "protocol/ProtocolBackup.h"
#include "race/RaceControl.h"
#include "race/RowCommands.h"

#include <QCoreApplication>
#include <QLabel>
#include <QStatusBar>

namespace vk {

BackupLocation BackupLocationOf(const ProgramPaths& paths) {
    // An installed program keeps its backup in the per-user folder from the start.
    const std::string folder = paths.installed() ? paths.userDataFolder() : paths.folder();
    return ChooseBackupLocation(folder, paths.title(), paths.userDataFolder(), FileIo::system());
}

ProtocolBinder::ProtocolBinder(Protocol& protocol, RaceControl& race, TimerFactory& timers,
                               const ProgramPaths& paths, QStatusBar* statusBar, QObject* parent)
    : QObject(parent), protocol_(protocol), race_(race) {
    const BackupLocation at = BackupLocationOf(paths);
    readPath_ = at.readPath;
    // The writer thread's results run on the ui thread; the application outlives the writer.
    backup_ =
        std::make_unique<BackupWriter>(protocol, timers, at.writePath, [](std::function<void()> f) {
            QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(f),
                                      Qt::QueuedConnection);
        });
    warning_ = new QLabel(statusBar);
    warning_->setObjectName(QStringLiteral("BackupWarning"));
    warning_->setStyleSheet(QStringLiteral("QLabel { color: white; background: #b00000; }"));
    warning_->setWordWrap(false);
    warning_->hide();
    statusBar->addPermanentWidget(warning_, 1);
    backup_->onWarning = [label = warning_](const std::string& text) {
        if (!label)
            return;
        label->setText(QString::fromStdString(text));
        label->setToolTip(label->text());
        label->setVisible(!text.empty());
    };
    race_.requestBackup = [this] { backup_->RequestWrite(); };
    GuardTimedRows(protocol_, race_);
}

ProtocolBinder::~ProtocolBinder() {
    race_.requestBackup = nullptr;
    UnguardTimedRows(protocol_, race_);
}

void ProtocolBinder::loadBackup() {
    backup_->LoadAtStartup(readPath_);
}

void ProtocolBinder::writeBackup() {
    backup_->WriteNow();
    race_.requestBackup = nullptr;
}

bool ProtocolBinder::mayClose(Dialogs& dialogs) {
    if (!backup_->failing() || backup_->WriteNow())
        return true;
    return dialogs.ask("Die Sicherung konnte nicht geschrieben werden. Trotzdem beenden?",
                       Preset::Nein);
}

} // namespace vk
