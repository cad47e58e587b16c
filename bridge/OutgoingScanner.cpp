#include "bridge/OutgoingScanner.h"

#include "bridge/InstructionWriter.h"
#include "bridge/OrderStateReader.h"
#include "bridge/OutgoingFile.h"
#include "bridge/PositionFileReader.h"
#include "engine/Engine.h"
#include "platform/FileSystem.h"
#include "platform/Scoped.h"
#include "platform/Tick.h"

namespace ordersrv {

namespace {

// Folder links can form cycles; no NinjaTrader folder is anywhere near this deep.
constexpr int kMaxFolderDepth = 32;
// Two links back up the tree would make even that depth billions of folders: one listing
// visits at most this many, far more than NinjaTrader ever puts under OUTGOING.
constexpr size_t kMaxFoldersListed = 100;

void ListFolderTreeTo(const std::string& folder, std::vector<std::string>& files,
                      std::vector<std::string>& folders, int depth, size_t& foldersLeft) {
    const std::string d = plat::WithTrailingDelimiter(folder);
    if (!plat::FolderExists(d)) return;
    std::vector<plat::FolderEntry> entries;
    if (!plat::ListFolder(d, entries)) return;
    for (const plat::FolderEntry& entry : entries)
        if (!entry.isFolder && !entry.hiddenOrSystem) files.push_back(d + entry.name);
    if (depth >= kMaxFolderDepth) return;
    for (const plat::FolderEntry& entry : entries) {
        if (!entry.isFolder || entry.hiddenOrSystem) continue;
        const std::string sub = d + entry.name;
        if (!plat::FolderExists(sub)) continue;
        if (foldersLeft == 0) return;
        --foldersLeft;
        folders.push_back(sub);
        ListFolderTreeTo(sub, files, folders, depth + 1, foldersLeft);
    }
}

}  // namespace

OutgoingScanner::OutgoingScanner(Engine& engine, InstructionWriter& writer)
    : engine_(engine), writer_(writer), tick_(plat::TickCount) {}

std::string OutgoingScanner::OutgoingFolder() const {
    return plat::WithTrailingDelimiter(engine_.NinjaTraderFolder()) + "OUTGOING";
}

void OutgoingScanner::ListFolderTree(const std::string& folder, std::vector<std::string>& files,
                                     std::vector<std::string>& folders) {
    size_t foldersLeft = kMaxFoldersListed;
    ListFolderTreeTo(folder, files, folders, 0, foldersLeft);
}

void OutgoingScanner::Scan() {
    if (scanning_) return;
    scanning_ = true;
    // Cleared however the scan ends: a scan that throws must not stop every later one.
    const plat::ScopeExit done([this] { scanning_ = false; });
    const uint32_t start = tick_();
    std::vector<std::string> files, folders;
    ListFolderTree(OutgoingFolder(), files, folders);
    for (const std::string& path : files) {
        ClassifyOutgoingFile(path);
        // A scan of many files (NinjaTrader keeps one per working order) can take longer than
        // its period; an order placed meanwhile goes out between two files, not at the end.
        if (writer_.DrainDue()) writer_.Drain();
    }
    NoteScanDuration(tick_() - start, files.size());
}

void OutgoingScanner::ClassifyOutgoingFile(const std::string& path) {
    const std::string name = plat::FileNamePart(path);
    const OutgoingFile file = ClassifyOutgoingName(name);
    switch (file.kind) {
    case OutgoingFile::Kind::OrderIdError:
        engine_.log.Add("ORDER STATUS <" + name + "> order id error");
        break;
    case OutgoingFile::Kind::OrderState:
        ReadOrderStateFile(engine_, file.orderRefId, path);
        break;
    case OutgoingFile::Kind::Position:
        ReadPositionFile(engine_, file.baseName, path);
        break;
    case OutgoingFile::Kind::Ignored:
        break;
    }
}

// A scan longer than its period means scans now run back to back; the trader should know
// (too many files left in OUTGOING), once, not at every scan. Told again only after scans
// have come well within their period.
void OutgoingScanner::NoteScanDuration(uint32_t tookMs, size_t files) {
    if (tookMs > kScanPeriodMs) {
        if (overrunReported_) return;
        overrunReported_ = true;
        engine_.log.Add("OUTGOING scan took " + std::to_string(tookMs) + " ms for " +
                        std::to_string(files) + (files == 1 ? " file" : " files") +
                        ", longer than its " + std::to_string(kScanPeriodMs) + " ms period");
    } else if (tookMs < kScanPeriodMs / 2) {
        overrunReported_ = false;
    }
}

}  // namespace ordersrv
