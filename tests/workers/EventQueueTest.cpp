#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "tests/support/QueueTarget.h"
#include "workers/EventQueue.h"

namespace ordersrv {

namespace {

constexpr uint32_t kQuotaExceeded = 1816;  // a refused post that is not an invalid window

std::vector<uint32_t> Messages(testsupport::QueueTarget& target) {
    std::vector<uint32_t> ids;
    for (const testsupport::QueuedMessage& m : target.TakeAll()) ids.push_back(m.msg);
    return ids;
}

// A queue thread that is never started: the tests step it with their own clock.
class EventQueueSteps : public ::testing::Test {
protected:
    EventQueueSteps() : queue(pool) {
        queue.SetClock([this] { return now.load(); });
    }
    void Post(plat::MessageTarget& to, uint32_t msg, int32_t mode = 4, uint32_t delay = 0) {
        queue.PostEvent(&to, msg, 0, 0, static_cast<RetryMode>(mode), delay);  // any value
    }
    // Steps every 20 ms (the idle sleep) until `until`, starting at the current tick.
    void StepEvery20MsUntil(uint32_t until) {
        for (; static_cast<int32_t>(until - now) >= 0; now += 20) queue.DeliveryStep(now);
    }

    std::atomic<uint32_t> now{100000};
    EventPool pool{64};
    EventQueue queue;
    testsupport::QueueTarget target;
};

TEST_F(EventQueueSteps, DelayedEventDoesNotHoldBackALaterDueOne) {
    Post(target, 1, 4, 100);  // A
    Post(target, 2, 4, 0);    // B
    EXPECT_FALSE(queue.DeliveryStep(now));  // B goes, A still queued
    EXPECT_EQ(Messages(target), std::vector<uint32_t>{2});
    EXPECT_TRUE(queue.DeliveryStep(now + 99));
    EXPECT_EQ(target.Count(), 0u);
    EXPECT_TRUE(queue.DeliveryStep(now + 100));
    EXPECT_EQ(Messages(target), std::vector<uint32_t>{1});
    EXPECT_EQ(pool.FreeCount(), 64);
}

TEST_F(EventQueueSteps, DueEventsGoInPostingOrder) {
    Post(target, 1);
    Post(target, 2);
    Post(target, 3, 4, 50);
    now += 60;  // all three due: earlier posted first
    queue.DeliveryStep(now);
    queue.DeliveryStep(now);
    queue.DeliveryStep(now);
    EXPECT_EQ(Messages(target), (std::vector<uint32_t>{1, 2, 3}));
}

TEST_F(EventQueueSteps, DelayCountsAcrossTickWrapAround) {
    now = 0xFFFFFFF0u;
    Post(target, 7, 4, 100);
    EXPECT_TRUE(queue.DeliveryStep(0x00000040u));  // 80 ms later
    EXPECT_EQ(target.Count(), 0u);
    queue.DeliveryStep(0x00000054u);  // 100 ms later
    EXPECT_EQ(Messages(target), std::vector<uint32_t>{7});

    // A mode 3 round that straddles the wrap still ends a little over a second later.
    target.FailPostsWith(kQuotaExceeded);
    now = 0xFFFFFE00u;
    Post(target, 8, 3);
    StepEvery20MsUntil(0xFFFFFE00u + 1000);
    EXPECT_EQ(queue.QueuedCount(), 1u);
    StepEvery20MsUntil(0xFFFFFE00u + 1020);
    EXPECT_EQ(queue.QueuedCount(), 0u);
}

TEST_F(EventQueueSteps, FiveDueEventsGoAsFourAPauseAndTheFifth) {
    for (uint32_t msg = 1; msg <= 5; ++msg) Post(target, msg);
    std::vector<uint32_t> pauses;
    std::vector<size_t> delivered;
    for (int cycle = 0; cycle < 5; ++cycle) {
        pauses.push_back(queue.RunCycle(now));
        delivered.push_back(target.Count());
    }
    EXPECT_EQ(pauses, (std::vector<uint32_t>{0, 0, 0, 5, 20}));
    EXPECT_EQ(delivered, (std::vector<size_t>{1, 2, 3, 4, 5}));
}

TEST(EventQueuePacing, BurstOfFourThenPauseIdleResets) {
    int32_t burst = 0;
    std::vector<uint32_t> pauses;
    for (int i = 0; i < 8; ++i) pauses.push_back(EventQueue::PauseAfterStep(false, burst));
    EXPECT_EQ(pauses, (std::vector<uint32_t>{0, 0, 0, 5, 0, 0, 0, 5}));
    EventQueue::PauseAfterStep(false, burst);
    EventQueue::PauseAfterStep(false, burst);
    EXPECT_EQ(EventQueue::PauseAfterStep(true, burst), 20u);
    EXPECT_EQ(burst, 0);
}

TEST_F(EventQueueSteps, ModesZeroAndOneTryOnce) {
    target.FailPostsWith(kQuotaExceeded);
    for (int32_t mode : {0, 1}) {
        Post(target, 1, mode);
        EXPECT_TRUE(queue.DeliveryStep(now));
        EXPECT_EQ(queue.QueuedCount(), 0u) << "mode " << mode;
    }
    EXPECT_EQ(target.PostAttempts(), 2u);
    EXPECT_EQ(pool.FreeCount(), 64);
}

TEST_F(EventQueueSteps, ModeTwoDropsAtTheSixthFailure) {
    target.FailPostsWith(kQuotaExceeded);
    Post(target, 1, 2);
    for (int attempt = 1; attempt <= 5; ++attempt) {
        EXPECT_TRUE(queue.DeliveryStep(now += 20));
        EXPECT_EQ(queue.QueuedCount(), 1u) << "attempt " << attempt;
    }
    EXPECT_TRUE(queue.DeliveryStep(now += 20));
    EXPECT_EQ(queue.QueuedCount(), 0u);
    EXPECT_EQ(target.PostAttempts(), 6u);
}

TEST_F(EventQueueSteps, ModeThreeDropsAfterASecondOfFailures) {
    target.FailPostsWith(kQuotaExceeded);
    Post(target, 1, 3);
    const uint32_t first = now;
    StepEvery20MsUntil(first + 1000);
    EXPECT_EQ(queue.QueuedCount(), 1u);
    StepEvery20MsUntil(first + 1020);
    EXPECT_EQ(queue.QueuedCount(), 0u);
    EXPECT_EQ(target.PostAttempts(), 52u);
}

TEST_F(EventQueueSteps, ModeFourGivesWayAfterASecondAndIsNeverDropped) {
    testsupport::QueueTarget failing;
    failing.FailPostsWith(kQuotaExceeded);
    Post(failing, 1, 4);
    Post(target, 2, 4);
    const uint32_t first = now;
    StepEvery20MsUntil(first + 1000);
    EXPECT_EQ(target.Count(), 0u);  // held back behind the failing head
    EXPECT_FALSE(queue.DeliveryStep(first + 1020));  // moved to the tail: not idle
    EXPECT_FALSE(queue.DeliveryStep(first + 1020));  // the one behind it gets its turn
    EXPECT_EQ(Messages(target), std::vector<uint32_t>{2});

    now = first + 1040;
    StepEvery20MsUntil(first + 60000);
    EXPECT_EQ(queue.QueuedCount(), 1u);
    failing.FailPostsWith(0);
    queue.DeliveryStep(now);
    EXPECT_EQ(Messages(failing), std::vector<uint32_t>{1});
    EXPECT_EQ(pool.FreeCount(), 64);
}

TEST_F(EventQueueSteps, OtherModesRetryWithoutLimit) {
    target.FailPostsWith(kQuotaExceeded);
    Post(target, 1, 9);
    Post(target, 2, -1);
    StepEvery20MsUntil(now + 30000);
    EXPECT_EQ(queue.QueuedCount(), 2u);
    target.FailPostsWith(0);
    queue.DeliveryStep(now);
    queue.DeliveryStep(now);
    EXPECT_EQ(Messages(target), (std::vector<uint32_t>{1, 2}));
}

TEST_F(EventQueueSteps, InvalidWindowDropsAtOnceInEveryMode) {
    target.FailPostsWith(plat::kErrorInvalidWindowHandle);
    for (int32_t mode : {2, 3, 4, 9}) {
        Post(target, 1, mode);
        EXPECT_TRUE(queue.DeliveryStep(now));
        EXPECT_EQ(queue.QueuedCount(), 0u) << "mode " << mode;
    }
    EXPECT_EQ(target.PostAttempts(), 4u);
}

TEST_F(EventQueueSteps, TargetWithoutHandleIsDroppedSilently) {
    testsupport::QueueTarget closed;
    closed.SetHasHandle(false);
    Post(closed, 1);
    Post(target, 2);
    EXPECT_FALSE(queue.DeliveryStep(now));
    EXPECT_EQ(closed.PostAttempts(), 0u);
    queue.DeliveryStep(now);
    EXPECT_EQ(Messages(target), std::vector<uint32_t>{2});
}

TEST_F(EventQueueSteps, ClearEventsReturnsEveryEventToThePool) {
    for (uint32_t msg = 0; msg < 10; ++msg) Post(target, msg, 4, 1000);
    EXPECT_EQ(pool.FreeCount(), 54);
    queue.ClearEvents();
    EXPECT_EQ(queue.QueuedCount(), 0u);
    EXPECT_EQ(pool.FreeCount(), 64);
}

// A full-size pool whose events count themselves, extras included.
struct CountedEvent : QueuedEvent {
    static std::atomic<int> live;
    CountedEvent() { ++live; }
    ~CountedEvent() override { --live; }
};
std::atomic<int> CountedEvent::live{0};

class CountedEventPool : public EventPool {
public:
    CountedEventPool() : EventPool(0) { Fill(kDefaultCapacity); }

protected:
    PooledObject* CreateItem() override { return new CountedEvent(); }
};

TEST(EventQueuePool, AnEventBeyondThePoolIsFreedAndThePooledOnesReturn) {
    {
        CountedEventPool pool;
        EventQueue queue(pool);
        testsupport::QueueTarget target;
        for (uint32_t msg = 0; msg <= 5000; ++msg) queue.PostEvent(&target, msg, 0, 0, RetryMode::UntilPosted, 0);
        EXPECT_EQ(pool.FreeCount(), 0);
        EXPECT_EQ(CountedEvent::live, 5001);
        while (queue.QueuedCount() > 0) queue.DeliveryStep(0);
        EXPECT_EQ(target.Count(), 5001u);
        EXPECT_EQ(CountedEvent::live, 5000);
        EXPECT_EQ(pool.FreeCount(), 5000);
    }
    EXPECT_EQ(CountedEvent::live, 0);
}

// The running thread with the real clock; bounds are generous, nothing is timed.
TEST(EventQueueRunning, DeliversEventsPostedFromSeveralThreads) {
    EventPool pool(256);
    testsupport::QueueTarget target;
    {
        EventQueue queue(pool);
        queue.Start();
        constexpr int kThreads = 4;
        constexpr int kEach = 100;
        std::vector<std::thread> posters;
        for (int t = 0; t < kThreads; ++t) {
            posters.emplace_back([&queue, &target, t] {
                for (int i = 0; i < kEach; ++i)
                    queue.PostEvent(&target, static_cast<uint32_t>(t * kEach + i), 0, 0, RetryMode::UntilPosted, 0);
            });
        }
        for (std::thread& poster : posters) poster.join();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (target.Count() < kThreads * kEach && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(target.Count(), static_cast<size_t>(kThreads * kEach));
        queue.PostEvent(&target, 999, 0, 0, RetryMode::UntilPosted, 60000);  // still queued when the thread ends
    }
    EXPECT_EQ(pool.FreeCount(), 256);
}

TEST(EventQueueRunning, DelayedEventArrivesAfterTheImmediateOne) {
    EventPool pool(8);
    testsupport::QueueTarget target;  // outlives the thread that posts to it
    EventQueue queue(pool);
    queue.Start();
    queue.PostEvent(&target, 1, 0, 0, RetryMode::UntilPosted, 100);
    queue.PostEvent(&target, 2, 0, 0, RetryMode::UntilPosted, 0);
    std::vector<uint32_t> got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (got.size() < 2 && std::chrono::steady_clock::now() < deadline) {
        target.WaitForMessage(std::chrono::milliseconds(100));
        for (uint32_t msg : Messages(target)) got.push_back(msg);
    }
    EXPECT_EQ(got, (std::vector<uint32_t>{2, 1}));
}

// An idle thread sleeps until a post wakes it: it neither polls an empty queue nor makes the
// post wait for a poll.
TEST(EventQueueRunning, IdleThreadSleepsUntilAPostWakesIt) {
    EventPool pool(8);
    testsupport::QueueTarget target;
    EventQueue queue(pool);
    queue.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // into its idle sleep
    const uint64_t asleep = queue.Wakeups();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(queue.Wakeups(), asleep);
    queue.PostEvent(&target, 7, 0, 0, RetryMode::UntilPosted, 0);
    ASSERT_TRUE(target.WaitForMessage(std::chrono::seconds(10)));
    EXPECT_LE(queue.Wakeups() - asleep, 2u);
    EXPECT_EQ(Messages(target), std::vector<uint32_t>{7});
}

// A post the window refuses is tried again after the retry pause, not in a busy loop.
TEST(EventQueueRunning, RefusedPostIsRetriedAfterAPause) {
    EventPool pool(8);
    testsupport::QueueTarget target;
    const auto refuseUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    target.OnEachPost([&](uint32_t) {
        return std::chrono::steady_clock::now() < refuseUntil ? 1816u : 0u;  // queue full
    });
    EventQueue queue(pool);
    queue.Start();
    queue.PostEvent(&target, 8, 0, 0, RetryMode::UntilPosted, 0);
    ASSERT_TRUE(target.WaitForMessage(std::chrono::seconds(10)));
    EXPECT_EQ(Messages(target), std::vector<uint32_t>{8});
    EXPECT_LE(target.PostAttempts(), 2u + 200u / EventQueue::kIdleSleepMs);
}

}  // namespace

}  // namespace ordersrv
