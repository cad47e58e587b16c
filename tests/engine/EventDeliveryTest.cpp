// Delivery of what hosts hear to their sinks: every change in order for each sink, a few
// threads for any number of sinks, and slow, hung or failing sinks that hold back nobody else.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/EventDelivery.h"

namespace ordersrv {

namespace {

using namespace std::chrono_literals;

// What one sink heard, shared by the test and the sink the delivery owns.
struct Ear {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<int32_t> heard;  // the references of the order changes heard
    bool letGo = false;
    bool hang = false;           // calls wait until `hang` is cleared
    int callsInside = 0;
    std::chrono::milliseconds callTime{0};
    std::string failWith;        // non-empty: every call fails so

    bool WaitForHeard(size_t count, std::chrono::milliseconds within = 5s) {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, within, [&] { return heard.size() >= count; });
    }
    bool WaitUntilInside(std::chrono::milliseconds within = 5s) {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, within, [&] { return callsInside > 0; });
    }
    void Release() {
        std::lock_guard<std::mutex> hold(lock);
        hang = false;
        changed.notify_all();
    }
    // The thread that made the sink's last call may hold it a moment after the call returned.
    bool LetGo(std::chrono::milliseconds within = 5s) {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, within, [&] { return letGo; });
    }
    std::vector<int32_t> Heard() {
        std::lock_guard<std::mutex> hold(lock);
        return heard;
    }
};

class ListeningSink final : public EventSink {
public:
    explicit ListeningSink(std::shared_ptr<Ear> ear) : ear_(std::move(ear)) {}
    ~ListeningSink() override {
        std::lock_guard<std::mutex> hold(ear_->lock);
        ear_->letGo = true;
        ear_->changed.notify_all();
    }
    bool Deliver(const HostEvent& event, std::string& failure) override {
        std::unique_lock<std::mutex> hold(ear_->lock);
        ++ear_->callsInside;
        ear_->changed.notify_all();
        ear_->changed.wait(hold, [&] { return !ear_->hang; });
        const auto callTime = ear_->callTime;
        hold.unlock();
        std::this_thread::sleep_for(callTime);
        hold.lock();
        --ear_->callsInside;
        if (!ear_->failWith.empty()) {
            failure = ear_->failWith;
            return false;
        }
        ear_->heard.push_back(event.orderRefId);
        ear_->changed.notify_all();
        return true;
    }

private:
    std::shared_ptr<Ear> ear_;
};

// Drop reports, as the hub would log them.
struct Drops {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::pair<uint32_t, std::string>> reported;

    EventDelivery::DropReport Report() {
        return [this](uint32_t cookie, const std::string& why) {
            std::lock_guard<std::mutex> hold(lock);
            reported.emplace_back(cookie, why);
            changed.notify_all();
        };
    }
    bool WaitFor(size_t count, std::chrono::milliseconds within = 5s) {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, within, [&] { return reported.size() >= count; });
    }
    std::vector<std::pair<uint32_t, std::string>> All() {
        std::lock_guard<std::mutex> hold(lock);
        return reported;
    }
};

EventDelivery::Limits Limits(size_t threads, size_t maxThreads, uint32_t hungCallMs = 5000) {
    EventDelivery::Limits limits;
    limits.threads = threads;
    limits.maxThreads = maxThreads;
    limits.hungCallMs = hungCallMs;
    limits.longCallMs = 20;
    return limits;
}

std::vector<int32_t> Range(int32_t first, int32_t last) {
    std::vector<int32_t> refs;
    for (int32_t ref = first; ref <= last; ++ref) refs.push_back(ref);
    return refs;
}

struct Subscribed {
    std::shared_ptr<Ear> ear = std::make_shared<Ear>();
    uint32_t cookie = 0;
};

Subscribed Subscribe(EventDelivery& delivery) {
    Subscribed s;
    s.cookie = delivery.Subscribe(std::make_unique<ListeningSink>(s.ear));
    return s;
}

void PublishOrders(EventDelivery& delivery, int32_t first, int32_t last) {
    for (int32_t ref = first; ref <= last; ++ref)
        delivery.Publish(HostEvent::OrderStatus(ref, 1, 1, 1.5));
}

}  // namespace

TEST(EventDelivery, EachSinkHearsEveryLaterChangeInOrderUntilItUnsubscribes) {
    Drops drops;
    EventDelivery delivery(Limits(3, 3));
    delivery.Start(drops.Report());
    Subscribed early = Subscribe(delivery);
    early.ear->callTime = 1ms;  // long enough for another thread to find it waiting
    PublishOrders(delivery, 1, 50);
    Subscribed late = Subscribe(delivery);
    PublishOrders(delivery, 51, 100);

    ASSERT_TRUE(early.ear->WaitForHeard(100));
    ASSERT_TRUE(late.ear->WaitForHeard(50));
    EXPECT_EQ(early.ear->Heard(), Range(1, 100));
    EXPECT_EQ(late.ear->Heard(), Range(51, 100));

    EXPECT_NE(delivery.Unsubscribe(early.cookie), nullptr);
    EXPECT_EQ(delivery.Unsubscribe(early.cookie), nullptr);  // spent
    PublishOrders(delivery, 101, 101);
    ASSERT_TRUE(late.ear->WaitForHeard(51));
    EXPECT_EQ(early.ear->Heard().size(), 100u);
    EXPECT_TRUE(early.ear->LetGo());
    EXPECT_EQ(delivery.Count(), 1u);
    EXPECT_TRUE(drops.All().empty());
}

// A host lets its sink go, or subscribes it again, as soon as Unadvise returns: a call on its
// way has returned by then, and the unsubscriber lets the sink go; a call that cannot return
// (the sink unsubscribing from inside it) holds Unsubscribe back only a moment.
TEST(EventDelivery, UnsubscribeReturnsAfterACallOnItsWayAndOnlyAMomentAfterOneThatWaits) {
    EventDelivery::Limits limits = Limits(2, 2);
    limits.unsubscribeWaitMs = 100;
    EventDelivery delivery(limits);
    delivery.Start(nullptr);
    Subscribed quick = Subscribe(delivery), waiting = Subscribe(delivery);
    quick.ear->hang = waiting.ear->hang = true;
    PublishOrders(delivery, 1, 1);
    ASSERT_TRUE(quick.ear->WaitUntilInside() && waiting.ear->WaitUntilInside());

    std::thread host([&quick] {
        std::this_thread::sleep_for(30ms);
        quick.ear->Release();
    });
    std::shared_ptr<EventSink> sink = delivery.Unsubscribe(quick.cookie);
    const std::vector<int32_t> heardBeforeItReturned = quick.ear->Heard();
    const long holders = sink.use_count();
    host.join();
    EXPECT_EQ(heardBeforeItReturned, Range(1, 1)) << "Unsubscribe returned during the call";
    EXPECT_EQ(holders, 1);
    sink.reset();
    EXPECT_TRUE(quick.ear->LetGo(0ms));

    sink = delivery.Unsubscribe(waiting.cookie);  // its call still waits: back after 100 ms
    EXPECT_TRUE(waiting.ear->Heard().empty());
    sink.reset();
    waiting.ear->Release();
    EXPECT_TRUE(waiting.ear->LetGo());
    EXPECT_EQ(delivery.Count(), 0u);
}

TEST(EventDelivery, AHungSinkHoldsBackNoOtherAndIsDroppedWhenItsOwnCallTakesTooLong) {
    Drops drops;
    EventDelivery delivery(Limits(2, 2, 300));
    delivery.Start(drops.Report());
    Subscribed hung = Subscribe(delivery);
    hung.ear->hang = true;
    Subscribed live = Subscribe(delivery);

    PublishOrders(delivery, 1, 1);
    ASSERT_TRUE(hung.ear->WaitUntilInside());
    PublishOrders(delivery, 2, 20);  // never waits for the hung call
    ASSERT_TRUE(live.ear->WaitForHeard(20, 1s)) << "the live sink waited for the hung one";

    ASSERT_TRUE(drops.WaitFor(1));
    EXPECT_EQ(drops.All()[0],
              std::make_pair(hung.cookie, std::string("OrderStatusChanged did not return within "
                                                      "300 ms")));
    EXPECT_EQ(delivery.Count(), 1u);
    // Its thread is given up and replaced: deliveries go on at full strength.
    PublishOrders(delivery, 21, 40);
    ASSERT_TRUE(live.ear->WaitForHeard(40));
    EXPECT_EQ(live.ear->Heard(), Range(1, 40));
    EXPECT_EQ(delivery.Threads(), 3u);  // two serving, one left in the hung call

    hung.ear->Release();  // the call returns: its thread lets the sink go and ends
    for (int waited = 0; delivery.Threads() > 2 && waited < 500; ++waited)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(delivery.Threads(), 2u);
    EXPECT_TRUE(hung.ear->LetGo());
    EXPECT_EQ(hung.ear->Heard().size(), 1u);  // the hung call's change, nothing after it
}

TEST(EventDelivery, ASinkIsTimedByItsOwnCallNotByItsWaitForAThread) {
    Drops drops;
    EventDelivery delivery(Limits(1, 1, 200));
    delivery.Start(drops.Report());
    std::vector<Subscribed> sinks;
    for (int i = 0; i < 10; ++i) {
        sinks.push_back(Subscribe(delivery));
        sinks.back().ear->callTime = 30ms;  // ten of them: the last waits 270 ms for the thread
    }
    PublishOrders(delivery, 1, 3);
    for (Subscribed& sink : sinks) {
        ASSERT_TRUE(sink.ear->WaitForHeard(3));
        EXPECT_EQ(sink.ear->Heard(), Range(1, 3));
    }
    EXPECT_TRUE(drops.All().empty());
}

TEST(EventDelivery, AFailingSinkIsDroppedWithItsFailureAndTheOthersHearOn) {
    Drops drops;
    EventDelivery delivery(Limits(2, 2));
    delivery.Start(drops.Report());
    Subscribed failing = Subscribe(delivery);
    failing.ear->failWith = "0x80010108";
    Subscribed live = Subscribe(delivery);
    delivery.Publish(HostEvent::Position("ES", 2, 1.5));
    PublishOrders(delivery, 1, 5);

    ASSERT_TRUE(drops.WaitFor(1));
    EXPECT_EQ(drops.All()[0],
              std::make_pair(failing.cookie, std::string("PositionChanged failed (0x80010108)")));
    ASSERT_TRUE(live.ear->WaitForHeard(6));
    EXPECT_EQ(delivery.Count(), 1u);
    EXPECT_TRUE(failing.ear->LetGo());
}

TEST(EventDelivery, ThreadsStayBoundedWhateverTheSinksAndAreAddedOnlyWhileCallsRunLong) {
    EventDelivery::Limits limits = Limits(2, 4);
    limits.spareIdleMs = 300;
    EventDelivery delivery(limits);
    delivery.Start(nullptr);
    std::vector<Subscribed> quick;
    for (int i = 0; i < 1000; ++i) quick.push_back(Subscribe(delivery));
    PublishOrders(delivery, 1, 5);
    for (Subscribed& sink : quick) ASSERT_TRUE(sink.ear->WaitForHeard(5));
    EXPECT_LE(delivery.Threads(), 4u);

    std::vector<Subscribed> slow;
    for (int i = 0; i < 8; ++i) {
        slow.push_back(Subscribe(delivery));
        slow.back().ear->callTime = 300ms;
    }
    PublishOrders(delivery, 6, 6);
    size_t most = 0;
    for (int waited = 0; waited < 100; ++waited) {
        most = std::max(most, delivery.Threads());
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(most, 4u);
    for (Subscribed& sink : slow) ASSERT_TRUE(sink.ear->WaitForHeard(1));

    // Quiet again: the threads added end, the kept ones stay and deliver.
    for (int waited = 0; delivery.Threads() > 2 && waited < 300; ++waited)
        std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(delivery.Threads(), 2u);
    PublishOrders(delivery, 7, 7);
    EXPECT_TRUE(quick.front().ear->WaitForHeard(6));
}

TEST(EventDelivery, ASinkTooFarBehindIsDroppedSoTheChangesKeptStayBounded) {
    Drops drops;
    EventDelivery::Limits limits = Limits(1, 1);
    limits.maxBehind = 100;
    EventDelivery delivery(limits);
    delivery.Start(drops.Report());
    Subscribed stuck = Subscribe(delivery);
    stuck.ear->hang = true;
    PublishOrders(delivery, 1, 1);
    ASSERT_TRUE(stuck.ear->WaitUntilInside());
    PublishOrders(delivery, 2, 102);
    ASSERT_TRUE(drops.WaitFor(1));
    const auto drop = drops.All()[0];
    EXPECT_EQ(drop.first, stuck.cookie);
    EXPECT_EQ(drop.second.rfind("fell 10", 0), 0u) << drop.second;  // 101 or 102 changes
    EXPECT_NE(drop.second.find(" changes behind"), std::string::npos) << drop.second;
    stuck.ear->Release();
}

TEST(EventDelivery, StopLetsEverySinkGoAndReportsNothingAfterIt) {
    Drops drops;
    auto delivery = std::make_unique<EventDelivery>(Limits(2, 2));
    delivery->Start(drops.Report());
    Subscribed a = Subscribe(*delivery), b = Subscribe(*delivery);
    b.ear->failWith = "late";
    delivery->Stop();
    PublishOrders(*delivery, 1, 1);
    EXPECT_EQ(delivery->Subscribe(std::make_unique<ListeningSink>(std::make_shared<Ear>())), 0u);
    EXPECT_TRUE(a.ear->LetGo());
    EXPECT_TRUE(b.ear->LetGo());
    delivery.reset();
    EXPECT_TRUE(drops.All().empty());
    EXPECT_TRUE(a.ear->Heard().empty());
}

}  // namespace ordersrv
