#pragma once
// The main window: the monitor the trader sees (notification-area icon, status line, counters,
// pages) and the main thread's door for the engine's messages. It owns its widgets; the engine,
// the drain and the scan are given to it, and it routes ProcessActions and ScanOutgoing to them.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/Scoped.h"
#include "ui/RecordViews.h"
#include "ui/TrayIcon.h"
#include "ui/TrayMenu.h"
#include "ui/WindowControls.h"
#include "ui/WindowScaler.h"

namespace ordersrv {

class Engine;
class InstructionWriter;
class OutgoingScanner;
class OutgoingWatch;
class Scheduler;
struct WindowLink;

class MainWindow {
public:
    static constexpr const char* kWindowClassName = "TNTOrderServerForm";
    static constexpr const char* kCaption = "Halvenmar Order Server (NT)";

    // What the window works with; all outlive it.
    struct Parts {
        Engine& engine;
        InstructionWriter& writer;
        OutgoingScanner& scanner;
        OutgoingWatch& watch;
        WindowLink& link;
        Scheduler& scheduler;
    };

    // Creates the window, minimised in the notification area: its controls showing the
    // engine's settings, Connect, the scan job (asked every 100 ms whether a listing of OUTGOING
    // is due). Null when it cannot be created.
    static std::unique_ptr<MainWindow> Create(HINSTANCE instance, const Parts& parts);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND Handle() const { return hwnd_; }

    // Asked after the user confirmed the close and the settings were saved; false keeps the
    // application running (the automation server asks about clients that still hold objects).
    std::function<bool()> mayEndApplication;
    // Called when Windows ends the session (log-off, shut-down, restart): the process is ended
    // right after, so whatever must not be lost is done inside it.
    std::function<void()> sessionEnding;

    // The status line, both counters and the notification-area icon, from the engine's state.
    void RefreshStatus();
    // The views that changed and the status line: now, or when a quarter second has passed
    // since the last refresh.
    void RequestRefresh();
    // Shows the window from the notification area, and hides it from the taskbar when minimised.
    void RestoreWindow();
    void HideTaskbarButton();

    // The notification-area icon: the ready picture or the not-ready one, and the tip's text.
    void UpdateTrayIcon(bool ready, const std::string& text);
    bool TrayIconShown() const { return tray_.Added(); }
    bool TrayShowsReadyIcon() const;
    std::string TrayTip() const { return tray_.Tip(); }

private:
    static constexpr int kSmallestWidth = 517;
    static constexpr int kSmallestHeight = 288;
    static constexpr UINT_PTR kRefreshTimer = 1;
    static constexpr DWORD kRefreshMs = 250;

    MainWindow(HINSTANCE instance, const Parts& parts);
    bool CreateHandle();
    void RunCreationSteps();

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static bool RegisterClasses(HINSTANCE instance);
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void TakeFoldedRequest(UINT msg);
    void RefreshViewsAndStatus();
    void OnCommand(int id, int code);
    void OnTrayNotify(LPARAM mouseEvent);
    void OpenTrayMenu(POINT at);
    void OnMenuAcceptOrders();
    void OnCloseRequest();
    void OnFirstShow();
    void PlaceTestOrder();
    void AddTrayIcon();

    HINSTANCE instance_;
    Parts parts_;
    HWND hwnd_ = nullptr;
    plat::GdiObject<HFONT> font_;
    plat::IconHandle readyIcon_, notReadyIcon_;
    WindowControls controls_;
    RecordViews views_;
    TrayIcon tray_;
    std::unique_ptr<TrayMenu> trayMenu_;
    SizeLimits limits_;
    UINT taskbarCreatedMessage_ = 0;
    bool windowReady_ = false;
    bool firstShow_ = true;
    bool scanRegistered_ = false;
    DWORD lastRefresh_ = 0;   // GetTickCount of the last RefreshViewsAndStatus
    bool refreshDue_ = false;  // the refresh timer runs
    bool ordersChanged_ = false, positionsChanged_ = false;
    bool closing_ = false;  // a close request is being asked or carried out
};

}  // namespace ordersrv
