#include "server/SingleInstance.h"

namespace ordersrv {

InstanceMutex::InstanceMutex(const std::string& name)
    : handle_(CreateMutexA(nullptr, TRUE, name.c_str())) {
    first_ = handle_ && GetLastError() != ERROR_ALREADY_EXISTS;
}

void InstanceMutex::Close() {
    if (!handle_) return;
    if (first_) ReleaseMutex(handle_.Get());
    handle_.Reset();
}

void ActivatePreviousInstance(const std::string& applicationTitle) {
    const char* title = applicationTitle.c_str();
    HWND own = FindWindowExA(nullptr, nullptr, nullptr, title);
    if (!own) return;
    DWORD process = 0;
    GetWindowThreadProcessId(own, &process);
    if (process != GetCurrentProcessId()) return;
    HWND previous = FindWindowExA(nullptr, own, nullptr, title);
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
