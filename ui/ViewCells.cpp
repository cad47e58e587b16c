#include "ui/ViewCells.h"

#include <cstdlib>

#include "model/OrderBook.h"
#include "model/PositionBook.h"
#include "ui/ViewFormat.h"

namespace ordersrv {

namespace views {

const std::vector<ViewColumn>& OrderColumns() {
    static const std::vector<ViewColumn> columns = {
        {"#", 48},           {"Symbol", 66},
        {"Action", 61},      {"Size", 52},
        {"Price", 46},       {"Time Frame", kDefaultColumnWidth},
        {"Filled Size", kDefaultColumnWidth}, {"Filled Price", kDefaultColumnWidth},
        {"Status", 72},      {"Update", 95},
        {"Received", 95},
    };
    return columns;
}

const std::vector<ViewColumn>& PositionColumns() {
    static const std::vector<ViewColumn> columns = {
        {"#", 47}, {"Symbol", 121}, {"Position", 93}, {"Size", 90}, {"Update", 111},
    };
    return columns;
}

namespace {

// An order of an earlier run says so; one whose reference a later order took over while it was
// still working is no longer followed.
std::string StatusText(const Order& o) {
    std::string text = o.superseded && !o.Ended() ? "Superseded" : OrderStatusNames(o.status);
    if (o.fromEarlierRun) text += " (earlier run)";
    return text;
}

}  // namespace

std::string OrderColumnText(const Order& o, int column) {
    const bool filled = o.fillSize > 0;
    switch (column) {
    case 1: return std::to_string(o.orderRefId);
    case 2: return o.symbol;
    case 3: return ActionText(o);
    case 4: return std::to_string(o.orderSize);
    case 5: return HasPrice(o) ? FormatPrice(o.orderPrice) : "-";
    case 6: return OrderTimeFrameNames(o.orderTimeFrame);
    case 7: return filled ? std::to_string(o.fillSize) : "-";
    case 8: return filled ? FormatPrice(o.fillPrice) : "-";
    case 9: return StatusText(o);
    case 10: return o.updateTime != 0.0 ? FormatMonthDayTime(o.updateTime) : "-";
    case 11: return FormatMonthDayTime(o.receivedTime);
    default: return std::string();
    }
}

std::string PositionColumnText(const Position& p, int32_t row, int column) {
    switch (column) {
    case 1: return std::to_string(row);
    case 2: return p.symbol;
    case 3: return p.posSize > 0 ? "Long" : p.posSize < 0 ? "Short" : "Flat";
    // Widened first so that the most negative size has an absolute value too.
    case 4: return std::to_string(std::llabs(static_cast<long long>(p.posSize)));
    case 5: return FormatMonthDayTime(p.updateTime);
    default: return std::string();
    }
}

namespace {

bool InView(int32_t rowCount, int columnCount, int column, int32_t row) {
    return row >= 1 && row <= rowCount && column >= 1 && column <= columnCount;
}

}  // namespace

bool OrderCellText(const OrderBook& book, int32_t rowCount, int column, int32_t row,
                   std::string& text) {
    if (!InView(rowCount, static_cast<int>(OrderColumns().size()), column, row)) return false;
    const Order* order = book.ItemAt(book.Count() - row);
    if (!order) return false;
    text = OrderColumnText(*order, column);
    return true;
}

bool PositionCellText(const PositionBook& book, int32_t rowCount, int column,
                      int32_t row, std::string& text) {
    if (!InView(rowCount, static_cast<int>(PositionColumns().size()), column, row)) return false;
    const Position* position = book.ItemAt(row - 1);
    if (!position) return false;
    text = PositionColumnText(*position, row, column);
    return true;
}

}  // namespace views

}  // namespace ordersrv
