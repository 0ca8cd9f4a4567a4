#include "live/LiveWorker.h"

#include "live/LiveRespond.h"
#include "platform/Tick.h"

#include <QTcpServer>
#include <QWebSocket>
#include <QWebSocketServer>

#include <algorithm>
#include <utility>

namespace vk {

namespace {

QString ListenFailure(const QTcpServer& tcp, quint16 port) {
    switch (tcp.serverError()) {
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("Port %1 ist schon belegt (ein anderes Programm nutzt ihn)")
            .arg(port);
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("Port %1 ist nicht erlaubt (Ports unter 1024 nur mit Rechten)")
            .arg(port);
    default:
        return QStringLiteral("Port %1: %2").arg(port).arg(tcp.errorString());
    }
}

} // namespace

LiveWorker::LiveWorker(const LiveServer::Options& options, std::atomic<int>& clients,
                       LiveServer& owner)
    : o_(options), clients_(clients), owner_(owner), tcp_(new QTcpServer(this)),
      ws_(new QWebSocketServer(QStringLiteral("Velkoran"), QWebSocketServer::NonSecureMode, this)),
      sweep_(this), ping_(this) {
    clock_.start();
    tcp_->setMaxPendingConnections(64);
    ws_->setMaxPendingConnections(o_.maxClients);
    ws_->setHandshakeTimeout(o_.headTimeoutMs);
    connect(tcp_, &QTcpServer::newConnection, this, &LiveWorker::accept);
    connect(ws_, &QWebSocketServer::newConnection, this, &LiveWorker::takeWebSocket);
    sweep_.setInterval(500);
    connect(&sweep_, &QTimer::timeout, this, &LiveWorker::sweep);
    ping_.setInterval(o_.socketTimeoutMs / 3);
    connect(&ping_, &QTimer::timeout, this, &LiveWorker::ping);
}

LiveWorker::~LiveWorker() {
    tcp_->close();
    // Taken out first: a socket that goes tells its end, and the handlers would change the maps.
    const auto http = std::exchange(http_, {});
    const auto sockets = std::exchange(sockets_, {});
    for (const auto& [socket, info] : http) {
        socket->disconnect(this);
        delete socket;
    }
    for (const auto& [socket, seen] : sockets) {
        socket->disconnect(this);
        socket->abort(); // no closing handshake: the client may be gone already
        delete socket;
    }
    clients_ = 0;
}

int64_t LiveWorker::tick() const {
    if (o_.ticks)
        return o_.ticks();
    SystemTicks t;
    return t.TickStamp();
}

QString LiveWorker::listen(quint16& port) {
    if (!tcp_->listen(o_.address, o_.port))
        return ListenFailure(*tcp_, o_.port);
    port = tcp_->serverPort();
    ping_.start();
    return {};
}

void LiveWorker::count() {
    const qint64 now = clock_.elapsed();
    std::erase_if(upgrading_, [&](const auto& u) {
        return !u.first || u.first->state() != QAbstractSocket::ConnectedState ||
               now - u.second > o_.headTimeoutMs + 1000;
    });
    std::erase_if(closing_, [](const QPointer<QTcpSocket>& c) {
        return !c || c->state() == QAbstractSocket::UnconnectedState;
    });
    clients_ =
        static_cast<int>(http_.size() + sockets_.size() + upgrading_.size() + closing_.size());
    if (http_.empty())
        sweep_.stop();
    else if (!sweep_.isActive())
        sweep_.start();
}

void LiveWorker::accept() {
    while (QTcpSocket* socket = tcp_->nextPendingConnection()) {
        count();
        if (clients_ >= o_.maxClients) {
            // Told, then gone: the answer fits the socket's buffer, so this never waits.
            socket->write(ErrorBytes(503).c_str());
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            if (socket->state() == QAbstractSocket::UnconnectedState)
                socket->deleteLater();
            continue;
        }
        socket->setReadBufferSize(static_cast<qint64>(o_.limits.head) + 1);
        // Every answer and every state goes in one write: Nagle would only hold a message's
        // last segment back until the phone acknowledged the ones before (up to its delayed
        // ACK, 40-200 ms).
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        http_[socket].deadline = clock_.elapsed() + o_.headTimeoutMs;
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readHttp(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { dropHttp(socket); });
        count();
        readHttp(socket);
    }
}

void LiveWorker::dropHttp(QTcpSocket* socket) {
    if (http_.erase(socket)) {
        socket->disconnect(this);
        socket->deleteLater();
    }
    count();
}

void LiveWorker::answer(QTcpSocket* socket, const std::string& bytes, bool keepAlive) {
    socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    http_[socket].deadline = clock_.elapsed() + o_.idleTimeoutMs;
    if (!keepAlive) {
        socket->disconnect(this);
        http_.erase(socket);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->disconnectFromHost();
        // Still counted until it is gone, and cut off if it never reads the answer.
        closing_.emplace_back(socket);
        QTimer::singleShot(o_.idleTimeoutMs, socket, [socket] { socket->abort(); });
        count();
    }
}

void LiveWorker::readHttp(QTcpSocket* socket) {
    while (http_.count(socket) && socket->bytesAvailable() > 0) {
        const QByteArray bytes = socket->peek(static_cast<qint64>(o_.limits.head) + 1);
        const HeadParse p = ParseRequestHead(
            std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), o_.limits);
        if (p.status == HeadParse::Status::Incomplete)
            return;
        if (p.status == HeadParse::Status::Error) {
            answer(socket, ErrorBytes(p.errorStatus), false);
            return;
        }
        const Route route = RouteRequest(p.request);
        if (route.kind == Route::Kind::WebSocket) {
            // Only peeked at: the WebSocket server reads the handshake itself.
            socket->disconnect(this);
            http_.erase(socket);
            socket->setReadBufferSize(0);
            upgrading_.emplace_back(socket, clock_.elapsed());
            count();
            ws_->handleConnection(socket);
            return;
        }
        socket->read(static_cast<qint64>(p.headLength));
        static const LiveState empty;
        const LiveState& state = snapshot_ ? *snapshot_ : empty;
        const std::string& json = snapshot_ ? json_ : (json_ = StateJson(empty));
        const HttpResponse res = Respond(route, state, json, tick());
        const bool keep = p.request.keepAlive && (res.status == 200 || res.status == 404);
        answer(socket, ResponseBytes(res, p.request.method == "HEAD", keep), keep);
    }
}

void LiveWorker::takeWebSocket() {
    while (QWebSocket* w = ws_->nextPendingConnection()) {
        std::erase_if(upgrading_, [&](const auto& u) {
            return u.first && u.first->peerPort() == w->peerPort() &&
                   u.first->peerAddress() == w->peerAddress();
        });
        count();
        if (clients_ >= o_.maxClients) {
            w->abort();
            w->deleteLater();
            continue;
        }
        w->setMaxAllowedIncomingFrameSize(1024);
        w->setMaxAllowedIncomingMessageSize(1024);
        w->setParent(this);
        sockets_[w] = clock_.elapsed();
        connect(w, &QWebSocket::pong, this, [this, w] { sockets_[w] = clock_.elapsed(); });
        connect(w, &QWebSocket::textMessageReceived, this,
                [this, w] { sockets_[w] = clock_.elapsed(); });
        connect(w, &QWebSocket::disconnected, this, [this, w] {
            if (sockets_.erase(w))
                w->deleteLater();
            count();
        });
        count();
        if (snapshot_)
            w->sendTextMessage(QString::fromStdString(StateMessage(json_, tick())));
    }
}

void LiveWorker::setSnapshot(LiveSnapshot snapshot) {
    snapshot_ = std::move(snapshot);
    json_ = StateJson(*snapshot_);
    const QString message = QString::fromStdString(StateMessage(json_, tick()));
    int sent = 0;
    std::vector<QWebSocket*> slow;
    for (auto& [w, seen] : sockets_) {
        if (w->bytesToWrite() > o_.maxUnsent) {
            slow.push_back(w);
            continue;
        }
        w->sendTextMessage(message);
        // Out now, one copy after the other, rather than after 500 write notifications.
        w->flush();
        ++sent;
    }
    for (QWebSocket* w : slow)
        w->abort(); // a phone that stopped reading must not fill the memory
    emit owner_.broadcast(sent);
}

void LiveWorker::sweep() {
    const qint64 now = clock_.elapsed();
    std::vector<QTcpSocket*> late;
    for (auto& [socket, info] : http_)
        if (now > info.deadline)
            late.push_back(socket);
    for (QTcpSocket* socket : late) {
        socket->abort();
        dropHttp(socket);
    }
    count();
}

void LiveWorker::ping() {
    const qint64 now = clock_.elapsed();
    std::vector<QWebSocket*> gone;
    for (auto& [w, seen] : sockets_) {
        if (now - seen > o_.socketTimeoutMs)
            gone.push_back(w);
        else
            w->ping();
    }
    for (QWebSocket* w : gone)
        w->abort();
}

} // namespace vk
