#pragma once
#include "live/LiveServer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <string>
#include <unordered_map>
#include <vector>

class QTcpServer;
class QWebSocket;
class QWebSocketServer;

namespace vk {

// The server's objects, living on its thread (see LiveServer).
class LiveWorker : public QObject {
    Q_OBJECT

public:
    LiveWorker(const LiveServer::Options& options, std::atomic<int>& clients, LiveServer& owner);
    ~LiveWorker() override;

    QString listen(quint16& port);
    void setSnapshot(LiveSnapshot snapshot);

private:
    struct Http {
        qint64 deadline = 0;
    };
    void accept();
    void readHttp(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const std::string& bytes, bool keepAlive);
    void dropHttp(QTcpSocket* socket);
    void takeWebSocket();
    void sweep();
    void ping();
    void count();
    int64_t tick() const;

    LiveServer::Options o_;
    std::atomic<int>& clients_;
    LiveServer& owner_;
    QTcpServer* tcp_;
    QWebSocketServer* ws_;
    std::unordered_map<QTcpSocket*, Http> http_;
    std::unordered_map<QWebSocket*, qint64> sockets_; // last sign of life
    // Handed to the WebSocket server, handshake not yet done; with the time handed over.
    std::vector<std::pair<QPointer<QTcpSocket>, qint64>> upgrading_;
    // Answered and closing, until the client took the answer.
    std::vector<QPointer<QTcpSocket>> closing_;
    QTimer sweep_, ping_;
    QElapsedTimer clock_;
    LiveSnapshot snapshot_;
    std::string json_;
};

} // namespace vk
