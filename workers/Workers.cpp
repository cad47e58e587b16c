#include "workers/Workers.h"

#include <mutex>

namespace {
std::mutex& StartStopLock() {
    static std::mutex lock;
    return lock;
}
}  // namespace

// Made on first use in this order (pool, queue thread, scheduler), so they end in reverse:
// the scheduler, which posts through the queue, stops first, and the pool outlives both.
TasEventQueueBuffer& EventQueueBuffer() {
    static TasEventQueueBuffer pool(TasEventQueueBuffer::kDefaultCapacity);
    return pool;
}

TasEventQueueThread& EventQueueThread() {
    static TasEventQueueThread thread(EventQueueBuffer());
    return thread;
}

TasSchedulerThread& SchedulerThread() {
    static TasSchedulerThread thread(EventQueueThread());
    return thread;
}

void StartWorkers() {
    std::lock_guard<std::mutex> hold(StartStopLock());
    EventQueueBuffer();
    EventQueueThread().Start();
    SchedulerThread().Start();
}

void StopWorkers() {
    std::lock_guard<std::mutex> hold(StartStopLock());
    SchedulerThread().Stop();
    EventQueueThread().Stop();
}
