#pragma once
#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;
class QWidget;

namespace vk {

// One program per backup file. Two programs writing the same backup overwrite each other's
// results, so the first one holds a lock beside the backup and listens on a local socket;
// a later start on the same backup asks it to come to the front and ends. A lock left by a
// program that was killed is taken over (its process no longer runs). Copies under other
// names have other backups, so they run side by side.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // backupPath: the backup this program would write.
    explicit SingleInstance(const QString& backupPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this program may run: it holds the lock, or the lock cannot be made at all
    // (no protection is better than no program). False when another running program holds
    // it; that program has then been asked to come to the front.
    bool acquire();

    QString lockPath() const { return lockPath_; }
    // The local socket's name, the same for every program on the same backup.
    static QString ServerName(const QString& lockPath);

signals:
    // A later start on the same backup asked for this program's window.
    void raiseRequested();

private:
    void askRunningToRaise();

    QString lockPath_;
    QLockFile lock_;
    QLocalServer* server_ = nullptr;
};

// Shows the window in front, restored if it was minimised.
void BringToFront(QWidget& window);

} // namespace vk
