#include "bridge/OutgoingWatch.h"

#include "bridge/OutgoingScanner.h"

#include "engine/Engine.h"
#include "engine/WindowMessages.h"
#include "platform/Tick.h"

namespace ordersrv {

OutgoingWatch::OutgoingWatch(Engine& engine) : engine_(engine) {}

void OutgoingWatch::Follow() {
    const std::string folder = plat::WithTrailingDelimiter(engine_.NinjaTraderFolder()) + "OUTGOING";
    // The folder's identity is taken before the watch starts: a folder replaced in between
    // then differs at the next look, never the other way round.
    plat::FolderIdentity present;
    const bool identified = plat::IdentifyFolder(folder, present);
    const bool sameFolder = identified == identified_ && (!identified || present == watched_);
    if (watch_.Active() && watch_.Folder() == folder && sameFolder) return;
    watched_ = present;
    identified_ = identified;
    uint32_t error = 0;
    Engine& engine = engine_;
    // The first change is scanned at once; the watch then rests a moment, so that the rest of
    // a flurry (a hundred fills written one after another) is gathered into fewer scans. Kept
    // short: a file written under another name and renamed into place makes two changes, and
    // the second one's scan waits out the rest.
    const auto changed = [&engine] {
        engine.Announce(WindowMessage::ScanOutgoing);
        plat::SleepMs(kGatherMs);
    };
    if (watch_.Start(folder, changed, error)) {
        refusedFolder_.clear();
        return;
    }
    if (folder == refusedFolder_) return;
    refusedFolder_ = folder;
    engine_.log.Add("OUTGOING <" + folder + "> not watched (error " + std::to_string(error) +
                    "): changes are seen by the " +
                    std::to_string(OutgoingScanner::kScanPeriodMs) + " ms scan alone");
}

}  // namespace ordersrv
