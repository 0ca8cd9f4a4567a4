#include "serial/HandOver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace vk;
using namespace std::chrono_literals;

namespace {

TEST(HandOverQueue, CallBlocksUntilDrainedOnTheUiThread) {
    HandOverQueue q;
    std::atomic<int> wakes{0};
    q.SetWake([&] { ++wakes; });
    std::atomic<bool> returned{false};
    std::thread::id ranOn;
    std::thread serial([&] {
        EXPECT_TRUE(q.Call(
            nullptr, [&] { ranOn = std::this_thread::get_id(); }, nullptr));
        returned.store(true);
    });
    ASSERT_TRUE(q.WaitPending(5s));
    EXPECT_FALSE(returned.load()); // still blocked: nobody drained yet
    EXPECT_EQ(q.Drain(), 1u);
    serial.join();
    EXPECT_EQ(wakes.load(), 1);
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(q.Drain(), 0u);
}

TEST(HandOverQueue, PostsRunInOrderWithoutBlocking) {
    HandOverQueue q;
    std::vector<int> order;
    int owner = 0;
    q.Post(&owner, [&] { order.push_back(1); });
    q.Post(nullptr, [&] { order.push_back(2); });
    q.Post(&owner, [&] { order.push_back(3); });
    EXPECT_EQ(q.Pending(), 3u);
    q.Cancel(&owner);
    EXPECT_EQ(q.Pending(), 1u);
    q.Drain();
    EXPECT_EQ(order, std::vector<int>({2}));
}

TEST(HandOverQueue, CancelReleasesABlockedCaller) {
    HandOverQueue q;
    int owner = 0;
    bool ran = true;
    std::thread serial([&] {
        ran = q.Call(
            &owner, [] {}, nullptr);
    });
    ASSERT_TRUE(q.WaitPending(5s));
    q.Cancel(&owner);
    serial.join();
    EXPECT_FALSE(ran);
}

TEST(HandOverQueue, ThrowingCallStillReleasesItsCaller) {
    HandOverQueue q;
    std::thread serial([&] {
        q.Call(
            nullptr, [] { throw std::runtime_error("boom"); }, nullptr);
    });
    ASSERT_TRUE(q.WaitPending(5s));
    EXPECT_THROW(q.Drain(), std::runtime_error);
    serial.join(); // would hang if the waiter were not released
    EXPECT_EQ(q.Pending(), 0u);
}

TEST(HandOverQueue, ServeUntilRunsHandOversWhileWaiting) {
    HandOverQueue q;
    std::atomic<bool> finished{false};
    int served = 0;
    std::thread serial([&] {
        for (int i = 0; i < 5; ++i)
            q.Call(
                nullptr, [&] { ++served; }, nullptr);
        finished.store(true);
        q.Poke();
    });
    int ticks = 0;
    q.ServeUntil([&] { return finished.load(); }, [&] { ++ticks; });
    serial.join();
    EXPECT_EQ(served, 5);
}

TEST(HandOverQueue, CallerLetsGoOfAStartedCallOnceReleased) {
    // A Close from inside a handler: the ui thread, still inside the call, waits for the
    // event thread to end; the caller must not insist on the call finishing first.
    HandOverQueue q;
    std::atomic<bool> stop{false};
    std::atomic<bool> returned{false};
    std::thread serial([&] {
        q.Call(
            nullptr,
            [&] {
                stop.store(true);
                q.Poke();
                q.ServeUntil([&] { return returned.load(); }, nullptr);
            },
            [&] { return stop.load(); });
        returned.store(true);
        q.Poke();
    });
    ASSERT_TRUE(q.WaitPending(5s));
    q.Drain();
    serial.join();
    EXPECT_TRUE(returned.load());
}

} // namespace
