// The real main window (with the program's other windows) on a scripted port: wake-ups and
// processor use while idle and while a race runs, the ui time of a barrier event, the stop of
// a lane with a 10,000-row protocol, and the start-up with 1,000, 10,000 and 100,000 backup
// rows (each in a fresh process). Runs on any Qt platform: offscreen by default, or under
// xvfb-run with QT_QPA_PLATFORM=xcb. Never touches a real port.
#include "app/Program.h"
#include "app/TestPlatform.h"
#include "config/MemorySettingsStore.h"
#include "protocol/CellTable.h"
#include "protocol/Protocol.h"
#include "serial/Comms.h"
#include "serial/LinuxComDevice.h"

#include "serial/PtyHelpers.h"
#include "serial/ScriptedModemIo.h"
#include "support/ManualClock.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <map>
#include <sys/resource.h>
#include <vector>

using namespace vk;

namespace {

double NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double CpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// Per thread: name and the times it went to sleep and was woken again.
std::map<std::string, long> Wakeups() {
    std::map<std::string, long> m;
    DIR* d = opendir("/proc/self/task");
    if (!d)
        return m;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        const std::string base = std::string("/proc/self/task/") + e->d_name;
        std::ifstream comm(base + "/comm");
        std::string name;
        std::getline(comm, name);
        std::ifstream status(base + "/status");
        std::string line;
        long n = 0;
        while (std::getline(status, line))
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                n = std::stol(line.substr(line.find(':') + 1));
        m[name + " (" + e->d_name + ")"] = n;
    }
    closedir(d);
    return m;
}

// Counts the timer events the program's objects receive, by timer interval, and the paint
// events of its widgets.
class TimerCounter : public QObject {
public:
    std::map<QString, int> counts;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Timer) {
            QString what = QString::fromLatin1(o->metaObject()->className());
            if (auto* t = qobject_cast<QTimer*>(o))
                what += QStringLiteral(" %1 ms").arg(t->interval());
            else if (!o->objectName().isEmpty())
                what += QStringLiteral(" ") + o->objectName();
            ++counts[what];
        } else if (e->type() == QEvent::Paint) {
            ++counts[QStringLiteral("paint ") + QString::fromLatin1(o->metaObject()->className()) +
                     QStringLiteral(" ") + o->objectName()];
        }
        return false;
    }
};

// Runs the event loop as the program does, sleeping while there is nothing to do.
void Run(double ms) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(ms), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Processor and wake-ups first, then (with the counting filter, which costs time of its own)
// the timer and paint events.
void Measure(const char* what, double seconds, TimerCounter& timers) {
    const auto w0 = Wakeups();
    const double cpu0 = CpuMs(), t0 = NowMs();
    Run(seconds * 1000);
    const double cpu = CpuMs() - cpu0, wall = NowMs() - t0;
    const auto w1 = Wakeups();
    timers.counts.clear();
    qApp->installEventFilter(&timers);
    Run(seconds * 1000);
    qApp->removeEventFilter(&timers);
    std::printf("%s, %.0f s: processor %.2f %% of one core\n", what, seconds, 100 * cpu / wall);
    for (const auto& [name, n] : w1) {
        const auto it = w0.find(name);
        const long d = n - (it == w0.end() ? 0 : it->second);
        if (d > 0)
            std::printf("  wake-ups/s %8.1f  thread %s\n", d / (wall / 1000), name.c_str());
    }
    for (const auto& [name, n] : timers.counts)
        if (!name.startsWith(QStringLiteral("paint")) || n / (wall / 1000) >= 1)
            std::printf("  %s/s %6.1f  %s\n",
                        name.startsWith(QStringLiteral("paint")) ? "events" : "timer events",
                        n / (wall / 1000), qPrintable(name));
}

struct Stats {
    double median, p99, max;
};

Stats Summarize(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)], v.back()};
}

void WriteBackup(const QString& folder, int rows) {
    CellTable table;
    test::ScriptedDialogs dialogs;
    Protocol protocol(table, dialogs);
    protocol.FillHeaders();
    table.SetRowCount(rows + 1);
    for (int r = 1; r <= rows; ++r) {
        table.SetCell(0, r, std::to_string(r));
        table.SetCell(1, r, "Fahrer" + std::to_string(r));
        table.SetCell(2, r, "Vorname");
        table.SetCell(3, r, "K" + std::to_string(r % 7));
        table.SetCell(4, r, "0,512");
        table.SetCell(5, r, "4,101");
        table.SetCell(6, r, "123,456");
        table.SetCell(7, r, "7,900");
        table.SetCell(8, r, "8,412");
    }
    protocol.WriteProtocolText(
        (folder + QStringLiteral("/Velkoran-Sicherungsdatei.txt")).toStdString());
}

struct Window {
    explicit Window(const QString& folder) : driver(io) {
        TFormMain::Options o;
        o.executablePath = (folder + QStringLiteral("/Velkoran")).toStdString();
        o.dialogs = &dialogs;
        o.comDriver = &driver;
        o.settingsStore = &store;
        o.probePorts = [](const ComPortMap&) { return 0u; };
        program = std::make_unique<Program>(o);
        TFormMain& w = program->main();
        w.comPort().DevicePath = pty.Slave();
        w.comPort().Open();
        w.show();
        Run(1000);
    }
    TFormMain& main() { return program->main(); }

    test::Pty pty;
    test::ScriptedModemIo io;
    LinuxComDriver driver;
    test::ScriptedDialogs dialogs;
    MemorySettingsStore store;
    std::unique_ptr<Program> program;
};

// Wall time and the ui thread's own processor time of one step, in ms.
struct Cost {
    double wall, cpu;
};
struct Costs {
    std::vector<double> wall, cpu;
    void add(Cost c) {
        wall.push_back(c.wall);
        cpu.push_back(c.cpu);
    }
};

template <class F> Cost Timed(F&& f) {
    const double t0 = NowMs(), c0 = ThreadCpuMs();
    f();
    return {NowMs() - t0, ThreadCpuMs() - c0};
}

// A record as the event thread makes it, dispatched straight on the ui thread.
Cost Dispatch(TFormMain& w, uint32_t status, uint32_t events) {
    LineRecord r{events, status, SystemTicks().TickStamp()};
    return Timed([&] { w.comPort().DispatchEvent(r); });
}

Cost Paint() {
    return Timed([] { QCoreApplication::processEvents(); });
}

void Report(const char* what, const Costs& c) {
    const Stats w = Summarize(c.wall), p = Summarize(c.cpu);
    std::printf("%-38s cpu median %.3f p99 %.3f max %.3f | wall median %.3f p99 %.3f max %.3f ms\n",
                what, p.median, p.p99, p.max, w.median, w.p99, w.max);
}

void BarrierEvents(TFormMain& w) {
    RaceControl& rc = w.race();
    Costs pass, paint, stop;
    for (int race = 0; race < 200; ++race) {
        rc.mStart.click();
        Paint();
        for (int k = 1; k <= 4; ++k)
            for (uint32_t line : {MS_RLSD_ON, MS_DSR_ON}) {
                const uint32_t ev = line == MS_RLSD_ON ? EV_RLSD : EV_DSR;
                (k < 4 ? pass : stop).add(Dispatch(w, line, ev));
                paint.add(Paint());
                pass.add(Dispatch(w, 0, ev));
                Paint();
            }
        rc.TimerGesperrtTimer(1);
        rc.TimerGesperrtTimer(2);
        rc.mResetClick();
        Paint();
    }
    Report("barrier event (handlers + render)", pass);
    Report("  painting after a pass", paint);
    Report("fourth pass (stop), 3-row protocol", stop);
}

// The longest the ui thread was held up over `ms`: a 1 ms timer notes how late it comes.
double LongestBusy(double ms) {
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    double last = NowMs(), longest = 0;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const double now = NowMs();
        longest = std::max(longest, now - last - 1);
        last = now;
    });
    probe.start();
    Run(ms);
    return longest;
}

// The lanes' start numbers are the protocol's last two rows: the row search is the longest.
void StopWithBigProtocol(const QString& folder) {
    WriteBackup(folder, 10000);
    Window win(folder);
    TFormMain& w = win.main();
    RaceControl& rc = w.race();
    Costs stops, after;
    std::vector<double> stall;
    for (int race = 0; race < 50; ++race) {
        rc.FrameT1.setStartNumber(9999);
        rc.FrameT2.setStartNumber(9998);
        rc.mStart.click();
        Run(50);
        for (int k = 1; k <= 3; ++k) {
            Dispatch(w, MS_RLSD_ON, EV_RLSD);
            Dispatch(w, 0, EV_RLSD);
        }
        stops.add(Dispatch(w, MS_RLSD_ON, EV_RLSD));
        after.add(Paint());
        Dispatch(w, 0, EV_RLSD);
        // What follows the stop on the ui thread (here: the backup, written by a timer of the
        // ui thread about 100 ms later, unless a writer thread takes it).
        stall.push_back(LongestBusy(400));
        rc.mStop2.click();
        rc.TimerGesperrtTimer(1);
        rc.TimerGesperrtTimer(2);
        rc.mResetClick();
        Run(200);
    }
    Report("stop by the fourth pass, 10,000 rows", stops);
    Report("  painting after it", after);
    const Stats l = Summarize(stall);
    std::printf("  longest hold-up of the ui in the 400 ms after: median %.1f max %.1f ms\n",
                l.median, l.max);
}

int Startup(int rows) {
    QTemporaryDir dir;
    WriteBackup(dir.path(), rows);
    const double t0 = NowMs();
    {
        test::TestPlatform platform;
        Program program(platform.options(dir.filePath(QStringLiteral("Velkoran")).toStdString()));
        const double built = NowMs();
        program.main().show();
        while (!program.main().windowHandle() || !program.main().windowHandle()->isExposed())
            Run(1);
        QCoreApplication::processEvents();
        const double shown = NowMs();
        std::printf("start-up with %6d backup rows: window built %7.1f ms, shown %7.1f ms "
                    "(%d rows loaded)\n",
                    rows, built - t0, shown - t0, program.main().table().RowCount() - 1);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 3 && QString::fromLatin1(argv[1]) == QStringLiteral("startup"))
        return Startup(std::atoi(argv[2]));

    if (argc >= 3 && QString::fromLatin1(argv[1]) == QStringLiteral("racing")) {
        // Only the racing window, for a profiler.
        QTemporaryDir dir;
        Window win(dir.path());
        win.main().race().mStart.click();
        if (argc > 3)
            win.main().hide();
        Run(std::atof(argv[2]) * 1000);
        return 0;
    }
    std::printf("platform %s, screen refresh %.0f Hz\n", qPrintable(QApplication::platformName()),
                QApplication::primaryScreen() ? QApplication::primaryScreen()->refreshRate() : 0);
    TimerCounter timers;
    {
        QTemporaryDir dir;
        Window win(dir.path());
        Measure("idle window, port open", 10, timers);
        win.main().race().mStart.click();
        Measure("racing window (both lanes running)", 5, timers);

        win.main().race().mStop1.click();
        win.main().race().mStop2.click();
        win.main().race().mResetClick();
        Run(500);
        BarrierEvents(win.main());
    }
    {
        QTemporaryDir dir;
        StopWithBigProtocol(dir.path());
    }
    for (int rows : {1000, 10000, 100000}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("startup"), QString::number(rows)});
        child.waitForFinished(120000);
    }
    return 0;
}
