#include "platform/CodePage.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace plat {

namespace {

// Every ANSI code page holds ASCII as it is: most texts need no conversion at all.
bool IsAscii(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// A system set to use UTF-8 as its ANSI code page: its 8-bit text is the process's own.
bool AnsiIsUtf8() { return GetACP() == CP_UTF8; }

}  // namespace

std::string Utf8FromAnsi(const std::string& text) {
    if (IsAscii(text) || AnsiIsUtf8()) return text;
    const int narrow = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), narrow, nullptr, 0);
    std::wstring wide(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), narrow, &wide[0], size);
    return Utf8Text(wide);
}

bool AnsiFromUtf8(const std::string& text, std::string& ansi) {
    if (IsAscii(text) || AnsiIsUtf8()) {
        ansi = text;
        return true;
    }
    const std::wstring wide = WideText(text);
    const int length = static_cast<int>(wide.size());
    // No best fit: a character the code page lacks becomes the default character "?".
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length,
                                         nullptr, 0, "?", nullptr);
    ansi.assign(static_cast<size_t>(size > 0 ? size : 0), '\0');
    BOOL lacking = FALSE;
    if (size > 0)
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, &ansi[0], size,
                            "?", &lacking);
    // A UTF-8 byte that started no character came back as U+FFFD, which no ANSI code page holds.
    return size > 0 && !lacking;
}

std::string InstructionText(const std::string& text) {
    std::string ansi;
    AnsiFromUtf8(text, ansi);
    return ansi;
}

}  // namespace plat
