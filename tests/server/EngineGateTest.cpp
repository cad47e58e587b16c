// The gate between host calls and the engine, with real threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "engine/EngineError.h"
#include "server/EngineGate.h"

using namespace std::chrono_literals;

namespace {

// The gate never looks inside the engine; any address stands for one.
TOrderServerEngine& SomeEngine() {
    static int standIn;
    return *reinterpret_cast<TOrderServerEngine*>(&standIn);
}

std::string RefusalText(TEngineGate& gate, std::chrono::milliseconds wait) {
    try {
        TEngineGate::TPass pass(gate, wait);
        return "passed";
    } catch (const TEngineError& e) {
        EXPECT_EQ(e.HResult(), 0);
        return e.what();
    }
}

}  // namespace

TEST(EngineGate, CallBeforeTheEngineExistsWaitsForItOrFailsAsNotReady) {
    TEngineGate gate;
    EXPECT_EQ(RefusalText(gate, 50ms), kServerNotReadyText);

    auto waiting = std::async(std::launch::async, [&] {
        TEngineGate::TPass pass(gate, 10s);
        return &pass.Engine();
    });
    std::this_thread::sleep_for(50ms);
    gate.Open(SomeEngine());
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(waiting.get(), &SomeEngine());
}

TEST(EngineGate, CloseRefusesNewCallsAndWaitsForCallsInside) {
    TEngineGate gate;
    gate.Open(SomeEngine());
    std::atomic<bool> inside{false}, leave{false}, left{false};
    std::thread call([&] {
        TEngineGate::TPass pass(gate);
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
    gate.Open(SomeEngine());  // a closed gate stays closed
    EXPECT_EQ(RefusalText(gate, 0ms), kServerClosingText);
}

TEST(EngineGate, CloseWakesCallsWaitingForTheEngine) {
    TEngineGate gate;
    auto waiting = std::async(std::launch::async, [&] { return RefusalText(gate, 10s); });
    std::this_thread::sleep_for(50ms);
    gate.Close();
    ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(waiting.get(), kServerClosingText);
}
