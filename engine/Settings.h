#pragma once
// The four settings the server keeps, in memory and in the file beside the executable.
#include <atomic>
#include <string>

#include "platform/CodePage.h"

namespace ordersrv {

struct Settings {
    std::string location;  // NinjaTrader folder; INCOMING and OUTGOING lie below it (UTF-8)
    std::string account;   // upper-cased into every PLACE line; the account of position files
    std::atomic<bool> acceptOrders{true};  // read by host threads without a lock
    bool stopToStopLimit = false;          // stop orders go out as STOPLIMIT

    Settings() = default;
    Settings(const Settings& o)
        : location(o.location), account(o.account), acceptOrders(o.acceptOrders.load()),
          stopToStopLimit(o.stopToStopLimit) {}
    Settings& operator=(const Settings& o) {
        location = o.location;
        account = o.account;
        acceptOrders = o.acceptOrders.load();
        stopToStopLimit = o.stopToStopLimit;
        return *this;
    }
};

// The Settings page's values as the window reads them: they take effect at Connect.
struct SettingsEdits {
    std::string location;
    std::string account;
    bool stopToStopLimit = false;
};

// True when the text may go into an instruction line as one field: as NinjaTrader reads it (in
// the system's code page) it holds no ";" and no character below 32, so it can neither add
// fields nor start another instruction.
inline bool IsSafeInstructionField(const std::string& text) {
    for (const char c : plat::InstructionText(text))
        if (c == ';' || static_cast<unsigned char>(c) < 32) return false;
    return true;
}

}  // namespace ordersrv
