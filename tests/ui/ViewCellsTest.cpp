// Cell texts of the orders and positions views: row order, formats, "-" for missing values.
#include <gtest/gtest.h>

#include <memory>

#include "model/OrderBook.h"
#include "model/PositionBook.h"
#include "platform/DateTime.h"
#include "ui/ViewCells.h"
#include "ui/ViewFormat.h"

namespace ordersrv {

namespace {

std::unique_ptr<Order> OrderOf(int32_t ref, int32_t modifier = OrderModifierCode::Market,
                                          double price = 0.0) {
    auto order = std::make_unique<Order>();
    order->symbol = "IBM";
    order->orderRefId = ref;
    order->orderType = OrderTypeCode::Buy;
    order->orderModifier = modifier;
    order->orderTimeFrame = TimeFrameCode::Day;
    order->orderSize = 100;
    order->orderPrice = price;
    order->receivedTime = plat::EncodeDateTime({2026, 3, 7, 9, 5, 4});
    return order;
}

std::string Cell(const OrderBook& book, int column, int32_t row) {
    std::string text = "<none>";
    views::OrderCellText(book, book.Count(), column, row, text);
    return text;
}

const std::string kDecimal = plat::DecimalSeparator();
const std::string kDate = plat::DateSeparator();
const std::string kTime = plat::TimeSeparator();

}  // namespace

TEST(ViewFormat, PriceHasFourDecimalsWithTheSystemSeparator) {
    EXPECT_EQ(views::FormatPrice(12.5), "12" + kDecimal + "5000");
    EXPECT_EQ(views::FormatPrice(0.123456), "0" + kDecimal + "1235");
    EXPECT_EQ(views::FormatPrice(-3.25), "-3" + kDecimal + "2500");
    EXPECT_EQ(views::FormatPrice(1234567.0), "1234567" + kDecimal + "0000");  // no thousands
    EXPECT_EQ(views::FormatPrice(-0.00001), "0" + kDecimal + "0000");
}

TEST(ViewFormat, MonthDayTimeWithoutYearAndLeadingZerosOfTheDate) {
    const double when = plat::EncodeDateTime({2026, 3, 7, 9, 5, 4});
    EXPECT_EQ(views::FormatMonthDayTime(when), "3" + kDate + "7 09" + kTime + "05" + kTime + "04");
    EXPECT_EQ(views::FormatClockTime(when), "09" + kTime + "05" + kTime + "04");
    const double late = plat::EncodeDateTime({2025, 12, 31, 23, 59, 59});
    EXPECT_EQ(views::FormatMonthDayTime(late), "12" + kDate + "31 23" + kTime + "59" + kTime + "59");
}

TEST(OrderCells, NewestOrderIsTheFirstRow) {
    OrderBook book;
    for (int32_t ref : {5, 6, 7}) book.Add(OrderOf(ref));
    EXPECT_EQ(Cell(book, 1, 1), "7");
    EXPECT_EQ(Cell(book, 1, 2), "6");
    EXPECT_EQ(Cell(book, 1, 3), "5");
}

TEST(OrderCells, RowsFollowTheViewsCountUntilItIsRefreshed) {
    OrderBook book;
    book.Add(OrderOf(1));
    book.Add(OrderOf(2));
    const int32_t shownRows = book.Count();
    book.Add(OrderOf(3));  // not yet announced to the view
    std::string text;
    ASSERT_TRUE(views::OrderCellText(book, shownRows, 1, 1, text));
    EXPECT_EQ(text, "3");
    ASSERT_TRUE(views::OrderCellText(book, shownRows, 1, 2, text));
    EXPECT_EQ(text, "2");
    EXPECT_FALSE(views::OrderCellText(book, shownRows, 1, 3, text));
}

TEST(OrderCells, RequestsOutsideTheViewAreNotAnswered) {
    OrderBook book;
    book.Add(OrderOf(1));
    std::string text = "unchanged";
    EXPECT_FALSE(views::OrderCellText(book, 1, 0, 1, text));
    EXPECT_FALSE(views::OrderCellText(book, 1, 12, 1, text));
    EXPECT_FALSE(views::OrderCellText(book, 1, 1, 0, text));
    EXPECT_FALSE(views::OrderCellText(book, 1, 1, 2, text));
    EXPECT_FALSE(views::OrderCellText(book, 5, 1, 3, text));  // more rows than records
    EXPECT_EQ(text, "unchanged");
}

TEST(OrderCells, MarketOrderWithoutFills) {
    OrderBook book;
    book.Add(OrderOf(100));
    EXPECT_EQ(Cell(book, 2, 1), "IBM");
    EXPECT_EQ(Cell(book, 3, 1), "Buy Mkt");
    EXPECT_EQ(Cell(book, 4, 1), "100");
    EXPECT_EQ(Cell(book, 5, 1), "-");
    EXPECT_EQ(Cell(book, 6, 1), "Day");
    EXPECT_EQ(Cell(book, 7, 1), "-");
    EXPECT_EQ(Cell(book, 8, 1), "-");
    EXPECT_EQ(Cell(book, 9, 1), "Open");
    EXPECT_EQ(Cell(book, 10, 1), "-");
    EXPECT_EQ(Cell(book, 11, 1), "3" + kDate + "7 09" + kTime + "05" + kTime + "04");
}

TEST(OrderCells, LimitAndStopPricesAndFills) {
    OrderBook book;
    book.Add(OrderOf(1, OrderModifierCode::Limit, 101.5));
    book.Add(OrderOf(2, OrderModifierCode::Stop, 99.125));
    EXPECT_EQ(Cell(book, 3, 1), "Buy Stp");
    EXPECT_EQ(Cell(book, 5, 1), "99" + kDecimal + "1250");
    EXPECT_EQ(Cell(book, 5, 2), "101" + kDecimal + "5000");

    Order* limit = book.FindByRefId(1);
    limit->fillSize = 40;
    limit->fillPrice = 101.25;
    limit->status = StatusCode::PartFilled;
    limit->updateTime = plat::EncodeDateTime({2026, 11, 22, 14, 0, 9});
    EXPECT_EQ(Cell(book, 7, 2), "40");
    EXPECT_EQ(Cell(book, 8, 2), "101" + kDecimal + "2500");
    EXPECT_EQ(Cell(book, 9, 2), "P. Filled");
    EXPECT_EQ(Cell(book, 10, 2), "11" + kDate + "22 14" + kTime + "00" + kTime + "09");
}

TEST(OrderCells, UnknownCodesShowTheirPlaceholder) {
    OrderBook book;
    auto order = OrderOf(1);
    order->orderType = 7;
    order->orderTimeFrame = 42;
    order->status = 99;
    book.Add(std::move(order));
    EXPECT_EQ(Cell(book, 3, 1), "Unknown");
    EXPECT_EQ(Cell(book, 6, 1), kUnknownCodeText);
    EXPECT_EQ(Cell(book, 9, 1), kUnknownCodeText);
}

TEST(OrderCells, ColumnTable) {
    const auto& columns = views::OrderColumns();
    ASSERT_EQ(columns.size(), 11u);
    EXPECT_STREQ(columns[0].heading, "#");
    EXPECT_EQ(columns[0].width, 48);
    EXPECT_STREQ(columns[7].heading, "Filled Price");
    EXPECT_STREQ(columns[10].heading, "Received");
    EXPECT_EQ(columns[10].width, 95);
}

namespace {

void AddPosition(PositionBook& book, const char* symbol, int32_t size) {
    auto position = std::make_unique<Position>();
    position->symbol = symbol;
    position->posSize = size;
    position->hasPosition = true;
    position->updateTime = plat::EncodeDateTime({2026, 1, 2, 3, 4, 5});
    book.Add(std::move(position));
}

std::string PositionCell(const PositionBook& book, int column, int32_t row) {
    std::string text = "<none>";
    views::PositionCellText(book, book.Count(), column, row, text);
    return text;
}

}  // namespace

TEST(PositionCells, RowsInOrderOfAppearanceWithDirectionAndSize) {
    PositionBook book;
    AddPosition(book, "ES", -3);
    AddPosition(book, "NQ", 2);
    AddPosition(book, "YM", 0);
    EXPECT_EQ(PositionCell(book, 1, 1), "1");
    EXPECT_EQ(PositionCell(book, 2, 1), "ES");
    EXPECT_EQ(PositionCell(book, 3, 1), "Short");
    EXPECT_EQ(PositionCell(book, 4, 1), "3");
    EXPECT_EQ(PositionCell(book, 1, 2), "2");
    EXPECT_EQ(PositionCell(book, 3, 2), "Long");
    EXPECT_EQ(PositionCell(book, 4, 2), "2");
    EXPECT_EQ(PositionCell(book, 3, 3), "Flat");
    EXPECT_EQ(PositionCell(book, 4, 3), "0");
    EXPECT_EQ(PositionCell(book, 5, 3), "1" + kDate + "2 03" + kTime + "04" + kTime + "05");
    EXPECT_EQ(PositionCell(book, 6, 1), "<none>");
    EXPECT_EQ(PositionCell(book, 1, 4), "<none>");
}

TEST(PositionCells, MostNegativeSizeStillShowsItsMagnitude) {
    PositionBook book;
    AddPosition(book, "ES", INT32_MIN);
    EXPECT_EQ(PositionCell(book, 4, 1), "2147483648");
}

}  // namespace ordersrv
