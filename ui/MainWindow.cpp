#include "ui/MainWindow.h"

#include <commctrl.h>

#include <exception>

#include "engine/WindowMessages.h"
#include "platform/FileSystem.h"
#include "ui/MainWindowImpl.h"
#include "ui/SettingsFile.h"
#include "ui/StatusText.h"
#include "workers/EventQueueThread.h"
#include "workers/SchedulerThread.h"

namespace {

constexpr int kScanIntervalMs = static_cast<int>(TFileBridge::kScanPeriodMs);

bool RegisterFormClasses(HINSTANCE instance) {
    WNDCLASSEXA form{};
    form.cbSize = sizeof form;
    if (!GetClassInfoExA(instance, TNTOrderServerForm::kWindowClassName, &form)) {
        form = WNDCLASSEXA{};
        form.cbSize = sizeof form;
        form.style = CS_DBLCLKS;
        form.lpfnWndProc = TNTOrderServerForm::Impl::WindowProc;
        form.hInstance = instance;
        form.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        form.hIcon = LoadIconResource(instance, "ICON_READY");
        form.lpszClassName = TNTOrderServerForm::kWindowClassName;
        if (!RegisterClassExA(&form)) return false;
    }
    WNDCLASSEXA page{};
    page.cbSize = sizeof page;
    if (!GetClassInfoExA(instance, "TNTOrderServerPage", &page)) {
        page = WNDCLASSEXA{};
        page.cbSize = sizeof page;
        page.lpfnWndProc = TNTOrderServerForm::Impl::PageProc;
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

TNTOrderServerForm::Impl::Impl(TNTOrderServerForm& owner, HINSTANCE inst,
                               TasEventQueueThread& eventQueue, TasSchedulerThread& sched)
    : form(owner), instance(inst), events(eventQueue), scheduler(sched),
      target(window, {WindowMessage::OrdersChanged, WindowMessage::PositionsChanged,
                      WindowMessage::LogLinesPending, WindowMessage::ScanOutgoing}),
      engine(target, eventQueue), bridge(engine) {}

TNTOrderServerForm::Impl::~Impl() {
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

bool TNTOrderServerForm::Impl::CreateWindowHandle() {
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

void TNTOrderServerForm::Impl::RunCreationSteps() {
    windowReady = false;
    // The smallest size, then the window fitted to the screen; the controls are laid out for
    // the smallest size first so that the scaling moves them with the window.
    limits = TasSizeLimits{kSmallestWidth, kSmallestHeight, 0, 0};
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
    engine.Settings.AcceptOrders = true;
    engine.Settings.StopToStopLimit = false;
    LoadSettings(SettingsFilePath(plat::ExecutablePath()), engine.Settings,
                 [this](const std::string& line) { engine.AddLogLine(line); });
    form.SettingsToControls();

    AddTrayIcon();

    popupMenu = CreatePopupMenu();
    AppendMenuA(popupMenu, MF_STRING, MenuId::AcceptOrders, "Accept Orders");
    AppendMenuA(popupMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(popupMenu, MF_STRING, MenuId::Show, "Show");
    AppendMenuA(popupMenu, MF_STRING, MenuId::Exit, "Exit");
    menuStyle = std::make_unique<TasXPThemeSupportTool>(instance);
    menuStyle->ApplyTo(popupMenu);

    bool folderPresent = false;
    try {
        folderPresent = plat::FolderExists(engine.NinjaTraderFolder());
    } catch (const std::exception&) {
        folderPresent = false;  // a failing test counts as a missing folder
    }
    engine.SetFolderPresent(folderPresent);

    SelectPage(TFormPage::Settings);
    windowReady = true;
    engine.Connect();

    scheduler.ScheduleMessage(WindowMessage::ScanOutgoing, &target, 0, true, kScanIntervalMs);
    scanRegistered = true;
}

void TNTOrderServerForm::Impl::ShowMinimised() {
    // The first show fills the views; being minimised, the window then leaves the taskbar.
    ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
    if (IsWindowVisible(hwnd)) HideTaskbarButtonNow();
}

// ---- Impl: tray icon --------------------------------------------------------------------------

void TNTOrderServerForm::Impl::AddTrayIcon() {
    if (!readyIcon) readyIcon = LoadIconResource(instance, "ICON_READY");
    if (!notReadyIcon) notReadyIcon = LoadIconResource(instance, "ICON_NOTREADY");
    tray.Add(hwnd, WindowMessage::TrayNotify, notReadyIcon, views::kTrayTitle);
}

void TNTOrderServerForm::Impl::RemoveTrayIcon() {
    tray.Remove();
}

void TNTOrderServerForm::Impl::HideTaskbarButtonNow() {
    ShowWindow(hwnd, SW_HIDE);
}

// ---- The form ---------------------------------------------------------------------------------

TNTOrderServerForm::TNTOrderServerForm() = default;

TNTOrderServerForm::~TNTOrderServerForm() = default;

std::unique_ptr<TNTOrderServerForm> TNTOrderServerForm::Create(HINSTANCE instance,
                                                               TasEventQueueThread& events,
                                                               TasSchedulerThread& scheduler) {
    INITCOMMONCONTROLSEX common{sizeof common, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES |
                                                   ICC_LISTVIEW_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&common);
    std::unique_ptr<TNTOrderServerForm> form(new TNTOrderServerForm());
    form->impl_ = std::make_unique<Impl>(*form, instance, events, scheduler);
    if (!form->impl_->CreateWindowHandle()) return nullptr;
    form->impl_->RunCreationSteps();
    form->impl_->ShowMinimised();
    return form;
}

HWND TNTOrderServerForm::Handle() const {
    return impl_->hwnd;
}

TOrderServerEngine& TNTOrderServerForm::Engine() {
    return impl_->engine;
}

TFileBridge& TNTOrderServerForm::Bridge() {
    return impl_->bridge;
}

void TNTOrderServerForm::ControlsToSettings() {
    const TFormControls& c = impl_->controls;
    impl_->engine.TakeSettingsFromControls(
        WindowText(c.Edit_Host), WindowText(c.Edit_Account),
        SendMessageA(c.CB_StopToStopLimit, BM_GETCHECK, 0, 0) == BST_CHECKED);
}

void TNTOrderServerForm::SettingsToControls() {
    Impl& d = *impl_;
    if (d.showingSettings) return;
    d.showingSettings = true;
    const TOrderServerSettings& s = d.engine.Settings;
    SetWindowTextA(d.controls.Edit_Account, s.Account.c_str());
    SetWindowTextA(d.controls.Edit_Host, s.Location.c_str());
    SendMessageA(d.controls.CB_StopToStopLimit, BM_SETCHECK,
                 s.StopToStopLimit ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(d.controls.CB_AcceptOrders, BM_SETCHECK,
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

void TNTOrderServerForm::RefreshStatus() {
    Impl& d = *impl_;
    if (d.refreshingStatus) return;
    d.refreshingStatus = true;
    TOrderServerEngine& e = d.engine;
    const std::string status =
        views::StatusLineText(e.ConnectedFlag(), e.FolderPresent(), e.LastHostContact());
    SetTextIfChanged(d.controls.ST_Status, status);
    const int32_t orders = e.WithOrders([](TNTOrderServerDB& book) { return book.Count(); });
    SetTextIfChanged(d.controls.ST_Orders, views::OrdersCounterText(orders, d.secondOrderCounter));
    const int32_t positions =
        e.WithPositions([](TNTOrderServerPositionDB& book) { return book.Count(); });
    SetTextIfChanged(d.controls.ST_Positions, std::to_string(positions));
    UpdateTrayIcon(e.ConnectedFlag(), status);
    d.refreshingStatus = false;
}

void TNTOrderServerForm::RestoreWindow() {
    ShowWindow(impl_->hwnd, SW_RESTORE);
    ShowWindow(impl_->hwnd, SW_SHOW);
    SetForegroundWindow(impl_->hwnd);
}

void TNTOrderServerForm::HideTaskbarButton() {
    impl_->HideTaskbarButtonNow();
}

void TNTOrderServerForm::UpdateTrayIcon(bool ready, const std::string& text) {
    impl_->tray.Update(ready ? impl_->readyIcon : impl_->notReadyIcon, text);
}

bool TNTOrderServerForm::TrayIconShown() const {
    return impl_->tray.Added();
}

bool TNTOrderServerForm::TrayShowsReadyIcon() const {
    return impl_->tray.Icon() != nullptr && impl_->tray.Icon() == impl_->readyIcon;
}

std::string TNTOrderServerForm::TrayTip() const {
    return impl_->tray.Tip();
}
