#include "ui/MainWindow.h"

#include <commctrl.h>

#include <exception>

#include "bridge/InstructionWriter.h"
#include "bridge/OutgoingScanner.h"
#include "bridge/OutgoingWatch.h"
#include "engine/Engine.h"
#include "engine/EngineError.h"
#include "engine/HostValue.h"
#include "engine/WindowMessages.h"
#include "platform/Tick.h"
#include "ui/ConfirmDialog.h"
#include "ui/StatusText.h"
#include "ui/WindowLink.h"
#include "workers/Scheduler.h"

namespace ordersrv {

namespace {

constexpr int kScanIntervalMs = static_cast<int>(OutgoingScanner::kScanPeriodMs);

// The scheduler's question before each periodic scan request, on its own thread: the scan
// lists OUTGOING only when a listing is due, not at every period.
bool ScanDue(void* data) {
    const MainWindow::Parts& parts = *static_cast<const MainWindow::Parts*>(data);
    return parts.scanner.ListingDue(plat::TickCount(), parts.watch.Watching());
}

MainWindow* WindowOf(HWND hwnd) {
    return reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

}  // namespace

// ---- Creation ---------------------------------------------------------------------------------

MainWindow::MainWindow(HINSTANCE instance, const Parts& parts)
    : instance_(instance), parts_(parts), views_(parts.engine, controls_) {}

MainWindow::~MainWindow() {
    // The scheduler and the event queue outlive this window: nothing of theirs may reach it any
    // more once it is gone.
    if (scanRegistered_)
        parts_.scheduler.ScheduleMessage(WindowMessage::ScanOutgoing, &parts_.link.target, RetryMode::Drop, false,
                                         kScanIntervalMs);
    parts_.link.window.SetHandle(nullptr);
    tray_.Remove();
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

std::unique_ptr<MainWindow> MainWindow::Create(HINSTANCE instance, const Parts& parts) {
    INITCOMMONCONTROLSEX common{sizeof common, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES |
                                                   ICC_LISTVIEW_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&common);
    std::unique_ptr<MainWindow> window(new MainWindow(instance, parts));
    if (!window->CreateHandle()) return nullptr;
    window->RunCreationSteps();
    // The first show fills the views; being minimised, the window then leaves the taskbar.
    ShowWindow(window->hwnd_, SW_SHOWMINNOACTIVE);
    if (IsWindowVisible(window->hwnd_)) window->HideTaskbarButton();
    return window;
}

bool MainWindow::RegisterClasses(HINSTANCE instance) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (!GetClassInfoExA(instance, kWindowClassName, &existing)) {
        WNDCLASSEXA form{};
        form.cbSize = sizeof form;
        form.style = CS_DBLCLKS;
        form.lpfnWndProc = WindowProc;
        form.hInstance = instance;
        form.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        form.hIcon = LoadIconResource(instance, "ICON_READY");
        form.lpszClassName = kWindowClassName;
        if (!RegisterClassExA(&form)) return false;
    }
    if (!GetClassInfoExA(instance, WindowControls::kPageClass, &existing)) {
        WNDCLASSEXA page{};
        page.cbSize = sizeof page;
        page.lpfnWndProc = PageProc;
        page.hInstance = instance;
        page.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        page.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        page.lpszClassName = WindowControls::kPageClass;
        if (!RegisterClassExA(&page)) return false;
    }
    return true;
}

bool MainWindow::CreateHandle() {
    if (!RegisterClasses(instance_)) return false;
    hwnd_ = CreateWindowExA(0, kWindowClassName, kCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                            CW_USEDEFAULT, CW_USEDEFAULT, kSmallestWidth, kSmallestHeight, nullptr,
                            nullptr, instance_, this);
    if (!hwnd_) return false;
    parts_.link.window.SetHandle(hwnd_);
    font_.Reset(CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_SWISS, "Verdana"));
    taskbarCreatedMessage_ = RegisterWindowMessageA("TaskbarCreated");
    return true;
}

void MainWindow::RunCreationSteps() {
    windowReady_ = false;
    // The smallest size, then the window fitted to the screen; the controls are laid out for the
    // smallest size first so that the scaling moves them with the window.
    limits_ = SizeLimits{kSmallestWidth, kSmallestHeight, 0, 0};
    SetWindowPos(hwnd_, nullptr, 0, 0, kSmallestWidth, kSmallestHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    controls_.Create(hwnd_, instance_, font_.Get());
    controls_.ScaleForScreen(hwnd_, limits_);

    controls_.ShowSettings(parts_.engine.settings);
    views_.OnLogLinesPending(false);  // lines logged before the window existed
    AddTrayIcon();
    trayMenu_ = std::make_unique<TrayMenu>(instance_);
    controls_.SelectPage(Page::Settings);
    windowReady_ = true;
    parts_.engine.Connect(controls_.ReadSettings());
    RefreshStatus();

    parts_.scheduler.ScheduleMessage(WindowMessage::ScanOutgoing, &parts_.link.target, RetryMode::Drop, true,
                                     kScanIntervalMs, ScanDue, &parts_);
    scanRegistered_ = true;
}

// ---- The status and the notification area ----------------------------------------------------

void MainWindow::RefreshStatus() {
    const Engine& engine = parts_.engine;
    const std::string status =
        views::StatusLineText(engine.connection.Connected(), engine.connection.FolderPresent(),
                              engine.connection.LastHostContact(), engine.journal.TurnedOff());
    const int32_t orders = parts_.engine.orders.With([](OrderBook& book) { return book.Count(); });
    const int32_t positions =
        parts_.engine.positions.With([](PositionBook& book) { return book.Count(); });
    // The second order counter counts nothing in this system: it stays 0.
    controls_.ShowStatus(status, views::OrdersCounterText(orders, 0), std::to_string(positions));
    controls_.ShowSubscribers(views::SubscribersLineText(engine.connection.EventSubscribers()));
    controls_.ShowJournal(views::JournalLineText(engine.journal.On(), engine.journal.Path()));
    UpdateTrayIcon(engine.connection.Connected(), status);
}

// The views and counters follow the books and the host time follows the calls, but a burst
// changes the books thousands of times a second: they are redrawn at most four times a second.
void MainWindow::RequestRefresh() {
    if (refreshDue_) return;
    const DWORD since = GetTickCount() - lastRefresh_;
    if (since >= kRefreshMs) {
        RefreshViewsAndStatus();
        return;
    }
    refreshDue_ = SetTimer(hwnd_, kRefreshTimer, kRefreshMs - since, nullptr) != 0;
    if (!refreshDue_) RefreshViewsAndStatus();
}

void MainWindow::RefreshViewsAndStatus() {
    if (ordersChanged_) views_.OnOrdersChanged();
    if (positionsChanged_) views_.OnPositionsChanged();
    ordersChanged_ = positionsChanged_ = false;
    RefreshStatus();
    lastRefresh_ = GetTickCount();
}

void MainWindow::AddTrayIcon() {
    if (!readyIcon_) readyIcon_.Reset(LoadIconResource(instance_, "ICON_READY"));
    if (!notReadyIcon_) notReadyIcon_.Reset(LoadIconResource(instance_, "ICON_NOTREADY"));
    tray_.Add(hwnd_, WindowMessage::TrayNotify, notReadyIcon_.Get(), views::kTrayTitle);
}

void MainWindow::UpdateTrayIcon(bool ready, const std::string& text) {
    tray_.Update(ready ? readyIcon_.Get() : notReadyIcon_.Get(), text);
}

bool MainWindow::TrayShowsReadyIcon() const {
    return tray_.Icon() != nullptr && tray_.Icon() == readyIcon_.Get();
}

void MainWindow::RestoreWindow() {
    ShowWindow(hwnd_, SW_RESTORE);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
}

void MainWindow::HideTaskbarButton() { ShowWindow(hwnd_, SW_HIDE); }

// ---- Messages ---------------------------------------------------------------------------------

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* self = static_cast<MainWindow*>(create->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self) self->hwnd_ = hwnd;
    }
    MainWindow* self = WindowOf(hwnd);
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    // Nothing may leave a window procedure by an exception: it is logged and the message counts
    // as handled.
    try {
        return self->Handle(msg, wParam, lParam);
    } catch (const std::exception& error) {
        self->parts_.engine.log.Add(error.what());
    } catch (...) {
        self->parts_.engine.log.Add("Unexpected error");
    }
    return 0;
}

// A page passes what its controls report to the main window.
LRESULT CALLBACK MainWindow::PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CONTEXTMENU:
        return SendMessageA(GetParent(hwnd), msg, wParam, lParam);
    case WM_NOTIFYFORMAT:
        // The views ask for their cells' texts wide: a symbol, a path or a log line may hold
        // characters the system's code page lacks.
        return lParam == NF_QUERY ? NFR_UNICODE : DefWindowProcA(hwnd, msg, wParam, lParam);
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WindowMessage::TrayNotify:
        OnTrayNotify(lParam);
        return 0;
    case WindowMessage::OrdersChanged:
        TakeFoldedRequest(msg);
        ordersChanged_ = true;
        RequestRefresh();
        return 0;
    case WindowMessage::PositionsChanged:
        TakeFoldedRequest(msg);
        positionsChanged_ = true;
        RequestRefresh();
        return 0;
    case WindowMessage::ShowTrayMenu: {
        POINT at{};
        if (GetCursorPos(&at)) OpenTrayMenu(at);
        return 0;
    }
    case WindowMessage::ProcessActions:
        parts_.writer.Drain();
        return 0;
    case WindowMessage::LogLinesPending:
        TakeFoldedRequest(msg);
        views_.OnLogLinesPending(controls_.ActivePage() == Page::Log);
        return 0;
    case WindowMessage::StatusChanged:
        TakeFoldedRequest(msg);
        RequestRefresh();
        return 0;
    case WM_TIMER:
        if (wParam != kRefreshTimer) break;
        KillTimer(hwnd_, kRefreshTimer);
        refreshDue_ = false;
        RefreshViewsAndStatus();
        return 0;
    case WindowMessage::ScanOutgoing:
        TakeFoldedRequest(msg);
        parts_.watch.Follow();
        parts_.scanner.Scan();
        controls_.ShowScans(
            views::ScansLineText(parts_.scanner.ScanCount(), parts_.watch.Watching()));
        return 0;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (limits_.minWidth > 0) info->ptMinTrackSize.x = limits_.minWidth;
        if (limits_.minHeight > 0) info->ptMinTrackSize.y = limits_.minHeight;
        if (limits_.maxWidth > 0) info->ptMaxTrackSize.x = limits_.maxWidth;
        if (limits_.maxHeight > 0) info->ptMaxTrackSize.y = limits_.maxHeight;
        return 0;
    }
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED)
            HideTaskbarButton();
        else
            controls_.Layout();
        return 0;
    case WM_SHOWWINDOW:
        if (wParam) OnFirstShow();
        break;
    case WM_CLOSE:
        OnCloseRequest();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;  // the server never holds the session back
    case WM_ENDSESSION:
        if (wParam && sessionEnding) sessionEnding();
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (!header) return 0;
        if (header->hwndFrom == controls_.PageTabs() && header->code == TCN_SELCHANGE)
            controls_.OnPageTabChanged();
        else
            views_.AnswerCell(header);
        return 0;
    }
    case WM_CONTEXTMENU: {
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (lParam == -1) GetCursorPos(&at);  // from the keyboard
        OpenTrayMenu(at);
        return 0;
    }
    case WM_MEASUREITEM:
        if (trayMenu_ && trayMenu_->MeasureItem(hwnd_, *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_DRAWITEM:
        if (trayMenu_ && trayMenu_->DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    default:
        // The shell started again: the icon has to be registered anew.
        if (taskbarCreatedMessage_ && msg == taskbarCreatedMessage_ && tray_.Added()) {
            AddTrayIcon();
            RefreshStatus();
            return 0;
        }
        break;
    }
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

// A folded request is being handled: copies of it still queued (posted past the folding) go
// first, and only then may the next request be posted again. The other way round, a request
// another thread posts between the two steps would be removed while still counted as on its
// way, and every later one would be folded into it: scans stopped for good.
void MainWindow::TakeFoldedRequest(UINT msg) {
    MSG queued;
    while (PeekMessageA(&queued, hwnd_, msg, msg, PM_REMOVE | PM_NOYIELD)) {
    }
    parts_.link.target.Taken(msg);
}

void MainWindow::OnCommand(int id, int code) {
    Engine& engine = parts_.engine;
    switch (id) {
    case ControlId::ConnectButton:
        if (code == BN_CLICKED && !engine.connection.Connected()) {
            engine.Connect(controls_.ReadSettings());
            // The account or the folder may have changed: OUTGOING is read under them at once.
            engine.Announce(WindowMessage::ScanOutgoing);
            RefreshStatus();
        }
        break;
    case ControlId::DisconnectButton:
        if (code == BN_CLICKED && engine.connection.Connected()) {
            engine.Disconnect();
            RefreshStatus();
        }
        break;
    case ControlId::AcceptOrders:
        if (code == BN_CLICKED) engine.settings.acceptOrders = controls_.AcceptOrdersChecked();
        break;
    case ControlId::TestPlaceOrder:
        if (code == BN_CLICKED) PlaceTestOrder();
        break;
    case MenuId::AcceptOrders:
        OnMenuAcceptOrders();
        break;
    case MenuId::Show:
        RestoreWindow();
        break;
    case MenuId::Exit:
        OnCloseRequest();
        break;
    default:
        break;
    }
}

void MainWindow::OnTrayNotify(LPARAM mouseEvent) {
    switch (static_cast<UINT>(mouseEvent)) {
    case WM_RBUTTONDOWN:
        PostMessageA(hwnd_, WindowMessage::ShowTrayMenu, 0, 0);
        break;
    case WM_LBUTTONDBLCLK:
        RestoreWindow();
        break;
    default:
        break;
    }
}

void MainWindow::OpenTrayMenu(POINT at) {
    const bool minimised = IsIconic(hwnd_) || !IsWindowVisible(hwnd_);
    trayMenu_->Open(hwnd_, at, minimised && windowReady_, parts_.engine.settings.acceptOrders);
}

// The check box, the menu item's check mark and AcceptOrders always agree: every change goes
// through the check box.
void MainWindow::OnMenuAcceptOrders() {
    controls_.SetAcceptOrders(!trayMenu_->AcceptOrdersChecked());
    // A change made by the program reports no click: the check box's change is applied here.
    parts_.engine.settings.acceptOrders = controls_.AcceptOrdersChecked();
}

void MainWindow::OnCloseRequest() {
    // One close at a time: the tray menu still works while a question is shown, and a second
    // Exit must neither ask again nor save from controls the first close may have destroyed.
    if (closing_) {
        BringOpenQuestionForward(hwnd_);
        return;
    }
    closing_ = true;
    if (!AskYesNo("Are you sure you want to close Order Server?", "Confirm")) {
        closing_ = false;
        return;
    }
    tray_.Remove();
    parts_.engine.TakeSettings(controls_.ReadSettings());
    parts_.engine.SaveSettings();
    if (!mayEndApplication || mayEndApplication()) {
        DestroyWindow(hwnd_);
        PostQuitMessage(0);
        return;  // the window is gone: no close can follow
    }
    // The application stays: without its icon a hidden window could not be reached again.
    AddTrayIcon();
    RefreshStatus();
    closing_ = false;
}

void MainWindow::OnFirstShow() {
    if (!firstShow_) return;
    firstShow_ = false;
    controls_.SelectPage(Page::Settings);
    PostMessageA(hwnd_, WindowMessage::OrdersChanged, 0, 0);
    PostMessageA(hwnd_, WindowMessage::PositionsChanged, 0, 0);
}

// The Debug page's test order, treated like a host's.
void MainWindow::PlaceTestOrder() {
    try {
        parts_.engine.router.NewOrder(HostValue::Text("IBM"), HostValue::Text(""), 0,
                                      HostValue::Text("DEMO"), 0, 0, 0, 100, 0.0, 100);
    } catch (const EngineError& error) {
        parts_.engine.log.Add(error.what());
    }
}

}  // namespace ordersrv
