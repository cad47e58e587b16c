#pragma once
// The inside of the main window, shared by its source files.
#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "bridge/FileBridge.h"
#include "engine/OrderServerEngine.h"
#include "platform/CoalescingTarget.h"
#include "platform/win32/HwndTarget.h"
#include "ui/AnchorLayout.h"
#include "ui/ControlIds.h"
#include "ui/FlatMenu.h"
#include "ui/MainWindow.h"
#include "ui/TrayIcon.h"
#include "ui/WindowSizeAdjuster.h"

class TasEventQueueThread;
class TasSchedulerThread;

// The window's controls (names as the trader's documentation knows them).
struct TFormControls {
    HWND ST_Status = nullptr, ST_Orders = nullptr, ST_Positions = nullptr;
    HWND Button1 = nullptr, Button2 = nullptr, CB_AcceptOrders = nullptr;
    HWND PageControl1 = nullptr;
    std::array<HWND, static_cast<size_t>(TFormPage::Count)> Pages{};
    HWND Edit_Host = nullptr, Edit_Account = nullptr, CB_StopToStopLimit = nullptr;
    HWND Grid_Name = nullptr, Grid_Positions = nullptr, Memo_Log = nullptr;
    HWND Button_TestPlaceOrder = nullptr;
    HWND Label_Version = nullptr, Label_ReleaseDate = nullptr;
};

struct TNTOrderServerForm::Impl {
    static constexpr int kSmallestWidth = 517;
    static constexpr int kSmallestHeight = 288;

    Impl(TNTOrderServerForm& form, HINSTANCE instance, TasEventQueueThread& events,
         TasSchedulerThread& scheduler);
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
    void SelectPage(TFormPage page);
    TFormPage PageOfTab(int tab) const;
    int TabOfPage(TFormPage page) const;
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

    TNTOrderServerForm& form;
    HINSTANCE instance;
    TasEventQueueThread& events;
    TasSchedulerThread& scheduler;
    plat::HwndTarget window;  // this window's handle as a message target
    // The engine's and the scheduler's way to this window: refresh and scan requests are
    // folded, so at most one of each waits in the queue ahead of the drain's 4040.
    plat::CoalescingTarget target;
    TOrderServerEngine engine;
    TFileBridge bridge;

    HWND hwnd = nullptr;
    HFONT font = nullptr;
    TFormControls controls;
    TasAnchorLayout layout;
    TasSizeLimits limits;
    TTrayIcon tray;
    HICON readyIcon = nullptr;
    HICON notReadyIcon = nullptr;
    HMENU popupMenu = nullptr;  // PopupMenu1
    std::unique_ptr<TasXPThemeSupportTool> menuStyle;
    UINT taskbarCreatedMessage = 0;

    bool windowReady = false;
    bool firstShow = true;
    bool refreshingStatus = false;
    bool showingSettings = false;
    bool scanRegistered = false;
    bool closing = false;  // a close request is being asked or carried out
    int32_t secondOrderCounter = 0;
    int32_t orderRows = 0, positionRows = 0, logRows = 0;
    TFormPage activePage = TFormPage::Settings;
};

// Text of a window or control.
std::string WindowText(HWND window);
