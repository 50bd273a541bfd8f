#pragma once
// Views: a pane window that is itself a tree or list control (subclassed), with notifications
// reflected back to it and command routing through the frame.
#include "framework/Wnd.h"

class CFrameWnd;

class CView : public CWnd {
  public:
    // Creates the view as child `id` of parent with the given size.
    virtual BOOL Create(HWND parent, UINT id, SIZE size);
    CFrameWnd* GetParentFrame() const;
    // Called once by the frame after the first layout, when the view has its real size.
    virtual void OnInitialUpdate() {}
    // Shows the first pop-up of menu resource menuId at the screen point (null: the cursor); the
    // view gets its commands.
    void TrackContextMenu(UINT menuId, const POINT* at = nullptr);
    // Where a menu opened from the keyboard shows: below the rectangle (client coordinates) of
    // the row or node it is for, or at the view's top left corner without one.
    POINT KeyboardMenuPoint(const RECT* itemRect) const;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  protected:
    // Views are created with new and belong to their window.
    void PostNcDestroy() override { delete this; }
    // The window class and styles of the control the view wraps.
    virtual const char* GetControlClass() const { return nullptr; }
    virtual DWORD GetControlStyle() const { return 0; }
};

// Non-owning typed access to a tree control.
class CTreeCtrl {
  public:
    explicit CTreeCtrl(HWND h) : m_hWnd(h) {}
    HTREEITEM InsertItem(const char* text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
    BOOL DeleteAllItems() { return TreeView_DeleteAllItems(m_hWnd); }
    HTREEITEM GetChildItem(HTREEITEM h) const { return TreeView_GetChild(m_hWnd, h); }
    HTREEITEM GetNextSiblingItem(HTREEITEM h) const { return TreeView_GetNextSibling(m_hWnd, h); }
    HTREEITEM GetParentItem(HTREEITEM h) const { return TreeView_GetParent(m_hWnd, h); }
    HTREEITEM GetSelectedItem() const { return TreeView_GetSelection(m_hWnd); }
    BOOL SelectItem(HTREEITEM h) { return TreeView_SelectItem(m_hWnd, h); }
    BOOL ItemHasChildren(HTREEITEM h) const { return GetChildItem(h) != nullptr; }
    std::string GetItemText(HTREEITEM h) const;
    HTREEITEM HitTest(POINT pt, UINT* flags = nullptr) const;

    HWND m_hWnd;
};

// Non-owning typed access to a list control in report mode.
class CListCtrl {
  public:
    explicit CListCtrl(HWND h) : m_hWnd(h) {}
    int InsertColumn(int col, const char* heading, int format = LVCFMT_LEFT, int width = 100);
    int InsertItem(int index, const char* text, LPARAM data = 0);
    BOOL SetItemText(int index, int sub, const char* text);
    std::string GetItemText(int index, int sub) const;
    BOOL DeleteItem(int index) { return ListView_DeleteItem(m_hWnd, index); }
    BOOL DeleteAllItems() { return ListView_DeleteAllItems(m_hWnd); }
    int GetItemCount() const { return ListView_GetItemCount(m_hWnd); }
    LPARAM GetItemData(int index) const;
    BOOL SetItemData(int index, LPARAM data);
    int GetNextItem(int start, UINT flags) const { return ListView_GetNextItem(m_hWnd, start, flags); }
    void SetItemState(int index, UINT state, UINT mask) { ListView_SetItemState(m_hWnd, index, state, mask); }
    UINT GetItemState(int index, UINT mask) const { return ListView_GetItemState(m_hWnd, index, mask); }

    HWND m_hWnd;
};

class CTreeView : public CView {
  protected:
    const char* GetControlClass() const override { return WC_TREEVIEWA; }
};

class CListView : public CView {
  public:
    CListCtrl GetListCtrl() const { return CListCtrl(m_hWnd); }

    // The keyboard's routes into the view's commands: Delete sends DeleteCommand(), the
    // context-menu key and Shift+F10 open RowMenu() at the focused row.
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  protected:
    const char* GetControlClass() const override { return WC_LISTVIEWA; }
    // A right click: the row under the cursor becomes the selection mark, then the menu opens.
    void TrackRowContextMenu(UINT menuId);
    // The same menu from the keyboard: the focused row becomes the selection mark.
    void TrackFocusedRowContextMenu(UINT menuId);
    virtual UINT DeleteCommand() const { return 0; }
    virtual UINT RowMenu() const { return 0; }
};

// No drawing of a control while many rows or nodes go in; one repaint when the scope ends. Each
// insert into a drawn control also redraws its scroll bar at once, which costs milliseconds.
class CRedrawOff {
  public:
    explicit CRedrawOff(HWND h) : m_h(h) {
        if (m_h)
            ::SendMessageA(m_h, WM_SETREDRAW, FALSE, 0);
    }
    ~CRedrawOff() {
        if (!m_h || !IsWindow(m_h))
            return;
        ::SendMessageA(m_h, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(m_h, nullptr, TRUE);
    }
    CRedrawOff(const CRedrawOff&) = delete;
    CRedrawOff& operator=(const CRedrawOff&) = delete;

  private:
    HWND m_h;
};

// For changes to thousands of list rows at once: no drawing, and the control hidden meanwhile,
// because a visible list control under Wine updates its scroll bar at once for every deleted or
// newly focused row, drawing or not. Shown again (without activation, keeping its focus) at the
// end of the scope.
class CBulkChange {
  public:
    explicit CBulkChange(HWND h) : m_quiet(h), m_h(h), m_bHadFocus(GetFocus() == h) {
        m_bWasVisible = IsWindowVisible(h) != FALSE;
        if (m_bWasVisible)
            ::ShowWindow(h, SW_HIDE);
    }
    ~CBulkChange() {
        if (!m_bWasVisible || !IsWindow(m_h))
            return;
        ::ShowWindow(m_h, SW_SHOWNA);
        if (m_bHadFocus)
            SetFocus(m_h);
    }
    CBulkChange(const CBulkChange&) = delete;
    CBulkChange& operator=(const CBulkChange&) = delete;

  private:
    CRedrawOff m_quiet;
    HWND m_h;
    bool m_bHadFocus;
    bool m_bWasVisible = false;
};
