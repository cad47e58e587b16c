#include "ui/MainWindow.h"

#include <commctrl.h>

#include <exception>

#include "engine/WindowMessages.h"
#include "platform/FileSystem.h"
#include "ui/MainWindowImpl.h"
#include "engine/SettingsFile.h"
#include "ui/StatusText.h"
#include "workers/EventQueue.h"
#include "workers/Scheduler.h"

namespace {

constexpr int kScanIntervalMs = static_cast<int>(FileBridge::kScanPeriodMs);

bool RegisterFormClasses(HINSTANCE instance) {
    WNDCLASSEXA form{};
    form.cbSize = sizeof form;
    if (!GetClassInfoExA(instance, MainWindow::kWindowClassName, &form)) {
        form = WNDCLASSEXA{};
        form.cbSize = sizeof form;
        form.style = CS_DBLCLKS;
        form.lpfnWndProc = MainWindow::Impl::WindowProc;
        form.hInstance = instance;
        form.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        form.hIcon = LoadIconResource(instance, "ICON_READY");
        form.lpszClassName = MainWindow::kWindowClassName;
        if (!RegisterClassExA(&form)) return false;
    }
    WNDCLASSEXA page{};
    page.cbSize = sizeof page;
    if (!GetClassInfoExA(instance, "TNTOrderServerPage", &page)) {
        page = WNDCLASSEXA{};
        page.cbSize = sizeof page;
        page.lpfnWndProc = MainWindow::Impl::PageProc;
        page.hInstance = instance;
        page.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        page.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        page.lpszClassName = "TNTOrderServerPage";
        if (!RegisterClassExA(&page)) return false;
    }
    return true;
}

}  // namespace

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    const int copied = GetWindowTextA(window, &text[0], static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

// ---- Impl: creation ---------------------------------------------------------------------------

MainWindow::Impl::Impl(MainWindow& owner, HINSTANCE inst,
                               EventQueue& eventQueue, Scheduler& sched)
    : form(owner), instance(inst), events(eventQueue), scheduler(sched),
      target(window, {WindowMessage::OrdersChanged, WindowMessage::PositionsChanged,
                      WindowMessage::LogLinesPending, WindowMessage::ScanOutgoing}),
      engine(target, eventQueue), bridge(engine) {}

MainWindow::Impl::~Impl() {
    engine.SetView(nullptr);
    // The scheduler and the event queue outlive this window: nothing of theirs may reach it any
    // more once it is gone.
    if (scanRegistered)
        scheduler.ScheduleMessage(WindowMessage::ScanOutgoing, &target, 0, false, kScanIntervalMs);
    events.ClearEvents();
    RemoveTrayIcon();
    if (hwnd && IsWindow(hwnd)) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        DestroyWindow(hwnd);
    }
    if (popupMenu) DestroyMenu(popupMenu);
    if (readyIcon) DestroyIcon(readyIcon);
    if (notReadyIcon) DestroyIcon(notReadyIcon);
    if (font) DeleteObject(font);
}

bool MainWindow::Impl::CreateWindowHandle() {
    if (!RegisterFormClasses(instance)) return false;
    hwnd = CreateWindowExA(0, kWindowClassName, kCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                           CW_USEDEFAULT, CW_USEDEFAULT, kSmallestWidth, kSmallestHeight, nullptr,
                           nullptr, instance, this);
    if (!hwnd) return false;
    window.SetHandle(hwnd);
    font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, "Verdana");
    taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    return true;
}

void MainWindow::Impl::RunCreationSteps() {
    windowReady = false;
    // The smallest size, then the window fitted to the screen; the controls are laid out for
    // the smallest size first so that the scaling moves them with the window.
    limits = SizeLimits{kSmallestWidth, kSmallestHeight, 0, 0};
    SetWindowPos(hwnd, nullptr, 0, 0, kSmallestWidth, kSmallestHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CreateControls();
    ScaleForScreen();

    firstShow = true;
    secondOrderCounter = 0;
    refreshingStatus = false;
    showingSettings = false;

    engine.SetView(&form);
    engine.SetHomeFolder(plat::FolderPart(plat::ExecutablePath()));
    engine.settings.AcceptOrders = true;
    engine.settings.StopToStopLimit = false;
    LoadSettings(SettingsFilePath(plat::ExecutablePath()), engine.settings,
                 [this](const std::string& line) { engine.AddLogLine(line); });
    form.SettingsToControls();

    AddTrayIcon();

    popupMenu = CreatePopupMenu();
    AppendMenuA(popupMenu, MF_STRING, MenuId::AcceptOrders, "Accept Orders");
    AppendMenuA(popupMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(popupMenu, MF_STRING, MenuId::Show, "Show");
    AppendMenuA(popupMenu, MF_STRING, MenuId::Exit, "Exit");
    menuStyle = std::make_unique<FlatMenuStyle>(instance);
    menuStyle->ApplyTo(popupMenu);

    bool folderPresent = false;
    try {
        folderPresent = plat::FolderExists(engine.NinjaTraderFolder());
    } catch (const std::exception&) {
        folderPresent = false;  // a failing test counts as a missing folder
    }
    engine.SetFolderPresent(folderPresent);

    SelectPage(Page::Settings);
    windowReady = true;
    engine.Connect();

    scheduler.ScheduleMessage(WindowMessage::ScanOutgoing, &target, 0, true, kScanIntervalMs);
    scanRegistered = true;
}

void MainWindow::Impl::ShowMinimised() {
    // The first show fills the views; being minimised, the window then leaves the taskbar.
    ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
    if (IsWindowVisible(hwnd)) HideTaskbarButtonNow();
}

// ---- Impl: tray icon --------------------------------------------------------------------------

void MainWindow::Impl::AddTrayIcon() {
    if (!readyIcon) readyIcon = LoadIconResource(instance, "ICON_READY");
    if (!notReadyIcon) notReadyIcon = LoadIconResource(instance, "ICON_NOTREADY");
    tray.Add(hwnd, WindowMessage::TrayNotify, notReadyIcon, views::kTrayTitle);
}

void MainWindow::Impl::RemoveTrayIcon() {
    tray.Remove();
}

void MainWindow::Impl::HideTaskbarButtonNow() {
    ShowWindow(hwnd, SW_HIDE);
}

// ---- The form ---------------------------------------------------------------------------------

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() = default;

std::unique_ptr<MainWindow> MainWindow::Create(HINSTANCE instance,
                                                               EventQueue& events,
                                                               Scheduler& scheduler) {
    INITCOMMONCONTROLSEX common{sizeof common, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES |
                                                   ICC_LISTVIEW_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&common);
    std::unique_ptr<MainWindow> form(new MainWindow());
    form->impl_ = std::make_unique<Impl>(*form, instance, events, scheduler);
    if (!form->impl_->CreateWindowHandle()) return nullptr;
    form->impl_->RunCreationSteps();
    form->impl_->ShowMinimised();
    return form;
}

HWND MainWindow::Handle() const {
    return impl_->hwnd;
}

Engine& MainWindow::engine() {
    return impl_->engine;
}

FileBridge& MainWindow::bridge() {
    return impl_->bridge;
}

void MainWindow::ControlsToSettings() {
    const Controls& c = impl_->controls;
    impl_->engine.TakeSettingsFromControls(
        WindowText(c.locationEdit), WindowText(c.accountEdit),
        SendMessageA(c.stopToStopLimitCheck, BM_GETCHECK, 0, 0) == BST_CHECKED);
}

void MainWindow::SettingsToControls() {
    Impl& d = *impl_;
    if (d.showingSettings) return;
    d.showingSettings = true;
    const Settings& s = d.engine.settings;
    SetWindowTextA(d.controls.accountEdit, s.Account.c_str());
    SetWindowTextA(d.controls.locationEdit, s.Location.c_str());
    SendMessageA(d.controls.stopToStopLimitCheck, BM_SETCHECK,
                 s.StopToStopLimit ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(d.controls.acceptOrdersCheck, BM_SETCHECK,
                 s.AcceptOrders ? BST_CHECKED : BST_UNCHECKED, 0);
    d.showingSettings = false;
}

namespace {

// The status is refreshed after every order line; repainting unchanged panels would only cost.
void SetTextIfChanged(HWND control, const std::string& text) {
    char current[256] = {};
    GetWindowTextA(control, current, sizeof current);
    if (text != current) SetWindowTextA(control, text.c_str());
}

}  // namespace

void MainWindow::RefreshStatus() {
    Impl& d = *impl_;
    if (d.refreshingStatus) return;
    d.refreshingStatus = true;
    Engine& e = d.engine;
    const std::string status =
        views::StatusLineText(e.ConnectedFlag(), e.FolderPresent(), e.LastHostContact());
    SetTextIfChanged(d.controls.statusText, status);
    const int32_t orders = e.WithOrders([](OrderBook& book) { return book.Count(); });
    SetTextIfChanged(d.controls.ordersText, views::OrdersCounterText(orders, d.secondOrderCounter));
    const int32_t positions =
        e.WithPositions([](PositionBook& book) { return book.Count(); });
    SetTextIfChanged(d.controls.positionsText, std::to_string(positions));
    UpdateTrayIcon(e.ConnectedFlag(), status);
    d.refreshingStatus = false;
}

void MainWindow::RestoreWindow() {
    ShowWindow(impl_->hwnd, SW_RESTORE);
    ShowWindow(impl_->hwnd, SW_SHOW);
    SetForegroundWindow(impl_->hwnd);
}

void MainWindow::HideTaskbarButton() {
    impl_->HideTaskbarButtonNow();
}

void MainWindow::UpdateTrayIcon(bool ready, const std::string& text) {
    impl_->tray.Update(ready ? impl_->readyIcon : impl_->notReadyIcon, text);
}

bool MainWindow::TrayIconShown() const {
    return impl_->tray.Added();
}

bool MainWindow::TrayShowsReadyIcon() const {
    return impl_->tray.Icon() != nullptr && impl_->tray.Icon() == impl_->readyIcon;
}

std::string MainWindow::TrayTip() const {
    return impl_->tray.Tip();
}
