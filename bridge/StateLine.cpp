#include "bridge/StateLine.h"

#include "model/AsciiText.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace ordersrv {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t SkipBlanks(const std::string& text, size_t i) {
    while (i < text.size() && text[i] == ' ') ++i;
    return i;
}

size_t SkipDigits(const std::string& text, size_t i) {
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i;
}

}  // namespace

int32_t WholeNumberOr(const std::string& text, int32_t fallback) {
    size_t i = SkipBlanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return fallback;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return fallback;
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) return fallback;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return fallback;
    return static_cast<int32_t>(value);
}

bool ParseDecimalNumber(const std::string& text, double& value) {
    size_t i = SkipBlanks(text, 0);
    const size_t signAt = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t mantissaAt = i;
    size_t end = SkipDigits(text, i);
    size_t digits = end - i;
    if (end < text.size() && text[end] == '.') {
        const size_t fraction = end + 1;
        end = SkipDigits(text, fraction);
        digits += end - fraction;
    }
    if (digits == 0) return false;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        size_t e = end + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
        const size_t expEnd = SkipDigits(text, e);
        if (expEnd == e) return false;
        end = expEnd;
    }
    if (end != text.size()) return false;
    // from_chars takes neither blanks nor "+", and is independent of the locale.
    double parsed = 0.0;
    const char* first = text.data() + mantissaAt;
    const char* last = text.data() + end;
    const auto result = std::from_chars(first, last, parsed, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(parsed)) return false;
    value = (text[signAt] == '-') ? -parsed : parsed;
    return true;
}

bool ParseStateLine(const std::string& line, StateLine& parsed) {
    const size_t first = line.find(';');
    if (first == std::string::npos) return false;
    const size_t second = line.find(';', first + 1);
    if (second == std::string::npos) return false;
    const int32_t quantity = WholeNumberOr(line.substr(first + 1, second - first - 1), -1);
    if (quantity < 0) return false;
    const size_t third = line.find(';', second + 1);
    const std::string priceText =
        line.substr(second + 1, third == std::string::npos ? std::string::npos : third - second - 1);
    double price = 0.0;
    if (!ParseDecimalNumber(priceText, price)) return false;
    parsed.word = line.substr(0, first);
    parsed.quantity = quantity;
    parsed.price = price;
    return true;
}

bool FirstNonEmptyLine(const std::string& content, std::string& line) {
    const size_t end = content.find_first_of("\r\n");
    line = content.substr(0, end);
    return !line.empty();
}

FirstLineRead ReadFirstLine(const std::string& path, std::string& line) {
    std::string head;
    bool complete = false;
    if (!plat::ReadFileHead(path, kStateFileReadLimit, head, complete)) return FirstLineRead::Unreadable;
    if (!FirstNonEmptyLine(head, line)) return FirstLineRead::NoLine;
    // A first line longer than the limit is cut; cut it so that it can never parse.
    if (!complete && line.size() == head.size()) line += '\x01';
    return FirstLineRead::Line;
}

std::string LoggedLineText(const std::string& line) {
    constexpr size_t kLimit = 200;
    // The line is NinjaTrader's 8-bit text; the log holds UTF-8, cut between two characters.
    const std::string shown = EscapeControlCharacters(plat::Utf8FromAnsi(line));
    if (shown.size() <= kLimit) return shown;
    size_t cut = kLimit;
    while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;
    return shown.substr(0, cut) + "...";
}

}  // namespace ordersrv
