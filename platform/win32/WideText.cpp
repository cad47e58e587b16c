#include "platform/win32/WideText.h"

#include <windows.h>

namespace plat {

namespace {

// Names and paths are mostly ASCII, and the scan converts every name it lists: those are
// copied as they are, without asking the system.
template <class To, class From>
bool CopyIfAscii(const From* text, size_t length, To& result) {
    for (size_t i = 0; i < length; ++i)
        if (static_cast<unsigned>(text[i]) >= 0x80) return false;
    result.assign(text, text + length);
    return true;
}

}  // namespace

std::string Utf8Text(const wchar_t* text, size_t length) {
    std::string result;
    if (CopyIfAscii(text, length, result)) return result;
    const int wide = static_cast<int>(length);
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, wide, nullptr, 0, nullptr, nullptr);
    result.assign(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, wide, &result[0], size, nullptr, nullptr);
    return result;
}

std::string Utf8Text(const wchar_t* text) {
    return text ? Utf8Text(text, static_cast<size_t>(lstrlenW(text))) : std::string();
}

std::wstring WideText(const std::string& text) {
    std::wstring result;
    if (CopyIfAscii(reinterpret_cast<const unsigned char*>(text.data()), text.size(), result))
        return result;
    const int narrow = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), narrow, nullptr, 0);
    result.assign(static_cast<size_t>(size > 0 ? size : 0), L'\0');
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
