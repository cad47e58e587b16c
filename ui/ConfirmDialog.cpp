#include "ui/ConfirmDialog.h"

#include <windows.h>

namespace {

// The message box has no Cancel button, so it ignores Escape; its dialog window is given a
// procedure that takes Escape as No.
thread_local HHOOK activationHook = nullptr;
thread_local WNDPROC boxProcedure = nullptr;

LRESULT CALLBACK EscapeMeansNo(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDNO);
        return 0;
    }
    return CallWindowProcA(boxProcedure, dialog, msg, wParam, lParam);
}

LRESULT CALLBACK OnActivation(int code, WPARAM wParam, LPARAM lParam) {
    const LRESULT next = CallNextHookEx(activationHook, code, wParam, lParam);
    if (code == HCBT_ACTIVATE && !boxProcedure) {
        HWND dialog = reinterpret_cast<HWND>(wParam);
        boxProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EscapeMeansNo)));
    }
    return next;
}

}  // namespace

bool AskYesNo(const std::string& text, const std::string& caption) {
    boxProcedure = nullptr;
    activationHook = SetWindowsHookExA(WH_CBT, OnActivation, nullptr, GetCurrentThreadId());
    const int answer = MessageBoxA(nullptr, text.c_str(), caption.c_str(),
                                   MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1 | MB_TASKMODAL |
                                       MB_SETFOREGROUND);
    if (activationHook) UnhookWindowsHookEx(activationHook);
    activationHook = nullptr;
    boxProcedure = nullptr;
    return answer == IDYES;
}
