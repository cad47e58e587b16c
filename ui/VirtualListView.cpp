#include "ui/VirtualListView.h"

#include <cstring>

namespace ordersrv {

HWND CreateVirtualListView(HWND parent, int id, const RECT& rect, HFONT font,
                           const VirtualListStyle& style,
                           const std::vector<views::ViewColumn>& columns) {
    DWORD windowStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LVS_REPORT |
                        LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
    if (!style.headings) windowStyle |= LVS_NOCOLUMNHEADER;
    HWND view = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", windowStyle, rect.left,
                                rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)),
                                nullptr);
    if (!view) return nullptr;
    SendMessageA(view, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    DWORD extended = LVS_EX_FULLROWSELECT;  // rows are selected whole
    if (style.gridLines) extended |= LVS_EX_GRIDLINES;
    ListView_SetExtendedListViewStyle(view, extended);
    // Every row is painted on white.
    ListView_SetBkColor(view, RGB(255, 255, 255));
    ListView_SetTextBkColor(view, RGB(255, 255, 255));

    int index = 0;
    auto addColumn = [&](const char* heading, int width) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        column.cx = width;
        column.pszText = const_cast<char*>(heading);
        SendMessageA(view, LVM_INSERTCOLUMNA, index++, reinterpret_cast<LPARAM>(&column));
    };
    if (style.rowMarker) addColumn("", views::kRowMarkerWidth);
    for (const views::ViewColumn& column : columns) addColumn(column.heading, column.width);
    return view;
}

void SetVirtualRowCount(HWND view, int32_t rows, bool repaint) {
    ListView_SetItemCountEx(view, rows, LVSICF_NOSCROLL | (repaint ? 0 : LVSICF_NOINVALIDATEALL));
    if (repaint) InvalidateRect(view, nullptr, FALSE);
}

bool ReadCellRequest(NMHDR* header, bool rowMarker, CellRequest& request) {
    if (header->code == LVN_GETDISPINFOA) {
        auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
        if (!(info->item.mask & LVIF_TEXT)) return false;
        request.row = info->item.iItem + 1;
        request.column = info->item.iSubItem + (rowMarker ? 0 : 1);
        request.wide = false;
    } else if (header->code == LVN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        if (!(info->item.mask & LVIF_TEXT)) return false;
        request.row = info->item.iItem + 1;
        request.column = info->item.iSubItem + (rowMarker ? 0 : 1);
        request.wide = true;
    } else {
        return false;
    }
    request.header = header;
    return true;
}

void AnswerCellRequest(const CellRequest& request, const std::string& text) {
    if (request.wide) {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(request.header);
        if (!info->item.pszText || info->item.cchTextMax <= 0) return;
        const int written = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                                info->item.pszText, info->item.cchTextMax - 1);
        info->item.pszText[written > 0 ? written : 0] = L'\0';
    } else {
        auto* info = reinterpret_cast<NMLVDISPINFOA*>(request.header);
        if (!info->item.pszText || info->item.cchTextMax <= 0) return;
        const size_t room = static_cast<size_t>(info->item.cchTextMax - 1);
        const size_t length = text.size() < room ? text.size() : room;
        std::memcpy(info->item.pszText, text.data(), length);
        info->item.pszText[length] = '\0';
    }
}

}  // namespace ordersrv
