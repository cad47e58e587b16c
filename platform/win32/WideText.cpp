#include "platform/win32/WideText.h"

#include <windows.h>

namespace plat {

std::string Utf8Text(const wchar_t* text, size_t length) {
    if (length == 0) return std::string();
    const int wide = static_cast<int>(length);
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, wide, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, wide, &result[0], size, nullptr, nullptr);
    return result;
}

std::string Utf8Text(const wchar_t* text) {
    return text ? Utf8Text(text, static_cast<size_t>(lstrlenW(text))) : std::string();
}

std::wstring WideText(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int narrow = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), narrow, nullptr, 0);
    std::wstring result(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), narrow, &result[0], size);
    return result;
}

std::wstring ExecutablePathWide() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace plat
