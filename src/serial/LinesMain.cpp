// velkoran-lines: opens a port exactly as the timing program does and prints a line for every
// change of the barrier inputs, so the wiring can be checked without starting a race.
#include "platform/Tick.h"
#include "serial/Adapter.h"
#include "serial/Comms.h"
#include "serial/ThreadPriority.h"

#include <cctype>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

// "COM5" (any case) gives 5; anything else 0.
int ComNumber(const std::string& s) {
    if (s.size() < 4 || std::toupper(s[0]) != 'C' || std::toupper(s[1]) != 'O' ||
        std::toupper(s[2]) != 'M')
        return 0;
    int n = 0;
    for (size_t i = 3; i < s.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i])) || n > 255)
            return 0;
        n = n * 10 + (s[i] - '0');
    }
    return n;
}

std::string LinesOn(uint32_t status) {
    std::string on;
    auto add = [&](uint32_t bit, const char* name) {
        if (status & bit) {
            if (!on.empty())
                on += ' ';
            on += name;
        }
    };
    add(vk::MS_CTS_ON, "AMPEL");
    add(vk::MS_RLSD_ON, "LS1");
    add(vk::MS_DSR_ON, "LS2");
    return on.empty() ? "-" : on;
}

// The system's reason from the component's message ("Unable to open com port: <reason>").
std::string Reason(const std::string& what) {
    const size_t colon = what.find(": ");
    return colon == std::string::npos ? what : what.substr(colon + 2);
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, ""); // the system's reasons in the user's language
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(
            stderr, "Aufruf: velkoran-lines COMn | GERÄT\n"
                    "Öffnet die Schnittstelle wie das Zeitnahmeprogramm und schreibt für jede\n"
                    "Änderung der Eingänge eine Zeile: Tick, Modemstatuswort, die eingeschalteten\n"
                    "Leitungen (AMPEL = CTS, LS1 = DCD, LS2 = DSR). Strg+C beendet es.\n");
        return 2;
    }
    const std::string arg = argv[1];

    vk::TComPort port;
    vk::SetMainWindowValues(port);
    if (const int n = ComNumber(arg)) {
        if (!port.PortMap.Find(n)) {
            std::fprintf(stderr, "Schnittstelle %s gibt es nicht (COM1 bis COM16)\n", arg.c_str());
            return 2;
        }
        port.Port = static_cast<uint8_t>(n);
    } else {
        port.DevicePath = arg;
    }

    vk::SystemTicks ticks;
    bool lost = false;
    auto print = [&](int64_t tick, uint32_t status) {
        std::printf("%10lld  0x%04X  %s\n", static_cast<long long>(tick),
                    static_cast<unsigned>(status), LinesOn(status).c_str());
        std::fflush(stdout);
    };
    // One line per change, with the tick of the moment the event thread saw it; a change of
    // several lines at once runs several handlers for the same record.
    int64_t lastTick = -1;
    uint32_t lastStatus = 0;
    port.OnCTS = port.OnDSR = port.OnRLSD = [&](vk::TComPort* p) {
        const int64_t tick = p->EventTick().value_or(ticks.TickStamp());
        const uint32_t status = p->ModemStatus();
        if (tick == lastTick && status == lastStatus)
            return;
        lastTick = tick;
        lastStatus = status;
        print(tick, status);
    };
    const vk::SystemRoots roots;
    port.OnDeviceLost = [&](vk::TComPort* p) {
        lost = true;
        std::printf("%s\n", vk::DeviceLostText(*p).c_str());
        if (const std::string trap = vk::LossTrapText(p->ResolvedPath(), roots); !trap.empty())
            std::printf("%s\n", trap.c_str());
    };

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    try {
        port.Open();
    } catch (const std::exception& e) {
        const std::string device = port.ResolvedPath();
        const std::string name = device == arg ? arg : arg + " (" + device + ")";
        std::fprintf(stderr, "Schnittstelle %s lässt sich nicht öffnen: %s\n", name.c_str(),
                     Reason(e.what()).c_str());
        // The same hint as the program's status bar: the group, brltty or ModemManager.
        if (const auto* h = dynamic_cast<const vk::EComHandle*>(&e))
            if (const std::string trap =
                    vk::OpenTrapText(h->Error(), device, roots, vk::LoginName());
                !trap.empty())
                std::fprintf(stderr, "%s\n", trap.c_str());
        return 1;
    }
    std::printf("# %s (%s): Tick, Status, eingeschaltete Leitungen; Strg+C beendet\n", arg.c_str(),
                port.ResolvedPath().c_str());
    // The event thread asks for its priority before its first wait.
    const auto asked = std::chrono::steady_clock::now();
    while (vk::EventThreadPriority().means == vk::ThreadPriority::Means::None &&
           std::chrono::steady_clock::now() - asked < std::chrono::seconds(3))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::printf("# %s\n", vk::ThreadPriorityText(vk::EventThreadPriority()).c_str());
    print(ticks.TickStamp(), port.ModemStatus());
    while (!g_stop && !lost) {
        port.HandOver().WaitPending(std::chrono::milliseconds(100));
        port.HandOver().Drain();
    }
    port.Close();
    return lost ? 3 : 0;
}
