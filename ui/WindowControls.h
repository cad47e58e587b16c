#pragma once
// The controls of the main window: the top panel (status line, counters, Connect, Disconnect,
// Accept Orders) and the pages (Settings, Orders, Positions, Log, the hidden Debug page,
// About), laid out at 96 pixels per inch, anchored to the window's edges and scaled for the
// screen. Reads and shows the Settings page.
#include <windows.h>

#include <array>
#include <string>

#include "engine/Settings.h"
#include "ui/AnchorLayout.h"
#include "ui/ControlIds.h"
#include "ui/WindowScaler.h"

namespace ordersrv {

class WindowControls {
public:
    static constexpr const char* kPageClass = "TNTOrderServerPage";

    // Creates every control in `window` (whose client area is at its smallest size).
    void Create(HWND window, HINSTANCE instance, HFONT font);
    // Fits the window and its controls to the screen's pixels per inch.
    void ScaleForScreen(HWND window, SizeLimits& limits);
    void Layout() { layout_.Apply(); }

    SettingsEdits ReadSettings() const;
    void ShowSettings(const Settings& settings);
    bool AcceptOrdersChecked() const;
    void SetAcceptOrders(bool on);

    // Sets the three texts of the top panel, touching only those that changed.
    void ShowStatus(const std::string& status, const std::string& orders,
                    const std::string& positions);

    // The About page's line on the OUTGOING scans, touched only when it changed.
    void ShowScans(const std::string& text);
    void ShowSubscribers(const std::string& text);
    void ShowJournal(const std::string& text);

    void SelectPage(Page page);
    void OnPageTabChanged();  // the tab control's selection changed
    Page ActivePage() const { return activePage_; }

    HWND PageTabs() const { return pageTabs_; }
    HWND OrdersView() const { return ordersView_; }
    HWND PositionsView() const { return positionsView_; }
    HWND LogView() const { return logView_; }

private:
    HWND Add(HWND parent, const char* cls, const char* text, DWORD style, int id, int x, int y,
             int width, int height, DWORD exStyle = 0);
    void CreateTopPanel(HWND window);
    void CreatePages(HWND window);
    void CreateSettingsPage(HWND page);
    void CreateAboutPage(HWND page);
    HWND PageWindow(Page page) const { return pageWindows_[static_cast<size_t>(page)]; }

    HINSTANCE instance_ = nullptr;
    HFONT font_ = nullptr;
    HWND statusText_ = nullptr, ordersText_ = nullptr, positionsText_ = nullptr;
    HWND acceptOrdersCheck_ = nullptr;
    HWND pageTabs_ = nullptr;
    std::array<HWND, static_cast<size_t>(Page::Count)> pageWindows_{};
    HWND locationEdit_ = nullptr, accountEdit_ = nullptr, stopToStopLimitCheck_ = nullptr;
    HWND ordersView_ = nullptr, positionsView_ = nullptr, logView_ = nullptr;
    HWND scansLabel_ = nullptr, subscribersLabel_ = nullptr, journalLabel_ = nullptr;
    AnchorLayout layout_;
    Page activePage_ = Page::Settings;
};

// Text of a window or control.
std::string WindowText(HWND window);

}  // namespace ordersrv
