#include "serial/HandOver.h"

#include <algorithm>

namespace vk {

HandOverQueue::~HandOverQueue() {
    std::lock_guard lock(mutex_);
    for (auto& item : items_)
        item->done = true;
    items_.clear();
    changed_.notify_all();
}

void HandOverQueue::SetWake(Fn wake) {
    std::lock_guard lock(wakeMutex_);
    wake_ = std::move(wake);
}

void HandOverQueue::Push(const std::shared_ptr<Item>& item) {
    {
        std::lock_guard lock(mutex_);
        items_.push_back(item);
        changed_.notify_all();
    }
    std::lock_guard lock(wakeMutex_);
    if (wake_)
        wake_();
}

bool HandOverQueue::Call(const void* owner, Fn fn, const std::function<bool()>& release) {
    auto item = std::make_shared<Item>();
    item->owner = owner;
    item->fn = std::move(fn);
    Push(item);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return item->done || (item->started && release && release()); });
    return item->started;
}

void HandOverQueue::Post(const void* owner, Fn fn) {
    auto item = std::make_shared<Item>();
    item->owner = owner;
    item->fn = std::move(fn);
    Push(item);
}

size_t HandOverQueue::Drain() {
    size_t ran = 0;
    for (;;) {
        std::shared_ptr<Item> item;
        {
            std::lock_guard lock(mutex_);
            if (items_.empty())
                return ran;
            item = items_.front();
            items_.pop_front();
            item->started = true;
        }
        struct Finish {
            HandOverQueue* q;
            Item* item;
            ~Finish() {
                std::lock_guard lock(q->mutex_);
                item->done = true;
                q->changed_.notify_all();
            }
        } finish{this, item.get()};
        ++ran;
        if (item->fn)
            item->fn();
    }
}

void HandOverQueue::ServeUntil(const std::function<bool()>& done, const Fn& onTick,
                               std::chrono::milliseconds tick) {
    for (;;) {
        Drain();
        if (done())
            return;
        {
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, tick, [&] { return !items_.empty() || done(); });
        }
        if (onTick)
            onTick();
    }
}

void HandOverQueue::Cancel(const void* owner) {
    std::lock_guard lock(mutex_);
    auto keep = std::remove_if(items_.begin(), items_.end(), [&](const std::shared_ptr<Item>& i) {
        if (i->owner != owner)
            return false;
        i->done = true;
        return true;
    });
    items_.erase(keep, items_.end());
    changed_.notify_all();
}

void HandOverQueue::Poke() {
    std::lock_guard lock(mutex_);
    changed_.notify_all();
}

size_t HandOverQueue::Pending() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

bool HandOverQueue::WaitPending(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return !items_.empty(); });
}

} // namespace vk
