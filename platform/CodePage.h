#pragma once
// The system's 8-bit code page and the process's own text, which is UTF-8. What NinjaTrader
// reads and writes (instruction lines, order-state and position files) is 8-bit text in the
// system's ANSI code page, and so is a settings file without a UTF-8 byte-order mark. Natively
// the system's 8-bit text is UTF-8 itself, and both conversions are the identity.
#include <string>

namespace plat {

// 8-bit text of the code page as UTF-8.
std::string Utf8FromAnsi(const std::string& text);

// UTF-8 text in the code page. False when a character has no exact form there: it is then
// written as "?", never as a look-alike (a best fit turns U+037E, the Greek question mark,
// into ";").
bool AnsiFromUtf8(const std::string& text, std::string& ansi);

// A field of an instruction line as NinjaTrader reads it: the text in the code page, "?" for
// each character the code page lacks.
std::string InstructionText(const std::string& text);

// An 8-bit code page seen from UTF-8 text: the system's (kAnsiCodePage), or another one where
// a rule must be tried against a code page that is not UTF-8.
struct CodePage {
    std::string (*toUtf8)(const std::string& text);
    bool (*fromUtf8)(const std::string& text, std::string& converted);
};
inline constexpr CodePage kAnsiCodePage{Utf8FromAnsi, AnsiFromUtf8};

}  // namespace plat
