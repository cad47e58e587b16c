#pragma once
// A flat, owner-drawn style for popup menus, with colours derived from the system colours and
// the check marks BITMAP_MENU_CHECK and BITMAP_MENU_CIRCLE.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Scoped.h"

namespace ordersrv {

class FlatMenuStyle {
public:
    explicit FlatMenuStyle(HINSTANCE instance);
    FlatMenuStyle(const FlatMenuStyle&) = delete;
    FlatMenuStyle& operator=(const FlatMenuStyle&) = delete;

    // Makes every item of the menu owner-drawn in this style.
    void ApplyTo(HMENU menu);

    // Handlers of WM_MEASUREITEM and WM_DRAWITEM; false for items that are not ours.
    bool MeasureItem(HWND owner, MEASUREITEMSTRUCT& item);
    bool DrawItem(const DRAWITEMSTRUCT& item);

private:
    struct Item {
        std::string text;
        bool separator = false;
        bool radio = false;
    };
    struct Colours;
    bool Owns(ULONG_PTR data) const;
    void DrawCheck(HDC dc, const RECT& gutter, bool radio, COLORREF colour) const;
    HFONT MenuFont();

    std::vector<std::unique_ptr<Item>> items_;
    plat::GdiObject<HBITMAP> check_;
    plat::GdiObject<HBITMAP> circle_;
    plat::GdiObject<HFONT> font_;
};

}  // namespace ordersrv
