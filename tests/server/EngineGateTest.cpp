// The gate between host calls and the engine, with real threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "engine/EngineError.h"
#include "server/EngineGate.h"
#include "tests/support/EngineHarness.h"

namespace ordersrv {

using namespace std::chrono_literals;

namespace {

class EngineGateTest : public testsupport::EngineHarness {};

std::string RefusalText(EngineGate& gate, std::chrono::milliseconds wait) {
    try {
        EngineGate::Pass pass(gate, wait);
        return "passed";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.HResult(), 0);
        return e.what();
    }
}

}  // namespace

TEST_F(EngineGateTest, CallBeforeTheEngineExistsWaitsForItOrFailsAsNotReady) {
    EngineGate gate;
    EXPECT_EQ(RefusalText(gate, 50ms), kServerNotReadyText);

    auto waiting = std::async(std::launch::async, [&] {
        EngineGate::Pass pass(gate, 10s);
        return &pass.engine();
    });
    std::this_thread::sleep_for(50ms);
    gate.Open(engine);
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(waiting.get(), &engine);
}

TEST_F(EngineGateTest, CloseRefusesNewCallsAndWaitsForCallsInside) {
    EngineGate gate;
    gate.Open(engine);
    std::atomic<bool> inside{false}, leave{false}, left{false};
    std::thread call([&] {
        EngineGate::Pass pass(gate);
        inside = true;
        while (!leave) std::this_thread::sleep_for(1ms);
        left = true;
    });
    while (!inside) std::this_thread::sleep_for(1ms);

    auto closing = std::async(std::launch::async, [&] {
        gate.Close();
        return left.load();
    });
    EXPECT_EQ(closing.wait_for(100ms), std::future_status::timeout);
    EXPECT_EQ(RefusalText(gate, 0ms), kServerClosingText);
    leave = true;
    ASSERT_EQ(closing.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(closing.get());
    call.join();
    gate.Open(engine);  // a closed gate stays closed
    EXPECT_EQ(RefusalText(gate, 0ms), kServerClosingText);
}

TEST_F(EngineGateTest, CloseWakesCallsWaitingForTheEngine) {
    EngineGate gate;
    auto waiting = std::async(std::launch::async, [&] { return RefusalText(gate, 10s); });
    std::this_thread::sleep_for(50ms);
    gate.Close();
    ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(waiting.get(), kServerClosingText);
}

}  // namespace ordersrv
