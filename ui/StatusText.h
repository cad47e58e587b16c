#pragma once
// The texts of the status line, the counters and the notification-area tip.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ordersrv {

namespace views {

constexpr const char* kTrayTitle = "OrderServer (NT)";
constexpr size_t kTrayTipMaxChars = 63;  // the tip field holds 64 bytes with its zero

// "NT (on)" / "NT (off)" / "NT (n/a)", " / ", "Halvenmar (hh:nn:ss)" or "Halvenmar (off)", and
// " / journal off" while orders are not journaled.
std::string StatusLineText(bool connected, bool folderPresent, double lastHostContact,
                           bool journalOff = false);

// "<orders>/<second counter>".
std::string OrdersCounterText(int32_t orderCount, int32_t secondCounter);

// The About page's line on the OUTGOING scans: "OUTGOING: <n> scans, watched" or
// "OUTGOING: <n> scans, not watched (periodic scan only)".
std::string ScansLineText(uint64_t scans, bool watched);

// The About page's line on the hosts' event subscriptions: "Event subscribers: <n>".
std::string SubscribersLineText(size_t subscribers);

// The About page's line on the order journal: "Order journal: <path>", or "Order journal: off
// (see the Log page)".
std::string JournalLineText(bool on, const std::string& path);

// "OrderServer (NT) - " followed by the status, cut to the tip's 63 characters.
std::string TrayTipText(const std::string& status);

}  // namespace views

}  // namespace ordersrv
