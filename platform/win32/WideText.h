#pragma once
// Wide (UTF-16) text as the process's 8-bit text in the system's ANSI code page, and back; and
// the running executable's path as Windows holds it.
#include <cstddef>
#include <string>

namespace plat {

std::string NarrowText(const wchar_t* text, size_t length);
inline std::string NarrowText(const std::wstring& text) { return NarrowText(text.c_str(), text.size()); }
std::wstring WideText(const std::string& text);

// The full path of the running executable, wide, whatever its length.
std::wstring ExecutablePathWide();

}  // namespace plat
