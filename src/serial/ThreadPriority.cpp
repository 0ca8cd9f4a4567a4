#include "serial/ThreadPriority.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace vk {

namespace {

constexpr int kRtPriority = 5;
constexpr uint64_t kBusTimeoutUs = 500000; // the start must not wait on a stuck bus

constexpr char kRtkitName[] = "org.freedesktop.RealtimeKit1";
constexpr char kRtkitPath[] = "/org/freedesktop/RealtimeKit1";

// One call to RealtimeKit over its own connection, closed again at once.
class RtkitCall {
public:
    RtkitCall() {
        const int r = sd_bus_open_system(&bus_);
        if (r < 0) {
            why_ = std::string("kein System-D-Bus (") + std::strerror(-r) + ")";
            return;
        }
        sd_bus_set_method_call_timeout(bus_, kBusTimeoutUs);
    }
    ~RtkitCall() { sd_bus_flush_close_unref(bus_); }

    bool ok() const { return why_.empty(); }
    const std::string& why() const { return why_; }

    template <class T> bool Property(const char* name, char type, T& value) {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        const int r = sd_bus_get_property_trivial(bus_, kRtkitName, kRtkitPath, kRtkitName, name,
                                                  &error, type, &value);
        return Done(r, error);
    }
    template <class... A> bool Call(const char* method, const char* types, A... args) {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        const int r = sd_bus_call_method(bus_, kRtkitName, kRtkitPath, kRtkitName, method, &error,
                                         &reply, types, args...);
        sd_bus_message_unref(reply);
        return Done(r, error);
    }

private:
    bool Done(int r, sd_bus_error& error) {
        if (r < 0)
            why_ = std::string("RealtimeKit: ") + (error.name ? error.name : std::strerror(-r));
        sd_bus_error_free(&error);
        return r >= 0;
    }

    sd_bus* bus_ = nullptr;
    std::string why_;
};

uint64_t ThisThread() {
    return static_cast<uint64_t>(syscall(SYS_gettid));
}

class LinuxPriority final : public PriorityPlatform {
public:
    bool SetFifo(int priority) override {
        sched_param sp{};
        sp.sched_priority = priority;
        return pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp) == 0;
    }

    std::string RealtimeKitRealtime(int priority) override {
        RtkitCall rtkit;
        int32_t max = 0;
        int64_t rttime = 0;
        if (!rtkit.ok() || !rtkit.Property("MaxRealtimePriority", 'i', max) ||
            !rtkit.Property("RTTimeUSecMax", 'x', rttime))
            return rtkit.why();
        if (max < 1)
            return "RealtimeKit: keine Echtzeit-Priorität erlaubt";
        // RealtimeKit serves only a process that bounds its real-time CPU time; the threads
        // sleep between line changes, so the bound is never reached.
        rlimit rl{};
        if (getrlimit(RLIMIT_RTTIME, &rl) == 0 &&
            (rl.rlim_max == RLIM_INFINITY || rl.rlim_max > static_cast<rlim_t>(rttime))) {
            rl.rlim_cur = rl.rlim_max = static_cast<rlim_t>(rttime);
            setrlimit(RLIMIT_RTTIME, &rl);
        }
        if (!rtkit.Call("MakeThreadRealtime", "tu", ThisThread(),
                        static_cast<uint32_t>(std::min<int32_t>(priority, max))))
            return rtkit.why();
        return {};
    }

    std::string RealtimeKitHighPriority() override {
        RtkitCall rtkit;
        int32_t minNice = 0;
        if (!rtkit.ok() || !rtkit.Property("MinNiceLevel", 'i', minNice) ||
            !rtkit.Call("MakeThreadHighPriority", "ti", ThisThread(), minNice))
            return rtkit.why();
        return {};
    }

    int NiceFloor() override {
        rlimit rl{};
        if (getrlimit(RLIMIT_NICE, &rl) != 0)
            return Nice();
        if (rl.rlim_cur == RLIM_INFINITY)
            return -20;
        return std::max(-20, 20 - static_cast<int>(std::min<rlim_t>(rl.rlim_cur, 40)));
    }

    void SetNice(int nice) override {
        setpriority(PRIO_PROCESS, static_cast<id_t>(ThisThread()), nice);
    }

    bool IsRealtime() override {
        const int policy = sched_getscheduler(0) & ~SCHED_RESET_ON_FORK;
        return policy == SCHED_FIFO || policy == SCHED_RR;
    }
    int RtPriority() override {
        sched_param sp{};
        return sched_getparam(0, &sp) == 0 ? sp.sched_priority : 0;
    }
    void ShortSlice() override {
        // A short time slice lets the fair scheduler run the thread soon after it wakes on a
        // busy machine (kernels from 6.12; older ones ignore it).
        struct {
            uint32_t size, policy;
            uint64_t flags;
            int32_t nice;
            uint32_t priority;
            uint64_t runtime, deadline, period;
        } attr{};
        attr.size = sizeof attr;
        attr.policy = SCHED_OTHER;
        attr.nice = Nice();
        attr.runtime = 100000; // ns
        syscall(SYS_sched_setattr, 0, &attr, 0);
    }
    int Nice() override {
        errno = 0;
        const int n = getpriority(PRIO_PROCESS, static_cast<id_t>(ThisThread()));
        return errno == 0 ? n : 0;
    }
};

std::mutex recordMutex;
ThreadPriority recorded;

} // namespace

PriorityPlatform& SystemPriority() {
    static LinuxPriority system;
    return system;
}

ThreadPriority RaiseThreadPriority(PriorityPlatform& platform) {
    ThreadPriority got;
    if (platform.SetFifo(kRtPriority)) {
        got.means = ThreadPriority::Means::Fifo;
    } else if (std::string why = platform.RealtimeKitRealtime(kRtPriority); why.empty()) {
        got.means = ThreadPriority::Means::RealtimeKit;
    } else if (std::string high = platform.RealtimeKitHighPriority(); high.empty()) {
        got.means = ThreadPriority::Means::RealtimeKitNice;
        got.note = why;
    } else {
        got.means = ThreadPriority::Means::Nice;
        got.note = why;
        const int floor = platform.NiceFloor();
        if (floor < platform.Nice())
            platform.SetNice(floor);
    }
    // What the kernel says, whatever was asked.
    got.realtime = platform.IsRealtime();
    if (!got.realtime)
        platform.ShortSlice();
    got.rtPriority = got.realtime ? platform.RtPriority() : 0;
    got.nice = platform.Nice();
    return got;
}

ThreadPriority EventThreadPriority() {
    std::lock_guard lock(recordMutex);
    return recorded;
}

void RecordEventThreadPriority(const ThreadPriority& p) {
    std::lock_guard lock(recordMutex);
    recorded = p;
}

std::string ThreadPriorityText(const ThreadPriority& p) {
    using M = ThreadPriority::Means;
    std::string text = "Ereignis-Thread der Schnittstelle: ";
    if (p.means == M::None)
        return text + "läuft nicht (keine Schnittstelle geöffnet)";
    if (p.realtime) {
        text += "Echtzeit-Priorität " + std::to_string(p.rtPriority);
        text += p.means == M::RealtimeKit ? " über RealtimeKit" : "";
        return text;
    }
    text += "keine Echtzeit, nice " + std::to_string(p.nice);
    if (p.means == M::RealtimeKitNice)
        text += " über RealtimeKit";
    if (!p.note.empty())
        text += " (" + p.note + ")";
    return text + "; unter hoher Last können Zeitstempel einige ms zu spät sein";
}

} // namespace vk
