#pragma once
// The process keeps its text in UTF-8; Windows' own ("W") functions take UTF-16. The
// conversions between the two, and the running executable's path as Windows holds it.
#include <cstddef>
#include <string>

namespace plat {

// UTF-16 text as UTF-8 (a lone surrogate becomes U+FFFD).
std::string Utf8Text(const wchar_t* text, size_t length);
inline std::string Utf8Text(const std::wstring& text) { return Utf8Text(text.c_str(), text.size()); }
// A zero-ended UTF-16 text as UTF-8; empty for null.
std::string Utf8Text(const wchar_t* text);

// UTF-8 text as UTF-16, for the "W" functions (a byte that starts no character becomes U+FFFD).
std::wstring WideText(const std::string& text);

// The full path of the running executable, wide, whatever its length.
std::wstring ExecutablePathWide();

}  // namespace plat
