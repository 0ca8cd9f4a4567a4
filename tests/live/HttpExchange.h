#pragma once
// A loopback HTTP client for the live server's tests: one request, the whole answer.
#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

namespace vk::test {

// Sends `request` and reads until the server closes or `ms` pass.
inline QByteArray Exchange(quint16 port, const QByteArray& request, int ms = 3000) {
    QTcpSocket c;
    c.connectToHost(QHostAddress::LocalHost, port);
    if (!c.waitForConnected(2000))
        return "no connection";
    c.write(request);
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (c.state() == QAbstractSocket::ConnectedState && t.elapsed() < ms) {
        c.waitForReadyRead(50);
        got += c.readAll();
    }
    return got + c.readAll();
}

inline QByteArray Get(const QByteArray& target) {
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
}

inline int StatusOf(const QByteArray& response) {
    return response.mid(9, 3).toInt();
}

} // namespace vk::test
