#include "server/SingleInstance.h"

#include "platform/win32/WideText.h"

namespace ordersrv {

InstanceMutex::InstanceMutex(const std::string& name) {
    const std::wstring wideName = plat::WideText(name);
    handle_.Reset(CreateMutexW(nullptr, TRUE, wideName.c_str()));
    first_ = handle_ && GetLastError() != ERROR_ALREADY_EXISTS;
}

void InstanceMutex::Close() {
    if (!handle_) return;
    if (first_) ReleaseMutex(handle_.Get());
    handle_.Reset();
}

void ActivatePreviousInstance(const std::string& applicationTitle) {
    const std::wstring wideTitle = plat::WideText(applicationTitle);
    const wchar_t* title = wideTitle.c_str();
    HWND own = FindWindowExW(nullptr, nullptr, nullptr, title);
    if (!own) return;
    DWORD process = 0;
    GetWindowThreadProcessId(own, &process);
    if (process != GetCurrentProcessId()) return;
    HWND previous = FindWindowExW(nullptr, own, nullptr, title);
    if (!previous) return;
    if (IsIconic(previous)) {
        ShowWindow(previous, SW_RESTORE);
        return;
    }
    SetForegroundWindow(previous);
    HWND popup = GetLastActivePopup(previous);
    if (popup && popup != previous && IsWindowVisible(popup) && IsWindowEnabled(popup))
        BringWindowToTop(popup);
    else
        BringWindowToTop(previous);
}

}  // namespace ordersrv
