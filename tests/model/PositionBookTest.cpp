#include <gtest/gtest.h>

#include "model/OrderCodes.h"
#include "model/PositionBook.h"
#include "platform/DateTime.h"

namespace ordersrv {

namespace {

std::unique_ptr<Position> MakePosition(const std::string& symbol,
                                                 const std::string& expiry = "",
                                                 const std::string& exchange = "",
                                                 const std::string& currency = "",
                                                 int32_t symType = 0, int32_t size = 0) {
    auto p = std::make_unique<Position>();
    p->symbol = symbol;
    p->symExp = expiry;
    p->symExch = exchange;
    p->currency = currency;
    p->symType = symType;
    p->posSize = size;
    return p;
}

TEST(PositionRecord, StartsFlatWithoutPositionAndStampedNow) {
    const double before = plat::NowDateTime();
    const Position p;
    EXPECT_FALSE(p.hasPosition);
    EXPECT_EQ(p.posSize, 0);
    EXPECT_EQ(p.posCost, 0.0);
    EXPECT_GE(p.updateTime, before - 1.0 / 1440);
    EXPECT_LE(p.updateTime, plat::NowDateTime() + 1.0 / 1440);
}

TEST(PositionBook, EmptyBookFindsNothing) {
    PositionBook book;
    EXPECT_EQ(book.Count(), 0);
    EXPECT_EQ(book.ItemAt(0), nullptr);
    EXPECT_EQ(book.Find("ES", "", "", "", 0), nullptr);
    EXPECT_EQ(book.FindSymbol(""), nullptr);
}

TEST(PositionBook, SymbolIsTrimmedAndMatchesAnyCaseAndExpiry) {
    PositionBook book;
    book.Add(MakePosition("  es\t"));
    const Position* es = book.ItemAt(0);
    EXPECT_EQ(book.FindSymbol("ES"), es);
    EXPECT_EQ(book.FindSymbol(" es "), es);
    EXPECT_EQ(book.Find("es", "MAR", "", "", 0), es);  // no expiry matches every expiry
    EXPECT_EQ(book.Find("es", "", "", "", 3), es);     // the type is not compared
    EXPECT_EQ(book.FindSymbol("ESM"), nullptr);
    EXPECT_EQ(book.Find("ES", "", "CME", "", 0), nullptr);
    EXPECT_EQ(book.Find("ES", "", "", "USD", 0), nullptr);
}

TEST(PositionBook, ExpiryMatchesByPrefix) {
    PositionBook book;
    book.Add(MakePosition("NQ", " mar "));
    const Position* nq = book.ItemAt(0);
    EXPECT_EQ(book.Find("NQ", "MAR", "", "", 0), nq);
    EXPECT_EQ(book.Find("NQ", "mar", "", "", 0), nq);
    EXPECT_EQ(book.Find("NQ", "MARCH", "", "", 0), nq);
    EXPECT_EQ(book.Find("NQ", "", "", "", 0), nullptr);
    EXPECT_EQ(book.Find("NQ", "MA", "", "", 0), nullptr);
    EXPECT_EQ(book.Find("NQ", " MAR", "", "", 0), nullptr);  // the wanted expiry is not trimmed
}

TEST(PositionBook, ExchangeAndCurrencyAreUpperCasedButNotTrimmed) {
    PositionBook book;
    book.Add(MakePosition("CL", "", " cme", "usd"));
    const Position* cl = book.ItemAt(0);
    EXPECT_EQ(book.Find("CL", "", " CME", "USD", 0), cl);
    EXPECT_EQ(book.Find("CL", "", "CME", "USD", 0), nullptr);
    EXPECT_EQ(book.Find("CL", "", " CME", "", 0), nullptr);
    EXPECT_EQ(book.FindSymbol("CL"), nullptr);
}

TEST(PositionBook, BlankSymbolIsListedButNeverFound) {
    PositionBook book;
    book.Add(MakePosition("   "));
    EXPECT_EQ(book.Count(), 1);
    EXPECT_NE(book.ItemAt(0), nullptr);
    EXPECT_EQ(book.FindSymbol("   "), nullptr);
    EXPECT_EQ(book.FindSymbol(""), nullptr);
}

TEST(PositionBook, RepeatedKeyKeepsTheFirstFindable) {
    PositionBook book;
    book.Add(MakePosition("ES", "", "", "", 0, 1));
    book.Add(MakePosition("es ", "", "", "", 0, 2));
    book.Add(MakePosition("ES", "MAR", "", "", 0, 3));  // the blank expiry entry covers it
    EXPECT_EQ(book.Count(), 3);
    EXPECT_EQ(book.FindSymbol("ES")->posSize, 1);
    EXPECT_EQ(book.Find("ES", "MAR", "", "", 0)->posSize, 1);
    EXPECT_EQ(book.ItemAt(2)->posSize, 3);
}

TEST(PositionBook, SameExpiryOfAnotherTypeIsIndexedButFoundAfterTheFirst) {
    PositionBook book;
    book.Add(MakePosition("GC", "JUN", "", "", SymTypeCode::Future, 1));
    book.Add(MakePosition("GC", "", "", "", SymTypeCode::FutureOpt, 2));
    EXPECT_EQ(book.Find("GC", "JUN", "", "", SymTypeCode::FutureOpt)->posSize, 1);
    EXPECT_EQ(book.Find("GC", "DEC", "", "", 0)->posSize, 2);
}

}  // namespace

}  // namespace ordersrv
