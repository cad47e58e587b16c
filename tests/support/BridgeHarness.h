#pragma once
// The engine harness with the file bridge (drain and scan) over a scratch NinjaTrader folder of
// its own, and the one rule every fault test checks: no accepted order is lost silently. Each
// order either stands in exactly one PLACE line in INCOMING, or ended Rejected (8) with a log
// line telling why.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "bridge/InstructionLines.h"
#include "bridge/InstructionWriter.h"
#include "bridge/OutgoingScanner.h"
#include "platform/FileSystem.h"
#include "tests/support/EngineHarness.h"
#include "tests/support/ScratchFolder.h"

namespace ordersrv {

namespace testsupport {

class BridgeHarness : public EngineHarness {
protected:
    BridgeHarness()
        : folder("bridge-scratch"), writer(engine), scanner(engine, writer),
          location(folder.Path()),
          incoming(location + plat::kPathDelimiter + "INCOMING" + plat::kPathDelimiter),
          outgoing(location + plat::kPathDelimiter + "OUTGOING" + plat::kPathDelimiter) {
        plat::MakeFolder(location + plat::kPathDelimiter + "INCOMING");
        plat::MakeFolder(location + plat::kPathDelimiter + "OUTGOING");
        engine.settings.location = location;
        engine.settings.account = "Sim101";
    }

    // Connects as the window does at start: the NinjaTrader folder is tested first.
    void Connect() {
        engine.connection.SetFolderPresent(plat::FolderExists(engine.NinjaTraderFolder()));
        engine.Connect(CurrentEdits());
    }

    // The window's part at tick `now` of the event queue's clock: takes every event that is due
    // and drains for each "process actions" message, as the window does.
    void RunWindowAt(uint32_t now) {
        for (int step = 0; step < 1000; ++step) {
            events.DeliveryStep(now);
            const std::vector<testsupport::QueuedMessage> messages = window.TakeAll();
            for (const testsupport::QueuedMessage& m : messages)
                if (m.msg == WindowMessage::ProcessActions) writer.Drain();
            if (messages.empty() && events.QueuedCount() == 0) return;
        }
    }

    void WriteOutgoing(const std::string& name, const std::string& content) {
        ASSERT_TRUE(plat::WriteWholeFile(outgoing + name, content));
    }

    // The names in INCOMING, sorted.
    std::vector<std::string> IncomingFiles() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(incoming, ec))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::string ReadText(const std::string& path) {
        std::string content;
        plat::ReadWholeFile(path, content);
        return content;
    }

    // Every line of every OIF file in INCOMING, except the files named in `foreign`.
    std::vector<std::string> InstructionLines(const std::vector<std::string>& foreign = {}) const {
        std::vector<std::string> lines;
        for (const std::string& name : IncomingFiles()) {
            if (name.compare(0, 3, "OIF") != 0) continue;
            if (std::find(foreign.begin(), foreign.end(), name) != foreign.end()) continue;
            const std::string content = ReadText(incoming + name);
            size_t start = 0;
            for (size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2)
                lines.push_back(content.substr(start, end - start));
        }
        return lines;
    }

    // The rule: exactly one PLACE line, or rejected with a log line naming the failure.
    void ExpectNoOrderLostSilently(const std::vector<std::string>& foreign = {}) {
        const std::vector<std::string> lines = InstructionLines(foreign);
        const std::vector<std::string> log = LogLines();
        const bool writeErrorLogged = std::any_of(log.begin(), log.end(), [](const std::string& l) {
            return l.find("write error") != std::string::npos;
        });
        for (const int32_t refId : placed) {
            const std::string id = ";" + InstructionOrderId(refId) + ";";
            const auto inLines = std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
                return l.compare(0, 6, "PLACE;") == 0 && l.find(id) != std::string::npos;
            });
            if (inLines == 1) continue;
            EXPECT_EQ(inLines, 0) << "order " << refId << " written more than once";
            EXPECT_EQ(OrderOf(refId).status, StatusCode::Rejected) << "order " << refId << " lost";
            EXPECT_TRUE(writeErrorLogged) << "order " << refId << " rejected without a log line";
        }
    }

    ScratchFolder folder;
    InstructionWriter writer;
    OutgoingScanner scanner;
    const std::string location, incoming, outgoing;
};

}  // namespace testsupport

}  // namespace ordersrv
