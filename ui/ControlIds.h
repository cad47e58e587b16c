#pragma once
// Identifiers of the main window's controls and popup menu items.

namespace ControlId {
constexpr int StatusText = 101;     // ST_Status
constexpr int OrdersText = 102;     // ST_Orders
constexpr int PositionsText = 103;  // ST_Positions
constexpr int ConnectButton = 104;     // Button1
constexpr int DisconnectButton = 105;  // Button2
constexpr int AcceptOrders = 106;   // CB_AcceptOrders
constexpr int Pages = 107;          // PageControl1 (the tab control)
constexpr int HostEdit = 110;       // Edit_Host
constexpr int AccountEdit = 111;    // Edit_Account
constexpr int StopToStopLimit = 112;  // CB_StopToStopLimit
constexpr int OrdersView = 120;     // Grid_Name
constexpr int PositionsView = 121;  // Grid_Positions
constexpr int LogView = 122;        // Memo_Log
constexpr int TestPlaceOrder = 130;  // Button_TestPlaceOrder
constexpr int VersionLabel = 140;      // Label_Version
constexpr int ReleaseDateLabel = 141;  // Label_ReleaseDate
}  // namespace ControlId

namespace MenuId {
constexpr int AcceptOrders = 201;  // AcceptOrders1
constexpr int Show = 202;          // Show1
constexpr int Exit = 203;          // Exit1
}  // namespace MenuId

// The pages of PageControl1, in order. The Debug page has no tab.
enum class TFormPage { Settings = 0, Orders, Positions, Log, Debug, About, Count };
