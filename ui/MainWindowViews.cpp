// The orders, positions and log views: row counts from the books, cell texts on request.
#include "ui/MainWindowImpl.h"
#include "ui/ViewCells.h"
#include "ui/VirtualListView.h"

void TNTOrderServerForm::Impl::OnOrdersChanged() {
    orderRows = engine.WithOrders([](TNTOrderServerDB& book) { return book.Count(); });
    SetVirtualRowCount(controls.Grid_Name, orderRows, true);
}

void TNTOrderServerForm::Impl::OnPositionsChanged() {
    positionRows =
        engine.WithPositions([](TNTOrderServerPositionDB& book) { return book.Count(); });
    SetVirtualRowCount(controls.Grid_Positions, positionRows, true);
}

void TNTOrderServerForm::Impl::OnLogLinesPending() {
    logRows = static_cast<int32_t>(engine.LogLineCount());
    SetVirtualRowCount(controls.Memo_Log, logRows, activePage == TFormPage::Log);
}

bool TNTOrderServerForm::Impl::AnswerCell(NMHDR* header) {
    const bool log = header->hwndFrom == controls.Memo_Log;
    const bool orders = header->hwndFrom == controls.Grid_Name;
    const bool positions = header->hwndFrom == controls.Grid_Positions;
    if (!log && !orders && !positions) return false;
    TCellRequest request;
    if (!ReadCellRequest(header, !log, request)) return false;

    std::string text;
    bool answered = false;
    if (orders) {
        answered = engine.WithOrders([&](TNTOrderServerDB& book) {
            return views::OrderCellText(book, orderRows, request.Column, request.Row, text);
        });
    } else if (positions) {
        answered = engine.WithPositions([&](TNTOrderServerPositionDB& book) {
            return views::PositionCellText(book, positionRows, request.Column, request.Row, text);
        });
    } else if (request.Column == 1 && request.Row >= 1 && request.Row <= logRows) {
        answered = engine.LogLine(static_cast<size_t>(request.Row - 1), text);
    }
    // An unanswered request leaves the cell empty.
    AnswerCellRequest(request, answered ? text : std::string());
    return true;
}
