#include "platform/CodePage.h"

namespace plat {

// The system's 8-bit text is UTF-8.
std::string Utf8FromAnsi(const std::string& text) { return text; }

bool AnsiFromUtf8(const std::string& text, std::string& ansi) {
    ansi = text;
    return true;
}

std::string InstructionText(const std::string& text) { return text; }

}  // namespace plat
