#pragma once
#include "platform/Services.h"
#include "platform/Tick.h"
#include "platform/Timer.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace vk::test {

// Time that moves only when the test says so. It is both the tick source and the timer
// factory: advance(ms) walks the clock forward and fires every due timer in order of its
// due time (timers created earlier first on a tie). The tick may be read from any thread (a
// scripted serial device stamps its records with it); timers belong to the test thread.
class ManualClock final : public TickSource, public TimerFactory {
public:
    explicit ManualClock(int64_t start = 1000) : now_(start) {}
    ~ManualClock() override;

    int64_t TickStamp() override {
        return static_cast<int64_t>(static_cast<uint32_t>(now_.load()));
    }
    std::unique_ptr<Timer> createTimer() override;

    void advance(int64_t ms);
    // Sets the raw (unwrapped) time; the tick stamp is its low 32 bits.
    void set(int64_t raw) { now_.store(raw); }
    int64_t raw() const { return now_.load(); }

    class FakeTimer;

private:
    friend class FakeTimer;
    std::atomic<int64_t> now_;
    uint64_t nextSeq_ = 0;
    std::vector<FakeTimer*> timers_;
};

class SoundRecorder final : public SoundOutput {
public:
    void play(const std::string& path) override { played.push_back(path); }
    std::vector<std::string> played;
};

class ScriptedDialogs final : public Dialogs {
public:
    bool askYesNo(const std::string& message) override {
        questions.push_back(message);
        return answer;
    }
    void errorReport(const std::string& message) override { errors.push_back(message); }
    void information(const std::string& message) override { infos.push_back(message); }

    bool answer = true;
    std::vector<std::string> questions, errors, infos;
};

} // namespace vk::test
