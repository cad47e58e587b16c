#pragma once
// Everything that touches NinjaTrader's folders: the drain that writes instruction files into
// INCOMING (message 4040) and the scan of OUTGOING with its readers (message 5035). Main thread.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Engine;
struct Order;

class FileBridge {
public:
    static constexpr uint32_t kDrainBudgetMs = 200;    // one drain takes actions this long at most
    static constexpr uint32_t kDrainRepostDelayMs = 100;
    static constexpr int kMoveAttempts = 16;            // final names tried for one written file
    static constexpr int kMoveRetriesOfOneName = 3;     // refused moves to a free name retried
    static constexpr uint32_t kMoveRetryPauseMs = 5;
    static constexpr uint32_t kScanPeriodMs = 100;     // the scheduler asks for a scan this often
    static constexpr const char* kStagingPrefix = "stage-";  // staging file: prefix + final name
    static constexpr const char* kStagingSuffix = ".tmp";    //   + suffix, inside INCOMING

    explicit FileBridge(Engine& engine);

    void ProcessActionQueue();   // handler of 4040
    void ScanOutgoingFolder();   // handler of 5035

    std::string NextInstructionFileName();
    std::string BuildPlaceLine(const Order& order);
    std::string BuildCancelLine(int32_t orderRefId);

    // Appends the full paths of the files under `folder` (its own first, then each sub-folder's,
    // depth first) and of its sub-folders; hidden and system entries are left out.
    static void ListFolderTree(const std::string& folder, std::vector<std::string>& files,
                               std::vector<std::string>& folders);

    void ClassifyOutgoingFile(const std::string& path);
    void ReadOrderStateFile(int32_t orderRefId, const std::string& path);
    void ReadPositionFile(const std::string& baseName, const std::string& path);

    int32_t InstructionFileCounter() const { return fileCounter_; }

    // The millisecond tick the drain's budget and the scan's duration are measured with
    // (GetTickCount by default), and the budget itself; tests replace both to split drains
    // and stretch scans without waiting.
    void SetTickSource(std::function<uint32_t()> tick) { tick_ = std::move(tick); }
    void SetDrainBudgetMs(uint32_t budgetMs) { drainBudgetMs_ = budgetMs; }

private:
    struct DrainBatch;
    std::string IncomingFolder() const;
    std::string StagingPath(const std::string& finalPath) const;
    std::string OutgoingFolder() const;
    void TakeActions(DrainBatch& batch);
    void NoteScanDuration(uint32_t tookMs, size_t files);
    void DrainDuringScan();
    bool PublishInstructionFile(std::string& finalPath, const std::string& content,
                                std::string& failure);
    void ReportUnsentBatch(const DrainBatch& batch, const std::string& path,
                           const std::string& failure);

    Engine& engine_;
    int32_t fileCounter_ = 100;
    bool scanInProgress_ = false;
    bool scanOverrunReported_ = false;
    uint32_t lastDrainTick_ = 0;  // when the last drain ended
    std::function<uint32_t()> tick_;
    uint32_t drainBudgetMs_ = kDrainBudgetMs;
};
