#pragma once
#include "protocol/ProtocolText.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <string>

class QLabel;
class QStatusBar;

namespace vk {

class BackupWriter;
class Dialogs;
class ProgramPaths;
class Protocol;
class RaceControl;
class TimerFactory;

// Where this program reads and writes its backup (beside the program, or per user).
BackupLocation BackupLocationOf(const ProgramPaths& paths);

// Binds the protocol to the main window and the race: the backup writer (where the backup
// lives, its thread, its results back on the ui thread), the warning that stays in the status
// bar while the backup is not safe, the close question for that case, and which lanes are
// being timed (their start numbers never move).
class ProtocolBinder : public QObject {
    Q_OBJECT

public:
    ProtocolBinder(Protocol& protocol, RaceControl& race, TimerFactory& timers,
                   const ProgramPaths& paths, QStatusBar* statusBar, QObject* parent);
    ~ProtocolBinder() override;

    BackupWriter& backup() { return *backup_; }
    // Start-up: reads the backup.
    void loadBackup();
    // The destruction step: writes the backup and waits for it; unbinds the race.
    void writeBackup();
    // Closing while the backup is not safe: one more try, then the question.
    bool mayClose(Dialogs& dialogs);

private:
    Protocol& protocol_;
    RaceControl& race_;
    std::string readPath_;
    QPointer<QLabel> warning_;
    std::unique_ptr<BackupWriter> backup_;
};

} // namespace vk
