#pragma once
// Text rules of the keys and file names: only the ASCII letters change case, and trimming
// removes blanks and control characters (codes 32 and below) at both ends.
#include <string>

namespace ordersrv {

inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string UpperCaseAscii(std::string text) {
    for (char& c : text) c = UpperAscii(c);
    return text;
}

inline bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

inline std::string TrimBlanks(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && IsBlankOrControl(text[first])) ++first;
    while (last > first && IsBlankOrControl(text[last - 1])) --last;
    return text.substr(first, last - first);
}

inline bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    return true;
}

// The text with its control characters written out (a line feed as \n, a tab as \t, others as
// \xNN), as log lines show file names and lines read from OUTGOING: raw, a line feed or tab
// would break the log view's lines.
inline std::string EscapeControlCharacters(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code >= 32 && code != 127) shown += c;
        else if (c == '\n') shown += "\\n";
        else if (c == '\r') shown += "\\r";
        else if (c == '\t') shown += "\\t";
        else shown += std::string("\\x") + kHex[code >> 4] + kHex[code & 15];
    }
    return shown;
}

}  // namespace ordersrv
