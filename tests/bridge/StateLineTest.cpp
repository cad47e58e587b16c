#include <gtest/gtest.h>

#include <clocale>

#ifdef _WIN32
#include <windows.h>
#endif

#include "bridge/InstructionLines.h"
#include "bridge/StateLine.h"

namespace ordersrv {

namespace {

TEST(StateLine, NumberForms) {
    EXPECT_EQ(WholeNumberOr("12", -1), 12);
    EXPECT_EQ(WholeNumberOr("  +12", -1), 12);
    EXPECT_EQ(WholeNumberOr("-3", 0), -3);
    EXPECT_EQ(WholeNumberOr("", -1), -1);
    EXPECT_EQ(WholeNumberOr("1 2", -1), -1);
    EXPECT_EQ(WholeNumberOr("2147483647", -1), 2147483647);
    EXPECT_EQ(WholeNumberOr("2147483648", -1), -1);
    EXPECT_EQ(WholeNumberOr("99999999999999999999", -1), -1);

    double v = 0;
    EXPECT_TRUE(ParseDecimalNumber("  -1.5e2", v));
    EXPECT_DOUBLE_EQ(v, -150.0);
    EXPECT_TRUE(ParseDecimalNumber("+.5", v));
    EXPECT_DOUBLE_EQ(v, 0.5);
    EXPECT_TRUE(ParseDecimalNumber("7.", v));
    EXPECT_DOUBLE_EQ(v, 7.0);
    for (const char* bad : {"", " ", ".", "1e", "1.5 ", "1,5", "inf", "nan", "0x10", "1e999", "--1"})
        EXPECT_FALSE(ParseDecimalNumber(bad, v)) << bad;
}

TEST(StateLine, DecimalPointIsAlwaysADotInAndOut) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    // A locale with a decimal comma, where one is installed; the parse must not notice.
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) std::setlocale(LC_NUMERIC, "German_Germany.1252");
    double v = 0;
    EXPECT_TRUE(ParseDecimalNumber("1234.5", v));
    EXPECT_DOUBLE_EQ(v, 1234.5);
    EXPECT_EQ(InstructionPriceText(1234.5), "1234.500000");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

// The log holds UTF-8: NinjaTrader's 8-bit line is converted, and a long one is cut between
// two characters, never inside one.
TEST(StateLine, LoggedLineIsUtf8CutBetweenCharacters) {
    const std::string head(199, 'a');
    EXPECT_EQ(LoggedLineText(head + "\xC3\xA9"), head + "...");
    EXPECT_EQ(LoggedLineText(head + "b\xC3\xA9"), head + "b...");
#ifdef _WIN32
    if (GetACP() == 1252) {
        EXPECT_EQ(LoggedLineText("Caf\xE9;1"), "Café;1");
    }
#endif
}

TEST(StateLine, FirstLineRules) {
    std::string line;
    EXPECT_FALSE(FirstNonEmptyLine("", line));
    EXPECT_FALSE(FirstNonEmptyLine("\nA;1;2", line));
    EXPECT_TRUE(FirstNonEmptyLine("A;1;2\rB", line));
    EXPECT_EQ(line, "A;1;2");
    StateLine parsed;
    EXPECT_TRUE(ParseStateLine("A;0;1;x;y", parsed));
    EXPECT_EQ(parsed.word, "A");
    EXPECT_FALSE(ParseStateLine("A;1", parsed));
    EXPECT_FALSE(ParseStateLine("A", parsed));
}

}  // namespace

}  // namespace ordersrv
