#pragma once
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace vk {

// Calls that event threads hand to the ui thread. An event thread queues a call and blocks
// until the ui thread ran it (Call), or queues it and goes on (Post). The ui thread runs the
// queue with Drain; the wake-up callback tells it that there is something to run (the Qt
// helper turns it into a queued call of Drain, tests simply drain). ServeUntil lets the ui
// thread wait for an event thread to end while it keeps running hand-overs, so neither side
// can wait for the other forever.
class HandOverQueue {
public:
    using Fn = std::function<void()>;

    HandOverQueue() = default;
    HandOverQueue(const HandOverQueue&) = delete;
    HandOverQueue& operator=(const HandOverQueue&) = delete;
    ~HandOverQueue();

    // Called from an event thread each time a call is queued; must be thread-safe. Setting
    // it waits for a wake-up in progress, so an owner can clear it safely before it dies.
    void SetWake(Fn wake);

    // Event thread: queue `fn` and block until it has run on the ui thread. Also returns once
    // the call has started and `release()` holds (a Close from inside the call itself), or
    // when the call was cancelled before it started. Returns whether it ran or started.
    bool Call(const void* owner, Fn fn, const std::function<bool()>& release);
    // Event thread: queue `fn` without waiting.
    void Post(const void* owner, Fn fn);

    // ui thread: runs every queued call in order; returns how many ran. A call that throws
    // still counts as done for its waiter; the exception reaches the caller.
    size_t Drain();
    // ui thread: drains until `done()` holds; between rounds waits up to `tick` for news and
    // calls `onTick` (used to repeat a stop request).
    void ServeUntil(const std::function<bool()>& done, const Fn& onTick,
                    std::chrono::milliseconds tick = std::chrono::milliseconds(1));
    // Drops the queued calls of `owner`; their waiters return.
    void Cancel(const void* owner);
    // Wakes waiters so they re-check their conditions.
    void Poke();

    size_t Pending() const;
    // Blocks up to `timeout` until at least one call is queued.
    bool WaitPending(std::chrono::milliseconds timeout);

private:
    struct Item {
        const void* owner = nullptr;
        Fn fn;
        bool started = false;
        bool done = false;
    };
    void Push(const std::shared_ptr<Item>& item);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Item>> items_;
    std::mutex wakeMutex_;
    Fn wake_;
};

} // namespace vk
