// A thin wrapper over a tree-view control of a dialog: the item operations the tool needs.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace dialogkit {

class TreeView {
  public:
    void Attach(HWND control) { hwnd_ = control; }
    HWND hwnd() const { return hwnd_; }

    HTREEITEM InsertItem(HTREEITEM parent, const char* text, LPARAM data);
    bool DeleteAllItems();
    LPARAM GetItemData(HTREEITEM item) const;
    HTREEITEM GetRootItem() const { return Next(nullptr, TVGN_ROOT); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return Next(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return Next(item, TVGN_NEXT); }
    HTREEITEM GetParentItem(HTREEITEM item) const { return Next(item, TVGN_PARENT); }
    HTREEITEM GetSelectedItem() const { return Next(nullptr, TVGN_CARET); }
    bool SelectItem(HTREEITEM item);
    bool Expand(HTREEITEM item, UINT action);
    void SetItemHeight(int pixels);
    void AddStyle(LONG style);

  private:
    HTREEITEM Next(HTREEITEM item, UINT relation) const;
    HWND hwnd_ = nullptr;
};

} // namespace dialogkit
