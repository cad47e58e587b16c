#include <memory>
#include <vector>

#include "bridge/FileBridge.h"
#include "bridge/InstructionLines.h"
#include "engine/Engine.h"
#include "engine/WindowMessages.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "platform/Tick.h"

// What one drain took from the action queue: the lines to write, and what each line stands
// for, so a file that cannot be written can be reported order by order.
struct FileBridge::DrainBatch {
    std::vector<std::string> lines;
    std::vector<Order*> placed;  // records of the PLACE lines; owned by the book
    std::vector<int32_t> cancelled;           // references of the CANCEL lines
    bool moreRemain = false;
};

FileBridge::FileBridge(Engine& engine) : engine_(engine), tick_(plat::TickCount) {}

std::string FileBridge::IncomingFolder() const {
    return plat::WithTrailingDelimiter(engine_.NinjaTraderFolder()) + "INCOMING";
}

// NinjaTrader takes up only names that start with "OIF" and end in ".TXT": "stage-OIF<n>.TXT.tmp"
// is neither, in any letter case.
std::string FileBridge::StagingPath(const std::string& finalPath) const {
    return plat::WithTrailingDelimiter(IncomingFolder()) + kStagingPrefix +
           plat::FileNamePart(finalPath) + kStagingSuffix;
}

std::string FileBridge::NextInstructionFileName() {
    const std::string folder = plat::WithTrailingDelimiter(IncomingFolder());
    for (;;) {
        const std::string name = folder + "OIF" + std::to_string(fileCounter_++) + ".TXT";
        if (!plat::FileExists(name)) return name;
    }
}

void FileBridge::ProcessActionQueue() {
    if (!engine_.ConnectedFlag()) return;
    std::string path = NextInstructionFileName();
    if (plat::FileExists(path)) {
        if (engine_.HasQueuedActions()) engine_.PostProcessActions(kDrainRepostDelayMs);
        return;
    }
    DrainBatch batch;
    TakeActions(batch);
    if (!batch.lines.empty()) {
        std::string content;
        for (const std::string& line : batch.lines) content += line + "\r\n";
        std::string failure;
        if (!PublishInstructionFile(path, content, failure)) ReportUnsentBatch(batch, path, failure);
    }
    if (batch.moreRemain) engine_.PostProcessActions(kDrainRepostDelayMs);
    lastDrainTick_ = tick_();
}

void FileBridge::TakeActions(DrainBatch& batch) {
    const uint32_t deadline = tick_() + drainBudgetMs_;
    for (;;) {
        std::unique_ptr<PendingAction> action = engine_.TakeNextAction(batch.moreRemain);
        if (action) {
            std::string line;
            if (action->Kind == ActionKind::Cancel) {
                line = BuildCancelLine(action->OrderRefId);
                if (!line.empty()) batch.cancelled.push_back(action->OrderRefId);
            } else if (action->Kind == ActionKind::Place && action->order) {
                line = BuildPlaceLine(*action->order);
                batch.placed.push_back(action->order);
            }
            if (!line.empty()) batch.lines.push_back(line);
        }
        if (!batch.moreRemain) break;
        // Unsigned difference, so the budget holds across the tick counter's wrap-around.
        if (static_cast<int32_t>(tick_() - deadline) > 0) break;
    }
}

// NinjaTrader must never see a half-written instruction file: the content is written and
// flushed under a staging name in INCOMING itself (the one folder the server may be allowed to
// write), then renamed to a name that does not exist yet. A name that appeared meanwhile is
// passed over for the next number, so lines taken from the queue are never lost that way.
bool FileBridge::PublishInstructionFile(std::string& finalPath, const std::string& content,
                                         std::string& failure) {
    const std::string staging = StagingPath(finalPath);
    if (!plat::WriteWholeFile(staging, content)) {
        plat::RemoveFile(staging);
        failure = plat::FolderExists(IncomingFolder()) ? "cannot write " + staging
                                                       : "INCOMING folder missing";
        return false;
    }
    int refusals = 0;
    for (int attempt = 0; attempt < kMoveAttempts; ++attempt) {
        if (plat::MoveNoReplace(staging, finalPath)) return true;
        // Nothing else touches the staging file: when it is gone, the move went through even
        // though it was reported as failed, and NinjaTrader has the lines.
        if (!plat::FileExists(staging)) return true;
        if (plat::FileExists(finalPath)) {
            finalPath = NextInstructionFileName();  // a taken name: pass it over
        } else if (++refusals > kMoveRetriesOfOneName) {
            break;  // the move itself keeps failing
        } else {
            plat::SleepMs(kMoveRetryPauseMs);  // NinjaTrader may be busy in the folder
        }
    }
    failure = plat::FolderExists(IncomingFolder()) ? "cannot move it into the INCOMING folder"
                                                   : "INCOMING folder missing";
    plat::RemoveFile(staging);
    return false;
}

// The orders of an unwritten file can never reach NinjaTrader: they end as rejected, so the
// host learns it at its next status query instead of waiting on an order that stays open.
void FileBridge::ReportUnsentBatch(const DrainBatch& batch, const std::string& path,
                                    const std::string& failure) {
    engine_.AddLogLine("ORDER FILE <" + path + "> write error: " + failure);
    if (!batch.placed.empty()) {
        const double now = plat::NowDateTime();
        engine_.WithOrders([&](OrderBook&) {
            for (Order* order : batch.placed) {
                order->Status = StatusCode::Rejected;
                order->UpdateTime = now;
            }
            return 0;
        });
        engine_.PostToWindow(WindowMessage::OrdersChanged);
    }
    for (const int32_t refId : batch.cancelled)
        engine_.AddLogLine("ORDER FILE <" + path + "> cancel of " + InstructionOrderId(refId) +
                           " not sent");
}
