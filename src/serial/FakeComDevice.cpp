#include "serial/FakeComDevice.h"

#include "serial/Comms.h"

#include <cerrno>

namespace vk {

namespace {

void Count(LineCounts& c, uint32_t lines, int n) {
    c.cts += (lines & MS_CTS_ON) ? n : 0;
    c.dsr += (lines & MS_DSR_ON) ? n : 0;
    c.rng += (lines & MS_RING_ON) ? n : 0;
    c.dcd += (lines & MS_RLSD_ON) ? n : 0;
}

} // namespace

FakeComDriver::PathState& FakeComDriver::State(const std::string& path) {
    auto it = paths_.find(path);
    if (it == paths_.end()) {
        it = paths_.emplace(path, PathState{}).first;
        it->second.present = false;
    }
    return it->second;
}

std::unique_ptr<ComDevice> FakeComDriver::Open(const std::string& path, const ComSettings& s) {
    std::lock_guard lock(mutex_);
    PathState& st = State(path);
    if (!st.present)
        throw OpenFailure(ENOENT);
    if (st.openError)
        throw OpenFailure(st.openError);
    if (st.device)
        throw OpenFailure(EBUSY);
    if (st.stateError)
        throw EComState("Unable to set com state: " + SystemErrorText(st.stateError));
    auto dev = std::make_unique<FakeComDevice>(*this, path);
    dev->word_ = st.lines;
    dev->counts_ = st.counts;
    st.device = dev.get();
    st.settings = s;
    st.pending = 0;
    st.idles.clear();
    ++st.opens;
    changed_.notify_all();
    return dev;
}

void FakeComDriver::AddDevice(const std::string& path) {
    std::lock_guard lock(mutex_);
    State(path).present = true;
    changed_.notify_all();
}

void FakeComDriver::RemoveDevice(const std::string& path) {
    std::lock_guard lock(mutex_);
    State(path).present = false;
    changed_.notify_all();
}

void FakeComDriver::FailOpen(const std::string& path, int error) {
    std::lock_guard lock(mutex_);
    State(path).openError = error;
}

void FakeComDriver::FailState(const std::string& path, int error) {
    std::lock_guard lock(mutex_);
    State(path).stateError = error;
}

void FakeComDriver::SetTicks(TickSource* ticks) {
    std::lock_guard lock(mutex_);
    ticks_ = ticks ? ticks : &systemTicks_;
}

void FakeComDriver::SetLines(const std::string& path, uint32_t word) {
    std::lock_guard lock(mutex_);
    PathState& st = State(path);
    Count(st.counts, st.lines ^ word, 1);
    st.lines = word;
    changed_.notify_all();
}

void FakeComDriver::Pulse(const std::string& path, uint32_t lines) {
    std::lock_guard lock(mutex_);
    Count(State(path).counts, lines, 2);
    changed_.notify_all();
}

void FakeComDriver::Signal(const std::string& path, uint32_t bits) {
    std::lock_guard lock(mutex_);
    PathState& st = State(path);
    if (st.device)
        st.pending |= bits;
    changed_.notify_all();
}

void FakeComDriver::HoldWaits(const std::string& path, bool hold) {
    std::lock_guard lock(mutex_);
    State(path).hold = hold;
    changed_.notify_all();
}

void FakeComDriver::FailWaits(const std::string& path, bool fail) {
    std::lock_guard lock(mutex_);
    State(path).failWaits = fail;
    changed_.notify_all();
}

void FakeComDriver::SetIdleLimit(const std::string& path, size_t limit) {
    std::lock_guard lock(mutex_);
    State(path).idleLimit = limit;
    changed_.notify_all();
}

bool FakeComDriver::IsOpen(const std::string& path) {
    std::lock_guard lock(mutex_);
    return State(path).device != nullptr;
}

int FakeComDriver::Opens(const std::string& path) {
    std::lock_guard lock(mutex_);
    return State(path).opens;
}

int FakeComDriver::Purges(const std::string& path) {
    std::lock_guard lock(mutex_);
    return State(path).purges;
}

ComSettings FakeComDriver::LastSettings(const std::string& path) {
    std::lock_guard lock(mutex_);
    return State(path).settings;
}

std::vector<int> FakeComDriver::Idles(const std::string& path) {
    std::lock_guard lock(mutex_);
    return State(path).idles;
}

uint32_t FakeComDriver::Lines(const std::string& path) {
    std::lock_guard lock(mutex_);
    return State(path).lines;
}

bool FakeComDriver::WaitUntilWaiting(const std::string& path, ms timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        const PathState& st = State(path);
        return st.device && st.device->waiting_;
    });
}

bool FakeComDriver::WaitForIdles(const std::string& path, size_t count, ms timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return State(path).idles.size() >= count; });
}

// ---------------------------------------------------------------------------------------------

FakeComDevice::~FakeComDevice() {
    std::lock_guard lock(driver_.mutex_);
    auto& st = driver_.State(path_);
    if (st.device == this)
        st.device = nullptr;
    driver_.changed_.notify_all();
}

WaitResult FakeComDevice::WaitEvent(uint32_t mask, LineRecord& record) {
    std::unique_lock lock(driver_.mutex_);
    auto& st = driver_.State(path_);
    const uint32_t watched = WatchedLines(mask);
    if (!records_.empty() && !stop_) {
        record = records_.front();
        records_.pop_front();
        return WaitResult::Event;
    }
    waiting_ = true;
    driver_.changed_.notify_all();
    // Stop is checked first: it wins over events pending at the same moment.
    driver_.changed_.wait(lock, [&] {
        return stop_ || !st.present || st.failWaits ||
               (!st.hold && ((st.pending & mask) || CountsMoved(st.counts, counts_, watched)));
    });
    waiting_ = false;
    driver_.changed_.notify_all();
    if (stop_)
        return WaitResult::Stop;
    if (!st.present)
        return WaitResult::Lost;
    if (st.failWaits)
        return WaitResult::Failed;
    const int64_t tick = driver_.ticks_->TickStamp();
    std::vector<LineRecord> out;
    SplitWake(watched, word_, st.lines, &counts_, &st.counts, tick, out);
    // Signalled events without a change of the lines.
    if (const uint32_t signalled = st.pending & mask) {
        if (out.empty())
            out.push_back({signalled, st.lines, tick});
        else
            out.back().events |= signalled;
    }
    st.pending = 0;
    word_ = st.lines;
    counts_ = st.counts;
    records_.assign(out.begin(), out.end());
    record = records_.front();
    records_.pop_front();
    return WaitResult::Event;
}

WaitResult FakeComDevice::Idle(int ms) {
    std::unique_lock lock(driver_.mutex_);
    auto& st = driver_.State(path_);
    st.idles.push_back(ms);
    driver_.changed_.notify_all();
    if (st.idles.size() > st.idleLimit)
        driver_.changed_.wait(lock, [&] { return stop_ || !st.present || !st.failWaits; });
    if (stop_)
        return WaitResult::Stop;
    if (!st.present)
        return WaitResult::Lost;
    return WaitResult::Event;
}

void FakeComDevice::RequestStop() {
    std::lock_guard lock(driver_.mutex_);
    stop_ = true;
    driver_.changed_.notify_all();
}

bool FakeComDevice::ModemStatus(uint32_t& status) {
    std::lock_guard lock(driver_.mutex_);
    const auto& st = driver_.State(path_);
    if (!st.present)
        return false;
    status = st.lines;
    return true;
}

bool FakeComDevice::InputCount(uint32_t& count) {
    count = 0;
    return true;
}

void FakeComDevice::Purge() {
    std::lock_guard lock(driver_.mutex_);
    ++driver_.State(path_).purges;
}

} // namespace vk
