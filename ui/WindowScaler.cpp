#include "ui/WindowScaler.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/AnchorLayout.h"

namespace ordersrv {

namespace {

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool IsCommonControl(HWND window) {
    const std::string name = ClassOf(window);
    return name == WC_LISTVIEWA || name == WC_TABCONTROLA || name == WC_HEADERA ||
           name == "ComboBox" || name == "Edit" || name == "Button" || name == "Static" ||
           name == UPDOWN_CLASSA;
}

std::vector<HWND> DirectChildren(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

bool HasSizeableBorder(HWND window) {
    return (GetWindowLongPtrA(window, GWL_STYLE) & WS_THICKFRAME) != 0;
}

}  // namespace

int WindowScaler::ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kDesignDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

int WindowScaler::Scale(int value, int dpi) {
    return static_cast<int>(static_cast<long long>(value) * dpi / kDesignDpi);
}

void WindowScaler::Adjust(HWND window, SizeLimits& limits) {
    SizeLimits saved = limits;
    limits = SizeLimits{};  // nothing may hold the window back while it is resized
    CorrectBorders(window, saved);
    if (dpi_ != kDesignDpi) {
        if (onScaling) onScaling(true);
        ScaleWindow(window, saved);
        ScaleChildren(window);
        if (onScaling) onScaling(false);
    }
    limits = saved;
}

void WindowScaler::CorrectBorders(HWND window, SizeLimits& saved) {
    RECT outer{};
    GetWindowRect(window, &outer);
    POINT client{0, 0};
    ClientToScreen(window, &client);
    const int captionAllowance =
        HasSizeableBorder(window) ? kSizeableCaptionAllowance : kOtherCaptionAllowance;
    int extraHeight = (client.y - outer.top) - captionAllowance;
    int extraWidth = (client.x - outer.left) - kBorderAllowance;
    if (extraHeight < 0) extraHeight = 0;
    if (extraWidth < 0) extraWidth = 0;
    if (extraHeight == 0 && extraWidth == 0) return;

    const int growHeight = extraHeight + extraWidth;
    const int growWidth = 2 * extraWidth;
    if (saved.minHeight > 0) saved.minHeight += growHeight;
    if (saved.maxHeight > 0) saved.maxHeight += growHeight;
    if (saved.minWidth > 0) saved.minWidth += growWidth;
    if (saved.maxWidth > 0) saved.maxWidth += growWidth;
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + growWidth,
                 outer.bottom - outer.top + growHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowScaler::ScaleWindow(HWND window, SizeLimits& saved) {
    for (int* limit : {&saved.minWidth, &saved.minHeight, &saved.maxWidth, &saved.maxHeight})
        if (*limit > 0) *limit = S(*limit);
    RECT outer{};
    GetWindowRect(window, &outer);
    SetWindowPos(window, nullptr, S(outer.left), S(outer.top), S(outer.right - outer.left),
                 S(outer.bottom - outer.top), SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowScaler::ScaleChildren(HWND parent) {
    for (HWND child : DirectChildren(parent)) {
        ScaleControl(child);
        const bool container = isContainer ? isContainer(child) : !IsCommonControl(child);
        if (container) ScaleChildren(child);
    }
}

void WindowScaler::ScaleControl(HWND control) {
    const RECT rect = RectInParent(control);
    SetWindowPos(control, nullptr, S(rect.left), S(rect.top), S(rect.right - rect.left),
                 S(rect.bottom - rect.top), SWP_NOZORDER | SWP_NOACTIVATE);
    const std::string name = ClassOf(control);
    if (name == WC_LISTVIEWA) {
        HWND header = ListView_GetHeader(control);
        const int columns = header ? Header_GetItemCount(header) : 0;
        for (int i = 0; i < columns; ++i)
            ListView_SetColumnWidth(control, i, S(ListView_GetColumnWidth(control, i)));
    } else if (name == "ComboBox") {
        const LRESULT height = SendMessageA(control, CB_GETITEMHEIGHT, 0, 0);
        if (height > 0) SendMessageA(control, CB_SETITEMHEIGHT, 0, S(static_cast<int>(height)));
    }
}

}  // namespace ordersrv
