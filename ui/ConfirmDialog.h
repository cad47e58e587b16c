#pragma once
// A modal Yes/No question, centred on the screen, with a question icon; Yes is the default
// and Escape answers No.
#include <windows.h>

#include <string>

namespace ordersrv {

bool AskYesNo(const std::string& text, const std::string& caption);

// Brings the box of the question being asked on this thread to the front; without one, the
// last active pop-up of `owner` (a box it owns). Nothing happens when neither is shown.
void BringOpenQuestionForward(HWND owner);

}  // namespace ordersrv
