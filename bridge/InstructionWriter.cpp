#include "bridge/InstructionWriter.h"

#include "bridge/InstructionLines.h"
#include "engine/Engine.h"
#include "engine/JournalRecord.h"
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

bool InstructionWriter::Batch::HasPlaceLines() const {
    for (const Entry& entry : entries)
        if (entry.kind == PendingAction::Kind::Place) return true;
    return false;
}

void InstructionWriter::Drain() {
    // Orders placed while not connected are journaled here too, not only when they are sent.
    engine_.JournalNewOrders();
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
    // Every order whose line may be taken now has its "accepted" record before that line.
    engine_.JournalNewOrders();
    TakeActions(batch);
    if (!batch.entries.empty()) {
        std::string failure;
        if (!Publish(path, batch, failure)) ReportUnsent(batch, path, failure);
    }
    // The status line shows the host's last call and the order count after place lines.
    if (batch.HasPlaceLines()) engine_.Announce(WindowMessage::StatusChanged);
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
    engine_.JournalNewOrders();
    std::vector<PendingAction> placed;
    int32_t cancels = 0;
    PendingAction action;
    bool moreRemain = true;
    while (moreRemain && engine_.router.TakeNextAction(action, moreRemain)) {
        if (action.kind == PendingAction::Kind::Place && action.order)
            placed.push_back(action);
        else if (action.kind == PendingAction::Kind::Cancel)
            ++cancels;
    }
    const double now = plat::NowDateTime();
    engine_.orders.With([&](OrderBook&) {
        for (const PendingAction& place : placed) place.order->RejectUnsent(now);
        return 0;
    });
    for (const PendingAction& place : placed) {
        engine_.JournalRejected(place.position, place.orderRefId,
                                std::string("not sent when the server ended: ") + reason);
        engine_.ReportOrderChange(*place.order);
    }
    engine_.log.Add("Ending with " + std::to_string(placed.size()) +
                    (placed.size() == 1 ? " order" : " orders") + " and " +
                    std::to_string(cancels) + (cancels == 1 ? " cancel" : " cancels") +
                    " not sent to NinjaTrader: " + reason);
    return static_cast<int32_t>(placed.size());
}

void InstructionWriter::TakeActions(Batch& batch) {
    const uint32_t deadline = tick_() + drainBudgetMs_;
    for (;;) {
        PendingAction action;
        if (engine_.router.TakeNextAction(action, batch.moreRemain)) {
            ++batch.actions;
            Batch::Entry entry{std::string(), action.kind, action.orderRefId, action.position,
                               action.order};
            if (action.kind == PendingAction::Kind::Cancel) {
                // A cancel of a reference the book does not hold goes nowhere, without a trace.
                entry.position = engine_.orders.With(
                    [&](OrderBook& book) { return book.FindPositionByRefId(action.orderRefId); });
                if (entry.position >= 0) entry.line = CancelLine(action.orderRefId);
            } else if (action.order) {
                // The fields a line reads never change once the record is in the book.
                entry.line = PlaceLine(*action.order, engine_.settings);
            }
            if (!entry.line.empty()) batch.entries.push_back(std::move(entry));
        }
        if (!batch.moreRemain) break;
        // Unsigned difference, so the budget holds across the tick counter's wrap-around.
        if (static_cast<int32_t>(tick_() - deadline) > 0) break;
    }
}

// What NinjaTrader is about to see, journaled and on the disk before it can see it: the staged
// file's lines and the name they go into. The staged file's time tells a state file NinjaTrader
// wrote for an earlier order of the same reference from one it writes for this order.
void InstructionWriter::JournalStaged(const Batch& batch, const std::string& finalPath,
                                      const std::string& staging) {
    int64_t stagedTime = 0;
    plat::LastWriteTime(staging, stagedTime);
    std::vector<JournalRecord> records;
    records.reserve(batch.entries.size());
    for (const Batch::Entry& entry : batch.entries) {
        JournalRecord sent;
        sent.kind = JournalRecord::Kind::Sent;
        sent.seq = entry.position;
        sent.order.orderRefId = entry.orderRefId;
        sent.file = finalPath;
        sent.staged = staging;
        sent.fileTime = stagedTime;
        sent.line = entry.line;
        records.push_back(std::move(sent));
    }
    engine_.journal.Record(records);
    engine_.journal.Sync();
    engine_.orders.With([&](OrderBook&) {
        for (const Batch::Entry& entry : batch.entries)
            if (entry.order && entry.order->tookOverReference) entry.order->stagedFileTime = stagedTime;
        return 0;
    });
}

// NinjaTrader must never see a half-written instruction file: the content is written and
// flushed under a staging name in INCOMING itself (the one folder the server may be allowed to
// write), then renamed to a name that does not exist yet. A name that appeared meanwhile is
// passed over for the next number, so lines taken from the queue are never lost that way.
bool InstructionWriter::Publish(std::string& finalPath, const Batch& batch,
                                std::string& failure) {
    std::string content;
    for (const Batch::Entry& entry : batch.entries) content += entry.line + "\r\n";
    const std::string staging = StagingPath(finalPath);
    if (!plat::WriteWholeFile(staging, content)) {
        plat::RemoveFile(staging);
        failure = plat::FolderExists(IncomingFolder()) ? "cannot write " + staging
                                                       : "INCOMING folder missing";
        return false;
    }
    JournalStaged(batch, finalPath, staging);
    if (beforePublish_) beforePublish_(staging);
    const auto published = [&] {
        JournalRecord record;
        record.kind = JournalRecord::Kind::Published;
        record.staged = staging;
        record.file = finalPath;
        engine_.journal.Record(record);
        return true;
    };
    int refusals = 0;
    for (int attempt = 0; attempt < kMoveAttempts; ++attempt) {
        if (plat::MoveNoReplace(staging, finalPath)) return published();
        // Nothing else touches the staging file: when it is gone, the move went through even
        // though it was reported as failed, and NinjaTrader has the lines.
        if (!plat::FileExists(staging)) return published();
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
    const double now = plat::NowDateTime();
    bool rejected = false;
    engine_.orders.With([&](OrderBook&) {
        for (const Batch::Entry& entry : batch.entries)
            if (entry.order) {
                entry.order->RejectUnsent(now);
                rejected = true;
            }
        return 0;
    });
    for (const Batch::Entry& entry : batch.entries) {
        if (entry.order) {
            engine_.JournalRejected(entry.position, entry.orderRefId, "instruction file not written: " + failure);
            engine_.ReportOrderChange(*entry.order);
        } else {
            engine_.log.Add("ORDER FILE <" + path + "> cancel of " +
                            InstructionOrderId(entry.orderRefId) + " not sent");
        }
    }
    if (rejected) engine_.Announce(WindowMessage::OrdersChanged);
}

}  // namespace ordersrv
