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
// folder and listed entry, and the sub-folders by their path; hidden and system entries are
// left out. `folder` ends in the delimiter.
template <typename OnFile, typename OnFolder>
void WalkFolderTree(const std::string& folder, const OnFile& onFile, const OnFolder& onFolder,
                    int depth, size_t& foldersLeft) {
    std::vector<plat::FolderEntry> entries;
    if (!plat::ListFolder(folder, entries)) return;
    for (plat::FolderEntry& entry : entries)
        if (!entry.isFolder && !entry.hiddenOrSystem) onFile(folder, entry);
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
        [&files](const std::string& in, const plat::FolderEntry& entry) {
            files.push_back(in + entry.name);
        },
        [&folders](const std::string& sub) { folders.push_back(sub); }, 0, foldersLeft);
}

int32_t OutgoingScanner::OrderCount() const {
    return engine_.orders.With([](OrderBook& book) { return book.Count(); });
}

bool OutgoingScanner::ListingDue(uint32_t now, bool watched) const {
    if (!watched || retrySoon_) return true;
    // Half a period early: the scheduler's beat is not exact, and a listing due just after a
    // beat would otherwise wait for the next one.
    if (now - listedAt_ >= kSafetyListingMs - kScanPeriodMs / 2) return true;
    const int32_t awaitedAt = awaitedAtCount_;
    return awaitedAt >= 0 && OrderCount() != awaitedAt;
}

// What was learnt of the files holds for one folder and one account: a position file is read
// or skipped by its account, and another account's file may hold the same symbol.
void OutgoingScanner::ForgetOnNewContext() {
    const std::string folder = OutgoingFolder();
    if (folder == filesFolder_ && engine_.settings.account == filesAccount_) return;
    files_.clear();
    filesFolder_ = folder;
    filesAccount_ = engine_.settings.account;
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
    listedAt_ = start;
    ForgetOnNewContext();
    // Taken before anything is listed: a file written after these readings is met again.
    const int64_t listedAt = plat::FileClockNow();
    const int32_t ordersBefore = OrderCount();
    Pending pending;
    size_t files = 0;
    size_t foldersLeft = kMaxFoldersListed;
    WalkFolderTree(
        plat::WithTrailingDelimiter(filesFolder_),
        [&](const std::string& folder, plat::FolderEntry& entry) {
            ++files;
            VisitFile(folder, entry, start, listedAt, pending);
            // A scan of many files (NinjaTrader keeps one per working order) can take longer
            // than its period; an order placed meanwhile goes out between two files, not at
            // the end.
            if (writer_.DrainDue()) writer_.Drain();
        },
        [](const std::string&) {}, 0, foldersLeft);
    // Files this listing did not meet are gone (or out of reach): forgotten.
    for (auto it = files_.begin(); it != files_.end();)
        it = it->second.listing == scans_ ? std::next(it) : files_.erase(it);
    retrySoon_ = pending.retrySoon;
    awaitedAtCount_ = pending.awaiting ? ordersBefore : -1;
    NoteScanDuration(tick_() - start, files);
}

void OutgoingScanner::VisitFile(const std::string& folder, plat::FolderEntry& entry, uint32_t now,
                                int64_t listedAt, Pending& pending) {
    const OutgoingFile kind = ClassifyOutgoingName(entry.name);
    if (kind.kind == OutgoingFile::Kind::Ignored) return;
    plat::StampEntry(folder, entry);
    key_.assign(folder).append(entry.name);
    const auto [it, first] = files_.try_emplace(key_);
    Remembered& file = it->second;
    file.listing = scans_;
    // Files whose stamp cannot be told (a link on Windows) are read at every listing; their
    // faults are still told once.
    const bool sameVersion = !first && (file.stamp.Matches(entry.stamp) ||
                                        (!file.stamp.known && !entry.stamp.known));
    if (sameVersion && file.settled) return;
    if (!sameVersion) file = Remembered{entry.stamp, now, scans_, false, false};

    switch (ReadOutgoingFile(ListedFile(key_, entry.stamp, file.read), kind, entry.name)) {
    case OutgoingRead::Taken:
        file.read = true;
        // Two writes within one step of the file system's clock can leave one stamp: a file
        // written that recently is read again at later listings until its time is older.
        file.settled = entry.stamp.known &&
                       entry.stamp.writeTime <= listedAt - plat::kFileClockStep;
        break;
    case OutgoingRead::Retry:
        file.read = true;
        if (now - file.metAt < kRetryEveryPeriodMs) pending.retrySoon = true;
        break;
    case OutgoingRead::Awaiting:
        pending.awaiting = true;
        break;
    case OutgoingRead::Removed:
        files_.erase(it);
        break;
    }
}

void OutgoingScanner::ClassifyOutgoingFile(const std::string& path) {
    const std::string name = plat::FileNamePart(path);
    ReadOutgoingFile(ListedFile(path), ClassifyOutgoingName(name), name);
}

OutgoingRead OutgoingScanner::ReadOutgoingFile(const ListedFile& file, const OutgoingFile& kind,
                                               const std::string& name) {
    switch (kind.kind) {
    case OutgoingFile::Kind::OrderIdError:
        if (!file.faultsTold) engine_.log.Add("ORDER STATUS <" + name + "> order id error");
        return OutgoingRead::Taken;
    case OutgoingFile::Kind::OrderState:
        return ReadOrderStateFile(engine_, kind.orderRefId, file);
    case OutgoingFile::Kind::Position:
        return ReadPositionFile(engine_, kind.baseName, file);
    case OutgoingFile::Kind::Ignored:
        break;
    }
    return OutgoingRead::Taken;
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
