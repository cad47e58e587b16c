#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>
#include <vector>

#include "tests/support/QueueTarget.h"
#include "workers/EventQueue.h"
#include "workers/Scheduler.h"

namespace ordersrv {

namespace {

// A scheduler whose thread is never started: the tests run its passes themselves.
class SchedulerPasses : public ::testing::Test {
protected:
    ScheduledJob Job(size_t index) const { return scheduler.Jobs().at(index); }

    EventPool pool{32};
    EventQueue events{pool};
    Scheduler scheduler{events, 12345};
    testsupport::QueueTarget target;
};

struct GuardLog {
    int calls = 0;
    bool answer = true;
};

bool CountingGuard(void* data) {
    auto* log = static_cast<GuardLog*>(data);
    ++log->calls;
    return log->answer;
}

TEST(SchedulerPeriod, RoundsTheIntervalToWholeTicks) {
    EXPECT_EQ(Scheduler::PeriodOf(37), 1);
    EXPECT_EQ(Scheduler::PeriodOf(38), 2);
    EXPECT_EQ(Scheduler::PeriodOf(100), 4);
    EXPECT_EQ(Scheduler::PeriodOf(1000), 40);
    EXPECT_EQ(Scheduler::PeriodOf(12), 1);
    EXPECT_EQ(Scheduler::PeriodOf(0), 1);
    EXPECT_EQ(Scheduler::PeriodOf(-100), 1);
    EXPECT_EQ(Scheduler::PeriodOf(INT32_MAX), 85899346);  // no overflow on the way
}

TEST(SchedulerSleep, SleepsThePlannedTicksLessThePass) {
    EXPECT_EQ(Scheduler::SleepAfterPass(1, 500, 500), 25u);
    EXPECT_EQ(Scheduler::SleepAfterPass(40, 500, 600), 900u);
    EXPECT_EQ(Scheduler::SleepAfterPass(1, 500, 530), 0u);
    EXPECT_EQ(Scheduler::SleepAfterPass(1, 500, 495), 25u);  // counter went back
    EXPECT_EQ(Scheduler::SleepAfterPass(4, 0xFFFFFFF0u, 0x0000000Au), 74u);
}

TEST_F(SchedulerPasses, SameIntervalBesideAJobAtZeroTakesTheNextSlot) {
    scheduler.ScheduleMessage(1, &target, RetryMode::Drop, true, 400);
    scheduler.ScheduleMessage(2, &target, RetryMode::Drop, true, 400);
    EXPECT_EQ(Job(0).counter, 0);
    EXPECT_EQ(Job(1).period, 16);
    EXPECT_EQ(Job(1).counter, 1);
}

TEST_F(SchedulerPasses, LongerPeriodNeverLandsOnAShorterJobsSlot) {
    scheduler.ScheduleMessage(1, &target, RetryMode::Drop, true, 1000);
    scheduler.RunPass(4);
    ASSERT_EQ(Job(0).counter, 4);
    scheduler.ScheduleMessage(2, &target, RetryMode::Drop, true, 300);  // d would be 12: nothing counted
    EXPECT_EQ(Job(1).period, 12);
    EXPECT_EQ(Job(1).counter, 0);
}

TEST_F(SchedulerPasses, ShorterPeriodCountsEveryDeliveryOverTheCombinedCycle) {
    scheduler.ScheduleMessage(1, &target, RetryMode::Drop, true, 300);  // period 12 at slot 0
    scheduler.ScheduleMessage(2, &target, RetryMode::Drop, true, 600);  // period 24: slots 0 and 12 taken
    EXPECT_EQ(Job(1).counter, 1);
    // Coprime periods meet in every slot over time: nothing to avoid.
    scheduler.ScheduleMessage(3, &target, RetryMode::Drop, true, 325);  // period 13
    EXPECT_EQ(Job(2).counter, 0);
}

TEST_F(SchedulerPasses, VeryLongIntervalsAreNeitherPlacedNorCounted) {
    scheduler.ScheduleMessage(1, &target, RetryMode::Drop, true, 400);
    scheduler.ScheduleMessage(2, &target, RetryMode::Drop, true, 6000);  // slot 0 is taken, yet it stays there
    EXPECT_EQ(Job(1).counter, 0);
    scheduler.ClearJobs();
    EXPECT_TRUE(scheduler.Jobs().empty());
    scheduler.ScheduleMessage(3, &target, RetryMode::Drop, true, 5010);  // period 200, counter 0
    scheduler.ScheduleMessage(4, &target, RetryMode::Drop, true, 5000);  // period 200 too, but job 3 is not counted
    EXPECT_EQ(Job(0).period, 200);
    EXPECT_EQ(Job(1).period, 200);
    EXPECT_EQ(Job(1).counter, 0);
}

TEST_F(SchedulerPasses, ShortIntervalsGetARandomPhaseWithinTheirPeriod) {
    std::set<int32_t> phases;
    for (int32_t id = 1; id <= 40; ++id) scheduler.ScheduleMessage(id, &target, RetryMode::Drop, true, 100);
    for (const ScheduledJob& job : scheduler.Jobs()) {
        EXPECT_EQ(job.period, 4);
        phases.insert(job.counter);
    }
    EXPECT_EQ(phases, (std::set<int32_t>{0, 1, 2, 3}));
}

TEST_F(SchedulerPasses, RegisteringAgainKeepsThePhaseUnlessTheTimingChanges) {
    GuardLog log;
    scheduler.ScheduleMessage(1, &target, RetryMode::Drop, true, 400);
    scheduler.ScheduleMessage(2, &target, RetryMode::Drop, true, 400);
    scheduler.RunPass(3);
    ASSERT_EQ(Job(1).counter, 4);

    scheduler.ScheduleMessage(2, &target, RetryMode::Drop, true, 0);  // interval 0 keeps the interval
    EXPECT_EQ(Job(1).interval, 400);
    EXPECT_EQ(Job(1).counter, 4);
    scheduler.ScheduleMessage(2, &target, RetryMode::Endless, true, 400, CountingGuard, &log);
    EXPECT_EQ(Job(1).counter, 4);
    EXPECT_EQ(Job(1).retryMode, RetryMode::Endless);
    EXPECT_EQ(Job(1).data, &log);
    EXPECT_EQ(scheduler.Jobs().size(), 2u);

    scheduler.ScheduleMessage(2, &target, RetryMode::Drop, true, 800);  // new interval: placed again
    EXPECT_EQ(Job(1).period, 32);
    EXPECT_EQ(Job(1).counter, 0);  // job 1 (counter 3) delivers in slots 3 and 19 of 32
}

TEST_F(SchedulerPasses, DisabledJobStopsCountingAndIsPlacedAgainWhenEnabled) {
    scheduler.ScheduleMessage(1, &target, RetryMode::Drop, true, 400);
    scheduler.ScheduleMessage(2, &target, RetryMode::Drop, true, 400);  // counter 1
    scheduler.ScheduleMessage(2, &target, RetryMode::Drop, false, 400);
    EXPECT_EQ(Job(1).counter, 1);
    scheduler.RunPass(3);
    EXPECT_EQ(Job(0).counter, 3);
    EXPECT_EQ(Job(1).counter, 1);
    scheduler.ScheduleMessage(2, &target, RetryMode::Drop, true, 400);
    EXPECT_EQ(Job(1).counter, 0);  // slot 3 is taken now, slot 0 is free
}

TEST_F(SchedulerPasses, PassReturnsTheTicksToTheNextDelivery) {
    EXPECT_EQ(scheduler.RunPass(1), 40);  // no jobs
    scheduler.ScheduleMessage(1, &target, RetryMode::Drop, true, 400);  // counter 0, period 16
    EXPECT_EQ(scheduler.RunPass(10), 6);
    EXPECT_EQ(target.Count(), 0u);
    EXPECT_EQ(scheduler.RunPass(6), 16);  // due: delivered, counter restarts
    EXPECT_EQ(target.Count(), 1u);
    EXPECT_EQ(Job(0).counter, 0);
    EXPECT_EQ(scheduler.RunPass(40), 16);  // overshooting still delivers once
    EXPECT_EQ(target.Count(), 2u);
}

TEST_F(SchedulerPasses, ZeroIntervalDeliversEveryTick) {
    scheduler.ScheduleMessage(1, &target, RetryMode::Drop, true, 0);
    scheduler.ScheduleMessage(2, &target, RetryMode::Drop, true, -5);
    for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(scheduler.RunPass(1), 1);
    EXPECT_EQ(target.Count(), 6u);
}

TEST_F(SchedulerPasses, DirectPostsNeedAWindowAndIgnoreFailures) {
    testsupport::QueueTarget closed;
    closed.SetHasHandle(false);
    testsupport::QueueTarget refusing;
    refusing.FailPostsWith(1816);
    scheduler.ScheduleMessage(5035, &target, RetryMode::Drop, true, 25);
    scheduler.ScheduleMessage(5035, &closed, RetryMode::Drop, true, 25);
    scheduler.ScheduleMessage(5035, &refusing, RetryMode::Drop, true, 25);
    scheduler.RunPass(1);
    const std::vector<testsupport::QueuedMessage> got = target.TakeAll();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].msg, 5035u);
    EXPECT_EQ(got[0].wParam, 0u);
    EXPECT_EQ(got[0].lParam, 0);
    EXPECT_EQ(closed.PostAttempts(), 0u);
    EXPECT_EQ(refusing.PostAttempts(), 1u);
    EXPECT_EQ(events.QueuedCount(), 0u);
}

TEST_F(SchedulerPasses, NonZeroModeGoesThroughTheEventQueue) {
    testsupport::QueueTarget refusing;
    refusing.FailPostsWith(1816);
    scheduler.ScheduleMessage(77, &refusing, RetryMode::SixAttempts, true, 25);
    scheduler.RunPass(1);
    EXPECT_EQ(refusing.PostAttempts(), 0u);
    ASSERT_EQ(events.QueuedCount(), 1u);
    for (uint32_t now = 1000; events.QueuedCount() > 0 && now < 2000; now += 20) events.DeliveryStep(now);
    EXPECT_EQ(refusing.PostAttempts(), 6u);  // the job's mode 2 rules the retries
}

TEST_F(SchedulerPasses, GuardDecidesEachDeliveryButTheCounterRestartsAnyway) {
    GuardLog log;
    log.answer = false;
    scheduler.ScheduleMessage(1, &target, RetryMode::Drop, true, 100, CountingGuard, &log);
    const int32_t start = Job(0).counter;
    scheduler.RunPass(4 - start);
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(target.Count(), 0u);
    EXPECT_EQ(Job(0).counter, 0);
    log.answer = true;
    scheduler.RunPass(4);
    EXPECT_EQ(log.calls, 2);
    EXPECT_EQ(target.Count(), 1u);
}

TEST_F(SchedulerPasses, CallbackOnlyJobCallsItsGuardAndPostsNothing) {
    GuardLog log;
    scheduler.ScheduleMessage(Scheduler::kCallbackOnlyMessage, &target, RetryMode::Drop, true, 25,
                              CountingGuard, &log);
    scheduler.ScheduleMessage(Scheduler::kCallbackOnlyMessage + 0, &target, RetryMode::UntilPosted, true, 25,
                              CountingGuard, &log);  // same job, now with a retry mode
    for (int pass = 0; pass < 5; ++pass) scheduler.RunPass(1);
    EXPECT_EQ(log.calls, 5);
    EXPECT_EQ(target.PostAttempts(), 0u);
    EXPECT_EQ(events.QueuedCount(), 0u);
}

TEST_F(SchedulerPasses, JobsWithoutMessageOrTargetAreNeverDelivered) {
    GuardLog log;
    scheduler.ScheduleMessage(0, &target, RetryMode::Drop, true, 25, CountingGuard, &log);
    scheduler.ScheduleMessage(9, nullptr, RetryMode::Drop, true, 25, CountingGuard, &log);
    for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(scheduler.RunPass(1), 1);
    EXPECT_EQ(log.calls, 0);
    EXPECT_EQ(target.PostAttempts(), 0u);
}

// Running threads with the real clock; bounds are generous, nothing is timed.
TEST(SchedulerRunning, PostsThePeriodicMessageDirectlyAndThroughTheQueue) {
    testsupport::QueueTarget direct;  // the targets outlive the threads posting to them
    testsupport::QueueTarget queued;
    EventPool pool(64);
    EventQueue events(pool);
    Scheduler scheduler(events);
    events.Start();
    scheduler.Start();
    scheduler.ScheduleMessage(5035, &direct, RetryMode::Drop, true, 100);
    scheduler.ScheduleMessage(6000, &queued, RetryMode::UntilPosted, true, 50);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((direct.Count() < 3 || queued.Count() < 3) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    scheduler.Stop();
    events.Stop();
    EXPECT_GE(direct.Count(), 3u);
    EXPECT_GE(queued.Count(), 3u);
    for (const testsupport::QueuedMessage& m : direct.TakeAll()) EXPECT_EQ(m.msg, 5035u);
}

}  // namespace

}  // namespace ordersrv
