#include "bridge/InstructionWriter.h"

#include "bridge/InstructionLines.h"
#include "engine/Engine.h"
#include "engine/WindowMessages.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "platform/Tick.h"

namespace ordersrv {

InstructionWriter::InstructionWriter(Engine& engine) : engine_(engine), tick_(plat::TickCount) {}

std::string InstructionWriter::IncomingFolder() const {
    return plat::WithTrailingDelimiter(engine_.NinjaTraderFolder()) + "INCOMING";
}

// NinjaTrader takes up only names that start with "OIF" and end in ".TXT": "stage-OIF<n>.TXT.tmp"
// is neither, in any letter case.
std::string InstructionWriter::StagingPath(const std::string& finalPath) const {
    return plat::WithTrailingDelimiter(IncomingFolder()) + kStagingPrefix +
           plat::FileNamePart(finalPath) + kStagingSuffix;
}

std::string InstructionWriter::NextInstructionFileName() {
    const std::string folder = plat::WithTrailingDelimiter(IncomingFolder());
    for (;;) {
        const std::string name = folder + "OIF" + std::to_string(fileCounter_++) + ".TXT";
        if (!plat::FileExists(name)) return name;
    }
}

bool InstructionWriter::DrainDue() const {
    return engine_.connection.Connected() && engine_.router.HasQueuedActions() &&
           GatheringForMs() == 0;
}

// A drain that found several actions waiting means orders come faster than files: the next
// file waits until 100 ms after that drain, so a burst lands in few files. A lone order after a
// quiet spell goes out at once.
uint32_t InstructionWriter::GatheringForMs() const {
    const uint32_t since = tick_() - lastDrainTick_;
    if (lastDrainActions_ <= 1 || since >= kDrainRepostDelayMs) return 0;
    return kDrainRepostDelayMs - since;
}

void InstructionWriter::PostFollowUp(uint32_t delayMs) {
    if (followUpPosted_) return;
    followUpPosted_ = true;
    engine_.router.PostProcessActions(delayMs);
}

void InstructionWriter::Drain() {
    if (!engine_.connection.Connected()) return;
    if (const uint32_t gathering = GatheringForMs()) {
        PostFollowUp(gathering);
        return;
    }
    followUpPosted_ = false;
    Batch batch;
    if (!WriteNextFile(batch)) {
        if (engine_.router.HasQueuedActions()) PostFollowUp(kDrainRepostDelayMs);
        return;
    }
    if (batch.moreRemain) PostFollowUp(kDrainRepostDelayMs);
    lastDrainTick_ = tick_();
    lastDrainActions_ = batch.actions;
}

bool InstructionWriter::WriteNextFile(Batch& batch) {
    std::string path = NextInstructionFileName();
    if (plat::FileExists(path)) return false;
    TakeActions(batch);
    if (!batch.lines.empty()) {
        std::string content;
        for (const std::string& line : batch.lines) content += line + "\r\n";
        std::string failure;
        if (!Publish(path, content, failure)) ReportUnsent(batch, path, failure);
    }
    // The status line shows the host's last call and the order count after place lines.
    if (!batch.placed.empty()) engine_.Announce(WindowMessage::StatusChanged);
    return true;
}

int32_t InstructionWriter::DrainBeforeEnd(uint32_t budgetMs) {
    const uint32_t deadline = tick_() + budgetMs;
    const auto timeLeft = [&] { return static_cast<int32_t>(tick_() - deadline) <= 0; };
    // A burst being gathered is not waited for: the drain runs file after file.
    while (engine_.connection.Connected() && engine_.router.HasQueuedActions() && timeLeft()) {
        Batch batch;
        WriteNextFile(batch);
    }
    if (!engine_.router.HasQueuedActions()) return 0;
    return RejectQueuedActions(engine_.connection.Connected() ? "no time was left to write them"
                                                              : "not connected");
}

// Actions still queued at the end would die with the process: their orders end Rejected, as an
// order whose file could not be written does, and the log says how many.
int32_t InstructionWriter::RejectQueuedActions(const char* reason) {
    std::vector<Order*> orders;
    int32_t cancels = 0;
    PendingAction action;
    bool moreRemain = true;
    while (moreRemain && engine_.router.TakeNextAction(action, moreRemain)) {
        if (action.kind == PendingAction::Kind::Place && action.order)
            orders.push_back(action.order);
        else if (action.kind == PendingAction::Kind::Cancel)
            ++cancels;
    }
    const double now = plat::NowDateTime();
    engine_.orders.With([&](OrderBook&) {
        for (Order* order : orders) order->RejectUnsent(now);
        return 0;
    });
    for (const Order* order : orders) engine_.ReportOrderChange(*order);
    engine_.log.Add("Ending with " + std::to_string(orders.size()) +
                    (orders.size() == 1 ? " order" : " orders") + " and " +
                    std::to_string(cancels) + (cancels == 1 ? " cancel" : " cancels") +
                    " not sent to NinjaTrader: " + reason);
    return static_cast<int32_t>(orders.size());
}

void InstructionWriter::TakeActions(Batch& batch) {
    const uint32_t deadline = tick_() + drainBudgetMs_;
    for (;;) {
        PendingAction action;
        if (engine_.router.TakeNextAction(action, batch.moreRemain)) {
            ++batch.actions;
            std::string line;
            if (action.kind == PendingAction::Kind::Cancel) {
                // A cancel of a reference the book does not hold goes nowhere, without a trace.
                const bool known = engine_.orders.With(
                    [&](OrderBook& book) { return book.FindByRefId(action.orderRefId) != nullptr; });
                if (known) {
                    line = CancelLine(action.orderRefId);
                    batch.cancelled.push_back(action.orderRefId);
                }
            } else if (action.order) {
                // The fields a line reads never change once the record is in the book.
                line = PlaceLine(*action.order, engine_.settings);
                batch.placed.push_back(action.order);
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
bool InstructionWriter::Publish(std::string& finalPath, const std::string& content,
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

// The orders of an unwritten file can never reach NinjaTrader: they end rejected, with a log
// line, instead of staying open.
void InstructionWriter::ReportUnsent(const Batch& batch, const std::string& path,
                                     const std::string& failure) {
    engine_.log.Add("ORDER FILE <" + path + "> write error: " + failure);
    if (!batch.placed.empty()) {
        const double now = plat::NowDateTime();
        engine_.orders.With([&](OrderBook&) {
            for (Order* order : batch.placed) order->RejectUnsent(now);
            return 0;
        });
        for (const Order* order : batch.placed) engine_.ReportOrderChange(*order);
        engine_.Announce(WindowMessage::OrdersChanged);
    }
    for (const int32_t refId : batch.cancelled)
        engine_.log.Add("ORDER FILE <" + path + "> cancel of " + InstructionOrderId(refId) +
                        " not sent");
}

}  // namespace ordersrv
