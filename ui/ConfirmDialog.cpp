#include "ui/ConfirmDialog.h"

#include <windows.h>

namespace ordersrv {

namespace {

// The message box has no Cancel button, so it ignores Escape; its dialog window is given a
// procedure that takes Escape as No. Each question keeps its own hook and box, and each box
// keeps its own original procedure (a window property), so a question asked while another is
// open can never hand one box's procedure to the other.
const char* const kOriginalProcedure = "OrderServer.ConfirmBoxProcedure";

struct Question {
    HHOOK hook = nullptr;
    HWND box = nullptr;
    Question* outer = nullptr;
};
thread_local Question* innermost = nullptr;

LRESULT CALLBACK EscapeMeansNo(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetPropA(dialog, kOriginalProcedure));
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDNO);
        return 0;
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(dialog, kOriginalProcedure);
    }
    return original ? CallWindowProcA(original, dialog, msg, wParam, lParam)
                    : DefWindowProcA(dialog, msg, wParam, lParam);
}

LRESULT CALLBACK OnActivation(int code, WPARAM wParam, LPARAM lParam) {
    Question* question = innermost;
    const LRESULT next = CallNextHookEx(question ? question->hook : nullptr, code, wParam, lParam);
    if (code != HCBT_ACTIVATE || !question || question->box) return next;
    HWND dialog = reinterpret_cast<HWND>(wParam);
    if (GetPropA(dialog, kOriginalProcedure)) return next;  // another question's box
    question->box = dialog;
    const LONG_PTR original =
        SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EscapeMeansNo));
    SetPropA(dialog, kOriginalProcedure, reinterpret_cast<HANDLE>(original));
    return next;
}

}  // namespace

bool AskYesNo(const std::string& text, const std::string& caption) {
    Question question;
    question.outer = innermost;
    innermost = &question;
    question.hook = SetWindowsHookExA(WH_CBT, OnActivation, nullptr, GetCurrentThreadId());
    const int answer = MessageBoxA(nullptr, text.c_str(), caption.c_str(),
                                   MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1 | MB_TASKMODAL |
                                       MB_SETFOREGROUND);
    if (question.hook) UnhookWindowsHookEx(question.hook);
    innermost = question.outer;
    return answer == IDYES;
}

void BringOpenQuestionForward(HWND owner) {
    HWND box = innermost ? innermost->box : nullptr;
    if (!box && owner) box = GetLastActivePopup(owner);
    if (box && box != owner && IsWindowVisible(box)) SetForegroundWindow(box);
}

}  // namespace ordersrv
