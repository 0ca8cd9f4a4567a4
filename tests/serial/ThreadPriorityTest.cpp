#include "serial/ThreadPriority.h"
#include "PtyHelpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

using namespace vk;

namespace {

// A system that grants what the test says and keeps the thread's scheduling as a kernel would.
struct FakePriority final : PriorityPlatform {
    bool fifoAllowed = false;
    std::string rtkitRealtime = "RealtimeKit: org.freedesktop.DBus.Error.ServiceUnknown";
    std::string rtkitHigh = "RealtimeKit: org.freedesktop.DBus.Error.ServiceUnknown";
    int floor = 0;

    bool realtime = false;
    int rt = 0, nice = 0;
    bool sliced = false;

    bool SetFifo(int p) override {
        if (fifoAllowed) {
            realtime = true;
            rt = p;
        }
        return fifoAllowed;
    }
    std::string RealtimeKitRealtime(int p) override {
        if (rtkitRealtime.empty()) {
            realtime = true;
            rt = p;
        }
        return rtkitRealtime;
    }
    std::string RealtimeKitHighPriority() override {
        if (rtkitHigh.empty())
            nice = -11;
        return rtkitHigh;
    }
    int NiceFloor() override { return floor; }
    void SetNice(int n) override { nice = n; }
    void ShortSlice() override { sliced = true; }
    bool IsRealtime() override { return realtime; }
    int RtPriority() override { return rt; }
    int Nice() override { return nice; }
};

TEST(ThreadPriority, BestThatIsPermittedAndWhatTheOperatorReads) {
    using M = ThreadPriority::Means;
    const std::string refused = "RealtimeKit: org.freedesktop.RealtimeKit1.Error.NotPermitted";
    const std::string late = "; unter hoher Last können Zeitstempel einige ms zu spät sein";
    struct Row {
        const char* what;
        bool fifo;
        std::string rtkitRealtime, rtkitHigh;
        int floor;
        M means;
        std::string text;
    };
    const Row rows[] = {
        {"own right to SCHED_FIFO", true, refused, refused, 0, M::Fifo, "Echtzeit-Priorität 5"},
        {"RealtimeKit grants real-time", false, "", "", 0, M::RealtimeKit,
         "Echtzeit-Priorität 5 über RealtimeKit"},
        {"RealtimeKit grants only nice", false, refused, "", 0, M::RealtimeKitNice,
         "keine Echtzeit, nice -11 über RealtimeKit (" + refused + ")" + late},
        {"no RealtimeKit, RLIMIT_NICE allows -5", false,
         "kein System-D-Bus (No such file or directory)", refused, -5, M::Nice,
         "keine Echtzeit, nice -5 (kein System-D-Bus (No such file or directory))" + late},
        {"nothing permitted: nice stays", false, refused, refused, 20, M::Nice,
         "keine Echtzeit, nice 0 (" + refused + ")" + late},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FakePriority sys;
        sys.fifoAllowed = row.fifo;
        sys.rtkitRealtime = row.rtkitRealtime;
        sys.rtkitHigh = row.rtkitHigh;
        sys.floor = row.floor;
        const ThreadPriority got = RaiseThreadPriority(sys);
        EXPECT_EQ(got.means, row.means);
        EXPECT_EQ(got.realtime, sys.realtime);
        EXPECT_EQ(sys.sliced, !sys.realtime); // a short slice only without real-time
        EXPECT_EQ(ThreadPriorityText(got), "Ereignis-Thread der Schnittstelle: " + row.text);
    }
    EXPECT_EQ(ThreadPriorityText({}),
              "Ereignis-Thread der Schnittstelle: läuft nicht (keine Schnittstelle geöffnet)");
}

// The real system, as this test runs: whatever it grants, the report is what the kernel has.
TEST(ThreadPriority, ReportOfTheRealSystemMatchesTheKernel) {
    ThreadPriority got;
    bool kernelRealtime = false;
    std::thread([&] {
        got = RaiseThreadPriority();
        kernelRealtime = SystemPriority().IsRealtime();
    }).join();
    EXPECT_NE(got.means, ThreadPriority::Means::None);
    EXPECT_EQ(got.realtime, kernelRealtime);
}

} // namespace

namespace {

// The wiring check tells the operator which priority its event thread got (a pty stands in
// for the port; it ends by the signal of `timeout`).
TEST(ThreadPriority, WiringCheckPrintsIt) {
    test::Pty pty;
    const std::string command = "timeout --preserve-status -s TERM 3 " VK_LINES " " + pty.Slave();
    FILE* out = popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::string text;
    char buf[512];
    while (fgets(buf, sizeof buf, out))
        text += buf;
    EXPECT_EQ(pclose(out), 0) << text;
    EXPECT_NE(text.find("\n# Ereignis-Thread der Schnittstelle: "), std::string::npos) << text;
}

} // namespace
