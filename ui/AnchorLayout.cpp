#include "ui/AnchorLayout.h"

namespace ordersrv {

RECT RectInParent(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void AnchorLayout::Add(HWND control, unsigned anchors) {
    Entry entry{control, anchors, {}};
    CaptureEntry(entry);
    entries_.push_back(entry);
}

void AnchorLayout::Capture() {
    for (Entry& entry : entries_) CaptureEntry(entry);
}

void AnchorLayout::CaptureEntry(Entry& entry) {
    RECT parent{};
    GetClientRect(GetParent(entry.control), &parent);
    const RECT own = RectInParent(entry.control);
    entry.margins = {own.left, own.top, parent.right - own.right, parent.bottom - own.bottom};
}

void AnchorLayout::Apply() {
    if (suspended_) return;
    for (const Entry& entry : entries_) {
        RECT parent{};
        GetClientRect(GetParent(entry.control), &parent);
        const RECT own = RectInParent(entry.control);
        int left = own.left, top = own.top;
        int width = own.right - own.left, height = own.bottom - own.top;
        if (entry.anchors & Anchor::Right) {
            if (entry.anchors & Anchor::Left)
                width = parent.right - entry.margins.right - left;
            else
                left = parent.right - entry.margins.right - width;
        }
        if (entry.anchors & Anchor::Bottom) {
            if (entry.anchors & Anchor::Top)
                height = parent.bottom - entry.margins.bottom - top;
            else
                top = parent.bottom - entry.margins.bottom - height;
        }
        if (width < 0) width = 0;
        if (height < 0) height = 0;
        SetWindowPos(entry.control, nullptr, left, top, width, height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace ordersrv
