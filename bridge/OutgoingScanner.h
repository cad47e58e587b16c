#pragma once
// The scan of NinjaTrader's OUTGOING folder: the main window's handler of ScanOutgoing. Lists
// every file under OUTGOING, sub-folders included, and hands each to its reader by its name:
// order-state files, position files; everything else is ignored. Main thread.
//
// NinjaTrader keeps a state file for every working order, and almost none changes between two
// scans: a file is opened only when it may have changed since it was last read. The listing
// gives each file's size and write time; a file whose name, size and time are unchanged is not
// opened again once what it says was taken, except while its time is so recent that a second
// write could still leave the same time. Files that could not be read are tried again, and a
// state file of an order the book does not know yet is read once it does.
//
// The watch of OUTGOING asks for a scan after each change; the scheduler asks every
// kScanPeriodMs whether one is due (ListingDue), which is at every period only while the
// folder is not watched or a file waits to be read again, and otherwise every
// kSafetyListingMs: the net under a lost notification.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "bridge/ListedFile.h"

namespace ordersrv {

class Engine;
class InstructionWriter;
struct OutgoingFile;

class OutgoingScanner {
public:
    static constexpr uint32_t kScanPeriodMs = 100;  // the scheduler asks this often
    // The longest a change waits when the watch stands but its notification was lost.
    static constexpr uint32_t kSafetyListingMs = 1000;
    // A file that could not be read is tried again at every period for this long after the
    // scan first met it as it is, then at every listing.
    static constexpr uint32_t kRetryEveryPeriodMs = 2000;

    OutgoingScanner(Engine& engine, InstructionWriter& writer);

    void Scan();  // handler of ScanOutgoing: one listing
    uint64_t ScanCount() const { return scans_; }  // listings since start

    // Asked on the scheduler's thread every kScanPeriodMs, at tick `now`: whether a listing is
    // due. `watched`: the watch stands on OUTGOING and reports its changes.
    bool ListingDue(uint32_t now, bool watched) const;

    // Hands one file under OUTGOING to its reader, by its name, as if never read before.
    void ClassifyOutgoingFile(const std::string& path);

    // Appends the full paths of the files under `folder` (its own first, then each sub-folder's,
    // depth first) and of its sub-folders; hidden and system entries are left out.
    static void ListFolderTree(const std::string& folder, std::vector<std::string>& files,
                               std::vector<std::string>& folders);

    // The millisecond tick a scan's duration and its timing are measured with (GetTickCount by
    // default).
    void SetTickSource(std::function<uint32_t()> tick) { tick_ = std::move(tick); }

private:
    // What the scan remembers of a file it met.
    struct Remembered {
        plat::FileStamp stamp;  // of the version last met
        uint32_t metAt = 0;     // tick at which this version was first met
        uint64_t listing = 0;   // the last listing that met the file
        bool read = false;      // this version was read (its faults told)
        bool settled = false;   // what it says was taken, and its stamp can be trusted
    };
    // What one listing found that decides when the next one is due.
    struct Pending {
        bool retrySoon = false;  // a file to be tried again at the next period
        bool awaiting = false;   // a state file of an order the book does not know
    };

    std::string OutgoingFolder() const;
    void ForgetOnNewContext();
    void VisitFile(const std::string& folder, plat::FolderEntry& entry, uint32_t now,
                   int64_t listedAt, Pending& pending);
    // `kind` was decided from the listed `name`.
    OutgoingRead ReadOutgoingFile(const ListedFile& file, const OutgoingFile& kind,
                                  const std::string& name);
    int32_t OrderCount() const;
    void NoteScanDuration(uint32_t tookMs, size_t files);

    Engine& engine_;
    InstructionWriter& writer_;
    std::function<uint32_t()> tick_;
    bool scanning_ = false;
    uint64_t scans_ = 0;
    bool overrunReported_ = false;

    std::unordered_map<std::string, Remembered> files_;  // by full path
    std::string filesFolder_, filesAccount_;  // what files_ was learnt under
    std::string key_;                         // reused for each file's path

    // Read by ListingDue on the scheduler's thread.
    std::atomic<uint32_t> listedAt_{0};       // tick at which the last listing began
    std::atomic<bool> retrySoon_{true};       // true: the first period lists
    std::atomic<int32_t> awaitedAtCount_{-1}; // orders in the book at the last listing that
                                              // met a file of an unknown order; -1: none
};

}  // namespace ordersrv
