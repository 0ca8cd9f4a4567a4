// The live server under 500 WebSocket clients on loopback: how soon an event reaches every
// client, what idle clients cost the server, and what an event costs the thread that hands
// it over.
//   live_bench [clients=500] [events=40]
// The clients run in a child process of their own (this program, started with --clients), so
// their reading does not count as the server's time, and read raw frames, as cheaply as a
// phone's network does. Events go 250 ms apart: `live_bench 500
// 400` keeps 500 clients busy for 100 s, e.g. while stamp_bench runs beside it.
// Stops by itself; everything listens and connects on 127.0.0.1 only.
#include "live/LiveServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

using namespace vk;

namespace {

constexpr int kEventGapMs = 250;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Both processes read the same clock, so a send time travels inside the message.
int64_t MonoNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Runs the event loop (sleeping while nothing happens) for `ms`.
void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void RaiseFileLimit() {
    rlimit lim{};
    getrlimit(RLIMIT_NOFILE, &lim);
    lim.rlim_cur = lim.rlim_max;
    setrlimit(RLIMIT_NOFILE, &lim);
}

// What the window hands over: a 300-row protocol (shared while it is unchanged, as the
// window's row cache does) and the run log, whose latest ten runs every message carries.
LiveSnapshot State(const std::string& title) {
    auto s = std::make_shared<LiveState>();
    s->title = title;
    s->lanes[0].startNumber = "12";
    s->lanes[0].name = "Müller";
    static const auto table = [] {
        auto t = std::make_shared<ProtocolRows>();
        for (int r = 0; r < 300; ++r)
            t->push_back({std::to_string(r), "Name", "Vorname", "3", "0,612", "3,101", "181,2",
                          "5,123", "5,735", "", ""});
        return t;
    }();
    static const auto runs = [] {
        auto v = std::make_shared<std::vector<RunRecord>>();
        for (int i = 1; i <= 200; ++i) {
            RunRecord r;
            r.runNumber = i;
            r.dateTime = "2026-12-09T20:15:03";
            r.title = "Sommerpokal";
            r.lane = 1 + i % 2;
            r.startNumber = std::to_string(i % 150);
            r.name = "Müller";
            r.firstName = "Jörg";
            r.klass = "3";
            r.passMs = {612, 1830, 3101, 5735};
            r.rz = "0,612", r.zz = "3,101", r.fz = "5,123", r.geszeit = "5,735", r.kmh = "181,2";
            v->push_back(r);
        }
        return v;
    }();
    s->protocol = table;
    s->runs = runs;
    return s;
}

// One client as a phone's network sees it: a TCP socket that did the WebSocket handshake and
// reads frames. Raw, so the bench's own reading costs microseconds per copy: with 500
// QWebSockets in one thread, each copy's decoding (5 KB into a QString) queued behind the
// others' and dominated the figure.
struct RawClient {
    int fd = -1;
    bool open = false;
    std::string in;
};

void SendPong(int fd) {
    // A masked, empty pong; the server counts it as a sign of life.
    const unsigned char pong[] = {0x8A, 0x80, 1, 2, 3, 4};
    (void)!::write(fd, pong, sizeof pong);
}

// Takes the whole frames out of `c.in`; a text frame's "Mark <n> <sent ns>" title is timed.
void ReadFrames(RawClient& c, int64_t now, std::vector<double>& latencyMs) {
    size_t at = 0;
    for (;;) {
        if (c.in.size() - at < 2)
            break;
        const auto* b = reinterpret_cast<const unsigned char*>(c.in.data() + at);
        uint64_t len = b[1] & 0x7F;
        size_t head = 2;
        if (len == 126) {
            if (c.in.size() - at < 4)
                break;
            len = (uint64_t{b[2]} << 8) | b[3];
            head = 4;
        } else if (len == 127) {
            if (c.in.size() - at < 10)
                break;
            len = 0;
            for (int i = 0; i < 8; ++i)
                len = (len << 8) | b[2 + i];
            head = 10;
        }
        if (c.in.size() - at < head + len)
            break;
        const std::string_view payload(c.in.data() + at + head, len);
        if ((b[0] & 0x0F) == 0x9)
            SendPong(c.fd);
        else if (const size_t m = payload.find("\"titel\":\"Mark "); m != std::string_view::npos) {
            const size_t space = payload.find(' ', m + 14);
            const int64_t sent = std::atoll(std::string(payload.substr(space + 1, 20)).c_str());
            latencyMs.push_back(static_cast<double>(now - sent) / 1e6);
        }
        at += head + len;
    }
    c.in.erase(0, at);
}

// The child: `clients` raw WebSocket clients on one epoll. Prints "connected <n>" once they
// are all upgraded, then one line of figures when every client has every event, or at its
// deadline.
int Clients(quint16 port, int clients, int events) {
    RaiseFileLimit();
    const int ep = epoll_create1(EPOLL_CLOEXEC);
    std::vector<RawClient> all(static_cast<size_t>(clients));
    std::vector<double> latencyMs;
    latencyMs.reserve(static_cast<size_t>(clients) * static_cast<size_t>(events));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const std::string hello =
        "GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
        "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
        "Sec-WebSocket-Version: 13\r\n\r\n";
    for (int i = 0; i < clients; ++i) {
        RawClient& c = all[static_cast<size_t>(i)];
        c.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(c.fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 ||
            ::write(c.fd, hello.data(), hello.size()) != static_cast<ssize_t>(hello.size())) {
            std::fprintf(stderr, "client %d: %s\n", i, std::strerror(errno));
            continue;
        }
        ::fcntl(c.fd, F_SETFL, O_NONBLOCK);
        epoll_event e{};
        e.events = EPOLLIN;
        e.data.u32 = static_cast<uint32_t>(i);
        ::epoll_ctl(ep, EPOLL_CTL_ADD, c.fd, &e);
        if (i % 50 == 49)
            ::usleep(20000); // the server accepts 64 at a time
    }
    int open = 0;
    bool told = false;
    const size_t wanted = static_cast<size_t>(clients) * static_cast<size_t>(events);
    const int64_t deadline = MonoNs() + (60000LL + events * kEventGapMs) * 1000000;
    std::vector<epoll_event> ready(64);
    char buf[65536];
    while (latencyMs.size() < wanted && MonoNs() < deadline) {
        const int n = ::epoll_wait(ep, ready.data(), static_cast<int>(ready.size()), 100);
        const int64_t now = MonoNs();
        for (int k = 0; k < n; ++k) {
            RawClient& c = all[ready[static_cast<size_t>(k)].data.u32];
            for (ssize_t got; (got = ::read(c.fd, buf, sizeof buf)) > 0;)
                c.in.append(buf, static_cast<size_t>(got));
            if (!c.open) {
                const size_t end = c.in.find("\r\n\r\n");
                if (end == std::string::npos)
                    continue;
                c.open = c.in.compare(0, 12, "HTTP/1.1 101") == 0;
                open += c.open;
                c.in.erase(0, end + 4);
            }
            ReadFrames(c, now, latencyMs);
        }
        if (!told && open == clients) {
            std::printf("connected %d\n", open);
            told = true;
        }
    }
    if (!told)
        std::printf("connected %d\n", open);
    std::sort(latencyMs.begin(), latencyMs.end());
    auto pct = [&](double p) {
        return latencyMs.empty()
                   ? -1.0
                   : latencyMs[static_cast<size_t>(p * static_cast<double>(latencyMs.size() - 1))];
    };
    std::printf("latency %.1f %.1f %.1f %zu %zu\n", pct(0.5), pct(0.99), pct(1.0), latencyMs.size(),
                wanted - std::min(wanted, latencyMs.size()));
    for (const RawClient& c : all)
        if (c.fd >= 0)
            ::close(c.fd);
    ::close(ep);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc == 5 && std::strcmp(argv[1], "--clients") == 0)
        return Clients(static_cast<quint16>(std::atoi(argv[2])), std::atoi(argv[3]),
                       std::atoi(argv[4]));
    const int clients = argc > 1 ? std::atoi(argv[1]) : 500;
    const int events = argc > 2 ? std::atoi(argv[2]) : 40;
    RaiseFileLimit();

    LiveServer server;
    LiveServer::Options o;
    o.address = QHostAddress::LocalHost;
    o.port = 0;
    o.maxClients = clients + 10;
    if (const QString why = server.start(o); !why.isEmpty()) {
        std::printf("server: %s\n", qPrintable(why));
        return 1;
    }
    server.publish(State("Start"));

    // The ui thread's cost of one event: building the snapshot and handing it over. Timed
    // one by one, apart, as events come (a burst with 500 clients would queue hundreds of MB
    // on loopback and time TCP's retransmits instead).
    auto publish = [&](const std::string& title) {
        const auto t0 = std::chrono::steady_clock::now();
        server.publish(State(title));
        return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0)
            .count();
    };
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? -1.0 : v[v.size() / 2];
    };
    std::vector<double> costNone;
    for (int i = 0; i < 40; ++i) {
        costNone.push_back(publish("Event " + std::to_string(i)));
        Wait(20);
    }
    Wait(500);

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--clients"), QString::number(server.port()),
                 QString::number(clients), QString::number(events)});
    QByteArray out;
    auto line = [&](const char* word) {
        for (QElapsedTimer t; t.start(), t.elapsed() < 60000;) {
            out += child.readAllStandardOutput();
            if (const qsizetype at = out.indexOf(word); at >= 0 && out.indexOf('\n', at) > at)
                return out.mid(at, out.indexOf('\n', at) - at);
            if (child.state() == QProcess::NotRunning)
                break;
            Wait(50);
        }
        return QByteArray();
    };
    const QByteArray connected = line("connected ");
    Wait(1000);
    std::printf("clients connected: %s of %d (server counts %d)\n", connected.mid(10).constData(),
                clients, server.clientCount());

    // Idle: nothing happens for 5 s; only the server's process is measured.
    const double cpu0 = CpuSeconds();
    Wait(5000);
    const double idle = (CpuSeconds() - cpu0) / 5.0 * 100.0;
    std::vector<double> costAll;
    for (int e = 0; e < events; ++e) {
        costAll.push_back(publish("Mark " + std::to_string(e) + " " + std::to_string(MonoNs())));
        Wait(kEventGapMs);
    }
    double p50 = -1, p99 = -1, max = -1;
    size_t copies = 0, missing = 0;
    std::sscanf(line("latency ").constData(), "latency %lf %lf %lf %zu %zu", &p50, &p99, &max,
                &copies, &missing);
    child.waitForFinished(10000);

    std::printf(
        "event -> every client: p50 %.1f ms, p99 %.1f ms, max %.1f ms (%zu copies, %zu missing)\n",
        p50, p99, max, copies, missing);
    std::printf("idle with %d clients: %.2f %% of one core (the server's process)\n", clients,
                idle);
    std::printf("ui-thread cost per event (snapshot with a 300-row protocol + hand-over), median: "
                "%.1f us with 0 clients, %.1f us with %d\n",
                median(costNone), median(costAll), clients);
    server.stop();
    return 0;
}
