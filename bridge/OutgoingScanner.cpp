#include "bridge/FileBridge.h"
#include "bridge/OutgoingFile.h"
#include "bridge/StateLine.h"
#include "engine/Engine.h"
#include "model/AsciiText.h"
#include "platform/FileSystem.h"

namespace {

constexpr const char* kOrderFilePrefix = "HALVENMAR";
constexpr const char* kPositionSuffix = "_POSITION.TXT";
constexpr const char* kPositionSuffixWithBlank = "_ POSITION.TXT";

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

// The base name when NAME ends with the suffix and holds it nowhere earlier; empty otherwise.
bool StripPositionSuffix(const std::string& upperName, const std::string& suffix,
                         std::string& base) {
    const size_t at = upperName.find(suffix);
    if (at == std::string::npos || at + suffix.size() != upperName.size()) return false;
    base = upperName.substr(0, at);
    return true;
}

}  // namespace

std::string FileBridge::OutgoingFolder() const {
    return plat::WithTrailingDelimiter(engine_.NinjaTraderFolder()) + "OUTGOING";
}

void FileBridge::ListFolderTree(const std::string& folder, std::vector<std::string>& files,
                                 std::vector<std::string>& folders) {
    size_t foldersLeft = kMaxFoldersListed;
    ListFolderTreeTo(folder, files, folders, 0, foldersLeft);
}

void FileBridge::ScanOutgoingFolder() {
    if (scanInProgress_) return;
    // Cleared however the scan ends: a scan that throws must not stop every later one.
    struct ScanFlag {
        bool& flag;
        explicit ScanFlag(bool& f) : flag(f) { flag = true; }
        ~ScanFlag() { flag = false; }
    } inProgress(scanInProgress_);
    const uint32_t start = tick_();
    std::vector<std::string> files, folders;
    ListFolderTree(OutgoingFolder(), files, folders);
    for (const std::string& path : files) {
        ClassifyOutgoingFile(path);
        DrainDuringScan();
    }
    NoteScanDuration(tick_() - start, files.size());
}

// A scan of many files (NinjaTrader keeps one per working order) can take longer than its
// period; an order placed meanwhile goes out between two files instead of waiting for the end.
// The pause a drain leaves for the next one is kept.
void FileBridge::DrainDuringScan() {
    if (!engine_.ConnectedFlag() || !engine_.HasQueuedActions()) return;
    if (tick_() - lastDrainTick_ < kDrainRepostDelayMs) return;
    ProcessActionQueue();
}

// A scan longer than its period means scans now run back to back; the trader should know
// (too many files left in OUTGOING), once, not at every scan. Told again only after scans
// have come well within their period.
void FileBridge::NoteScanDuration(uint32_t tookMs, size_t files) {
    if (tookMs > kScanPeriodMs) {
        if (scanOverrunReported_) return;
        scanOverrunReported_ = true;
        engine_.AddLogLine("OUTGOING scan took " + std::to_string(tookMs) + " ms for " +
                           std::to_string(files) + (files == 1 ? " file" : " files") +
                           ", longer than its " + std::to_string(kScanPeriodMs) + " ms period");
    } else if (tookMs < kScanPeriodMs / 2) {
        scanOverrunReported_ = false;
    }
}

OutgoingFile ClassifyOutgoingName(const std::string& name) {
    OutgoingFile result;
    const size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    if (UpperCaseAscii(ext) != ".TXT") return result;

    const std::string prefix = kOrderFilePrefix;
    if (name.compare(0, prefix.size(), prefix) == 0) {
        const std::string number = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        result.orderRefId = WholeNumberOr(number, -1);
        result.kind = result.orderRefId < 0 ? OutgoingFile::Kind::OrderIdError
                                            : OutgoingFile::Kind::OrderState;
        return result;
    }

    const std::string upperName = UpperCaseAscii(name);
    if (StripPositionSuffix(upperName, kPositionSuffix, result.baseName) ||
        StripPositionSuffix(upperName, kPositionSuffixWithBlank, result.baseName))
        result.kind = OutgoingFile::Kind::Position;
    return result;
}

void FileBridge::ClassifyOutgoingFile(const std::string& path) {
    const std::string name = plat::FileNamePart(path);
    const OutgoingFile file = ClassifyOutgoingName(name);
    switch (file.kind) {
    case OutgoingFile::Kind::OrderIdError:
        engine_.AddLogLine("ORDER STATUS <" + name + "> order id error");
        break;
    case OutgoingFile::Kind::OrderState:
        ReadOrderStateFile(file.orderRefId, path);
        break;
    case OutgoingFile::Kind::Position:
        ReadPositionFile(file.baseName, path);
        break;
    case OutgoingFile::Kind::Ignored:
        break;
    }
}
