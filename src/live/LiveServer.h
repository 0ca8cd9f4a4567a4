#pragma once
#include "live/LiveHttp.h"
#include "live/LiveState.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

class QThread;

namespace vk {

class LiveWorker;

// The live results server: HTTP/1.1 and WebSockets on a thread of its own. It only reads the
// snapshots it is handed; nothing a client sends reaches the race, the protocol or the disk.
// Qt 6.4's QHttpServer cannot bound request heads, count clients or time out slow ones, so
// the HTTP side is our own on QTcpServer; upgrades go to QWebSocketServer::handleConnection.
class LiveServer : public QObject {
    Q_OBJECT

public:
    struct Options {
        QHostAddress address = QHostAddress::Any;
        quint16 port = 8080;
        int maxClients = 500;
        int headTimeoutMs = 10000;   // a request head must arrive within this
        int idleTimeoutMs = 15000;   // a kept-alive connection or an unread answer
        int socketTimeoutMs = 75000; // a WebSocket that answered no ping for this long
        qint64 maxUnsent = 1 << 20;  // bytes queued to a client that does not read
        HttpLimits limits;
        std::function<int64_t()> ticks; // the race's tick clock; the system's when empty
    };

    explicit LiveServer(QObject* parent = nullptr);
    ~LiveServer() override;

    // Starts the thread and listens; empty when that worked, else why not (German).
    QString start(const Options& options);
    void stop();
    bool running() const { return worker_ != nullptr; }
    quint16 port() const { return port_; }
    // Open connections, HTTP and WebSocket.
    int clientCount() const { return clients_.load(); }

    // Hands the server the state after an event: it serialises it once on its thread and
    // sends it to every WebSocket. Costs the ui thread one queued call, whatever the clients.
    void publish(LiveSnapshot snapshot);

signals:
    // On the server's thread: a state went out to `sockets` WebSockets.
    void broadcast(int sockets);

private:
    QThread* thread_ = nullptr;
    LiveWorker* worker_ = nullptr;
    quint16 port_ = 0;
    std::atomic<int> clients_{0};
};

} // namespace vk
