#include "serial/Comms.h"
#include "serial/LinuxComDevice.h"
#include "serial/LinuxTermios.h"

#include "PtyHelpers.h"
#include "ScriptedModemIo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace vk;
using vk::test::ScriptedModemIo;
using namespace std::chrono_literals;

namespace {

using Log = std::vector<std::string>;

double Seconds(const timespec& t) {
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

double ProcessCpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return Seconds(t);
}

double WallClock() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return Seconds(t);
}

// Wall time of a Close, in seconds.
double TimedClose(TComPort& p) {
    const double start = WallClock();
    p.Close();
    return WallClock() - start;
}

constexpr double kPromptStop = 0.25; // generous for sanitizer builds; the goal is well under 0.1

class LinuxBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        port = std::make_unique<TComPort>(&driver);
        SetMainWindowValues(*port);
        port->DevicePath = pty.Slave();
        port->OnCTS = [this](TComPort*) { log.emplace_back("cts"); };
        port->OnDSR = [this](TComPort*) { log.emplace_back("dsr"); };
        port->OnRLSD = [this](TComPort*) { log.emplace_back("rlsd"); };
        port->OnOpen = [this](TComPort*) { log.emplace_back("open"); };
        port->OnClose = [this](TComPort*) { log.emplace_back("close"); };
        port->OnDeviceLost = [this](TComPort*) { log.emplace_back("lost"); };
    }
    void TearDown() override { port.reset(); }

    // Serves hand-overs until the log has `n` entries (bounded): a drain may already run a
    // hand-over that the thread queued while the drain was busy.
    void ServeUntilLogged(size_t n) {
        for (int i = 0; i < 500 && log.size() < n; ++i) {
            port->HandOver().WaitPending(10ms);
            port->HandOver().Drain();
        }
    }

    void Serve() {
        ASSERT_TRUE(port->HandOver().WaitPending(5s)) << "no hand-over arrived";
        port->HandOver().Drain();
    }

    test::Pty pty;
    ScriptedModemIo io;
    LinuxComDriver driver{io};
    std::unique_ptr<TComPort> port;
    Log log;
};

// --- without any scripting: the system's own ioctls ---------------------------------------

TEST(LinuxBackend, MissingDeviceGivesEComHandleWithSystemText) {
    TComPort p;
    p.DevicePath = "/nonexistent/velkoran-test-tty";
    bool opened = false;
    p.OnOpen = [&](TComPort*) { opened = true; };
    try {
        p.Open();
        FAIL() << "opened a missing device";
    } catch (const EComHandle& e) {
        EXPECT_STREQ(e.what(), "Unable to open com port: No such file or directory");
    }
    EXPECT_FALSE(p.Connected());
    EXPECT_FALSE(opened);
}

TEST(LinuxBackend, RegularFileGivesEComStateAndIsReleased) {
    char path[] = "/tmp/velkoran-serial-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const int before = test::OpenDescriptors();
    TComPort p;
    p.DevicePath = path;
    try {
        p.Open();
        FAIL() << "a regular file passed as a serial device";
    } catch (const EComState& e) {
        EXPECT_STREQ(e.what(), "Unable to set com state: Inappropriate ioctl for device");
    }
    EXPECT_FALSE(p.Connected());
    EXPECT_EQ(test::OpenDescriptors(), before);
    unlink(path);
}

TEST(LinuxBackend, PseudoTerminalOpensReadsZeroDoesNotSpinAndClosesPromptly) {
    test::Pty pty;
    const int before = test::OpenDescriptors();
    TComPort p;
    SetMainWindowValues(p);
    p.DevicePath = pty.Slave();
    int opens = 0;
    p.OnOpen = [&](TComPort*) { ++opens; };
    p.Open();
    EXPECT_TRUE(p.Connected());
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(p.ModemStatus(), 0u); // no modem lines on a pty
    EXPECT_EQ(p.InputCount(), 0u);

    // Every modem ioctl fails here, so the thread's waits all fail: it must pause, not spin.
    const double cpu0 = ProcessCpu();
    poll(nullptr, 0, 1000);
    const double cpu = ProcessCpu() - cpu0;
    EXPECT_LT(cpu, 0.1) << "event thread used " << cpu << " s of CPU in one second";
    EXPECT_EQ(p.HandOver().Pending(), 0u);

    EXPECT_LT(TimedClose(p), kPromptStop);
    EXPECT_FALSE(p.Connected());
    EXPECT_EQ(test::OpenDescriptors(), before);
}

TEST(LinuxBackend, SecondOpenOfTheSameDeviceFailsWhileTheFirstHoldsIt) {
    test::Pty pty;
    TComPort first, second;
    first.DevicePath = second.DevicePath = pty.Slave();
    first.Open();
    try {
        second.Open();
        FAIL() << "second open succeeded";
    } catch (const EComHandle& e) {
        EXPECT_STREQ(e.what(), "Unable to open com port: Device or resource busy");
    }
    EXPECT_FALSE(second.Connected());
    first.Close();
    second.Open();
    EXPECT_TRUE(second.Connected());
}

// Under the RTS handshake a full receive queue would lower RTS, which feeds the start contact.
TEST(LinuxBackend, InputNobodyReadsIsThrownAwayAsItArrives) {
    for (bool reads : {true, false}) {
        SCOPED_TRACE(reads ? "reads" : "discards");
        test::Pty pty;
        TComPort p;
        SetMainWindowValues(p);
        p.DevicePath = pty.Slave();
        if (reads)
            p.OnRxChar = [](TComPort*, uint32_t) {};
        p.Open();
        ASSERT_EQ(::write(pty.Master(), "abc", 3), 3);
        const uint32_t expected = reads ? 3 : 0;
        for (int i = 0; i < 200 && p.InputCount() != expected; ++i)
            poll(nullptr, 0, 5);
        poll(nullptr, 0, 50);
        EXPECT_EQ(p.InputCount(), expected);
    }
}

TEST(LinuxBackend, HungUpTerminalCountsAsLostDevice) {
    test::Pty pty;
    TComPort p;
    p.DevicePath = pty.Slave();
    Log log;
    p.OnClose = [&](TComPort*) { log.emplace_back("close"); };
    p.OnDeviceLost = [&](TComPort*) { log.emplace_back("lost"); };
    p.Open();
    pty.CloseMaster();
    ASSERT_TRUE(p.HandOver().WaitPending(5s));
    p.HandOver().Drain();
    EXPECT_EQ(log, Log({"close", "lost"}));
    EXPECT_FALSE(p.Connected());
}

TEST(LinuxBackend, TermiosCarriesEverySetting) {
    // A pty keeps what the line discipline sees (rate, stop bits, flow control, modes) but
    // forces 8 data bits without parity, so those two are checked on the mapping itself.
    test::Pty pty;
    LinuxComDriver d;
    TComPort p;
    SetMainWindowValues(p);
    {
        auto dev = d.Open(pty.Slave(), SettingsOf(p));
        struct termios2 t {};
        ASSERT_EQ(GetTermios(static_cast<LinuxComDevice&>(*dev).Fd(), t), 0);
        EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
        EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
        EXPECT_NE(t.c_cflag & CLOCAL, 0u);
        EXPECT_EQ(t.c_ospeed, 9600u);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
        EXPECT_EQ(t.c_cc[VMIN], 0);
        EXPECT_EQ(t.c_cc[VTIME], 0);
    }
    p.BaudRate = brUser; // a rate without a classic constant
    p.StopBits = sbTwoStopBits;
    p.FlowControl = fcXonXoff;
    {
        auto dev = d.Open(pty.Slave(), SettingsOf(p));
        struct termios2 t {};
        ASSERT_EQ(GetTermios(static_cast<LinuxComDevice&>(*dev).Fd(), t), 0);
        EXPECT_EQ(t.c_ospeed, 28800u);
        EXPECT_EQ(t.c_ispeed, 28800u);
        EXPECT_NE(t.c_cflag & CSTOPB, 0u);
        EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
        EXPECT_EQ(t.c_cc[VSTART], 0x11);
        EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    }
}

TEST(LinuxBackend, DataBitsAndParityMapping) {
    ComSettings s;
    struct termios2 t {};
    t.c_cflag = CS8 | PARENB | B9600;
    static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    for (uint8_t bits = 5; bits <= 8; ++bits) {
        s.dataBits = bits;
        ASSERT_TRUE(ApplyComSettings(t, s));
        EXPECT_EQ(t.c_cflag & CSIZE, sizes[bits - 5]) << int(bits);
        EXPECT_EQ(t.c_cflag & PARENB, 0u);
        EXPECT_EQ(t.c_cflag & CBAUD, static_cast<tcflag_t>(BOTHER));
    }
    s.parity = prMark;
    ASSERT_TRUE(ApplyComSettings(t, s));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR),
              static_cast<tcflag_t>(PARENB | PARODD | CMSPAR));
}

TEST(LinuxBackend, SettingsMappingOfParityAndRejectedValues) {
    ComSettings s;
    struct termios2 t {};
    s.parity = prSpace;
    ASSERT_TRUE(ApplyComSettings(t, s));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), static_cast<tcflag_t>(PARENB | CMSPAR));
    s.parity = prOdd;
    ASSERT_TRUE(ApplyComSettings(t, s));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), static_cast<tcflag_t>(PARENB | PARODD));
    s.parity = prEven;
    s.stopBits = sbOne5StopBits;
    ASSERT_TRUE(ApplyComSettings(t, s));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), static_cast<tcflag_t>(PARENB));
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);

    s.baudRate = 0; // brUser with a rate that is none
    EXPECT_FALSE(ApplyComSettings(t, s));
    EXPECT_EQ(errno, EINVAL);

    test::Pty pty;
    TComPort p;
    p.DevicePath = pty.Slave();
    p.BaudRate = brUser;
    p.BaudRateUser = -5;
    EXPECT_THROW(p.Open(), EComState);
    EXPECT_FALSE(p.Connected());
}

// --- modem ioctls scripted on a pty --------------------------------------------------------

TEST_F(LinuxBackendTest, DtrAndRtsFollowTheSettings) {
    using Sets = std::vector<std::pair<int, bool>>;
    port->Open(); // main window: DTR raised, RTS raised under the handshake
    port->Close();
    port->EnableDTR = false;
    port->FlowControl = fcNone;
    port->Open();
    EXPECT_EQ(io.Read(io.sets),
              (Sets{{TIOCM_DTR, true}, {TIOCM_RTS, true}, {TIOCM_DTR, false}, {TIOCM_RTS, false}}));
}

TEST_F(LinuxBackendTest, RefusedModemLineIsEComState) {
    io.setError = EPERM;
    const int before = test::OpenDescriptors();
    try {
        port->Open();
        FAIL() << "open succeeded although DTR was refused";
    } catch (const EComState& e) {
        EXPECT_STREQ(e.what(), "Unable to set com state: Operation not permitted");
    }
    EXPECT_EQ(test::OpenDescriptors(), before);
    EXPECT_TRUE(log.empty());
}

// A pulse that is over before the thread reads the lines is handed over as the change it was:
// the line on, then off again; the handlers read each record's word, not the device's.
TEST_F(LinuxBackendTest, PulseThatIsOverIsHandedOverAsOnThenOff) {
    std::vector<uint32_t> seen;
    port->OnCTS = port->OnDSR = [&](TComPort* p) {
        seen.push_back(p->ModemStatus());
        log.emplace_back("line");
    };
    for (bool waits : {true, false}) {
        SCOPED_TRACE(waits ? "TIOCMIWAIT" : "polling");
        io.hasWait = waits;
        log.clear();
        seen.clear();
        port->Open();
        if (waits) {
            ASSERT_TRUE(io.WaitInWait());
        }
        io.Pulse(waits ? TIOCM_CTS : TIOCM_DSR);
        ServeUntilLogged(3);
        EXPECT_EQ(log, Log({"open", "line", "line"}));
        EXPECT_EQ(seen, (std::vector<uint32_t>{waits ? 0x10u : 0x20u, 0u}));
        EXPECT_EQ(port->ModemStatus(), 0u); // the line is off again
        port->Close();
    }
}

TEST_F(LinuxBackendTest, LinesChangingTogetherComeInOneWait) {
    port->Open();
    ASSERT_TRUE(io.WaitInWait());
    io.SetLines(TIOCM_CTS | TIOCM_DSR | TIOCM_CAR);
    Serve();
    EXPECT_EQ(log, Log({"open", "cts", "dsr", "rlsd"}));
    EXPECT_EQ(port->ModemStatus(), 0xB0u);
}

// The wait compares against counters it reads as it is entered: a change between the
// thread's own look and that moment would wake nobody. The guard finds it once the thread
// sleeps, and costs no wake-up while nothing changes.
TEST_F(LinuxBackendTest, ChangeInTheEntryGapOfTheWaitIsStillDelivered) {
    for (bool counters : {true, false}) {
        SCOPED_TRACE(counters ? "counters" : "word only");
        io.hasCounts = counters;
        log.clear();
        io.SetLines(0);
        io.ChangeInEntryGap(TIOCM_CAR);
        port->Open();
        Serve();
        EXPECT_EQ(log, Log({"open", "rlsd"}));
        EXPECT_EQ(port->ModemStatus(), 0x80u);

        ASSERT_TRUE(io.WaitInWait());
        const int waits = io.Read(io.waits);
        poll(nullptr, 0, 100);
        EXPECT_EQ(io.Read(io.waits), waits);
        EXPECT_EQ(port->HandOver().Pending(), 0u);
        port->Close();
    }
}

TEST(LinuxBackend, SeesWhereAThreadSleeps) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::atomic<int> tid{0};
    std::thread reader([&] {
        tid.store(static_cast<int>(gettid()));
        char c;
        [[maybe_unused]] ssize_t n = ::read(fds[0], &c, 1);
    });
    while (tid.load() == 0)
        std::this_thread::yield();
    const unsigned long fd = static_cast<unsigned long>(fds[0]);
    int sleeping = 0;
    for (int i = 0; i < 500 && sleeping == 0; ++i) {
        sleeping = SleepingInSyscall(tid.load(), SYS_read, {fd});
        poll(nullptr, 0, 1);
    }
    EXPECT_EQ(sleeping, 1);
    EXPECT_EQ(SleepingInSyscall(tid.load(), SYS_read, {fd + 1}), 0);
    EXPECT_EQ(SleepingInSyscall(tid.load(), SYS_ioctl, {fd}), 0);
    EXPECT_EQ(SleepingInSyscall(gettid(), SYS_read, {fd}), 0); // running
    [[maybe_unused]] ssize_t n = ::write(fds[1], "x", 1);
    reader.join();
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST_F(LinuxBackendTest, StopInterruptsTheBlockedWaitPromptly) {
    port->Open();
    ASSERT_TRUE(io.WaitInWait());
    EXPECT_LT(TimedClose(*port), kPromptStop);
    EXPECT_GE(io.Read(io.interrupts), 1);
    EXPECT_EQ(log, Log({"open", "close"}));
}

TEST_F(LinuxBackendTest, WithoutTiocmiwaitTheLinesArePolled) {
    io.hasWait = false;
    io.hasCounts = false;
    port->Open();
    io.SetLines(TIOCM_CAR);
    Serve();
    io.SetLines(TIOCM_CAR | TIOCM_CTS);
    Serve();
    EXPECT_EQ(log, Log({"open", "rlsd", "cts"}));
    EXPECT_EQ(port->ModemStatus(), 0x90u);
    EXPECT_LT(TimedClose(*port), kPromptStop);
}

// A change told by the status alone must not count again when failed counters work again.
TEST_F(LinuxBackendTest, WaitWithoutCountersTellsTheLineByItsStatus) {
    for (bool once : {false, true}) {
        SCOPED_TRACE(once ? "counters fail once" : "no counters");
        io.SetLines(0);
        io.Write(io.hasCounts, once);
        log.clear();
        port->Open();
        ASSERT_TRUE(io.WaitInWait());
        poll(nullptr, 0, 20); // the guard has had its look: the failure is the woken thread's
        if (once)
            io.Write(io.countsFailures, 1);
        io.SetLines(TIOCM_DSR);
        Serve();
        ASSERT_TRUE(io.WaitInWait()); // back in a wait: the wake-up was handed over whole
        port->HandOver().Drain();
        EXPECT_EQ(log, Log({"open", "dsr"}));
        port->Close();
    }
}

TEST_F(LinuxBackendTest, UnpluggedDeviceClosesTheComponent) {
    port->Open();
    ASSERT_TRUE(io.WaitInWait());
    io.Unplug();
    Serve();
    EXPECT_EQ(log, Log({"open", "close", "lost"}));
    EXPECT_FALSE(port->Connected());
}

TEST_F(LinuxBackendTest, EveryWaitFailingBacksOff) {
    io.waitError = EPERM;
    port->Open();
    poll(nullptr, 0, 300);
    const int waits = io.Read(io.waits);
    // Pauses of 1, 2, 4, ... ms allow about nine waits in 300 ms; a spinning thread makes
    // hundreds of thousands.
    EXPECT_GE(waits, 1);
    EXPECT_LT(waits, 30);
    EXPECT_EQ(port->HandOver().Pending(), 0u);
    EXPECT_LT(TimedClose(*port), kPromptStop);
}

} // namespace
