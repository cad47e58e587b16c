// The controls of the main window, their places at 96 pixels per inch, and its pages.
#include <windows.h>
#include <commctrl.h>

#include "ui/MainWindowImpl.h"
#include "ui/VirtualListView.h"

namespace {

constexpr int kTopPanelHeight = 56;
constexpr int kMargin = 4;
constexpr const char* kPageClass = "TNTOrderServerPage";

struct PageInfo {
    Page Page;
    const char* Caption;
    bool HasTab;
};
constexpr PageInfo kPages[] = {
    {Page::Settings, "Settings", true},
    {Page::Orders, "Orders", true},
    {Page::Positions, "Positions", true},
    {Page::Log, "Log", true},
    {Page::Debug, "Debug", false},        // hidden: no tab
    {Page::About, "About", true},
};

RECT ClientOf(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

}  // namespace

HWND MainWindow::Impl::AddControl(HWND parent, const char* cls, const char* text,
                                          DWORD style, int id, int x, int y, int width,
                                          int height, DWORD exStyle) {
    HWND control = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                                   height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                   nullptr);
    if (control) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void MainWindow::Impl::CreateControls() {
    CreateTopPanel();
    CreatePages();
}

void MainWindow::Impl::CreateTopPanel() {
    Controls& c = controls;
    // Labels share their panel's height, so both texts stay on one line at any scale.
    const DWORD label = SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE;
    const DWORD panel = SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE | SS_ENDELLIPSIS;
    AddControl(hwnd, "Static", "Status", label, -1, 8, 6, 44, 19);
    c.statusText = AddControl(hwnd, "Static", "N/A", panel, ControlId::StatusText, 56, 6, 252,
                             19, WS_EX_STATICEDGE);
    AddControl(hwnd, "Static", "Orders", label, -1, 8, 30, 44, 19);
    c.ordersText = AddControl(hwnd, "Static", "N/A", panel, ControlId::OrdersText, 56, 30, 80, 19,
                             WS_EX_STATICEDGE);
    AddControl(hwnd, "Static", "Positions", label, -1, 146, 30, 54, 19);
    c.positionsText = AddControl(hwnd, "Static", "N/A", panel, ControlId::PositionsText, 204, 30,
                                104, 19, WS_EX_STATICEDGE);
    c.connectButton = AddControl(hwnd, "Button", "Connect", BS_PUSHBUTTON | WS_TABSTOP,
                           ControlId::ConnectButton, 318, 4, 86, 23);
    c.disconnectButton = AddControl(hwnd, "Button", "Disconnect", BS_PUSHBUTTON | WS_TABSTOP,
                           ControlId::DisconnectButton, 410, 4, 86, 23);
    c.acceptOrdersCheck =
        AddControl(hwnd, "Button", "Accept Orders", BS_AUTOCHECKBOX | BS_LEFTTEXT | WS_TABSTOP,
                   ControlId::AcceptOrders, 318, 31, 104, 17);
}

void MainWindow::Impl::CreatePages() {
    Controls& c = controls;
    const RECT client = ClientOf(hwnd);
    c.pages = AddControl(hwnd, WC_TABCONTROLA, "", WS_CLIPSIBLINGS | WS_TABSTOP,
                                ControlId::Pages, kMargin, kTopPanelHeight,
                                client.right - 2 * kMargin,
                                client.bottom - kTopPanelHeight - kMargin);
    layout.Add(c.pages, Anchor::All);

    int tab = 0;
    for (const PageInfo& info : kPages) {
        if (!info.HasTab) continue;
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(info.Caption);
        SendMessageA(c.pages, TCM_INSERTITEMA, tab++, reinterpret_cast<LPARAM>(&item));
    }
    // The pages lie over the tab control's display area, as its siblings.
    RECT area = RectInParent(c.pages);
    TabCtrl_AdjustRect(c.pages, FALSE, &area);
    for (const PageInfo& info : kPages) {
        HWND page = CreateWindowExA(WS_EX_CONTROLPARENT, kPageClass, info.Caption,
                                    WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, area.left,
                                    area.top, area.right - area.left, area.bottom - area.top, hwnd,
                                    nullptr, instance, nullptr);
        SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        c.Pages[static_cast<size_t>(info.Page)] = page;
        layout.Add(page, Anchor::All);
    }

    CreateSettingsPage(c.Pages[static_cast<size_t>(Page::Settings)]);

    auto fill = [](HWND page) {
        RECT r = ClientOf(page);
        InflateRect(&r, -2, -2);
        return r;
    };
    HWND orders = c.Pages[static_cast<size_t>(Page::Orders)];
    c.ordersView = CreateVirtualListView(orders, ControlId::OrdersView, fill(orders), font,
                                        VirtualListStyle{}, views::OrderColumns());
    layout.Add(c.ordersView, Anchor::All);

    HWND positions = c.Pages[static_cast<size_t>(Page::Positions)];
    c.positionsView = CreateVirtualListView(positions, ControlId::PositionsView, fill(positions),
                                             font, VirtualListStyle{}, views::PositionColumns());
    layout.Add(c.positionsView, Anchor::All);

    HWND log = c.Pages[static_cast<size_t>(Page::Log)];
    VirtualListStyle logStyle;
    logStyle.Headings = false;
    logStyle.GridLines = false;
    logStyle.RowMarker = false;
    c.logView = CreateVirtualListView(log, ControlId::LogView, fill(log), font, logStyle,
                                       {{"", views::kLogColumnWidth}});
    layout.Add(c.logView, Anchor::All);

    c.testOrderButton =
        AddControl(c.Pages[static_cast<size_t>(Page::Debug)], "Button", "Test Place Order",
                   BS_PUSHBUTTON | WS_TABSTOP, ControlId::TestPlaceOrder, 8, 8, 120, 25);

    CreateAboutPage(c.Pages[static_cast<size_t>(Page::About)]);
}

void MainWindow::Impl::CreateSettingsPage(HWND page) {
    Controls& c = controls;
    const int width = ClientOf(page).right;
    AddControl(page, "Static", "NinjaTrader Location", SS_LEFT | SS_NOPREFIX, -1, 8, 10, 200, 14);
    c.locationEdit = AddControl(page, "Edit", "", ES_AUTOHSCROLL | WS_TABSTOP, ControlId::LocationEdit, 8,
                             26, width - 16, 21, WS_EX_CLIENTEDGE);
    layout.Add(c.locationEdit, Anchor::Left | Anchor::Top | Anchor::Right);
    AddControl(page, "Static", "Account", SS_LEFT | SS_NOPREFIX, -1, 8, 54, 200, 14);
    c.accountEdit = AddControl(page, "Edit", "", ES_AUTOHSCROLL | WS_TABSTOP,
                                ControlId::AccountEdit, 8, 70, 160, 21, WS_EX_CLIENTEDGE);
    c.stopToStopLimitCheck =
        AddControl(page, "Button", "Stop -> Stop Limit", BS_AUTOCHECKBOX | WS_TABSTOP,
                   ControlId::StopToStopLimit, 8, 100, 160, 17);
}

void MainWindow::Impl::CreateAboutPage(HWND page) {
    Controls& c = controls;
    const int width = ClientOf(page).right - 16;
    const DWORD label = SS_LEFT | SS_NOPREFIX;
    AddControl(page, "Static", "Halvenmar Order Server (NinjaTrader)", label, -1, 8, 10, width, 16);
    c.versionLabel = AddControl(page, "Static", "", label, ControlId::VersionLabel, 8, 32, width, 14);
    c.releaseDateLabel =
        AddControl(page, "Static", "", label, ControlId::ReleaseDateLabel, 8, 50, width, 14);
    AddControl(page, "Static",
               "Passes Halvenmar's orders to NinjaTrader through its order instruction files.",
               label, -1, 8, 76, width, 14);
    SetWindowTextA(c.versionLabel, "Version 1.2");
    SetWindowTextA(c.releaseDateLabel, "Release Date Nov 22, 2005");
}

void MainWindow::Impl::ScaleForScreen() {
    TasWindowSizeAdjuster adjuster(TasWindowSizeAdjuster::ScreenDpi());
    adjuster.OnScaling = [this](bool scaling) {
        layout.SetSuspended(scaling);
        if (!scaling) layout.Capture();
    };
    adjuster.IsContainer = [](HWND window) {
        char name[64] = {};
        GetClassNameA(window, name, sizeof name);
        return std::string(name) == kPageClass;
    };
    adjuster.Adjust(hwnd, limits);
}

int MainWindow::Impl::TabOfPage(Page page) const {
    int tab = 0;
    for (const PageInfo& info : kPages) {
        if (info.Page == page) return info.HasTab ? tab : -1;
        if (info.HasTab) ++tab;
    }
    return -1;
}

Page MainWindow::Impl::PageOfTab(int tab) const {
    for (const PageInfo& info : kPages) {
        if (!info.HasTab) continue;
        if (tab-- == 0) return info.Page;
    }
    return Page::Settings;
}

void MainWindow::Impl::SelectPage(Page page) {
    activePage = page;
    const int tab = TabOfPage(page);
    if (tab >= 0) TabCtrl_SetCurSel(controls.pages, tab);
    for (size_t i = 0; i < controls.Pages.size(); ++i)
        ShowWindow(controls.Pages[i], i == static_cast<size_t>(page) ? SW_SHOW : SW_HIDE);
}

void MainWindow::Impl::OnPageTabChanged() {
    SelectPage(PageOfTab(TabCtrl_GetCurSel(controls.pages)));
}
