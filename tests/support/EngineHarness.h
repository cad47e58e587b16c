#pragma once
// An engine posting into an in-process queue instead of a window, with an event queue that is
// stepped by hand: what the engine asks to be posted stays countable, and what it reports to
// its change listener is what a subscribed host would hear.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/HostValue.h"
#include "engine/WindowMessages.h"
#include "tests/support/HeardChanges.h"
#include "tests/support/QueueTarget.h"
#include "platform/Tick.h"
#include "workers/EventQueue.h"

namespace ordersrv {

namespace testsupport {

// An order as a test places it; every field has a sound default.
struct TestOrder {
    std::string symbol = "ABC";
    int32_t modifier = OrderModifierCode::Limit;
    double price = 1234.5;
    int32_t size = 2;
    int32_t type = OrderTypeCode::Buy;
    int32_t timeFrame = TimeFrameCode::Day;
};

class EngineHarness : public ::testing::Test {
protected:
    EngineHarness() : pool(1000), events(pool), engine(window, events) {
        engine.SetChangeListener(&heard);
    }

    void Place(int32_t refId, const TestOrder& order = {}) {
        engine.router.NewOrder(HostValue::Text(order.symbol), HostValue::Empty(), 0,
                               HostValue::Empty(), order.type, order.timeFrame, order.modifier,
                               order.size, order.price, refId);
        placed.push_back(refId);
    }

    // The Settings page as the window shows the current settings.
    SettingsEdits CurrentEdits() const {
        return {engine.settings.location, engine.settings.account, engine.settings.stopToStopLimit};
    }
    // Connects as the window does at start, with the NinjaTrader folder present.
    void Connect() {
        engine.connection.SetFolderPresent(true);
        engine.Connect(CurrentEdits());
    }

    // A copy of the order of that reference (a default order when there is none).
    Order OrderOf(int32_t refId) {
        return engine.orders.With([&](OrderBook& book) {
            const Order* found = book.FindByRefId(refId);
            return found ? *found : Order();
        });
    }
    int32_t OrderCount() {
        return engine.orders.With([](OrderBook& book) { return book.Count(); });
    }

    // The log without the report of a scan that overran its period: whether one comes depends
    // on the machine's speed (the scanner's own test checks it).
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::string line;
        for (size_t i = 0; engine.log.Line(i, line); ++i)
            if (line.rfind("OUTGOING scan took ", 0) != 0) lines.push_back(line);
        return lines;
    }

    // Delivers what the event queue holds, then takes every message that reached the window.
    std::vector<uint32_t> DeliveredMessages() {
        for (int steps = 0; events.QueuedCount() > 0 && steps < 100000; ++steps)
            events.DeliveryStep(plat::TickCount());
        std::vector<uint32_t> messages;
        for (const testsupport::QueuedMessage& m : window.TakeAll()) messages.push_back(m.msg);
        return messages;
    }
    static size_t CountOf(const std::vector<uint32_t>& messages, uint32_t msg) {
        return static_cast<size_t>(std::count(messages.begin(), messages.end(), msg));
    }
    // How many of `msg` reached the window since the last look (event queue not stepped).
    size_t MessagesPosted(uint32_t msg) {
        size_t n = 0;
        for (const testsupport::QueuedMessage& m : window.TakeAll()) n += m.msg == msg;
        return n;
    }

    testsupport::QueueTarget window;
    EventPool pool;
    EventQueue events;
    testsupport::HeardChanges heard;  // made before the engine, gone after it
    Engine engine;
    std::vector<int32_t> placed;  // every reference Place was asked for, in order
};

}  // namespace testsupport

}  // namespace ordersrv
