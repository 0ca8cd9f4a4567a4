#pragma once
#include <string>

namespace vk {

// The scheduling a thread has, as the kernel reports it, and how it came by it.
struct ThreadPriority {
    enum class Means { None, Fifo, RealtimeKit, RealtimeKitNice, Nice };
    Means means = Means::None; // None: no thread asked yet
    bool realtime = false;     // SCHED_FIFO or SCHED_RR
    int rtPriority = 0;        // while real-time
    int nice = 0;              // otherwise
    std::string note;          // why RealtimeKit gave nothing, when it was asked

    bool operator==(const ThreadPriority&) const = default;
};

// What raising the calling thread's priority needs from the system.
class PriorityPlatform {
public:
    virtual ~PriorityPlatform() = default;
    // SCHED_FIFO at `priority` by the thread's own right (RLIMIT_RTPRIO or CAP_SYS_NICE).
    virtual bool SetFifo(int priority) = 0;
    // RealtimeKit on the system bus, for this thread: real-time at no more than `priority`,
    // else its best nice level. Empty when it granted one of them, else why not.
    virtual std::string RealtimeKitRealtime(int priority) = 0;
    virtual std::string RealtimeKitHighPriority() = 0;
    // The lowest nice level RLIMIT_NICE lets the thread take, and taking it.
    virtual int NiceFloor() = 0;
    virtual void SetNice(int nice) = 0;
    // Without real-time: a short time slice, so the thread runs soon after it wakes.
    virtual void ShortSlice() = 0;
    // The thread's scheduling now.
    virtual bool IsRealtime() = 0;
    virtual int RtPriority() = 0;
    virtual int Nice() = 0;
};

// The real system: sched and rlimit calls, RealtimeKit through sd-bus with a short timeout.
PriorityPlatform& SystemPriority();

// Gives the calling thread the best priority it may have without changing any system policy:
// SCHED_FIFO where permitted, else real-time through RealtimeKit, else RealtimeKit's high
// priority, else the lowest nice level RLIMIT_NICE allows. The threads that ask only ever
// sleep in system calls and run for microseconds when woken.
ThreadPriority RaiseThreadPriority(PriorityPlatform& platform = SystemPriority());

// What the last event thread of a port got (Means::None before the first port opened).
ThreadPriority EventThreadPriority();
void RecordEventThreadPriority(const ThreadPriority& p);

// One line for the operator: whether stamps are taken with real-time priority.
std::string ThreadPriorityText(const ThreadPriority& p);

} // namespace vk
