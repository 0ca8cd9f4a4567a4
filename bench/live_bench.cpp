// The live server under 500 WebSocket clients on loopback: how soon an event reaches every
// client, what idle clients cost, and what an event costs the thread that hands it over.
//   live_bench [clients=500] [events=40]
// Stops by itself; everything listens and connects on 127.0.0.1 only.
#include "live/LiveServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QWebSocket>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

using namespace vk;

namespace {

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Runs the event loop (sleeping while nothing happens) for `ms`.
void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

LiveSnapshot State(int n, int rows) {
    auto s = std::make_shared<LiveState>();
    s->title = "Event " + std::to_string(n);
    s->lanes[0].startNumber = "12";
    s->lanes[0].name = "Müller";
    // Shared between snapshots, as the window's row cache does while the table is unchanged.
    static const auto p = [rows] {
        auto table = std::make_shared<ProtocolRows>();
        for (int r = 0; r < rows; ++r)
            table->push_back({std::to_string(r), "Name", "Vorname", "3", "0,612", "3,101", "181,2",
                              "5,123", "5,735", "", ""});
        return table;
    }();
    s->protocol = p;
    return s;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int clients = argc > 1 ? std::atoi(argv[1]) : 500;
    const int events = argc > 2 ? std::atoi(argv[2]) : 40;
    rlimit lim{};
    getrlimit(RLIMIT_NOFILE, &lim);
    lim.rlim_cur = lim.rlim_max;
    setrlimit(RLIMIT_NOFILE, &lim);

    LiveServer server;
    LiveServer::Options o;
    o.address = QHostAddress::LocalHost;
    o.port = 0;
    o.maxClients = clients + 10;
    if (const QString why = server.start(o); !why.isEmpty()) {
        std::printf("server: %s\n", qPrintable(why));
        return 1;
    }
    server.publish(State(0, 300));

    // The ui thread's cost of one event, before any client is there.
    auto handOver = [&](int n) {
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < n; ++i)
            server.publish(State(i, 300));
        return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0)
                   .count() /
               n;
    };
    const double costNone = handOver(200);
    Wait(500);

    std::vector<std::unique_ptr<QWebSocket>> sockets;
    std::vector<std::vector<qint64>> received(static_cast<size_t>(clients));
    QElapsedTimer clock;
    clock.start();
    int open = 0;
    for (int i = 0; i < clients; ++i) {
        auto w = std::make_unique<QWebSocket>();
        QObject::connect(w.get(), &QWebSocket::connected, [&open] { ++open; });
        QObject::connect(w.get(), &QWebSocket::textMessageReceived, [&, i](const QString& m) {
            if (m.contains(QStringLiteral("\"titel\":\"Mark ")))
                received[static_cast<size_t>(i)].push_back(clock.nsecsElapsed());
        });
        w->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(server.port())));
        sockets.push_back(std::move(w));
        if (i % 50 == 49)
            Wait(20);
    }
    for (QElapsedTimer t; t.start(), open < clients && t.elapsed() < 30000;)
        Wait(50);
    Wait(1000);
    std::printf("clients connected: %d of %d (server counts %d)\n", open, clients,
                server.clientCount());

    // Idle: nothing happens for 5 s; the process holds the server and all clients.
    const double cpu0 = CpuSeconds();
    Wait(5000);
    const double idle = (CpuSeconds() - cpu0) / 5.0 * 100.0;

    // Events 250 ms apart; the latency of each client's copy.
    std::vector<double> latencyMs;
    std::vector<qint64> sentAt;
    for (int e = 0; e < events; ++e) {
        auto s = State(e, 300);
        std::const_pointer_cast<LiveState>(s)->title = "Mark " + std::to_string(e);
        sentAt.push_back(clock.nsecsElapsed());
        server.publish(s);
        Wait(250);
    }
    Wait(1000);
    size_t missing = 0;
    for (const auto& got : received) {
        missing += static_cast<size_t>(events) - std::min(got.size(), static_cast<size_t>(events));
        for (size_t e = 0; e < got.size() && e < sentAt.size(); ++e)
            latencyMs.push_back(static_cast<double>(got[e] - sentAt[e]) / 1e6);
    }
    std::sort(latencyMs.begin(), latencyMs.end());
    auto pct = [&](double p) {
        return latencyMs.empty()
                   ? -1.0
                   : latencyMs[static_cast<size_t>(p * static_cast<double>(latencyMs.size() - 1))];
    };
    const double costAll = handOver(200);
    Wait(2000);

    std::printf(
        "event -> every client: p50 %.1f ms, p99 %.1f ms, max %.1f ms (%zu copies, %zu missing)\n",
        pct(0.5), pct(0.99), pct(1.0), latencyMs.size(), missing);
    std::printf("idle with %d clients: %.2f %% of one core (server and clients in one process)\n",
                open, idle);
    std::printf("ui-thread cost per event (snapshot with a 300-row protocol + hand-over): %.1f us "
                "with 0 clients, "
                "%.1f us with %d\n",
                costNone, costAll, open);
    sockets.clear();
    server.stop();
    return 0;
}
