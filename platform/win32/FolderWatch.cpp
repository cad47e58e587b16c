#include "platform/FolderWatch.h"

#include <windows.h>

#include "platform/Scoped.h"
#include "platform/win32/WideText.h"

namespace plat {

struct FolderWatch::System {
    ChangeNotificationHandle change;
    KernelHandle stop{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

FolderWatch::FolderWatch() : system_(std::make_unique<System>()) {}

FolderWatch::~FolderWatch() { Stop(); }

bool FolderWatch::Start(const std::string& folder, Changed changed, uint32_t& error) {
    Stop();
    folder_ = folder;
    changed_ = std::move(changed);
    const DWORD what = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                       FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
    system_->change = ChangeNotificationHandle(
        FindFirstChangeNotificationW(WideText(folder).c_str(), TRUE, what));
    if (!system_->change || !system_->stop) {
        error = GetLastError();
        return false;
    }
    ResetEvent(system_->stop.Get());
    active_ = true;
    thread_ = std::thread(&FolderWatch::Run, this);
    return true;
}

void FolderWatch::Stop() {
    if (thread_.joinable()) {
        SetEvent(system_->stop.Get());
        thread_.join();
    }
    system_->change.Reset();
    active_ = false;
}

void FolderWatch::Run() {
    const HANDLE waitFor[2] = {system_->stop.Get(), system_->change.Get()};
    for (;;) {
        if (WaitForMultipleObjects(2, waitFor, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
        // Armed again before the callback: a change made while it runs signals the handle
        // (Wine reports nothing that happened while the watch was not armed). Fails once the
        // folder is gone: the watch ends and the caller may start it again.
        const bool armed = FindNextChangeNotification(system_->change.Get()) != FALSE;
        changed_();
        if (!armed) break;
    }
    active_ = false;
}

}  // namespace plat
