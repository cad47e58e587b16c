#pragma once
// A modal Yes/No question, centred on the screen, with a question icon; Yes is the default
// and Escape answers No.
#include <string>

bool AskYesNo(const std::string& text, const std::string& caption);
