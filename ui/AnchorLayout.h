#pragma once
// Keeps controls at fixed distances from the edges of their parent they are anchored to, as the
// parent is resized.
#include <windows.h>

#include <vector>

namespace ordersrv {

namespace Anchor {
constexpr unsigned Left = 1, Top = 2, Right = 4, Bottom = 8;
constexpr unsigned All = Left | Top | Right | Bottom;
}  // namespace Anchor

class AnchorLayout {
public:
    // Anchors a control; its distances to the parent's edges are taken from where it is now.
    void Add(HWND control, unsigned anchors);
    // Takes every control's distances afresh (after the window has been scaled).
    void Capture();
    // Moves and sizes the controls for their parents' present size (nothing while suspended).
    void Apply();
    void SetSuspended(bool suspended) { suspended_ = suspended; }

private:
    struct Entry {
        HWND control;
        unsigned anchors;
        RECT margins;  // left, top, and the distances from the right and bottom edges
    };
    static void CaptureEntry(Entry& entry);

    std::vector<Entry> entries_;
    bool suspended_ = false;
};

// The control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control);

}  // namespace ordersrv
