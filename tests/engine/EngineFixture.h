#pragma once
// An engine posting into an in-process queue, with an event queue thread that is stepped by
// hand instead of running, and a view that counts what the engine asks of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/HostValue.h"
#include "engine/Engine.h"
#include "engine/WindowMessages.h"
#include "platform/QueueTarget.h"
#include "platform/Tick.h"
#include "workers/EventQueue.h"

class CountingView : public EngineView {
public:
    void ControlsToSettings() override { ++controlsToSettings; }
    void RefreshStatus() override { ++refreshes; }
    int controlsToSettings = 0;
    int refreshes = 0;
};

class EngineFixture : public ::testing::Test {
protected:
    EngineFixture() : events(pool), engine(window, events) { engine.SetView(&view); }

    // Delivers what the event queue holds, then takes every message that reached the window.
    std::vector<uint32_t> DeliveredMessages() {
        for (int steps = 0; events.QueuedCount() > 0 && steps < 100000; ++steps)
            events.DeliveryStep(plat::TickCount());
        std::vector<uint32_t> messages;
        for (const plat::QueuedMessage& m : window.TakeAll()) messages.push_back(m.msg);
        return messages;
    }

    static size_t CountOf(const std::vector<uint32_t>& messages, uint32_t msg) {
        return static_cast<size_t>(std::count(messages.begin(), messages.end(), msg));
    }

    void ConnectWithFolder() {
        engine.SetFolderPresent(true);
        engine.Connect();
    }

    void Place(int32_t refId, const std::string& symbol = "ABC", double price = 1234.5) {
        engine.NewOrder(HostValue::Text(symbol), HostValue::Empty(), 0, HostValue::Empty(),
                        OrderTypeCode::Buy, TimeFrameCode::Day, OrderModifierCode::Limit, 2,
                        price, refId);
    }

    int32_t OrderCount() {
        return engine.WithOrders([](OrderBook& db) { return db.Count(); });
    }

    // Takes every queued action, oldest first.
    std::vector<std::unique_ptr<PendingAction>> TakeAllActions() {
        std::vector<std::unique_ptr<PendingAction>> taken;
        bool more = true;
        while (more) {
            auto action = engine.TakeNextAction(more);
            if (!action) break;
            taken.push_back(std::move(action));
        }
        return taken;
    }

    plat::QueueTarget window;
    EventPool pool;
    EventQueue events;
    CountingView view;
    Engine engine;
};
