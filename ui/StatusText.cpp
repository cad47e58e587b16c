#include "ui/StatusText.h"

#include "ui/ViewFormat.h"

namespace ordersrv {

namespace views {

std::string StatusLineText(bool connected, bool folderPresent, double lastHostContact,
                           bool journalOff) {
    const char* ninjaTrader = connected ? "NT (on)" : folderPresent ? "NT (off)" : "NT (n/a)";
    const std::string host = lastHostContact != 0.0
                                 ? "Halvenmar (" + FormatClockTime(lastHostContact) + ")"
                                 : std::string("Halvenmar (off)");
    return std::string(ninjaTrader) + " / " + host + (journalOff ? " / journal off" : "");
}

std::string OrdersCounterText(int32_t orderCount, int32_t secondCounter) {
    return std::to_string(orderCount) + "/" + std::to_string(secondCounter);
}

std::string ScansLineText(uint64_t scans, bool watched) {
    return "OUTGOING: " + std::to_string(scans) + (scans == 1 ? " scan, " : " scans, ") +
           (watched ? "watched" : "not watched (periodic scan only)");
}

std::string SubscribersLineText(size_t subscribers) {
    return "Event subscribers: " + std::to_string(subscribers);
}

std::string JournalLineText(bool on, const std::string& path) {
    return on ? "Order journal: " + path : std::string("Order journal: off (see the Log page)");
}

std::string TrayTipText(const std::string& status) {
    return (std::string(kTrayTitle) + " - " + status).substr(0, kTrayTipMaxChars);
}

}  // namespace views

}  // namespace ordersrv
