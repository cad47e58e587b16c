#include "ui/TrayMenu.h"

#include "ui/ControlIds.h"

namespace ordersrv {

TrayMenu::TrayMenu(HINSTANCE instance) : menu_(CreatePopupMenu()), style_(instance) {
    AppendMenuA(menu_.Get(), MF_STRING, MenuId::AcceptOrders, "Accept Orders");
    AppendMenuA(menu_.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu_.Get(), MF_STRING, MenuId::Show, "Show");
    AppendMenuA(menu_.Get(), MF_STRING, MenuId::Exit, "Exit");
    style_.ApplyTo(menu_.Get());
}

void TrayMenu::Open(HWND owner, POINT at, bool showOffered, bool acceptOrders) {
    EnableMenuItem(menu_.Get(), MenuId::Show, MF_BYCOMMAND | (showOffered ? MF_ENABLED : MF_GRAYED));
    CheckMenuItem(menu_.Get(), MenuId::AcceptOrders,
                  MF_BYCOMMAND | (acceptOrders ? MF_CHECKED : MF_UNCHECKED));
    SetForegroundWindow(owner);
    TrackPopupMenu(menu_.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
    // Lets the menu close when the user clicks elsewhere next time.
    PostMessageA(owner, WM_NULL, 0, 0);
}

bool TrayMenu::AcceptOrdersChecked() const {
    return (GetMenuState(menu_.Get(), MenuId::AcceptOrders, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

}  // namespace ordersrv
