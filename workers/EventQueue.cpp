#include "workers/EventQueue.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "platform/Tick.h"
#include "platform/Scoped.h"

namespace ordersrv {

namespace {

// Due when it has no delay, or when the tick counter has moved at least its delay away from
// the posted tick (either way, so a counter that wrapped does not hold the event back).
uint64_t TicksSincePosted(const QueuedEvent& event, uint32_t now) {
    return static_cast<uint64_t>(std::llabs(static_cast<int32_t>(now - event.postedTick)));
}

bool IsDue(const QueuedEvent& event, uint32_t now) {
    return event.delayMs == 0 || TicksSincePosted(event, now) >= event.delayMs;
}

}  // namespace

EventPool::EventPool(int32_t capacity) { Fill(capacity); }

PooledObject* EventPool::CreateItem() { return new QueuedEvent(); }

EventQueue::EventQueue(EventPool& pool)
    : pool_(pool), clock_(&plat::TickCount) {}

EventQueue::~EventQueue() {
    Stop();
    ClearEvents();
}

void EventQueue::Start() {
    if (thread_.joinable()) return;
    terminate_ = false;
    thread_ = std::thread(&EventQueue::Run, this);
}

void EventQueue::Stop() {
    {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        terminate_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void EventQueue::SetClock(Clock clock) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    clock_ = clock ? std::move(clock) : Clock(&plat::TickCount);
}

void EventQueue::PostEvent(plat::MessageTarget* target, uint32_t msg, uint32_t wParam,
                                    uint32_t lParam, RetryMode retryMode, uint32_t delayMs) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    auto* event = static_cast<QueuedEvent*>(pool_.Acquire());
    event->target = target;
    event->msg = msg;
    event->wParam = wParam;
    event->lParam = lParam;
    event->retryMode = retryMode;
    event->delayMs = delayMs;
    event->postedTick = clock_();
    event->attempts = 0;
    event->firstAttemptTick = 0;
    queue_.push_back(event);
    ++posts_;
    wake_.notify_one();
}

void EventQueue::ClearEvents() {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    for (QueuedEvent* event : queue_) {
        PooledObject* object = event;
        pool_.Release(object);
    }
    queue_.clear();
}

void EventQueue::Withdraw(const plat::MessageTarget* target) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    for (auto it = queue_.begin(); it != queue_.end();) {
        if ((*it)->target != target) {
            ++it;
            continue;
        }
        PooledObject* object = *it;
        it = queue_.erase(it);
        pool_.Release(object);
    }
}

size_t EventQueue::QueuedCount() const {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return queue_.size();
}

bool EventQueue::DeliveryStep(uint32_t now) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (queue_.empty()) return true;
    const auto due = std::find_if(queue_.begin(), queue_.end(),
                                  [now](const QueuedEvent* event) { return IsDue(*event, now); });
    if (due == queue_.end()) return true;
    if (due != queue_.begin()) queue_.splice(queue_.begin(), queue_, due);

    QueuedEvent& event = *queue_.front();
    if (event.firstAttemptTick == 0) event.firstAttemptTick = now;
    uint32_t error = 0;
    if (DeliverHead(event, error)) {
        DropHead();
        return queue_.empty();
    }
    return HandleFailedPost(event, error, now);
}

bool EventQueue::DeliverHead(QueuedEvent& event, uint32_t& error) {
    // A target without a window, or one that throws, cannot take the message now or later:
    // the event counts as delivered.
    try {
        if (event.target == nullptr || !event.target->HasHandle()) return true;
        error = event.target->Post(event.msg, event.wParam, static_cast<int32_t>(event.lParam));
        return error == 0;
    } catch (...) {
        return true;
    }
}

bool EventQueue::HandleFailedPost(QueuedEvent& event, uint32_t error, uint32_t now) {
    if (event.retryMode == RetryMode::Drop || error == plat::kErrorInvalidWindowHandle) {
        DropHead();
        return queue_.empty();
    }
    ++event.attempts;
    const bool roundOver = now - event.firstAttemptTick > kRetryWindowMs;
    bool drop = false;
    switch (event.retryMode) {
        case RetryMode::Drop:
        case RetryMode::DropAfterAttempt: drop = true; break;
        case RetryMode::SixAttempts: drop = event.attempts > kSixAttemptsLimit; break;
        case RetryMode::OneSecond: drop = roundOver; break;
        case RetryMode::UntilPosted:
            if (roundOver) {
                // Give the events behind it their turn; it starts a new round at the tail.
                queue_.pop_front();
                event.firstAttemptTick = 0;
                queue_.push_back(&event);
                return queue_.empty();
            }
            break;
        default: break;
    }
    if (drop) {
        DropHead();
        return queue_.empty();
    }
    return true;  // stays at the head; the next attempt follows the idle sleep
}

void EventQueue::DropHead() {
    PooledObject* object = queue_.front();
    queue_.pop_front();
    pool_.Release(object);
}

uint32_t EventQueue::PauseAfterStep(bool idle, int32_t& burst) {
    if (idle) {
        burst = 0;
        return kIdleSleepMs;
    }
    if (++burst >= kBurstLength) {
        burst = 0;
        return kBurstPauseMs;
    }
    return 0;
}

uint32_t EventQueue::RunCycle(uint32_t now) {
    bool idle = lastIdle_;
    try {
        idle = DeliveryStep(now);
    } catch (...) {
        // Keep the previous answer, as if the step had not run.
    }
    lastIdle_ = idle;
    return PauseAfterStep(idle, burst_);
}

void EventQueue::Run() {
    const plat::ComApartment apartment(plat::ComApartment::SingleThreaded);
    while (!terminate_) {
        ++wakeups_;
        uint32_t now = 0;
        uint64_t postsSeen = 0;
        {
            std::lock_guard<std::recursive_mutex> hold(lock_);
            now = clock_();
            postsSeen = posts_;
        }
        const uint32_t pause = RunCycle(now);
        if (pause == kIdleSleepMs)
            WaitForWork(postsSeen);
        else if (pause != 0)
            plat::SleepMs(pause);  // the pacing after a run of deliveries
    }
}

void EventQueue::WaitForWork(uint64_t postsSeen) {
    std::unique_lock<std::recursive_mutex> hold(lock_);
    const auto woken = [&] { return terminate_ || posts_ != postsSeen; };
    const uint32_t wait = MsUntilNextAttempt(clock_());
    if (wait == kNoAttemptDue)
        wake_.wait(hold, woken);
    else
        wake_.wait_for(hold, std::chrono::milliseconds(wait), woken);
}

// A due event still queued is a failed post waiting for its retry; a delayed one is due when
// its delay has passed, and never woken for earlier.
uint32_t EventQueue::MsUntilNextAttempt(uint32_t now) const {
    uint32_t wait = kNoAttemptDue;
    for (const QueuedEvent* event : queue_) {
        const uint32_t ms = IsDue(*event, now)
                                ? kIdleSleepMs
                                : static_cast<uint32_t>(event->delayMs - TicksSincePosted(*event, now));
        wait = std::min(wait, ms);
    }
    return wait;
}

}  // namespace ordersrv
