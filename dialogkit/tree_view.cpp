#include "tree_view.h"

namespace dialogkit {

HTREEITEM TreeView::InsertItem(HTREEITEM parent, const char* text, LPARAM data) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(text);
    insert.item.lParam = data;
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(hwnd_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

bool TreeView::DeleteAllItems() {
    return SendMessageA(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)) != 0;
}

LPARAM TreeView::GetItemData(HTREEITEM item) const {
    if (!item)
        return 0;
    TVITEMA tv = {};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!SendMessageA(hwnd_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv)))
        return 0;
    return tv.lParam;
}

bool TreeView::SelectItem(HTREEITEM item) {
    return SendMessageA(hwnd_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
}

bool TreeView::Expand(HTREEITEM item, UINT action) {
    return SendMessageA(hwnd_, TVM_EXPAND, action, reinterpret_cast<LPARAM>(item)) != 0;
}

void TreeView::SetItemHeight(int pixels) {
    SendMessageA(hwnd_, TVM_SETITEMHEIGHT, pixels, 0);
}

void TreeView::AddStyle(LONG style) {
    SetWindowLongA(hwnd_, GWL_STYLE, GetWindowLongA(hwnd_, GWL_STYLE) | style);
}

HTREEITEM TreeView::Next(HTREEITEM item, UINT relation) const {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(hwnd_, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

} // namespace dialogkit
