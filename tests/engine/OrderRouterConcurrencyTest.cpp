#include <chrono>
#include <map>
#include <set>
#include <string>
#include <thread>

#include "tests/support/EngineHarness.h"

namespace ordersrv {

class OrderRouterConcurrencyTest : public testsupport::EngineHarness {
protected:
    // A host's call on its own thread.
    void HostPlaces(int32_t refId, const std::string& symbol = "ABC") {
        engine.router.NewOrder(HostValue::Text(symbol), HostValue::Empty(), 0, HostValue::Empty(),
                               OrderTypeCode::Buy, TimeFrameCode::Day, OrderModifierCode::Limit, 2,
                               1234.5, refId);
    }
    // Takes every queued action, oldest first.
    std::vector<PendingAction> TakeAllActions() {
        std::vector<PendingAction> taken;
        PendingAction action;
        for (bool more = true; more && engine.router.TakeNextAction(action, more);) taken.push_back(action);
        return taken;
    }
};

TEST_F(OrderRouterConcurrencyTest, OrdersFromManyThreadsAreEachRecordedAndQueuedOnce) {
    constexpr int32_t kThreads = 8, kPerThread = 2000;
    Connect();
    std::vector<std::thread> hosts;
    for (int32_t t = 0; t < kThreads; ++t)
        hosts.emplace_back([this, t] {
            const std::string symbol = "SYM" + std::to_string(t);
            for (int32_t i = 0; i < kPerThread; ++i) HostPlaces(t * kPerThread + i, symbol);
        });
    for (std::thread& h : hosts) h.join();

    constexpr int32_t kTotal = kThreads * kPerThread;
    engine.orders.With([&](OrderBook& db) {
        ASSERT_EQ(db.Count(), kTotal);
        std::set<int32_t> refs;
        for (int32_t i = 0; i < db.Count(); ++i) refs.insert(db.ItemAt(i)->orderRefId);
        EXPECT_EQ(refs.size(), static_cast<size_t>(kTotal));
        for (int32_t ref = 0; ref < kTotal; ++ref) {
            const Order* o = db.FindByRefId(ref);
            ASSERT_NE(o, nullptr) << ref;
            EXPECT_EQ(o->symbol, "SYM" + std::to_string(ref / kPerThread));
        }
    });

    // Each action once; each thread's actions in the order it made its calls.
    std::map<int32_t, int32_t> lastPerThread;
    std::set<int32_t> queued;
    for (const PendingAction& action : TakeAllActions()) {
        ASSERT_EQ(action.kind, PendingAction::Kind::Place);
        ASSERT_EQ(action.order->orderRefId, action.orderRefId);
        EXPECT_TRUE(queued.insert(action.orderRefId).second);
        const int32_t thread = action.orderRefId / kPerThread;
        auto last = lastPerThread.find(thread);
        if (last != lastPerThread.end()) {
            EXPECT_GT(action.orderRefId, last->second);
        }
        lastPerThread[thread] = action.orderRefId;
    }
    EXPECT_EQ(queued.size(), static_cast<size_t>(kTotal));

    // The queue never ran empty, so one drain request covers all of them.
    const auto messages = DeliveredMessages();
    EXPECT_EQ(CountOf(messages, WindowMessage::ProcessActions), 1u);
    EXPECT_EQ(CountOf(messages, WindowMessage::OrdersChanged), static_cast<size_t>(kTotal));
}

TEST_F(OrderRouterConcurrencyTest, NoActionIsLeftWithoutADrainRequest) {
    // A drain on its own thread takes actions while hosts add them. Each time the drain finds
    // the queue empty it waits for a ProcessActions; every action must still arrive.
    constexpr int32_t kThreads = 4, kPerThread = 1000, kTotal = kThreads * kPerThread;
    Connect();
    std::vector<std::thread> hosts;
    for (int32_t t = 0; t < kThreads; ++t)
        hosts.emplace_back([this, t] {
            for (int32_t i = 0; i < kPerThread; ++i) {
                if (i % 2) engine.router.CancelOrder(t * kPerThread + i);
                else HostPlaces(t * kPerThread + i);
            }
        });

    int32_t taken = 0;
    bool drainDue = false;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (taken < kTotal && std::chrono::steady_clock::now() < giveUp) {
        if (!drainDue) {
            events.DeliveryStep(plat::TickCount());
            for (const testsupport::QueuedMessage& m : window.TakeAll())
                if (m.msg == WindowMessage::ProcessActions) drainDue = true;
            if (!drainDue) {
                std::this_thread::yield();
                continue;
            }
        }
        bool more = false;
        PendingAction action;
        if (engine.router.TakeNextAction(action, more)) ++taken;
        drainDue = more;
    }
    for (std::thread& h : hosts) h.join();
    EXPECT_EQ(taken, kTotal);
    EXPECT_FALSE(engine.router.HasQueuedActions());
}

TEST_F(OrderRouterConcurrencyTest, LogLinesFromTwoThreadsStayWhole) {
    constexpr int kPerThread = 1000;
    auto writer = [this](char fill) {
        for (int i = 0; i < kPerThread; ++i)
            engine.log.Add(std::string(200, fill) + std::to_string(i));
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();

    ASSERT_EQ(engine.log.Count(), 2u * kPerThread);
    std::map<char, int> nextPerWriter{{'a', 0}, {'b', 0}};
    for (size_t i = 0; i < engine.log.Count(); ++i) {
        std::string line;
        ASSERT_TRUE(engine.log.Line(i, line));
        const char fill = line[0];
        ASSERT_EQ(line, std::string(200, fill) + std::to_string(nextPerWriter[fill]));
        ++nextPerWriter[fill];
    }
    EXPECT_EQ(CountOf(DeliveredMessages(), WindowMessage::LogLinesPending), 2u * kPerThread);
}

}  // namespace ordersrv
