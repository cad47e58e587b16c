#pragma once
// The drain: the main window's handler of ProcessActions. It takes the pending actions for at most
// 200 ms, builds one line each and writes them all as one new instruction file OIF<n>.TXT into
// NinjaTrader's INCOMING folder, never replacing a file and never showing NinjaTrader a
// half-written one. A lone order goes out at once; while orders come faster than files, one
// file at most every 100 ms. Main thread.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/PendingAction.h"

namespace ordersrv {

class Engine;
struct Order;

class InstructionWriter {
public:
    static constexpr uint32_t kDrainBudgetMs = 200;    // one drain takes actions this long at most
    static constexpr uint32_t kDrainRepostDelayMs = 100;
    static constexpr int kMoveAttempts = 16;            // final names tried for one written file
    static constexpr int kMoveRetriesOfOneName = 3;     // refused moves to a free name retried
    static constexpr uint32_t kMoveRetryPauseMs = 5;
    static constexpr const char* kStagingPrefix = "stage-";  // staging file: prefix + final name
    static constexpr const char* kStagingSuffix = ".tmp";    //   + suffix, inside INCOMING
    // The end of the run waits this long at most for the queued actions to be written.
    static constexpr uint32_t kEndDrainBudgetMs = 5000;

    explicit InstructionWriter(Engine& engine);

    void Drain();  // handler of ProcessActions
    // The end of the run, once no host call can queue anything more: every queued action is
    // written as the drain writes it, file after file without the pause between them, for at
    // most `budgetMs`. What cannot go (not connected, or out of time) never will: its orders end
    // Rejected and one log line says how many. Returns the number of orders not sent.
    int32_t DrainBeforeEnd(uint32_t budgetMs = kEndDrainBudgetMs);
    // True when a drain may run now, between two messages: connected, actions waiting, and
    // no burst being gathered.
    bool DrainDue() const;

    // The full path of the next instruction file name that does not exist; uses up numbers.
    std::string NextInstructionFileName();
    int32_t FileCounter() const { return fileCounter_; }

    // The millisecond tick the drain's budget is measured with (GetTickCount by default), and
    // the budget itself; tests replace both to split drains without waiting.
    void SetTickSource(std::function<uint32_t()> tick) { tick_ = std::move(tick); }
    void SetDrainBudgetMs(uint32_t budgetMs) { drainBudgetMs_ = budgetMs; }
    // Runs once a file is staged and journaled, just before it is published (tests look at
    // what is on the disk at that moment).
    void SetBeforePublish(std::function<void(const std::string& staging)> hook) {
        beforePublish_ = std::move(hook);
    }

private:
    // What one drain took: the lines, and what each stands for, so that each is journaled and
    // a file that cannot be written can be reported order by order.
    struct Batch {
        struct Entry {
            std::string line;
            PendingAction::Kind kind = PendingAction::Kind::Cancel;
            int32_t orderRefId = -1;
            int32_t position = -1;  // the order's place in the book: its journal number
            Order* order = nullptr;  // a PLACE line's record; owned by the book
        };
        std::vector<Entry> entries;
        int32_t actions = 0;  // taken from the queue, lines or not
        bool moreRemain = false;
        bool HasPlaceLines() const;
    };

    std::string IncomingFolder() const;
    std::string StagingPath(const std::string& finalPath) const;
    uint32_t GatheringForMs() const;  // how long a burst is still gathered; 0 = drain now
    void PostFollowUp(uint32_t delayMs);
    // Writes one instruction file of the actions taken within the drain's budget; false (and
    // nothing taken) when the chosen name appeared meanwhile.
    bool WriteNextFile(Batch& batch);
    void TakeActions(Batch& batch);
    int32_t RejectQueuedActions(const char* reason);
    bool Publish(std::string& finalPath, const Batch& batch, std::string& failure);
    void JournalStaged(const Batch& batch, const std::string& finalPath, const std::string& staging);
    void ReportUnsent(const Batch& batch, const std::string& path, const std::string& failure);

    Engine& engine_;
    int32_t fileCounter_ = 100;
    std::function<uint32_t()> tick_;
    uint32_t drainBudgetMs_ = kDrainBudgetMs;
    uint32_t lastDrainTick_ = 0;  // when the last drain ended
    int32_t lastDrainActions_ = 0;
    bool followUpPosted_ = false;  // a later ProcessActions of the drain's own is on its way
    std::function<void(const std::string&)> beforePublish_;
};

}  // namespace ordersrv
