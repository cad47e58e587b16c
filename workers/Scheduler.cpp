#include "workers/Scheduler.h"

#include <algorithm>
#include <chrono>

#include "platform/Tick.h"
#include "workers/EventQueue.h"
#include "platform/Scoped.h"

namespace ordersrv {

namespace {

uint32_t GreatestCommonDivisor(uint32_t a, uint32_t b) {
    while (b != 0) {
        const uint32_t rest = a % b;
        a = b;
        b = rest;
    }
    return a;
}

// How many deliveries of other jobs fall into each of the P tick slots of a job of period P.
class SlotCounts {
public:
    explicit SlotCounts(int32_t period) : counts_(static_cast<size_t>(period), 0) {}

    void Add(int64_t slot) {
        if (slot >= 0 && slot < static_cast<int64_t>(counts_.size())) ++counts_[static_cast<size_t>(slot)];
    }
    // The first empty slot, or else the lowest slot holding the fewest.
    int32_t Quietest() const {
        return static_cast<int32_t>(std::min_element(counts_.begin(), counts_.end()) - counts_.begin());
    }

private:
    std::vector<int32_t> counts_;
};

// Counts the deliveries of job K (period q, counter k) in the slots of a job of period p.
void CountDeliveries(SlotCounts& counts, int64_t p, int64_t q, int64_t k) {
    if (q == p) {
        counts.Add(k);
        return;
    }
    const uint32_t g = GreatestCommonDivisor(static_cast<uint32_t>(q), static_cast<uint32_t>(p));
    if (g == 1) return;  // the two meet in every slot over time: nothing to avoid
    if (q < p) {
        const int64_t cycle = (q / g) * p;
        if (cycle > Scheduler::kLongestCycleTicks) return;
        const int64_t first = p - (q - k);
        counts.Add(first);
        for (int64_t s = 0; s < cycle;) {
            s += q;
            counts.Add((first + s) % p);
        }
    } else {
        counts.Add(p - ((q - k) % p));
    }
}

}  // namespace

Scheduler::Scheduler(EventQueue& events, uint32_t seed)
    : events_(events), random_(seed) {}

Scheduler::~Scheduler() {
    Stop();
    ClearJobs();
}

void Scheduler::Start() {
    if (thread_.joinable()) return;
    terminate_ = false;
    thread_ = std::thread(&Scheduler::Run, this);
}

void Scheduler::Stop() {
    {
        std::lock_guard<std::mutex> hold(waitMutex_);
        terminate_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

int32_t Scheduler::PeriodOf(int32_t intervalMs) {
    // Nearest whole tick; an integer interval never falls on a half.
    const int64_t ticks = (static_cast<int64_t>(intervalMs) + kTickMs / 2) / kTickMs;
    return intervalMs <= 0 || ticks <= 0 ? 1 : static_cast<int32_t>(ticks);
}

void Scheduler::ScheduleMessage(int32_t messageId, plat::MessageTarget* target,
                                         RetryMode retryMode, bool enabled, int32_t intervalMs,
                                         JobGuard guard, void* data) {
    // The lookup and the registration happen under one hold of the lock, so two threads
    // registering the same job at once cannot both add it.
    std::lock_guard<std::recursive_mutex> hold(lock_);
    const auto existing = std::find_if(jobs_.begin(), jobs_.end(), [&](const auto& job) {
        return job->messageId == messageId && job->target == target;
    });
    if (existing != jobs_.end()) {
        ScheduledJob& job = **existing;
        bool changed = false;
        if (intervalMs > 0 && intervalMs != job.interval) {
            job.interval = intervalMs;
            job.period = PeriodOf(intervalMs);
            changed = true;
        }
        if (enabled != job.enabled) {
            job.enabled = enabled;
            changed = changed || enabled;  // disabling alone keeps the phase
        }
        job.retryMode = retryMode;
        job.guard = guard;
        job.data = data;
        if (changed) PlacePhase(job);
        return;
    }
    auto job = std::make_unique<ScheduledJob>();
    job->messageId = messageId;
    job->target = target;
    job->interval = intervalMs;
    job->enabled = enabled;
    job->retryMode = retryMode;
    job->period = PeriodOf(intervalMs);
    job->counter = 0;
    job->guard = guard;
    job->data = data;
    PlacePhase(*job);
    jobs_.push_back(std::move(job));
}

void Scheduler::ClearJobs() {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    jobs_.clear();
}

std::vector<ScheduledJob> Scheduler::Jobs() const {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    std::vector<ScheduledJob> copy;
    copy.reserve(jobs_.size());
    for (const auto& job : jobs_) copy.push_back(*job);
    return copy;
}

void Scheduler::PlacePhase(ScheduledJob& job) {
    if (job.interval > kNoPhaseAboveMs) return;
    const int32_t period = job.period;
    if (job.interval < kRandomPhaseBelowMs) {
        job.counter = std::uniform_int_distribution<int32_t>(0, period - 1)(random_);
        return;
    }
    SlotCounts counts(period);
    for (const auto& other : jobs_) {
        if (other.get() == &job || !other->enabled || other->interval > kNoPhaseAboveMs) continue;
        CountDeliveries(counts, period, other->period, other->counter);
    }
    job.counter = counts.Quietest();
}

int32_t Scheduler::RunPass(int32_t step) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    int32_t next = kLongestWaitTicks;
    // By index: a guard callback may register a job, which can move the list's storage.
    for (size_t i = 0; i < jobs_.size(); ++i) {
        ScheduledJob& job = *jobs_[i];
        if (!job.enabled) continue;
        job.counter += step;
        const int32_t remaining = job.period - job.counter;
        if (remaining > 0) {
            next = std::min(next, remaining);
            continue;
        }
        job.counter = 0;
        next = std::min(next, job.period);
        try {
            Deliver(job);
        } catch (...) {
            // A failing delivery costs this job this delivery only.
        }
    }
    return next;
}

void Scheduler::Deliver(const ScheduledJob& job) {
    if (job.target == nullptr || job.messageId == 0) return;
    if (job.guard != nullptr && !job.guard(job.data)) return;
    if (job.messageId == kCallbackOnlyMessage) return;
    const auto msg = static_cast<uint32_t>(job.messageId);
    if (job.retryMode != RetryMode::Drop) {
        events_.PostEvent(job.target, msg, 0, 0, job.retryMode, 0);
    } else if (job.target->HasHandle()) {
        job.target->Post(msg, 0, 0);  // a refused periodic post is simply missed
    }
}

uint32_t Scheduler::SleepAfterPass(int32_t step, uint32_t passStart, uint32_t passEnd) {
    const int32_t took = static_cast<int32_t>(passEnd - passStart);
    const int64_t planned = static_cast<int64_t>(step) * kTickMs;
    const int64_t left = planned - std::max<int32_t>(took, 0);
    return left > 0 ? static_cast<uint32_t>(left) : 0;
}

bool Scheduler::WaitOrTerminate(uint32_t ms) {
    std::unique_lock<std::mutex> hold(waitMutex_);
    return wake_.wait_for(hold, std::chrono::milliseconds(ms), [this] { return terminate_.load(); });
}

void Scheduler::Run() {
    const plat::ComApartment apartment(plat::ComApartment::SingleThreaded);
    int32_t step = 1;
    while (!terminate_) {
        const uint32_t passStart = plat::TickCount();
        try {
            step = RunPass(step);
        } catch (...) {
            step = 1;
        }
        if (WaitOrTerminate(SleepAfterPass(step, passStart, plat::TickCount()))) break;
    }
}

}  // namespace ordersrv
