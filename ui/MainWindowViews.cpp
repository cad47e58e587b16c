// The orders, positions and log views: row counts from the books, cell texts on request.
#include "ui/MainWindowImpl.h"
#include "ui/ViewCells.h"
#include "ui/VirtualListView.h"

void MainWindow::Impl::OnOrdersChanged() {
    orderRows = engine.WithOrders([](OrderBook& book) { return book.Count(); });
    SetVirtualRowCount(controls.ordersView, orderRows, true);
}

void MainWindow::Impl::OnPositionsChanged() {
    positionRows =
        engine.WithPositions([](PositionBook& book) { return book.Count(); });
    SetVirtualRowCount(controls.positionsView, positionRows, true);
}

void MainWindow::Impl::OnLogLinesPending() {
    logRows = static_cast<int32_t>(engine.LogLineCount());
    SetVirtualRowCount(controls.logView, logRows, activePage == Page::Log);
}

bool MainWindow::Impl::AnswerCell(NMHDR* header) {
    const bool log = header->hwndFrom == controls.logView;
    const bool orders = header->hwndFrom == controls.ordersView;
    const bool positions = header->hwndFrom == controls.positionsView;
    if (!log && !orders && !positions) return false;
    CellRequest request;
    if (!ReadCellRequest(header, !log, request)) return false;

    std::string text;
    bool answered = false;
    if (orders) {
        answered = engine.WithOrders([&](OrderBook& book) {
            return views::OrderCellText(book, orderRows, request.Column, request.Row, text);
        });
    } else if (positions) {
        answered = engine.WithPositions([&](PositionBook& book) {
            return views::PositionCellText(book, positionRows, request.Column, request.Row, text);
        });
    } else if (request.Column == 1 && request.Row >= 1 && request.Row <= logRows) {
        answered = engine.LogLine(static_cast<size_t>(request.Row - 1), text);
    }
    // An unanswered request leaves the cell empty.
    AnswerCellRequest(request, answered ? text : std::string());
    return true;
}
