#pragma once
// Brings the scan of OUTGOING forward: watches the folder and its sub-folders and asks the
// window for a scan (5035) after each change, so a state file NinjaTrader writes is read within
// milliseconds. The periodic scan stays: a notification lost or merged costs at most its period.
// Main thread; the watch's own thread only posts.
#include <cstdint>
#include <string>

#include "platform/FolderWatch.h"

namespace ordersrv {

class Engine;

class OutgoingWatch {
public:
    static constexpr uint32_t kGatherMs = 2;  // changes this close together cost one scan

    explicit OutgoingWatch(Engine& engine);

    // Before each scan: watches the current OUTGOING folder, starting again when the folder
    // appeared, went away or moved with the Location. A folder that cannot be watched is said
    // once in the log and left to the periodic scan.
    void Follow();
    bool Watching() const { return watch_.Active(); }

private:
    Engine& engine_;
    plat::FolderWatch watch_;
    std::string refusedFolder_;  // the folder last said to be unwatchable
};

}  // namespace ordersrv
