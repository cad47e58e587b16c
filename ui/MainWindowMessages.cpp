// The main window's message handling: routing to the engine and the file bridge, the
// notification-area icon and its menu, the buttons, the close request.
#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "engine/EngineError.h"
#include "engine/WindowMessages.h"
#include "platform/FileSystem.h"
#include "ui/ConfirmDialog.h"
#include "ui/FixedHostText.h"
#include "ui/MainWindowImpl.h"
#include "engine/SettingsFile.h"

namespace {

MainWindow::Impl* ImplOf(HWND hwnd) {
    return reinterpret_cast<MainWindow::Impl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

bool IsChecked(HWND checkBox) {
    return SendMessageA(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}  // namespace

LRESULT CALLBACK MainWindow::Impl::WindowProc(HWND hwnd, UINT msg, WPARAM wParam,
                                                      LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* self = static_cast<Impl*>(create->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self) self->hwnd = hwnd;
    }
    Impl* self = ImplOf(hwnd);
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    // Nothing may leave a window procedure by an exception: it is logged and the message
    // counts as handled.
    try {
        return self->Handle(msg, wParam, lParam);
    } catch (const std::exception& error) {
        self->engine.AddLogLine(error.what());
    } catch (...) {
        self->engine.AddLogLine("Unexpected error");
    }
    return 0;
}

// A page passes what its controls report to the main window.
LRESULT CALLBACK MainWindow::Impl::PageProc(HWND hwnd, UINT msg, WPARAM wParam,
                                                    LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CONTEXTMENU:
        return SendMessageA(GetParent(hwnd), msg, wParam, lParam);
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

LRESULT MainWindow::Impl::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WindowMessage::TrayNotify:
        OnTrayNotify(lParam);
        return 0;
    case WindowMessage::OrdersChanged:
        TakeFoldedRequest(msg);
        OnOrdersChanged();
        return 0;
    case WindowMessage::PositionsChanged:
        TakeFoldedRequest(msg);
        OnPositionsChanged();
        return 0;
    case WindowMessage::ShowTrayMenu:
        ShowTrayMenu();
        return 0;
    case WindowMessage::ProcessActions:
        bridge.ProcessActionQueue();
        return 0;
    case WindowMessage::LogLinesPending:
        TakeFoldedRequest(msg);
        OnLogLinesPending();
        return 0;
    case WindowMessage::ScanOutgoing:
        TakeFoldedRequest(msg);
        bridge.ScanOutgoingFolder();
        return 0;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (limits.MinWidth > 0) info->ptMinTrackSize.x = limits.MinWidth;
        if (limits.MinHeight > 0) info->ptMinTrackSize.y = limits.MinHeight;
        if (limits.MaxWidth > 0) info->ptMaxTrackSize.x = limits.MaxWidth;
        if (limits.MaxHeight > 0) info->ptMaxTrackSize.y = limits.MaxHeight;
        return 0;
    }
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED)
            HideTaskbarButtonNow();
        else
            layout.Apply();
        return 0;
    case WM_SHOWWINDOW:
        if (wParam) OnFirstShow();
        break;
    case WM_CLOSE:
        OnCloseRequest();
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_CONTEXTMENU: {
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (lParam == -1) GetCursorPos(&at);  // from the keyboard
        OpenPopupMenu(at);
        return 0;
    }
    case WM_MEASUREITEM:
        if (menuStyle && menuStyle->MeasureItem(hwnd, *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_DRAWITEM:
        if (menuStyle && menuStyle->DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    default:
        // The shell started again: the icon has to be registered anew.
        if (taskbarCreatedMessage && msg == taskbarCreatedMessage && tray.Added()) {
            AddTrayIcon();
            form.RefreshStatus();
            return 0;
        }
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void MainWindow::Impl::TakeFoldedRequest(UINT msg) {
    target.Taken(msg);
    MSG queued;
    while (PeekMessageA(&queued, hwnd, msg, msg, PM_REMOVE | PM_NOYIELD)) {
    }
}

void MainWindow::Impl::OnCommand(int id, int code) {
    switch (id) {
    case ControlId::ConnectButton:
        if (code == BN_CLICKED && !engine.ConnectedFlag()) engine.Connect();
        break;
    case ControlId::DisconnectButton:
        if (code == BN_CLICKED && engine.ConnectedFlag()) engine.Disconnect();
        break;
    case ControlId::AcceptOrders:
        if (code == BN_CLICKED) OnAcceptOrdersChanged();
        break;
    case ControlId::TestPlaceOrder:
        if (code == BN_CLICKED) PlaceTestOrder();
        break;
    case MenuId::AcceptOrders:
        OnMenuAcceptOrders();
        break;
    case MenuId::Show:
        form.RestoreWindow();
        break;
    case MenuId::Exit:
        OnCloseRequest();
        break;
    default:
        break;
    }
}

LRESULT MainWindow::Impl::OnNotify(NMHDR* header) {
    if (!header) return 0;
    if (header->hwndFrom == controls.pages && header->code == TCN_SELCHANGE) {
        OnPageTabChanged();
        return 0;
    }
    AnswerCell(header);
    return 0;
}

void MainWindow::Impl::OnTrayNotify(LPARAM mouseEvent) {
    switch (static_cast<UINT>(mouseEvent)) {
    case WM_RBUTTONDOWN:
        PostMessageA(hwnd, WindowMessage::ShowTrayMenu, 0, 0);
        break;
    case WM_LBUTTONDBLCLK:
        form.RestoreWindow();
        break;
    default:
        break;
    }
}

void MainWindow::Impl::ShowTrayMenu() {
    POINT at{};
    if (!GetCursorPos(&at)) return;
    OpenPopupMenu(at);
}

void MainWindow::Impl::OpenPopupMenu(POINT at) {
    const bool minimised = IsIconic(hwnd) || !IsWindowVisible(hwnd);
    EnableMenuItem(popupMenu, MenuId::Show,
                   MF_BYCOMMAND | (minimised && windowReady ? MF_ENABLED : MF_GRAYED));
    CheckMenuItem(popupMenu, MenuId::AcceptOrders,
                  MF_BYCOMMAND | (engine.settings.AcceptOrders ? MF_CHECKED : MF_UNCHECKED));
    SetForegroundWindow(hwnd);
    TrackPopupMenu(popupMenu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd, nullptr);
    // Lets the menu close when the user clicks elsewhere next time.
    PostMessageA(hwnd, WM_NULL, 0, 0);
}

void MainWindow::Impl::OnAcceptOrdersChanged() {
    engine.settings.AcceptOrders = IsChecked(controls.acceptOrdersCheck);
}

void MainWindow::Impl::OnMenuAcceptOrders() {
    const bool menuChecked =
        (GetMenuState(popupMenu, MenuId::AcceptOrders, MF_BYCOMMAND) & MF_CHECKED) != 0;
    SendMessageA(controls.acceptOrdersCheck, BM_SETCHECK, menuChecked ? BST_UNCHECKED : BST_CHECKED,
                 0);
    // A change made by the program reports no click: the check box's change handler runs here.
    OnAcceptOrdersChanged();
}

void MainWindow::Impl::OnCloseRequest() {
    // One close at a time: the tray menu still works while a question is shown, and a second
    // Exit must neither ask again nor save from controls the first close may have destroyed.
    if (closing) {
        BringOpenQuestionForward(hwnd);
        return;
    }
    closing = true;
    if (!AskYesNo("Are you sure you want to close Order Server?", "Confirm")) {
        closing = false;
        return;
    }
    RemoveTrayIcon();
    form.ControlsToSettings();
    SaveSettings(SettingsFilePath(plat::ExecutablePath()), engine.settings,
                 [this](const std::string& line) { engine.AddLogLine(line); });
    if (!form.MayEndApplication || form.MayEndApplication()) {
        DestroyWindow(hwnd);
        PostQuitMessage(0);
        return;  // the window is gone: no close can follow
    }
    // The application stays: without its icon a hidden window could not be reached again.
    AddTrayIcon();
    form.RefreshStatus();
    closing = false;
}

void MainWindow::Impl::OnFirstShow() {
    if (!firstShow) return;
    firstShow = false;
    SelectPage(Page::Settings);
    PostMessageA(hwnd, WindowMessage::OrdersChanged, 0, 0);
    PostMessageA(hwnd, WindowMessage::PositionsChanged, 0, 0);
}

void MainWindow::Impl::PlaceTestOrder() {
    try {
        engine.NewOrder(FixedText("IBM"), FixedText(""), 0, FixedText("DEMO"), 0, 0,
                        0, 100, 0.0, 100);
    } catch (const EngineError& error) {
        engine.AddLogLine(error.what());
    }
}
