#pragma once
// The inside of the main window, shared by its source files.
#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "bridge/FileBridge.h"
#include "engine/Engine.h"
#include "platform/CoalescingTarget.h"
#include "platform/win32/HwndTarget.h"
#include "ui/AnchorLayout.h"
#include "ui/ControlIds.h"
#include "ui/FlatMenuStyle.h"
#include "ui/MainWindow.h"
#include "ui/TrayIcon.h"
#include "ui/WindowSizeAdjuster.h"

class EventQueue;
class Scheduler;

// The window's controls (names as the trader's documentation knows them).
struct Controls {
    HWND statusText = nullptr, ordersText = nullptr, positionsText = nullptr;
    HWND connectButton = nullptr, disconnectButton = nullptr, acceptOrdersCheck = nullptr;
    HWND pages = nullptr;
    std::array<HWND, static_cast<size_t>(Page::Count)> Pages{};
    HWND locationEdit = nullptr, accountEdit = nullptr, stopToStopLimitCheck = nullptr;
    HWND ordersView = nullptr, positionsView = nullptr, logView = nullptr;
    HWND testOrderButton = nullptr;
    HWND versionLabel = nullptr, releaseDateLabel = nullptr;
};

struct MainWindow::Impl {
    static constexpr int kSmallestWidth = 517;
    static constexpr int kSmallestHeight = 288;

    Impl(MainWindow& form, HINSTANCE instance, EventQueue& events,
         Scheduler& scheduler);
    ~Impl();

    // ---- Creation (MainWindow.cpp) --------------------------------------------------------
    bool CreateWindowHandle();
    void RunCreationSteps();
    void ShowMinimised();

    // ---- Controls and pages (MainWindowControls.cpp) --------------------------------------
    void CreateControls();
    void CreateTopPanel();
    void CreatePages();
    void CreateSettingsPage(HWND page);
    void CreateAboutPage(HWND page);
    HWND AddControl(HWND parent, const char* cls, const char* text, DWORD style, int id, int x,
                    int y, int width, int height, DWORD exStyle = 0);
    void ScaleForScreen();
    void SelectPage(Page page);
    Page PageOfTab(int tab) const;
    int TabOfPage(Page page) const;
    void OnPageTabChanged();

    // ---- Messages (MainWindowMessages.cpp) -------------------------------------------------
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    // A folded request is being handled: copies of it still queued (posted past the folding)
    // go, and the next request is posted again.
    void TakeFoldedRequest(UINT msg);
    void OnCommand(int id, int code);
    LRESULT OnNotify(NMHDR* header);
    void OnTrayNotify(LPARAM mouseEvent);
    void ShowTrayMenu();
    void OpenPopupMenu(POINT at);
    void OnAcceptOrdersChanged();
    void OnMenuAcceptOrders();
    void OnCloseRequest();
    void OnFirstShow();
    void PlaceTestOrder();

    // ---- Tray icon ------------------------------------------------------------------------
    void AddTrayIcon();
    void RemoveTrayIcon();
    void HideTaskbarButtonNow();

    // ---- Views (MainWindowViews.cpp) -------------------------------------------------------
    void OnOrdersChanged();
    void OnPositionsChanged();
    void OnLogLinesPending();
    bool AnswerCell(NMHDR* header);

    MainWindow& form;
    HINSTANCE instance;
    EventQueue& events;
    Scheduler& scheduler;
    plat::HwndTarget window;  // this window's handle as a message target
    // The engine's and the scheduler's way to this window: refresh and scan requests are
    // folded, so at most one of each waits in the queue ahead of the drain's 4040.
    plat::CoalescingTarget target;
    Engine engine;
    FileBridge bridge;

    HWND hwnd = nullptr;
    HFONT font = nullptr;
    Controls controls;
    AnchorLayout layout;
    SizeLimits limits;
    TrayIcon tray;
    HICON readyIcon = nullptr;
    HICON notReadyIcon = nullptr;
    HMENU popupMenu = nullptr;  // trayMenu
    std::unique_ptr<FlatMenuStyle> menuStyle;
    UINT taskbarCreatedMessage = 0;

    bool windowReady = false;
    bool firstShow = true;
    bool refreshingStatus = false;
    bool showingSettings = false;
    bool scanRegistered = false;
    bool closing = false;  // a close request is being asked or carried out
    int32_t secondOrderCounter = 0;
    int32_t orderRows = 0, positionRows = 0, logRows = 0;
    Page activePage = Page::Settings;
};

// Text of a window or control.
std::string WindowText(HWND window);
