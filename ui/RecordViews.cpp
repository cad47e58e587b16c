#include "ui/RecordViews.h"

#include "engine/Engine.h"
#include "ui/ViewCells.h"
#include "ui/VirtualListView.h"
#include "ui/WindowControls.h"

namespace ordersrv {

void RecordViews::OnOrdersChanged() {
    orderRows_ = engine_.orders.With([](OrderBook& book) { return book.Count(); });
    SetVirtualRowCount(controls_.OrdersView(), orderRows_, true);
}

void RecordViews::OnPositionsChanged() {
    positionRows_ = engine_.positions.With([](PositionBook& book) { return book.Count(); });
    SetVirtualRowCount(controls_.PositionsView(), positionRows_, true);
}

void RecordViews::OnLogLinesPending(bool logShown) {
    logRows_ = static_cast<int32_t>(engine_.log.Count());
    SetVirtualRowCount(controls_.LogView(), logRows_, logShown);
}

bool RecordViews::AnswerCell(NMHDR* header) {
    const bool log = header->hwndFrom == controls_.LogView();
    const bool orders = header->hwndFrom == controls_.OrdersView();
    const bool positions = header->hwndFrom == controls_.PositionsView();
    if (!log && !orders && !positions) return false;
    CellRequest request;
    if (!ReadCellRequest(header, !log, request)) return false;

    std::string text;
    bool answered = false;
    if (orders) {
        answered = engine_.orders.With([&](OrderBook& book) {
            return views::OrderCellText(book, orderRows_, request.column, request.row, text);
        });
    } else if (positions) {
        answered = engine_.positions.With([&](PositionBook& book) {
            return views::PositionCellText(book, positionRows_, request.column, request.row, text);
        });
    } else if (request.column == 1 && request.row >= 1 && request.row <= logRows_) {
        answered = engine_.log.Line(static_cast<size_t>(request.row - 1), text);
    }
    // An unanswered request leaves the cell empty.
    AnswerCellRequest(request, answered ? text : std::string());
    return true;
}

}  // namespace ordersrv
