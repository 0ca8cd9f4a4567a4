#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QWidget>

#include <cstdio>

namespace vk {

SingleInstance::SingleInstance(const QString& backupPath, QObject* parent)
    : QObject(parent), lockPath_(backupPath + QStringLiteral(".lock")), lock_(lockPath_) {
    // Only a dead holder makes the lock stale: a race evening lasts longer than any age limit.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::ServerName(const QString& lockPath) {
    const QByteArray hash = QCryptographicHash::hash(
        QFileInfo(lockPath).absoluteFilePath().toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("velkoran-") + QString::fromLatin1(hash.toHex().left(20));
}

bool SingleInstance::acquire() {
    QDir().mkpath(QFileInfo(lockPath_).absolutePath());
    if (!lock_.tryLock(0)) {
        if (lock_.error() == QLockFile::LockFailedError) {
            askRunningToRaise();
            return false;
        }
        std::fprintf(stderr, "Velkoran: Sperre %s lässt sich nicht anlegen\n",
                     qPrintable(lockPath_));
        return true;
    }
    const QString name = ServerName(lockPath_);
    // A socket left by a killed holder would make listen() fail; the lock says it is ours.
    QLocalServer::removeServer(name);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            s->disconnectFromServer();
            emit raiseRequested();
        }
    });
    if (!server_->listen(name))
        std::fprintf(stderr, "Velkoran: %s\n", qPrintable(server_->errorString()));
    return true;
}

void SingleInstance::askRunningToRaise() {
    // The holder may still be starting up and not listen yet: try for a few seconds.
    const QString name = ServerName(lockPath_);
    for (QDeadlineTimer until(5000); !until.hasExpired(); QThread::msleep(100)) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(500)) {
            socket.write("raise\n");
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return;
        }
    }
}

void BringToFront(QWidget& window) {
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace vk
