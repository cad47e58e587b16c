#pragma once
// Posts periodic window messages on a 25 ms tick, spreading jobs over the tick slots.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "platform/MessageTarget.h"
#include "workers/RetryMode.h"

namespace ordersrv {

class EventQueue;

// Asked before each delivery with the job's callback data; false skips that delivery.
using JobGuard = bool (*)(void* data);

struct ScheduledJob {
    int32_t messageId = 0;
    plat::MessageTarget* target = nullptr;
    int32_t interval = 0;  // ms
    bool enabled = false;
    RetryMode retryMode = RetryMode::Drop;  // Drop: posted directly; otherwise through the event queue
    int32_t period = 1;     // ticks
    int32_t counter = 0;    // ticks counted towards the next delivery
    JobGuard guard = nullptr;
    void* data = nullptr;
};

class Scheduler {
public:
    static constexpr uint32_t kTickMs = 25;
    static constexpr int32_t kLongestWaitTicks = 40;
    static constexpr int32_t kRandomPhaseBelowMs = 300;
    static constexpr int32_t kNoPhaseAboveMs = 5000;
    static constexpr int32_t kLongestCycleTicks = 2400;
    // A job under this message id posts nothing: each period it only asks its guard callback,
    // a way to run a short check on the scheduler's beat without a window to post to. The value
    // is the design's; no other message of the server uses it.
    static constexpr int32_t kCallbackOnlyMessage = 11224;

    explicit Scheduler(EventQueue& events, uint32_t seed = std::random_device{}());
    ~Scheduler();  // stops the thread, then ClearJobs
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    void Start();
    void Stop();

    // Registers a job, or updates the one with the same message id and target.
    void ScheduleMessage(int32_t messageId, plat::MessageTarget* target, RetryMode retryMode,
                         bool enabled, int32_t intervalMs, JobGuard guard = nullptr,
                         void* data = nullptr);
    void ClearJobs();

    // One pass that advances every enabled job by `step` ticks and delivers the due ones;
    // returns the ticks to wait before the next pass. Takes the lock.
    int32_t RunPass(int32_t step);

    // A copy of the jobs, in order of registration (for tests and the monitor).
    std::vector<ScheduledJob> Jobs() const;

    static int32_t PeriodOf(int32_t intervalMs);

    // How long (ms) the thread sleeps after a pass that began at tick `passStart` and ended at
    // `passEnd`: `step` ticks less the time the pass took (none if the counter went back),
    // never below 0. The schedule counts ticks; it does not catch up with the clock.
    static uint32_t SleepAfterPass(int32_t step, uint32_t passStart, uint32_t passEnd);

private:
    void Run();
    void PlacePhase(ScheduledJob& job);  // lock held
    void Deliver(const ScheduledJob& job);  // lock held
    bool WaitOrTerminate(uint32_t ms);  // true when told to terminate

    EventQueue& events_;
    mutable std::recursive_mutex lock_;
    std::vector<std::unique_ptr<ScheduledJob>> jobs_;
    std::minstd_rand random_;
    std::atomic<bool> terminate_{false};
    std::mutex waitMutex_;  // lets Stop cut a sleep of up to a second short
    std::condition_variable wake_;
    std::thread thread_;
};

}  // namespace ordersrv
