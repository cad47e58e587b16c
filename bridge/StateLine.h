#pragma once
// The first line of an order-state or position file, "word;quantity;price", and the number
// forms it uses. Locale-free: "." is the decimal point whatever the user's settings.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ordersrv {

struct StateLine {
    std::string word;      // as written, case unchanged
    int32_t quantity = 0;  // 0 or more
    double price = 0.0;
};

// Optional leading blanks, an optional sign and decimal digits, within 32 bits; `fallback`
// for anything else.
int32_t WholeNumberOr(const std::string& text, int32_t fallback);

// Optional leading blanks and sign, digits with an optional "." and an optional exponent, and
// nothing else. False (value untouched) for anything else, "inf"/"nan" and out-of-range values.
bool ParseDecimalNumber(const std::string& text, double& value);

// "word;quantity;price[;anything]": false when a ";" is missing, the quantity is not a whole
// number of 0 or more, or the price text is not a valid number.
bool ParseStateLine(const std::string& line, StateLine& parsed);

// The text up to the first CR or LF. False when the content holds no line at all, or when its
// first line is empty: a writer that truncates first and writes a moment later leaves exactly
// that, and it must read as "nothing yet", never as a state.
bool FirstNonEmptyLine(const std::string& content, std::string& line);

// How much of a state or position file is looked at: far more than any first line NinjaTrader
// writes, and little enough that a runaway file never stalls the main thread.
constexpr size_t kStateFileReadLimit = 64 * 1024;

// Reads the first line of a state or position file. Result tells which of the three outcomes.
enum class FirstLineRead { Unreadable, NoLine, Line };
FirstLineRead ReadFirstLine(const std::string& path, std::string& line);

// A first line (8-bit text in the system's code page) as log lines show it: UTF-8, cut after a
// couple of hundred bytes.
std::string LoggedLineText(const std::string& line);

}  // namespace ordersrv
