#include "tests/ui/WindowTestSupport.h"

#include "platform/win32/WideText.h"

namespace ordersrv {

namespace uitest {
namespace {

std::atomic<bool> quitSeen{false};

bool DispatchPending() {
    bool quit = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            quitSeen = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return quit;
}

struct FindChild {
    int id;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM data) {
    auto* find = reinterpret_cast<FindChild*>(data);
    if (GetDlgCtrlID(child) == find->id) {
        find->found = child;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool Pump(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    bool quit = false;
    while (std::chrono::steady_clock::now() < end) {
        quit |= DispatchPending();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    quit |= DispatchPending();
    return quit;
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        DispatchPending();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

bool QuitSeen() { return quitSeen; }
void ResetQuitSeen() { quitSeen = false; }

HWND WaitForWindow(const char* cls, const char* title, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        HWND window = FindWindowA(cls, title);
        if (window && IsWindowVisible(window)) return window;
        Sleep(20);
    }
    return nullptr;
}

std::string TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return plat::Utf8Text(text);
}

HWND FindControl(HWND form, int id) {
    FindChild find{id, nullptr};
    EnumChildWindows(form, MatchChild, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

std::string ControlText(HWND form, int id) {
    return TextOf(FindControl(form, id));
}

bool IsChecked(HWND checkBox) {
    return SendMessageA(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::string ListCell(HWND view, int row, int column) {
    wchar_t text[512] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 512;
    SendMessageW(view, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return plat::Utf8Text(text);
}

bool RunWhilePumping(const std::function<void()>& work, int timeoutMs) {
    std::atomic<bool> finished{false};
    std::thread helper([&] {
        work();
        finished = true;
    });
    const bool inTime = PumpUntil([&] { return finished.load(); }, timeoutMs);
    helper.join();
    return inTime;
}

}  // namespace uitest

}  // namespace ordersrv
