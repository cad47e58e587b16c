#pragma once
// A list-view in owner-data mode: it holds a row count and a column layout and asks its parent
// for the text of each cell it paints (LVN_GETDISPINFO).
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/ViewCells.h"

namespace ordersrv {

struct VirtualListStyle {
    bool headings = true;
    bool gridLines = true;
    bool rowMarker = true;  // a narrow empty column at the left, as column 0
};

HWND CreateVirtualListView(HWND parent, int id, const RECT& rect, HFONT font,
                           const VirtualListStyle& style,
                           const std::vector<views::ViewColumn>& columns);

// Sets the row count; the view asks again for the visible cells and repaints when `repaint`.
void SetVirtualRowCount(HWND view, int32_t rows, bool repaint);

// A cell request of the view: its row and column counted from 1 (column 0 is the row marker),
// and where its answer goes. Null for notifications that are not cell requests.
struct CellRequest {
    int32_t row = 0;
    int column = 0;
    NMHDR* header = nullptr;
    bool wide = false;
};
bool ReadCellRequest(NMHDR* header, bool rowMarker, CellRequest& request);
void AnswerCellRequest(const CellRequest& request, const std::string& text);

}  // namespace ordersrv
