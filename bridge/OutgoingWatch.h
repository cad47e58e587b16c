#pragma once
// Brings the scan of OUTGOING forward: watches the folder and its sub-folders and asks the
// window for a scan (ScanOutgoing) after each change, so a state file NinjaTrader writes is
// read within milliseconds. While it stands, the scan lists the folder only when asked and
// once a second besides (a lost or merged notification costs at most that). Main thread; the
// watch's own thread only posts.
#include <cstdint>
#include <string>

#include "platform/FileSystem.h"
#include "platform/FolderWatch.h"

namespace ordersrv {

class Engine;

class OutgoingWatch {
public:
    static constexpr uint32_t kGatherMs = 2;  // changes this close together cost one scan

    explicit OutgoingWatch(Engine& engine);

    // Before each scan: watches the folder OUTGOING names now, starting again when the folder
    // appeared, moved with the Location, or was replaced (deleted and made again, moved away,
    // the NinjaTrader folder replaced: a watch on the old one would never report again). A
    // folder that cannot be watched is said once in the log and left to the periodic scan.
    void Follow();
    // The watch stands on OUTGOING as the last Follow found it. Any thread.
    bool Watching() const { return watch_.Active(); }

private:
    Engine& engine_;
    plat::FolderWatch watch_;
    plat::FolderIdentity watched_;  // the folder the watch was started on
    bool identified_ = false;       // whether that folder could be identified
    std::string refusedFolder_;     // the folder last said to be unwatchable
};

}  // namespace ordersrv
