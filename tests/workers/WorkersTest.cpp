#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/QueueTarget.h"
#include "workers/Workers.h"

namespace ordersrv {

namespace {

TEST(Workers, TheProcessWideThreadsShareOnePoolOf5000Events) {
    EXPECT_EQ(ProcessEventPool().Capacity(), 5000);
    static testsupport::QueueTarget direct;  // outlives the process-wide scheduler's job
    static testsupport::QueueTarget queued;
    StartWorkers();
    StartWorkers();  // idempotent
    ProcessScheduler().ScheduleMessage(5035, &direct, RetryMode::Drop, true, 100);
    ProcessEventQueue().PostEvent(&queued, 4040, 0, 0, RetryMode::UntilPosted, 0);
    EXPECT_TRUE(queued.WaitForMessage(std::chrono::seconds(10)));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (direct.Count() < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    StopWorkers();
    EXPECT_GE(direct.Count(), 2u);
    EXPECT_EQ(ProcessEventPool().FreeCount(), 5000);
}

}  // namespace

}  // namespace ordersrv
