#pragma once
#include <functional>
#include <memory>

namespace vk {

// A periodic timer like the framework timer the program was designed around: it fires every
// `interval` ms while enabled; an interval of 0 never fires. Enabling an enabled timer changes
// nothing; changing the interval restarts the count. A handler that wants one shot disables
// the timer itself.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool on) = 0;
    virtual bool enabled() const = 0;

    std::function<void()> onTimer;
    int tag = 0;
};

class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<Timer> createTimer() = 0;
};

} // namespace vk
