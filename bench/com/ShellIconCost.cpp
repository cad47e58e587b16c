// The cost of Shell_NotifyIcon(NIM_MODIFY) in this desktop session: a hidden window of the
// benchmark's own adds an icon, modifies it with the same icon and tip again and again, and
// removes it. Under Wine the notification area lives in another process (explorer), and every
// modification is a synchronous round trip to it.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/com/Benchmarks.h"

namespace ordersrv {

namespace bench {

int RunShellIconCost(int updates) {
    WNDCLASSA cls = {};
    cls.lpfnWndProc = DefWindowProcA;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "CombenchTray";
    RegisterClassA(&cls);
    HWND window = CreateWindowExA(0, cls.lpszClassName, "combench", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                  100, nullptr, nullptr, cls.hInstance, nullptr);
    if (!window) return 1;
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_APP + 1;
    data.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    std::strcpy(data.szTip, "Connected");
    const bool added = Shell_NotifyIconA(NIM_ADD, &data) != 0;
    std::vector<double> ms;
    for (int i = 0; added && i < updates; ++i) {
        const double start = NowMs();
        Shell_NotifyIconA(NIM_MODIFY, &data);
        ms.push_back(NowMs() - start);
    }
    if (added) Shell_NotifyIconA(NIM_DELETE, &data);
    DestroyWindow(window);
    const Figures f = Summarise(ms);
    PrintLatency("Shell_NotifyIcon(NIM_MODIFY)", "shell_modify_ms", f,
                 " (" + std::to_string(f.count) + ")" + (added ? "" : " (no notification area)"));
    return 0;
}

}  // namespace bench

}  // namespace ordersrv
