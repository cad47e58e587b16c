#include "workers/Workers.h"

#include <mutex>

namespace ordersrv {

namespace {
std::mutex& StartStopLock() {
    static std::mutex lock;
    return lock;
}
}  // namespace

// Made on first use in this order (pool, queue thread, scheduler), so they end in reverse:
// the scheduler, which posts through the queue, stops first, and the pool outlives both.
EventPool& ProcessEventPool() {
    static EventPool pool(EventPool::kDefaultCapacity);
    return pool;
}

EventQueue& ProcessEventQueue() {
    static EventQueue thread(ProcessEventPool());
    return thread;
}

Scheduler& ProcessScheduler() {
    static Scheduler thread(ProcessEventQueue());
    return thread;
}

void StartWorkers() {
    std::lock_guard<std::mutex> hold(StartStopLock());
    ProcessEventPool();
    ProcessEventQueue().Start();
    ProcessScheduler().Start();
}

void StopWorkers() {
    std::lock_guard<std::mutex> hold(StartStopLock());
    ProcessScheduler().Stop();
    ProcessEventQueue().Stop();
}

}  // namespace ordersrv
