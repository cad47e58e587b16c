#pragma once
// Driving the real main window from a test: message pumping, finding dialogs and menus from a
// helper thread and clicking them as a person would, reading controls.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace ordersrv {

namespace uitest {

// Dispatches the thread's messages for `ms`; true when a quit request was seen.
bool Pump(int ms);
// Dispatches messages until `done` holds or `timeoutMs` passes; the final value of `done`.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
bool QuitSeen();
void ResetQuitSeen();

// Waits (from a helper thread) for a visible top-level window; null after the timeout.
HWND WaitForWindow(const char* cls, const char* title, int timeoutMs = 5000);

// Texts are UTF-8.
std::string TextOf(HWND window);
std::string ControlText(HWND form, int id);
HWND FindControl(HWND form, int id);  // searched through the pages too
bool IsChecked(HWND checkBox);
// A cell of a list-view as the view shows it (row and column from 0).
std::string ListCell(HWND view, int row, int column);

// Runs `work` on a helper thread and pumps the main thread's messages until it has finished.
bool RunWhilePumping(const std::function<void()>& work, int timeoutMs = 10000);

}  // namespace uitest

}  // namespace ordersrv
