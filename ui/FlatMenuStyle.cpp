#include "ui/FlatMenuStyle.h"

#include <algorithm>

#include "platform/Scoped.h"

namespace ordersrv {

namespace {

constexpr int kGutterWidth = 24;     // the column of check marks at the left
constexpr int kTextGap = 8;          // between the gutter and the text
constexpr int kRightMargin = 24;
constexpr int kSeparatorHeight = 7;
constexpr int kMinItemHeight = 22;

COLORREF Blend(COLORREF a, COLORREF b, int percentOfA) {
    auto mix = [percentOfA](int x, int y) { return (x * percentOfA + y * (100 - percentOfA)) / 100; };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
               mix(GetBValue(a), GetBValue(b)));
}

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    const plat::GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.Get());
}

void Frame(HDC dc, const RECT& rect, COLORREF colour) {
    const plat::GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    FrameRect(dc, &rect, brush.Get());
}

}  // namespace

struct FlatMenuStyle::Colours {
    COLORREF back = Blend(GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_BTNFACE), 80);
    COLORREF gutter = GetSysColor(COLOR_BTNFACE);
    COLORREF selected = Blend(GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_WINDOW), 30);
    COLORREF selectedFrame = GetSysColor(COLOR_HIGHLIGHT);
    COLORREF checkBack = Blend(GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_WINDOW), 45);
    COLORREF text = GetSysColor(COLOR_MENUTEXT);
    COLORREF disabled = GetSysColor(COLOR_GRAYTEXT);
    COLORREF separator = Blend(GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_WINDOW), 70);
};

FlatMenuStyle::FlatMenuStyle(HINSTANCE instance)
    : check_(LoadBitmapA(instance, "BITMAP_MENU_CHECK")),
      circle_(LoadBitmapA(instance, "BITMAP_MENU_CIRCLE")) {}

HFONT FlatMenuStyle::MenuFont() {
    if (!font_) {
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            font_.Reset(CreateFontIndirectA(&metrics.lfMenuFont));
    }
    return font_ ? font_.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void FlatMenuStyle::ApplyTo(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_DATA;
        info.dwTypeData = text;
        info.cch = sizeof text - 1;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        auto item = std::make_unique<Item>();
        item->separator = (info.fType & MFT_SEPARATOR) != 0;
        item->radio = (info.fType & MFT_RADIOCHECK) != 0;
        item->text = text;
        MENUITEMINFOA owner{};
        owner.cbSize = sizeof owner;
        owner.fMask = MIIM_FTYPE | MIIM_DATA;
        owner.fType = info.fType | MFT_OWNERDRAW;
        owner.dwItemData = reinterpret_cast<ULONG_PTR>(item.get());
        SetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &owner);
        items_.push_back(std::move(item));
    }
}

bool FlatMenuStyle::Owns(ULONG_PTR data) const {
    for (const auto& item : items_)
        if (reinterpret_cast<ULONG_PTR>(item.get()) == data) return true;
    return false;
}

bool FlatMenuStyle::MeasureItem(HWND owner, MEASUREITEMSTRUCT& measure) {
    if (measure.CtlType != ODT_MENU || !Owns(measure.itemData)) return false;
    const Item& item = *reinterpret_cast<const Item*>(measure.itemData);
    if (item.separator) {
        measure.itemWidth = kGutterWidth;
        measure.itemHeight = kSeparatorHeight;
        return true;
    }
    HDC dc = GetDC(owner);
    HGDIOBJ old = SelectObject(dc, MenuFont());
    SIZE size{};
    GetTextExtentPoint32A(dc, item.text.c_str(), static_cast<int>(item.text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(owner, dc);
    measure.itemWidth = static_cast<UINT>(kGutterWidth + kTextGap + size.cx + kRightMargin);
    measure.itemHeight = static_cast<UINT>(std::max<LONG>(kMinItemHeight, size.cy + 8));
    return true;
}

void FlatMenuStyle::DrawCheck(HDC dc, const RECT& gutter, bool radio,
                                      COLORREF colour) const {
    HBITMAP picture = radio ? circle_.Get() : check_.Get();
    if (!picture) return;
    BITMAP info{};
    GetObjectA(picture, sizeof info, &info);
    const int x = gutter.left + (gutter.right - gutter.left - info.bmWidth) / 2;
    const int y = gutter.top + (gutter.bottom - gutter.top - info.bmHeight) / 2;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, picture);
    // The picture's 0 bits are the mark: black them out, then paint them in the colour.
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, SRCAND);
    SetTextColor(dc, colour);
    SetBkColor(dc, RGB(0, 0, 0));
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, SRCPAINT);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
    SelectObject(source, old);
    DeleteDC(source);
}

bool FlatMenuStyle::DrawItem(const DRAWITEMSTRUCT& draw) {
    if (draw.CtlType != ODT_MENU || !Owns(draw.itemData)) return false;
    const Item& item = *reinterpret_cast<const Item*>(draw.itemData);
    const Colours colours;
    HDC dc = draw.hDC;
    const RECT& all = draw.rcItem;
    RECT gutter = {all.left, all.top, all.left + kGutterWidth, all.bottom};
    RECT body = {gutter.right, all.top, all.right, all.bottom};
    Fill(dc, gutter, colours.gutter);
    Fill(dc, body, colours.back);

    if (item.separator) {
        RECT line = {body.left + kTextGap, (all.top + all.bottom) / 2, all.right,
                     (all.top + all.bottom) / 2 + 1};
        Fill(dc, line, colours.separator);
        return true;
    }

    const bool disabled = (draw.itemState & (ODS_DISABLED | ODS_GRAYED)) != 0;
    if ((draw.itemState & ODS_SELECTED) && !disabled) {
        RECT hot = {all.left + 1, all.top, all.right - 1, all.bottom};
        Fill(dc, hot, colours.selected);
        Frame(dc, hot, colours.selectedFrame);
    }
    if (draw.itemState & ODS_CHECKED) {
        RECT box = {gutter.left + 3, gutter.top + 2, gutter.right - 3, gutter.bottom - 2};
        Fill(dc, box, colours.checkBack);
        Frame(dc, box, colours.selectedFrame);
        DrawCheck(dc, box, item.radio, disabled ? colours.disabled : colours.text);
    }

    RECT textRect = {body.left + kTextGap, all.top, all.right - 4, all.bottom};
    HGDIOBJ oldFont = SelectObject(dc, MenuFont());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, disabled ? colours.disabled : colours.text);
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    if (draw.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
    DrawTextA(dc, item.text.c_str(), -1, &textRect, format);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
    return true;
}

}  // namespace ordersrv
