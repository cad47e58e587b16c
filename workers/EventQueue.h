#pragma once
// Posts window messages for any thread, at once or after a delay, retrying failed posts. Its
// thread sleeps until something is posted or the next delayed event falls due.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

#include "platform/MessageTarget.h"
#include "workers/RetryMode.h"
#include "workers/ObjectPool.h"

namespace ordersrv {

class QueuedEvent : public PooledObject {
public:
    plat::MessageTarget* target = nullptr;
    uint32_t msg = 0;
    uint32_t wParam = 0;
    uint32_t lParam = 0;
    RetryMode retryMode = RetryMode::Drop;
    uint32_t delayMs = 0;
    uint32_t postedTick = 0;
    int32_t attempts = 0;
    uint32_t firstAttemptTick = 0;  // 0 = no attempt yet in the current round
};

class EventPool : public ObjectPool {
public:
    static constexpr int32_t kDefaultCapacity = 5000;
    explicit EventPool(int32_t capacity = kDefaultCapacity);

protected:
    PooledObject* CreateItem() override;
};

class EventQueue {
public:
    static constexpr uint32_t kIdleSleepMs = 20;   // pause before a failed post is tried again
    static constexpr uint32_t kBurstPauseMs = 5;   // pause after a run of deliveries
    static constexpr int32_t kBurstLength = 4;     // deliveries in a row before that pause
    static constexpr uint32_t kRetryWindowMs = 1000;  // OneSecond, UntilPosted: how long a round lasts
    static constexpr int32_t kSixAttemptsLimit = 5;  // SixAttempts: dropped when attempts exceed this

    using Clock = std::function<uint32_t()>;

    explicit EventQueue(EventPool& pool);
    ~EventQueue();  // stops the thread, then ClearEvents
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    void Start();
    void Stop();  // asks the run to end and waits for it

    // Callable from any thread; never waits beyond the queue's lock.
    void PostEvent(plat::MessageTarget* target, uint32_t msg, uint32_t wParam, uint32_t lParam,
                   RetryMode retryMode, uint32_t delayMs);
    void ClearEvents();
    // Drops the queued events of a target that is going away.
    void Withdraw(const plat::MessageTarget* target);

    // One delivery step at tick `now`, under the queue's lock; true when the thread may idle.
    bool DeliveryStep(uint32_t now);
    size_t QueuedCount() const;

    // The pause (ms) after a step: 20 when idle (the run of deliveries restarts; the thread then
    // sleeps until a post, or 20 ms before retrying a failed post), 5 after every fourth
    // delivery in a row, otherwise none. `burst` counts the deliveries in a row.
    static uint32_t PauseAfterStep(bool idle, int32_t& burst);
    // One turn of the thread's loop: a delivery step at `now` (an escaping exception repeats
    // the previous answer), then the pause the loop sleeps. Only one caller at a time.
    uint32_t RunCycle(uint32_t now);

    // The tick counter PostEvent stamps events with and the thread steps by; tests set a
    // controlled one before Start.
    void SetClock(Clock clock);

    // How many times the thread has woken to look at the queue (tests and benchmarks: an idle
    // queue does not wake).
    uint64_t Wakeups() const { return wakeups_; }

private:
    void Run();
    void DropHead();                        // queue lock held
    bool DeliverHead(QueuedEvent& event, uint32_t& error);  // false when the post failed
    bool HandleFailedPost(QueuedEvent& event, uint32_t error, uint32_t now);
    // Idle: sleeps until a post after `postsSeen`, Stop, or the next attempt the queue is due.
    void WaitForWork(uint64_t postsSeen);
    uint32_t MsUntilNextAttempt(uint32_t now) const;  // lock held; kNoAttemptDue when empty
    static constexpr uint32_t kNoAttemptDue = UINT32_MAX;

    EventPool& pool_;
    mutable std::recursive_mutex lock_;  // re-entrant, like the platform's critical section
    std::list<QueuedEvent*> queue_;
    Clock clock_;
    int32_t burst_ = 0;       // thread-side state of RunCycle
    bool lastIdle_ = true;
    std::condition_variable_any wake_;  // a post or Stop
    uint64_t posts_ = 0;                // lock held; the thread never sleeps through a post
    std::atomic<uint64_t> wakeups_{0};
    std::atomic<bool> terminate_{false};
    std::thread thread_;
};

}  // namespace ordersrv
