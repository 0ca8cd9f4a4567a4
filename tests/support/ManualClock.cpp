#include "support/ManualClock.h"

#include <algorithm>

namespace vk::test {

class ManualClock::FakeTimer final : public Timer {
public:
    FakeTimer(ManualClock* c, uint64_t seq) : clock(c), seq(seq) {}
    ~FakeTimer() override {
        if (clock) {
            auto& v = clock->timers_;
            v.erase(std::remove(v.begin(), v.end(), this), v.end());
        }
    }
    void setInterval(int ms) override {
        if (ms == interval_)
            return;
        interval_ = ms;
        rearm();
    }
    int interval() const override { return interval_; }
    void setEnabled(bool on) override {
        if (on == enabled_)
            return;
        enabled_ = on;
        rearm();
    }
    bool enabled() const override { return enabled_; }

    void rearm() {
        if (clock)
            due = clock->now_ + interval_;
    }
    bool armed() const { return enabled_ && interval_ > 0; }

    ManualClock* clock;
    uint64_t seq;
    int64_t due = 0;
    int interval_ = 1000;
    bool enabled_ = false;
};

ManualClock::~ManualClock() {
    for (auto* t : timers_)
        t->clock = nullptr;
}

std::unique_ptr<Timer> ManualClock::createTimer() {
    auto t = std::make_unique<FakeTimer>(this, nextSeq_++);
    timers_.push_back(t.get());
    return t;
}

void ManualClock::advance(int64_t ms) {
    const int64_t end = now_ + ms;
    for (;;) {
        FakeTimer* next = nullptr;
        for (auto* t : timers_) {
            if (!t->armed() || t->due > end)
                continue;
            if (!next || t->due < next->due || (t->due == next->due && t->seq < next->seq))
                next = t;
        }
        if (!next)
            break;
        now_ = std::max(now_.load(), next->due);
        next->due = now_ + next->interval_;
        if (next->onTimer)
            next->onTimer();
    }
    now_ = end;
}

} // namespace vk::test
