#pragma once
// Identifiers of the main window's controls and popup menu items.

namespace ordersrv {

namespace ControlId {
constexpr int StatusText = 101;
constexpr int OrdersText = 102;
constexpr int PositionsText = 103;
constexpr int ConnectButton = 104;
constexpr int DisconnectButton = 105;
constexpr int AcceptOrders = 106;
constexpr int Pages = 107;
constexpr int LocationEdit = 110;
constexpr int AccountEdit = 111;
constexpr int StopToStopLimit = 112;
constexpr int OrdersView = 120;
constexpr int PositionsView = 121;
constexpr int LogView = 122;
constexpr int TestPlaceOrder = 130;
constexpr int VersionLabel = 140;
constexpr int ReleaseDateLabel = 141;
constexpr int ScansLabel = 142;
constexpr int SubscribersLabel = 143;
constexpr int JournalLabel = 144;
}  // namespace ControlId

namespace MenuId {
constexpr int AcceptOrders = 201;
constexpr int Show = 202;
constexpr int Exit = 203;
}  // namespace MenuId

// The pages of the window, in order. The Debug page has no tab.
enum class Page { Settings = 0, Orders, Positions, Log, Debug, About, Count };

}  // namespace ordersrv
