#pragma once
// Window messages of the main window: how the engine, the bridge, the workers and the
// notification area tell it something changed or is to be done.
#include <cstdint>

namespace ordersrv {

namespace WindowMessage {
constexpr uint32_t TrayNotify = 4035;        // the notification-area icon's callback
constexpr uint32_t OrdersChanged = 4036;     // the orders view takes the new order count
constexpr uint32_t PositionsChanged = 4037;  // the positions view takes the new count
constexpr uint32_t ShowTrayMenu = 4039;      // open the popup menu at the mouse
constexpr uint32_t ProcessActions = 4040;    // drain the action queue into an instruction file
constexpr uint32_t LogLinesPending = 4041;   // the log view takes the new line count
constexpr uint32_t StatusChanged = 4042;     // the status line, counters and tray icon refresh
constexpr uint32_t ScanOutgoing = 5035;      // list OUTGOING and read what NinjaTrader wrote
}  // namespace WindowMessage

}  // namespace ordersrv
