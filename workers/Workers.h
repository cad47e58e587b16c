#pragma once
// The process's one event queue thread and one scheduler thread, started before any window.
#include "workers/EventQueue.h"
#include "workers/Scheduler.h"

namespace ordersrv {

EventPool& ProcessEventPool();
EventQueue& ProcessEventQueue();
Scheduler& ProcessScheduler();

// Creates the pool (5000 events), then the event queue thread, then the scheduler, and starts
// both threads. Idempotent.
void StartWorkers();
// Ends both threads once the application's message loop has ended.
void StopWorkers();

}  // namespace ordersrv
