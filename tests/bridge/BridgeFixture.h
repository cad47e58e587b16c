#pragma once
// An engine with a file bridge over a scratch NinjaTrader folder of its own; the event queue
// thread is not started, so what the bridge asks it to post stays countable.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "bridge/FileBridge.h"
#include "engine/HostValue.h"
#include "engine/Engine.h"
#include "engine/WindowMessages.h"
#include "platform/FileSystem.h"
#include "platform/QueueTarget.h"
#include "workers/EventQueue.h"

class CountingView : public EngineView {
public:
    void ControlsToSettings() override {}
    void RefreshStatus() override { ++refreshes; }
    int refreshes = 0;
};

// A folder of its own per test, under the working folder, removed afterwards.
inline std::string ScratchFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("bridge-scratch-") + info->test_suite_name() + "-" + info->name();
    std::replace(name.begin(), name.end(), '/', '-');
    std::filesystem::remove_all(name);
    std::filesystem::create_directories(name);
    return std::filesystem::absolute(name).string();
}

inline std::string ReadText(const std::string& path) {
    std::string content;
    plat::ReadWholeFile(path, content);
    return content;
}

class BridgeFixture : public ::testing::Test {
protected:
    BridgeFixture() : pool(100), events(pool), engine(window, events), bridge(engine) {
        location = ScratchFolder();
        incoming = location + plat::kPathDelimiter + "INCOMING" + plat::kPathDelimiter;
        outgoing = location + plat::kPathDelimiter + "OUTGOING" + plat::kPathDelimiter;
        plat::MakeFolder(location + plat::kPathDelimiter + "INCOMING");
        plat::MakeFolder(location + plat::kPathDelimiter + "OUTGOING");
        engine.settings.Location = location;
        engine.settings.Account = "Sim101";
        engine.SetView(&view);
    }
    ~BridgeFixture() override {
        std::error_code ignored;
        std::filesystem::remove_all(location, ignored);
    }

    void Connect() {
        engine.SetFolderPresent(true);
        engine.Connect();
    }

    void Place(int32_t refId, const std::string& symbol = "ABC", int32_t modifier = 1,
               double price = 1234.5, int32_t size = 2, int32_t type = 0) {
        engine.NewOrder(HostValue::Text(symbol), HostValue::Empty(), 0, HostValue::Empty(),
                        type, 0, modifier, size, price, refId);
    }

    Order OrderOf(int32_t refId) {
        return engine.WithOrders([&](OrderBook& db) {
            const Order* found = db.FindByRefId(refId);
            return found ? *found : Order();
        });
    }

    // The log without the report of a scan that overran its period: whether one comes
    // depends on the machine's speed (the scanner's own tests check it).
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::string line;
        for (size_t i = 0; engine.LogLine(i, line); ++i)
            if (line.rfind("OUTGOING scan took ", 0) != 0) lines.push_back(line);
        return lines;
    }

    size_t MessagesPosted(uint32_t msg) {
        size_t n = 0;
        for (const plat::QueuedMessage& m : window.TakeAll()) n += m.msg == msg;
        return n;
    }

    std::vector<std::string> IncomingFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(incoming))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    void WriteOutgoing(const std::string& name, const std::string& content) {
        ASSERT_TRUE(plat::WriteWholeFile(outgoing + name, content));
    }

    plat::QueueTarget window;
    EventPool pool;
    EventQueue events;
    CountingView view;
    Engine engine;
    FileBridge bridge;
    std::string location, incoming, outgoing;
};
