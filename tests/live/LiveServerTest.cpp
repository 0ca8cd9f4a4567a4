// The live server over loopback: what a browser, a broken client and an attacker get.
#include "live/LiveServer.h"
#include "live/HttpExchange.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QtTest>

using namespace vk;
using namespace vk::test;

namespace {

LiveSnapshot StateTitled(const std::string& title) {
    auto s = std::make_shared<LiveState>();
    s->title = title;
    s->lanes[0].startNumber = "12";
    s->lanes[0].name = "Müller";
    return s;
}

} // namespace

class LiveServerTest : public QObject {
    Q_OBJECT

    LiveServer server;
    LiveServer::Options options() {
        LiveServer::Options o;
        o.address = QHostAddress::LocalHost;
        o.port = 0;
        return o;
    }

private slots:
    void answersEveryKindOfRequestWithItsStatus() {
        QCOMPARE(server.start(options()), QString());
        server.publish(StateTitled("<b>Größter</b> \"Preis\""));
        const quint16 port = server.port();
        const QByteArray longHeader =
            "GET / HTTP/1.1\r\nHost: x\r\nX: " + QByteArray(9000, 'a') + "\r\n\r\n";
        const struct {
            QByteArray request;
            int status;
        } cases[] = {
            {Get("/"), 200},
            {Get("/api/state"), 200},
            {Get("/protokoll"), 200},
            {Get("/live.js"), 200},
            {Get("/gibtsnicht"), 404},
            {Get("/../../etc/passwd"), 404},
            {Get("/%2e%2e/%2e%2e/etc/passwd"), 404},
            {Get("/lauf/1"), 404},
            {"POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc", 405},
            {"DELETE /api/state HTTP/1.1\r\nHost: x\r\n\r\n", 405},
            {"GET / HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc", 413},
            {"GET /" + QByteArray(5000, 'a') + " HTTP/1.1\r\n", 414},
            {longHeader, 431},
            {"GARBAGE\r\n\r\n", 400},
            {"GET / HTTP/3\r\nHost: x\r\n\r\n", 505},
            {QByteArray("GET /\0 HTTP/1.1\r\nHost: x\r\n\r\n", 29), 400},
        };
        for (const auto& c : cases) {
            const QByteArray r = Exchange(port, c.request);
            QVERIFY2(StatusOf(r) == c.status,
                     (c.request.left(60) + " -> " + r.left(80)).constData());
            if (c.status != 414 && c.status != 431)
                QVERIFY2(r.contains("Content-Security-Policy: default-src 'self'\r\n"),
                         r.left(300).constData());
            QVERIFY(!r.contains("Set-Cookie"));
        }
        const QByteArray state = Exchange(port, Get("/api/state"));
        const QByteArray escaped =
            "\"titel\":\"\\u003cb\\u003eGrößter\\u003c/b\\u003e \\\"Preis\\\"\"";
        QVERIFY2(state.contains(escaped), state.constData());
        const QByteArray page = Exchange(port, Get("/"));
        QVERIFY(!page.contains("<b>"));
        const QByteArray head =
            Exchange(port, "HEAD / HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        QVERIFY(head.endsWith("\r\n\r\n"));
        QVERIFY(head.contains("Content-Length: ") && !head.contains("<html"));
        server.stop();
    }

    void keepsAliveAndAnswersPipelinedRequestsInOrder() {
        QCOMPARE(server.start(options()), QString());
        const QByteArray two = "GET /live.css HTTP/1.1\r\nHost: x\r\n\r\n" + Get("/gibtsnicht");
        const QByteArray r = Exchange(server.port(), two);
        QCOMPARE(r.count("HTTP/1.1 "), 2);
        QVERIFY(r.indexOf("200 OK") < r.indexOf("404 Not Found"));
        server.stop();
    }

    void refusesClientsBeyondTheLimitAndDropsSlowOnes() {
        LiveServer::Options o = options();
        o.maxClients = 3;
        o.headTimeoutMs = 300;
        QCOMPARE(server.start(o), QString());
        QTcpSocket held[3];
        for (auto& c : held) {
            c.connectToHost(QHostAddress::LocalHost, server.port());
            QVERIFY(c.waitForConnected(2000));
            c.write("GET / HT"); // a head that never ends
        }
        QTRY_COMPARE_WITH_TIMEOUT(server.clientCount(), 3, 2000);
        QCOMPARE(StatusOf(Exchange(server.port(), Get("/"), 1000)), 503);
        // The slow ones are cut off by the head deadline, so the server takes clients again.
        QTRY_COMPARE_WITH_TIMEOUT(server.clientCount(), 0, 3000);
        for (auto& c : held)
            QTRY_COMPARE_WITH_TIMEOUT(c.state(), QAbstractSocket::UnconnectedState, 2000);
        QCOMPARE(StatusOf(Exchange(server.port(), Get("/"))), 200);
        server.stop();
    }

    void aWebSocketReceivesEveryEventInOrder() {
        QCOMPARE(server.start(options()), QString());
        server.publish(StateTitled("0"));
        QWebSocket ws;
        QStringList got;
        connect(&ws, &QWebSocket::textMessageReceived, this, [&](const QString& m) { got << m; });
        ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(server.port())));
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), 1, 3000); // the state on arrival
        for (int i = 1; i <= 5; ++i)
            server.publish(StateTitled(std::to_string(i)));
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), 6, 3000);
        for (int i = 0; i <= 5; ++i)
            QVERIFY2(got[i].contains(QStringLiteral("\"titel\":\"%1\"").arg(i)),
                     qPrintable(got[i]));
        QVERIFY(got[0].startsWith("{\"tick\":"));
        QCOMPARE(server.clientCount(), 1);
        QTcpSocket http; // and one plain connection held open
        http.connectToHost(QHostAddress::LocalHost, server.port());
        QVERIFY(http.waitForConnected(2000));
        QTRY_COMPARE_WITH_TIMEOUT(server.clientCount(), 2, 3000);
        server.stop(); // with clients still there
        QTRY_COMPARE_WITH_TIMEOUT(ws.state(), QAbstractSocket::UnconnectedState, 3000);
    }

    void namesAPortInUse() {
        QTcpServer other;
        QVERIFY(other.listen(QHostAddress::LocalHost, 0));
        LiveServer::Options o = options();
        o.port = other.serverPort();
        const QString why = server.start(o);
        QVERIFY2(why.contains(QString::number(o.port)) && why.contains("belegt"), qPrintable(why));
        QVERIFY(!server.running());
    }
};

QTEST_GUILESS_MAIN(LiveServerTest)
#include "LiveServerTest.moc"
