#pragma once
// The notification-area menu (Accept Orders, Show, Exit) in the flat owner-drawn style.
#include <windows.h>

#include <memory>

#include "platform/Scoped.h"
#include "ui/FlatMenuStyle.h"

namespace ordersrv {

class TrayMenu {
public:
    explicit TrayMenu(HINSTANCE instance);

    // Opens at `at` for `owner`: Show offered only when `showOffered`, Accept Orders checked
    // when `acceptOrders`. The chosen item arrives as WM_COMMAND.
    void Open(HWND owner, POINT at, bool showOffered, bool acceptOrders);
    // Whether Accept Orders carries its check mark (as the menu was last opened).
    bool AcceptOrdersChecked() const;

    // WM_MEASUREITEM and WM_DRAWITEM of the owner; false for items that are not the menu's.
    bool MeasureItem(HWND owner, MEASUREITEMSTRUCT& item) { return style_.MeasureItem(owner, item); }
    bool DrawItem(const DRAWITEMSTRUCT& item) { return style_.DrawItem(item); }

private:
    plat::MenuHandle menu_;
    FlatMenuStyle style_;
};

}  // namespace ordersrv
