// The window size adjuster with an injected screen resolution, on windows of its own.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "ui/AnchorLayout.h"
#include "ui/WindowScaler.h"

namespace ordersrv {

namespace {

RECT Placed(HWND control) { return RectInParent(control); }

class AdjusterTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX common{sizeof common, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&common);
        // A border style whose thickness needs no correction: the scaling alone is seen.
        window = CreateWindowExA(0, "Static", "adjuster", WS_POPUP | WS_CLIPCHILDREN, 40, 60, 400,
                                 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        container = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 10, 20, 200, 100,
                                    window, nullptr, nullptr, nullptr);
        inner = CreateWindowExA(0, "Button", "b", WS_CHILD | WS_VISIBLE, 3, 5, 50, 21, container,
                                nullptr, nullptr, nullptr);
        list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 220, 20,
                               160, 150, window, nullptr, nullptr, nullptr);
        LVCOLUMNA column{};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = 64;
        column.pszText = const_cast<char*>("c");
        SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    }
    void TearDown() override { DestroyWindow(window); }

    WindowScaler Adjuster(int dpi) {
        WindowScaler adjuster(dpi);
        adjuster.isContainer = [this](HWND w) { return w == container; };
        return adjuster;
    }

    HWND window = nullptr, container = nullptr, inner = nullptr, list = nullptr;
};

}  // namespace

TEST(AdjusterScale, TruncatesTowardZero) {
    EXPECT_EQ(WindowScaler::Scale(517, 144), 775);
    EXPECT_EQ(WindowScaler::Scale(23, 120), 28);
    EXPECT_EQ(WindowScaler::Scale(-3, 144), -4);
    EXPECT_EQ(WindowScaler::Scale(100, 96), 100);
}

TEST_F(AdjusterTest, At96NothingMovesAndLimitsStay) {
    SizeLimits limits{300, 150, 0, 0};
    Adjuster(96).Adjust(window, limits);
    EXPECT_EQ(limits.minWidth, 300);
    EXPECT_EQ(limits.maxWidth, 0);
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, 400);
    EXPECT_EQ(Placed(inner).left, 3);
}

TEST_F(AdjusterTest, ScalesWindowControlsNestedControlsAndColumns) {
    SizeLimits limits{300, 150, 0, 0};
    std::vector<bool> told;
    WindowScaler adjuster = Adjuster(144);
    adjuster.onScaling = [&](bool scaling) { told.push_back(scaling); };
    adjuster.Adjust(window, limits);

    EXPECT_EQ(limits.minWidth, 450);
    EXPECT_EQ(limits.minHeight, 225);
    EXPECT_EQ(limits.maxWidth, 0);  // no limit stays no limit
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, 60);
    EXPECT_EQ(outer.top, 90);
    EXPECT_EQ(outer.right - outer.left, 600);
    EXPECT_EQ(outer.bottom - outer.top, 300);

    const RECT c = Placed(container);
    EXPECT_EQ(c.left, 15);
    EXPECT_EQ(c.top, 30);
    EXPECT_EQ(c.right - c.left, 300);
    const RECT b = Placed(inner);
    EXPECT_EQ(b.left, 4);  // 3 * 1.5 truncated
    EXPECT_EQ(b.top, 7);
    EXPECT_EQ(b.right - b.left, 75);
    EXPECT_EQ(b.bottom - b.top, 31);
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), 96);
    EXPECT_EQ((std::vector<bool>{true, false}), told);
}

TEST_F(AdjusterTest, ThickBordersGrowTheWindowAndItsLimits) {
    // A sizeable frame whose borders are thicker than the design's: the client area keeps the
    // size the design gave it.
    HWND framed = CreateWindowExA(0, "Static", "framed", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    RECT outer{};
    GetWindowRect(framed, &outer);
    POINT client{0, 0};
    ClientToScreen(framed, &client);
    const int extraHeight = std::max(0, static_cast<int>(client.y - outer.top) - 22);
    const int extraWidth = std::max(0, static_cast<int>(client.x - outer.left) - 3);
    SizeLimits limits{300, 150, 0, 0};
    Adjuster(96).Adjust(framed, limits);
    EXPECT_EQ(limits.minWidth, 300 + 2 * extraWidth);
    EXPECT_EQ(limits.minHeight, 150 + extraHeight + extraWidth);
    GetWindowRect(framed, &outer);
    EXPECT_EQ(outer.right - outer.left, 400 + 2 * extraWidth);
    EXPECT_EQ(outer.bottom - outer.top, 200 + extraHeight + extraWidth);
    DestroyWindow(framed);
}

}  // namespace ordersrv
