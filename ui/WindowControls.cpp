#include "ui/WindowControls.h"

#include <commctrl.h>

#include "ui/StatusText.h"
#include "ui/VirtualListView.h"

namespace ordersrv {

namespace {

constexpr int kTopPanelHeight = 56;
constexpr int kMargin = 4;

struct PageInfo {
    Page page;
    const char* caption;
    bool hasTab;
};
constexpr PageInfo kPages[] = {
    {Page::Settings, "Settings", true},
    {Page::Orders, "Orders", true},
    {Page::Positions, "Positions", true},
    {Page::Log, "Log", true},
    {Page::Debug, "Debug", false},  // hidden: no tab
    {Page::About, "About", true},
};

RECT ClientOf(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

int TabOfPage(Page page) {
    int tab = 0;
    for (const PageInfo& info : kPages) {
        if (info.page == page) return info.hasTab ? tab : -1;
        if (info.hasTab) ++tab;
    }
    return -1;
}

Page PageOfTab(int tab) {
    for (const PageInfo& info : kPages) {
        if (!info.hasTab) continue;
        if (tab-- == 0) return info.page;
    }
    return Page::Settings;
}

bool IsChecked(HWND checkBox) { return SendMessageA(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetChecked(HWND checkBox, bool on) {
    SendMessageA(checkBox, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

// The status is refreshed after every drain of place lines; repainting unchanged panels would
// only cost.
void SetTextIfChanged(HWND control, const std::string& text) {
    if (WindowText(control) != text) SetWindowTextA(control, text.c_str());
}

}  // namespace

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    const int copied = GetWindowTextA(window, &text[0], static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

HWND WindowControls::Add(HWND parent, const char* cls, const char* text, DWORD style, int id,
                         int x, int y, int width, int height, DWORD exStyle) {
    HWND control = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                                   height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   instance_, nullptr);
    if (control) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return control;
}

void WindowControls::Create(HWND window, HINSTANCE instance, HFONT font) {
    instance_ = instance;
    font_ = font;
    CreateTopPanel(window);
    CreatePages(window);
}

void WindowControls::CreateTopPanel(HWND window) {
    // Labels share their panel's height, so both texts stay on one line at any scale.
    const DWORD label = SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE;
    const DWORD panel = SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE | SS_ENDELLIPSIS;
    Add(window, "Static", "Status", label, -1, 8, 6, 44, 19);
    statusText_ = Add(window, "Static", "N/A", panel, ControlId::StatusText, 56, 6, 252, 19,
                      WS_EX_STATICEDGE);
    Add(window, "Static", "Orders", label, -1, 8, 30, 44, 19);
    ordersText_ = Add(window, "Static", "N/A", panel, ControlId::OrdersText, 56, 30, 80, 19,
                      WS_EX_STATICEDGE);
    Add(window, "Static", "Positions", label, -1, 146, 30, 54, 19);
    positionsText_ = Add(window, "Static", "N/A", panel, ControlId::PositionsText, 204, 30, 104, 19,
                         WS_EX_STATICEDGE);
    Add(window, "Button", "Connect", BS_PUSHBUTTON | WS_TABSTOP, ControlId::ConnectButton, 318, 4,
        86, 23);
    Add(window, "Button", "Disconnect", BS_PUSHBUTTON | WS_TABSTOP, ControlId::DisconnectButton,
        410, 4, 86, 23);
    acceptOrdersCheck_ =
        Add(window, "Button", "Accept Orders", BS_AUTOCHECKBOX | BS_LEFTTEXT | WS_TABSTOP,
            ControlId::AcceptOrders, 318, 31, 104, 17);
}

void WindowControls::CreatePages(HWND window) {
    const RECT client = ClientOf(window);
    pageTabs_ = Add(window, WC_TABCONTROLA, "", WS_CLIPSIBLINGS | WS_TABSTOP, ControlId::Pages,
                    kMargin, kTopPanelHeight, client.right - 2 * kMargin,
                    client.bottom - kTopPanelHeight - kMargin);
    layout_.Add(pageTabs_, Anchor::All);

    int tab = 0;
    for (const PageInfo& info : kPages) {
        if (!info.hasTab) continue;
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(info.caption);
        SendMessageA(pageTabs_, TCM_INSERTITEMA, tab++, reinterpret_cast<LPARAM>(&item));
    }
    // The pages lie over the tab control's display area, as its siblings.
    RECT area = RectInParent(pageTabs_);
    TabCtrl_AdjustRect(pageTabs_, FALSE, &area);
    for (const PageInfo& info : kPages) {
        HWND page = CreateWindowExA(WS_EX_CONTROLPARENT, kPageClass, info.caption,
                                    WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, area.left,
                                    area.top, area.right - area.left, area.bottom - area.top,
                                    window, nullptr, instance_, nullptr);
        SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        pageWindows_[static_cast<size_t>(info.page)] = page;
        layout_.Add(page, Anchor::All);
    }

    CreateSettingsPage(PageWindow(Page::Settings));

    const auto fill = [](HWND page) {
        RECT r = ClientOf(page);
        InflateRect(&r, -2, -2);
        return r;
    };
    HWND orders = PageWindow(Page::Orders);
    ordersView_ = CreateVirtualListView(orders, ControlId::OrdersView, fill(orders), font_,
                                        VirtualListStyle{}, views::OrderColumns());
    layout_.Add(ordersView_, Anchor::All);

    HWND positions = PageWindow(Page::Positions);
    positionsView_ = CreateVirtualListView(positions, ControlId::PositionsView, fill(positions),
                                           font_, VirtualListStyle{}, views::PositionColumns());
    layout_.Add(positionsView_, Anchor::All);

    HWND log = PageWindow(Page::Log);
    VirtualListStyle logStyle;
    logStyle.headings = false;
    logStyle.gridLines = false;
    logStyle.rowMarker = false;
    logView_ = CreateVirtualListView(log, ControlId::LogView, fill(log), font_, logStyle,
                                     {{"", views::kLogColumnWidth}});
    layout_.Add(logView_, Anchor::All);

    Add(PageWindow(Page::Debug), "Button", "Test Place Order", BS_PUSHBUTTON | WS_TABSTOP,
        ControlId::TestPlaceOrder, 8, 8, 120, 25);

    CreateAboutPage(PageWindow(Page::About));
}

void WindowControls::CreateSettingsPage(HWND page) {
    const int width = ClientOf(page).right;
    Add(page, "Static", "NinjaTrader Location", SS_LEFT | SS_NOPREFIX, -1, 8, 10, 200, 14);
    locationEdit_ = Add(page, "Edit", "", ES_AUTOHSCROLL | WS_TABSTOP, ControlId::LocationEdit, 8,
                        26, width - 16, 21, WS_EX_CLIENTEDGE);
    layout_.Add(locationEdit_, Anchor::Left | Anchor::Top | Anchor::Right);
    Add(page, "Static", "Account", SS_LEFT | SS_NOPREFIX, -1, 8, 54, 200, 14);
    accountEdit_ = Add(page, "Edit", "", ES_AUTOHSCROLL | WS_TABSTOP, ControlId::AccountEdit, 8, 70,
                       160, 21, WS_EX_CLIENTEDGE);
    stopToStopLimitCheck_ = Add(page, "Button", "Stop -> Stop Limit", BS_AUTOCHECKBOX | WS_TABSTOP,
                                ControlId::StopToStopLimit, 8, 100, 160, 17);
}

void WindowControls::CreateAboutPage(HWND page) {
    const int width = ClientOf(page).right - 16;
    const DWORD label = SS_LEFT | SS_NOPREFIX;
    Add(page, "Static", "Halvenmar Order Server (NinjaTrader)", label, -1, 8, 10, width, 16);
    Add(page, "Static", "Version 1.2", label, ControlId::VersionLabel, 8, 32, width, 14);
    Add(page, "Static", "Release Date Nov 22, 2005", label, ControlId::ReleaseDateLabel, 8, 50,
        width, 14);
    Add(page, "Static",
        "Passes Halvenmar's orders to NinjaTrader through its order instruction files.", label, -1,
        8, 76, width, 14);
    scansLabel_ = Add(page, "Static", "", label, ControlId::ScansLabel, 8, 102, width, 14);
    subscribersLabel_ = Add(page, "Static", views::SubscribersLineText(0).c_str(), label,
                            ControlId::SubscribersLabel, 8, 120, width, 14);
    journalLabel_ = Add(page, "Static", "", label | SS_PATHELLIPSIS, ControlId::JournalLabel, 8,
                        138, width, 14);
}

void WindowControls::ScaleForScreen(HWND window, SizeLimits& limits) {
    WindowScaler scaler(WindowScaler::ScreenDpi());
    scaler.onScaling = [this](bool scaling) {
        layout_.SetSuspended(scaling);
        if (!scaling) layout_.Capture();
    };
    scaler.isContainer = [](HWND child) {
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        return std::string(name) == kPageClass;
    };
    scaler.Adjust(window, limits);
}

SettingsEdits WindowControls::ReadSettings() const {
    return {WindowText(locationEdit_), WindowText(accountEdit_), IsChecked(stopToStopLimitCheck_)};
}

void WindowControls::ShowSettings(const Settings& settings) {
    SetWindowTextA(accountEdit_, settings.account.c_str());
    SetWindowTextA(locationEdit_, settings.location.c_str());
    SetChecked(stopToStopLimitCheck_, settings.stopToStopLimit);
    SetChecked(acceptOrdersCheck_, settings.acceptOrders);
}

bool WindowControls::AcceptOrdersChecked() const { return IsChecked(acceptOrdersCheck_); }

void WindowControls::SetAcceptOrders(bool on) { SetChecked(acceptOrdersCheck_, on); }

void WindowControls::ShowStatus(const std::string& status, const std::string& orders,
                                const std::string& positions) {
    SetTextIfChanged(statusText_, status);
    SetTextIfChanged(ordersText_, orders);
    SetTextIfChanged(positionsText_, positions);
}

void WindowControls::ShowScans(const std::string& text) { SetTextIfChanged(scansLabel_, text); }
void WindowControls::ShowJournal(const std::string& text) { SetTextIfChanged(journalLabel_, text); }
void WindowControls::ShowSubscribers(const std::string& text) {
    SetTextIfChanged(subscribersLabel_, text);
}

void WindowControls::SelectPage(Page page) {
    activePage_ = page;
    const int tab = TabOfPage(page);
    if (tab >= 0) TabCtrl_SetCurSel(pageTabs_, tab);
    for (size_t i = 0; i < pageWindows_.size(); ++i)
        ShowWindow(pageWindows_[i], i == static_cast<size_t>(page) ? SW_SHOW : SW_HIDE);
}

void WindowControls::OnPageTabChanged() { SelectPage(PageOfTab(TabCtrl_GetCurSel(pageTabs_))); }

}  // namespace ordersrv
