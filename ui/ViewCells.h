#pragma once
// Cell texts of the orders, positions and log views. The views are virtual: they hold a row
// count and ask for the text of each cell they paint. Columns and rows count from 1.
#include <cstdint>
#include <string>
#include <vector>

namespace ordersrv {

class OrderBook;
class PositionBook;
struct Order;
struct Position;

namespace views {

struct ViewColumn {
    const char* heading;
    int width;  // pixels at 96 dpi
};

constexpr int kDefaultColumnWidth = 64;
constexpr int kRowMarkerWidth = 10;
constexpr int kLogColumnWidth = 400;

const std::vector<ViewColumn>& OrderColumns();     // 11 columns
const std::vector<ViewColumn>& PositionColumns();  // 5 columns

// Text of one column of an order; empty for a column outside 1..11.
std::string OrderColumnText(const Order& order, int column);
// Text of one column of the position shown in `row`; empty for a column outside 1..5.
std::string PositionColumnText(const Position& position, int32_t row, int column);

// The cell of a view with `rowCount` rows; false (cell stays empty) for a row or column outside
// the view. Callers hold the book's engine lock. Orders: row 1 is the order added last.
bool OrderCellText(const OrderBook& book, int32_t rowCount, int column, int32_t row,
                   std::string& text);
// Positions: row 1 is the position that appeared first.
bool PositionCellText(const PositionBook& book, int32_t rowCount, int column,
                      int32_t row, std::string& text);

}  // namespace views

}  // namespace ordersrv
