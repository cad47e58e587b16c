// The first line of an order-state or position file: whatever NinjaTrader's folder holds, the
// parse either fails or yields exactly the numbers the text spells, never a near miss.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bridge/StateLine.h"
#include "tests/fuzz/FuzzCheck.h"

namespace ordersrv {

namespace {

bool Digits(const std::string& t, size_t& i) {
    const size_t from = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    return i > from;
}

// Optional blanks, optional sign, digits: the only texts a quantity may be.
bool LooksWhole(const std::string& t) {
    size_t i = t.find_first_not_of(' ');
    if (i == std::string::npos) return false;
    if (t[i] == '+' || t[i] == '-') ++i;
    return Digits(t, i) && i == t.size();
}

// Optional blanks and sign, digits with an optional "." (a digit on at least one side),
// optional exponent with digits.
bool LooksDecimal(const std::string& t) {
    size_t i = t.find_first_not_of(' ');
    if (i == std::string::npos) return false;
    if (t[i] == '+' || t[i] == '-') ++i;
    bool any = Digits(t, i);
    if (i < t.size() && t[i] == '.') {
        ++i;
        any = Digits(t, i) || any;
    }
    if (!any) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        if (!Digits(t, i)) return false;
    }
    return i == t.size();
}

void CheckWholeNumber(const std::string& text) {
    const int32_t value = WholeNumberOr(text, -7777);
    if (!LooksWhole(text)) {
        FUZZ_CHECK(value == -7777);
        return;
    }
    errno = 0;
    const long long wide = std::strtoll(text.c_str(), nullptr, 10);
    const bool fits = wide >= INT32_MIN && wide <= INT32_MAX && errno != ERANGE;
    if (fits && wide != -7777) FUZZ_CHECK(value == wide);
    if (!fits) FUZZ_CHECK(value == -7777);
}

void CheckDecimal(const std::string& text) {
    double value = 12345.0;
    const bool ok = ParseDecimalNumber(text, value);
    if (!LooksDecimal(text)) {
        FUZZ_CHECK(!ok && value == 12345.0);
        return;
    }
    // strtod in the "C" locale is the reference for texts of this form.
    errno = 0;
    char* end = nullptr;
    const double expected = std::strtod(text.c_str(), &end);
    if (std::isfinite(expected) && errno != ERANGE) {
        FUZZ_CHECK(ok);
        FUZZ_CHECK(value == expected);
    }
    if (ok) FUZZ_CHECK(std::isfinite(value));
}

}  // namespace

}  // namespace ordersrv

using namespace ordersrv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    std::string line;
    if (FirstNonEmptyLine(content, line)) {
        FUZZ_CHECK(!line.empty() && line.find_first_of("\r\n") == std::string::npos);
        FUZZ_CHECK(content.compare(0, line.size(), line) == 0);
    } else {
        line = content.substr(0, content.find_first_of("\r\n"));
        FUZZ_CHECK(line.empty());
        line = content;  // still parse the raw text below
    }

    StateLine parsed;
    parsed.word = "untouched";
    const bool ok = ParseStateLine(line, parsed);
    const size_t first = line.find(';');
    const size_t second = first == std::string::npos ? first : line.find(';', first + 1);
    if (ok) {
        FUZZ_CHECK(second != std::string::npos);
        FUZZ_CHECK(parsed.word == line.substr(0, first));
        FUZZ_CHECK(parsed.quantity >= 0);
        FUZZ_CHECK(std::isfinite(parsed.price));
        const std::string quantity = line.substr(first + 1, second - first - 1);
        FUZZ_CHECK(WholeNumberOr(quantity, -1) == parsed.quantity);
        const size_t third = line.find(';', second + 1);
        const std::string price =
            line.substr(second + 1, third == std::string::npos ? third : third - second - 1);
        double again = 0.0;
        FUZZ_CHECK(ParseDecimalNumber(price, again) && again == parsed.price);
    } else {
        FUZZ_CHECK(parsed.word == "untouched");
    }
    if (second != std::string::npos) {
        CheckWholeNumber(line.substr(first + 1, second - first - 1));
        const size_t third = line.find(';', second + 1);
        CheckDecimal(line.substr(second + 1, third == std::string::npos ? third : third - second - 1));
    } else {
        CheckWholeNumber(line);
        CheckDecimal(line);
    }
    LoggedLineText(line);
    return 0;
}
