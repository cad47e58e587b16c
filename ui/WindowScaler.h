#pragma once
// Fits a window designed for 96 pixels per inch and thin window borders to the screen it runs
// on: grows it by the borders' extra thickness, then scales it and every control it owns.
#include <windows.h>

#include <functional>

namespace ordersrv {

struct SizeLimits {
    int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;  // 0 = no limit
};

class WindowScaler {
public:
    static constexpr int kDesignDpi = 96;
    static constexpr int kSizeableCaptionAllowance = 22;
    static constexpr int kOtherCaptionAllowance = 18;
    static constexpr int kBorderAllowance = 3;

    explicit WindowScaler(int dpi) : dpi_(dpi) {}

    // The screen's pixels per inch.
    static int ScreenDpi();
    // value * dpi / 96, truncated toward zero.
    static int Scale(int value, int dpi);

    // Told true before the controls are moved by the scaling and false after; the window's own
    // layout stays out of the way in between and takes the new positions afterwards.
    std::function<void(bool scaling)> onScaling;
    // Whether a child's own children are scaled with it (our containers, not common controls,
    // which place their parts themselves). By default: every child but common controls.
    std::function<bool(HWND)> isContainer;

    // `limits` are the window's size limits, as its WM_GETMINMAXINFO answers them.
    void Adjust(HWND window, SizeLimits& limits);

private:
    void CorrectBorders(HWND window, SizeLimits& saved);
    void ScaleWindow(HWND window, SizeLimits& saved);
    void ScaleChildren(HWND parent);
    void ScaleControl(HWND control);
    int S(int value) const { return Scale(value, dpi_); }

    int dpi_;
};

}  // namespace ordersrv
