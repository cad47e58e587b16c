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

// Visits the files under `folder` (its own first, then each sub-folder's, depth first) by their
// folder and listed name, and the sub-folders by their path; hidden and system entries are
// left out. `folder` ends in the delimiter.
template <typename OnFile, typename OnFolder>
void WalkFolderTree(const std::string& folder, const OnFile& onFile, const OnFolder& onFolder,
                    int depth, size_t& foldersLeft) {
    std::vector<plat::FolderEntry> entries;
    if (!plat::ListFolder(folder, entries)) return;
    for (const plat::FolderEntry& entry : entries)
        if (!entry.isFolder && !entry.hiddenOrSystem) onFile(folder, entry.name);
    if (depth >= kMaxFolderDepth) return;
    for (const plat::FolderEntry& entry : entries) {
        if (!entry.isFolder || entry.hiddenOrSystem) continue;
        const std::string sub = folder + entry.name;
        if (!plat::FolderExists(sub)) continue;
        if (foldersLeft == 0) return;
        --foldersLeft;
        onFolder(sub);
        WalkFolderTree(plat::WithTrailingDelimiter(sub), onFile, onFolder, depth + 1, foldersLeft);
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
    WalkFolderTree(
        plat::WithTrailingDelimiter(folder),
        [&files](const std::string& in, const std::string& name) { files.push_back(in + name); },
        [&folders](const std::string& sub) { folders.push_back(sub); }, 0, foldersLeft);
}

void OutgoingScanner::Scan() {
    if (scanning_) return;
    scanning_ = true;
    // Cleared however the scan ends: a scan that throws must not stop every later one.
    const plat::ScopeExit done([this] { scanning_ = false; });
    ++scans_;
    // Orders accepted while not connected wait for no drain: the scan journals them.
    engine_.JournalNewOrders();
    const uint32_t start = tick_();
    size_t files = 0;
    size_t foldersLeft = kMaxFoldersListed;
    WalkFolderTree(
        plat::WithTrailingDelimiter(OutgoingFolder()),
        [this, &files](const std::string& folder, const std::string& name) {
            ++files;
            ReadOutgoingFile(folder, name);
            // A scan of many files (NinjaTrader keeps one per working order) can take longer
            // than its period; an order placed meanwhile goes out between two files, not at
            // the end.
            if (writer_.DrainDue()) writer_.Drain();
        },
        [](const std::string&) {}, 0, foldersLeft);
    NoteScanDuration(tick_() - start, files);
}

void OutgoingScanner::ClassifyOutgoingFile(const std::string& path) {
    ReadOutgoingFile(plat::FolderPart(path), plat::FileNamePart(path));
}

// The kind of file is decided from the listed name; the full path is made only for the files
// that are read. `folder` ends in the delimiter.
void OutgoingScanner::ReadOutgoingFile(const std::string& folder, const std::string& name) {
    const OutgoingFile file = ClassifyOutgoingName(name);
    switch (file.kind) {
    case OutgoingFile::Kind::OrderIdError:
        engine_.log.Add("ORDER STATUS <" + name + "> order id error");
        break;
    case OutgoingFile::Kind::OrderState:
        ReadOrderStateFile(engine_, file.orderRefId, folder + name);
        break;
    case OutgoingFile::Kind::Position:
        ReadPositionFile(engine_, file.baseName, folder + name);
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
