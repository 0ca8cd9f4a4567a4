// Soak: first the real main window through an evening of heats (soak_window.cpp; memory per
// 100 heats; `soak N` runs N heats, default 1,000, `soak 0` skips it). Then 10,000 races
// through the race control and the protocol on the fake clock, with the
// backup writer and its thread writing to a temporary folder. Prints the memory in use after
// 1,000 races and after 10,000 (it must stay flat) and the ui time per race. Then the path of
// a lane stop with a 10,000-row protocol: results into the row and the backup handed to the
// writer (goal: the ui is free again within 2 ms).
#include "config/Settings.h"
#include "protocol/Protocol.h"
#include "protocol/ProtocolBackup.h"
#include "protocol/ProtocolFiles.h"
#include "race/RaceControl.h"
#include "support/ManualClock.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vk;
using Steady = std::chrono::steady_clock;

// Shared with the window part.
long residentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

namespace {

double micros(Steady::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// Processor time of this thread: what the work costs, without the time other processes of a
// busy machine took the core away.
double threadCpuMicros() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

struct Spread {
    double median, p99, max;
};
Spread spread(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[v.size() * 99 / 100], v.back()};
}

struct Station {
    test::PostQueue posted; // the writer thread's results, run on this ("ui") thread
    test::ManualClock clock{100000};
    test::SoundRecorder sound;
    test::ScriptedDialogs dialogs;
    CellTable table;
    Settings settings;
    Protocol protocol{table, dialogs};
    RaceControl rc{{clock, clock, sound, table, settings}};
    std::unique_ptr<BackupWriter> backup;

    explicit Station(const std::string& path) {
        settings.applyStartupDefaults();
        protocol.laneTimed = [this](int lane) { return rc.frame(lane).clockRunning(); };
        backup = std::make_unique<BackupWriter>(protocol, clock, path, posted.poster());
        rc.requestBackup = [this] { backup->RequestWrite(); };
        sound.played.reserve(4);
    }
    ~Station() {
        backup->WriteNow();
        backup.reset();
        posted.drain();
    }

    // One race: start, four passes on each lane (the fourth stops it), reset.
    void race(int n) {
        rc.FrameT1.setStartNumber(1 + (2 * n) % 200);
        rc.FrameT2.setStartNumber(2 + (2 * n) % 200);
        rc.mStart.click();
        for (int k = 0; k < 4; ++k) {
            clock.advance(700 + n % 37);
            rc.CountLanePasses(true, false);
            clock.advance(3 + n % 11);
            rc.CountLanePasses(false, true);
        }
        clock.advance(600);
        rc.mResetClick();
        sound.played.clear();
        posted.drain();
    }
};

} // namespace

int SoakWindow(int argc, char** argv, int heats);

int main(int argc, char** argv) {
    const int heats = argc > 1 ? std::atoi(argv[1]) : 1000;
    if (heats > 0 && SoakWindow(argc, argv, heats) != 0)
        std::printf("THE WINDOW DID NOT RACE: no heat was stopped by its passes\n");
    char folder[] = "/tmp/vk-soak-XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    const std::string path = std::string(folder) + "/Velkoran-Sicherungsdatei.txt";
    {
        Station s(path);
        constexpr int kRaces = 10000, kWarm = 1000;
        long warmKb = 0;
        double total = 0, worst = 0;
        for (int n = 0; n < kRaces; ++n) {
            const auto t0 = Steady::now();
            s.race(n);
            const double us = micros(Steady::now() - t0);
            total += us;
            worst = std::max(worst, us);
            if (n + 1 == kWarm)
                warmKb = residentKb();
            if ((n + 1) % 2000 == 0)
                std::printf("  after %5d races: %ld kB\n", n + 1, residentKb());
        }
        s.backup->WaitForWrites();
        s.posted.drain();
        const long endKb = residentKb();
        std::printf("races: %d, protocol rows: %d\n", kRaces, s.table.RowCount() - 1);
        std::printf("memory in use after %d races: %ld kB, after %d races: %ld kB (%+ld kB)\n",
                    kWarm, warmKb, kRaces, endKb, endKb - warmKb);
        std::printf("ui time per race: mean %.1f us, max %.1f us\n", total / kRaces, worst);
        std::printf("backup on disk equals the protocol: %s\n",
                    test::ReadBytes(path) == ProtocolTextBytes(s.table) ? "yes" : "NO");
    }
    {
        // A lane stop with 10,000 rows: results into the row, snapshot handed to the writer.
        Station s(path);
        for (int r = 1; r <= 10000; ++r)
            s.table.AddRow({std::to_string(r), "Name " + std::to_string(r), "Vorname", "3", "0,512",
                            "2,100", "88,123", "5,123", "6,001"});
        std::vector<double> stops, cpu;
        for (int n = 0; n < 500; ++n) {
            s.rc.FrameT1.setStartNumber(1 + n % 9000);
            s.rc.FrameT2.setStartNumber(2 + n % 9000);
            s.rc.mStart.click();
            s.clock.advance(5000);
            const auto t0 = Steady::now();
            const double c0 = threadCpuMicros();
            s.rc.mStop1.click();
            cpu.push_back(threadCpuMicros() - c0);
            stops.push_back(micros(Steady::now() - t0));
            s.rc.mStop2.click();
            s.rc.mResetClick();
            s.backup->WaitForWrites();
            s.posted.drain();
        }
        const Spread wall = spread(stops), work = spread(cpu);
        std::printf("lane stop with 10,000 rows (goal: ui free within 2000 us)\n"
                    "  wall time:      median %.0f us, p99 %.0f us, max %.0f us\n"
                    "  processor time: median %.0f us, p99 %.0f us, max %.0f us\n",
                    wall.median, wall.p99, wall.max, work.median, work.p99, work.max);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
