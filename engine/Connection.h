#pragma once
// The state of the link to NinjaTrader and to the host, as the status line shows it: connected
// or not, whether the NinjaTrader folder was there at start, and when the host last called.
// Single values, read without a lock by any thread.
#include <atomic>
#include <cstddef>

#include "platform/MessageTarget.h"

namespace ordersrv {

class Connection {
public:
    // The window hears of a host call when the second it shows would change.
    explicit Connection(plat::MessageTarget& window) : window_(window) {}

    bool Connected() const { return connected_; }
    void SetConnected(bool connected) { connected_ = connected; }  // main thread

    // Tested once at start: without the folder the server never connects.
    bool FolderPresent() const { return folderPresent_; }
    void SetFolderPresent(bool present) { folderPresent_ = present; }

    // Local OLE date-time of the host's last call that notes contact; 0 = none yet.
    double LastHostContact() const { return lastHostContact_; }
    void NoteHostContact();  // any thread

    // Hosts' event sinks now subscribed (shown on the About page).
    size_t EventSubscribers() const { return eventSubscribers_; }
    void SetEventSubscribers(size_t count) { eventSubscribers_ = count; }

private:
    plat::MessageTarget& window_;
    std::atomic<bool> connected_{false};
    std::atomic<bool> folderPresent_{false};
    std::atomic<double> lastHostContact_{0.0};
    std::atomic<size_t> eventSubscribers_{0};
};

}  // namespace ordersrv
