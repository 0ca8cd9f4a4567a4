// The run log: how long a race day of 2,000 runs takes to load (goal: under 100 ms), and how
// long a run takes to reach the disk (appended and synced) while the backup writer is busy
// with a 1,000,000-row protocol (goal: under 50 ms). Prints the figures; exits 1 when a goal
// is missed.
#include "protocol/BackupThread.h"
#include "protocol/CellTable.h"
#include "runlog/RunLog.h"
#include "runlog/RunLogFile.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vk;
using Steady = std::chrono::steady_clock;

namespace {
double ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

RunRecord run(int i) {
    RunRecord r;
    r.dateTime = "2026-12-09T20:15:03";
    r.title = "Sommer-Cup Flugplatz";
    r.lane = 1 + i % 2;
    r.startNumber = std::to_string(1 + i % 300);
    r.name = "Müller-Lüdenscheidt";
    r.firstName = "Hans-Jürgen";
    r.klass = std::to_string(1 + i % 7);
    r.passMs = {512, 4200, 9100, 11877};
    r.rz = "0,512";
    r.zz = "4,200";
    r.topSpeedTime = "9,100";
    r.fz = "11,365";
    r.geszeit = "11,877";
    r.kmh = "123,456";
    r.win = i % 2;
    r.opponentStartNumber = std::to_string(2 + i % 300);
    return r;
}
} // namespace

int main() {
    const auto dir =
        std::filesystem::temp_directory_path() / ("vk-runlog-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string logPath = (dir / "day.jsonl").string();
    bool ok = true;
    {
        std::string text;
        for (int i = 0; i < 2000; ++i)
            text += RunRecordLine(run(i));
        FILE* f = std::fopen(logPath.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        double best = 1e9;
        for (int k = 0; k < 10; ++k) {
            RunLogFile log(logPath, nullptr);
            const auto t0 = Steady::now();
            log.load();
            best = std::min(best, ms(Steady::now() - t0));
            if (log.records().size() != 2000)
                return 2;
        }
        std::printf("load 2,000 runs (%zu bytes): %.2f ms (goal < 100 ms)\n", text.size(), best);
        ok = ok && best < 100;
    }
    {
        CellTable table(11, 1000001);
        for (int r = 1; r < table.RowCount(); ++r) {
            table.SetCell(0, r, std::to_string(r));
            table.SetCell(1, r, "Müller-Lüdenscheidt");
            table.SetCell(8, r, "11,877");
        }
        std::atomic<bool> appended{false};
        Steady::time_point landed;
        BackupThread writer(FileIo::system(), nullptr);
        writer.onAppended = [&](uint64_t, bool) {
            landed = Steady::now();
            appended = true;
        };
        writer.submit(table.Snapshot(), (dir / "backup.txt").string());
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the big write is running
        const auto stop = Steady::now();
        writer.append(logPath, RunRecordLine(run(1)));
        while (!appended)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const double late = ms(landed - stop);
        const auto t1 = Steady::now();
        writer.flush((dir / "backup.txt").string());
        std::printf("run synced %.2f ms after its stop while a 1,000,000-row backup was written "
                    "(backup needed %.0f ms more) (goal < 50 ms)\n",
                    late, ms(Steady::now() - t1));
        ok = ok && late < 50;
    }
    // kill -9 of a process that just handed a run to the writer (while a 200,000-row backup
    // is written): is the run in the file?
    for (const int delayMs : {1, 5, 20, 200}) {
        int kept = 0;
        const int tries = 5;
        for (int k = 0; k < tries; ++k) {
            const std::string path =
                (dir / ("kill-" + std::to_string(delayMs) + "-" + std::to_string(k) + ".jsonl"))
                    .string();
            int ready[2];
            if (::pipe(ready) != 0)
                return 2;
            const pid_t child = ::fork();
            if (child == 0) {
                CellTable table(11, 200001);
                for (int r = 1; r < table.RowCount(); ++r)
                    table.SetCell(0, r, std::to_string(r));
                BackupThread writer(FileIo::system(), nullptr);
                writer.submit(table.Snapshot(), (dir / ("b" + std::to_string(k))).string());
                RunLogFile log(path, [&](const std::string& p, std::string bytes) {
                    writer.append(p, std::move(bytes));
                });
                log.append(run(k));
                const char c = 1;
                (void)!::write(ready[1], &c, 1);
                for (;;)
                    ::pause();
            }
            char c;
            (void)!::read(ready[0], &c, 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            ::close(ready[0]);
            ::close(ready[1]);
            kept += ReadRunLog(path).records.size() == 1 ? 1 : 0;
        }
        std::printf("kill -9 %3d ms after the stop: run kept %d of %d\n", delayMs, kept, tries);
    }
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}
