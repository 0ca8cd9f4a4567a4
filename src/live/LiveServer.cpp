#include "live/LiveServer.h"

#include "live/LiveWorker.h"

#include <QThread>

#include <algorithm>
#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace vk {

LiveServer::LiveServer(QObject* parent) : QObject(parent) {}

LiveServer::~LiveServer() {
    stop();
}

QString LiveServer::start(const Options& options) {
    stop();
#ifdef Q_OS_UNIX
    // Every client is a descriptor: make room for the limit of clients beside the program's own.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < 4096 &&
        files.rlim_cur < files.rlim_max) {
        files.rlim_cur = std::min<rlim_t>(files.rlim_max, 4096);
        setrlimit(RLIMIT_NOFILE, &files);
    }
#endif
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("LiveServer"));
    worker_ = new LiveWorker(options, clients_, *this);
    worker_->moveToThread(thread_);
    thread_->start();
    QString failure;
    quint16 port = 0;
    LiveWorker* w = worker_;
    QMetaObject::invokeMethod(
        w, [w, &failure, &port] { failure = w->listen(port); }, Qt::BlockingQueuedConnection);
    if (!failure.isEmpty()) {
        stop();
        return failure;
    }
    port_ = port;
    return {};
}

void LiveServer::stop() {
    if (!thread_)
        return;
    LiveWorker* w = worker_;
    // Deleted on its own thread, with every socket it holds.
    QMetaObject::invokeMethod(
        w, [w] { delete w; }, Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    worker_ = nullptr;
    port_ = 0;
    clients_ = 0;
}

void LiveServer::publish(LiveSnapshot snapshot) {
    if (!worker_ || !snapshot)
        return;
    LiveWorker* w = worker_;
    QMetaObject::invokeMethod(
        w, [w, s = std::move(snapshot)]() mutable { w->setSnapshot(std::move(s)); },
        Qt::QueuedConnection);
}

} // namespace vk
