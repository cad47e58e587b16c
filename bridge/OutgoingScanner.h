#pragma once
// The scan of NinjaTrader's OUTGOING folder: the main window's handler of ScanOutgoing. Lists
// every file under OUTGOING, sub-folders included, and hands each to its reader by its name:
// order-state files, position files; everything else is ignored. Keeps no memory between
// scans. Main thread.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ordersrv {

class Engine;
class InstructionWriter;

class OutgoingScanner {
public:
    static constexpr uint32_t kScanPeriodMs = 100;  // the scheduler asks for a scan this often

    OutgoingScanner(Engine& engine, InstructionWriter& writer);

    void Scan();  // handler of 5035
    uint64_t ScanCount() const { return scans_; }  // scans run since start
    // Hands one file under OUTGOING to its reader, by its name.
    void ClassifyOutgoingFile(const std::string& path);

    // Appends the full paths of the files under `folder` (its own first, then each sub-folder's,
    // depth first) and of its sub-folders; hidden and system entries are left out.
    static void ListFolderTree(const std::string& folder, std::vector<std::string>& files,
                               std::vector<std::string>& folders);

    // The millisecond tick a scan's duration is measured with (GetTickCount by default).
    void SetTickSource(std::function<uint32_t()> tick) { tick_ = std::move(tick); }

private:
    std::string OutgoingFolder() const;
    void ReadOutgoingFile(const std::string& folder, const std::string& name);
    void NoteScanDuration(uint32_t tookMs, size_t files);

    Engine& engine_;
    InstructionWriter& writer_;
    std::function<uint32_t()> tick_;
    bool scanning_ = false;
    uint64_t scans_ = 0;
    bool overrunReported_ = false;
};

}  // namespace ordersrv
