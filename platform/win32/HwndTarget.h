#pragma once
// A window as a message target: PostMessageA to its handle, which may not exist yet or any more.
#include "platform/MessageTarget.h"

#include <windows.h>

#include <atomic>

namespace plat {

class HwndTarget : public MessageTarget {
public:
    explicit HwndTarget(HWND hwnd = nullptr) : hwnd_(hwnd) {}

    void SetHandle(HWND hwnd) { hwnd_ = hwnd; }
    HWND Handle() const { return hwnd_; }

    bool HasHandle() const override { return hwnd_ != nullptr; }
    uint32_t Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) override {
        // Without a window, PostMessage would post to the calling thread, where nothing reads it.
        const HWND hwnd = hwnd_;
        if (!hwnd) return ERROR_INVALID_WINDOW_HANDLE;
        if (PostMessageA(hwnd, msg, wParam, lParam)) return 0;
        const DWORD error = GetLastError();
        return error ? error : ERROR_NOT_ENOUGH_QUOTA;
    }

private:
    std::atomic<HWND> hwnd_;
};

}  // namespace plat
