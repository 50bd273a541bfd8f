#include "framework/Views.h"

#include "framework/FrameWnd.h"
#include "framework/Handles.h"
#include "framework/WinApp.h"

BOOL CView::Create(HWND parent, UINT id, SIZE size) {
    return CreateEx(0, GetControlClass(), "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | GetControlStyle(), 0, 0,
                    size.cx, size.cy, parent, (HMENU)(UINT_PTR)id);
}

CFrameWnd* CView::GetParentFrame() const {
    for (HWND h = GetParent(m_hWnd); h; h = GetParent(h)) {
        if (auto* frame = dynamic_cast<CFrameWnd*>(FromHandle(h)))
            return frame;
    }
    return nullptr;
}

LRESULT CView::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    // The view that has the focus is the frame's active view: commands reach it first.
    if (msg == WM_SETFOCUS) {
        if (CFrameWnd* frame = GetParentFrame())
            frame->SetActiveView(this);
    }
    // Commands of the view's own context menus come here first.
    if (msg == WM_COMMAND && !lp && OnCmdMsg(LOWORD(wp), CN_COMMAND, nullptr))
        return 0;
    return CWnd::WindowProc(msg, wp, lp);
}

void CView::TrackContextMenu(UINT menuId, const POINT* at) {
    UniqueHMenu menu(LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(menuId)));
    HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup)
        return;
    POINT pt;
    if (at)
        pt = *at;
    else
        GetCursorPos(&pt);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hWnd, nullptr);
}

POINT CView::KeyboardMenuPoint(const RECT* itemRect) const {
    POINT pt = {0, 0};
    if (itemRect)
        pt = {itemRect->left, itemRect->bottom};
    ClientToScreen(m_hWnd, &pt);
    return pt;
}

void CListView::TrackRowContextMenu(UINT menuId) {
    LVHITTESTINFO hit = {};
    GetCursorPos(&hit.pt);
    ScreenToClient(m_hWnd, &hit.pt);
    ListView_SetSelectionMark(m_hWnd, ListView_HitTest(m_hWnd, &hit));
    TrackContextMenu(menuId);
}

void CListView::TrackFocusedRowContextMenu(UINT menuId) {
    const int row = ListView_GetNextItem(m_hWnd, -1, LVNI_FOCUSED);
    ListView_SetSelectionMark(m_hWnd, row);
    RECT rc;
    const bool shown = row >= 0 && ListView_GetItemRect(m_hWnd, row, &rc, LVIR_BOUNDS);
    const POINT pt = KeyboardMenuPoint(shown ? &rc : nullptr);
    TrackContextMenu(menuId, &pt);
}

LRESULT CListView::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    // Commands go through the view's own route, as from its context menu.
    if (msg == WM_KEYDOWN && wp == VK_DELETE && DeleteCommand()) {
        ::SendMessageA(m_hWnd, WM_COMMAND, DeleteCommand(), 0);
        return 0;
    }
    // lParam -1: the menu was asked for from the keyboard (a mouse click has its own path).
    if (msg == WM_CONTEXTMENU && lp == -1 && RowMenu()) {
        TrackFocusedRowContextMenu(RowMenu());
        return 0;
    }
    return CView::WindowProc(msg, wp, lp);
}

HTREEITEM CTreeCtrl::InsertItem(const char* text, HTREEITEM parent, HTREEITEM after) {
    TVINSERTSTRUCTA ins = {};
    ins.hParent = parent;
    ins.hInsertAfter = after;
    ins.item.mask = TVIF_TEXT;
    ins.item.pszText = const_cast<char*>(text);
    return (HTREEITEM)SendMessageA(m_hWnd, TVM_INSERTITEMA, 0, (LPARAM)&ins);
}

std::string CTreeCtrl::GetItemText(HTREEITEM h) const {
    char buf[1024] = {};
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = h;
    item.pszText = buf;
    item.cchTextMax = sizeof(buf);
    SendMessageA(m_hWnd, TVM_GETITEMA, 0, (LPARAM)&item);
    return buf;
}

HTREEITEM CTreeCtrl::HitTest(POINT pt, UINT* flags) const {
    TVHITTESTINFO info = {};
    info.pt = pt;
    HTREEITEM h = TreeView_HitTest(m_hWnd, &info);
    if (flags)
        *flags = info.flags;
    return h;
}

int CListCtrl::InsertColumn(int col, const char* heading, int format, int width) {
    LVCOLUMNA c = {};
    c.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    c.fmt = format;
    c.cx = width;
    c.pszText = const_cast<char*>(heading);
    c.iSubItem = col;
    return (int)SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, col, (LPARAM)&c);
}

int CListCtrl::InsertItem(int index, const char* text, LPARAM data) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    item.lParam = data;
    return (int)SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, (LPARAM)&item);
}

BOOL CListCtrl::SetItemText(int index, int sub, const char* text) {
    LVITEMA item = {};
    item.iSubItem = sub;
    item.pszText = const_cast<char*>(text);
    return (BOOL)SendMessageA(m_hWnd, LVM_SETITEMTEXTA, index, (LPARAM)&item);
}

std::string CListCtrl::GetItemText(int index, int sub) const {
    // Grow the buffer until the text fits: item IDs have no fixed limit.
    std::string s(256, '\0');
    for (;;) {
        LVITEMA item = {};
        item.iSubItem = sub;
        item.pszText = &s[0];
        item.cchTextMax = (int)s.size();
        int n = (int)SendMessageA(m_hWnd, LVM_GETITEMTEXTA, index, (LPARAM)&item);
        if (n < (int)s.size() - 1) {
            s.resize(n);
            return s;
        }
        s.resize(s.size() * 2);
    }
}

LPARAM CListCtrl::GetItemData(int index) const {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    SendMessageA(m_hWnd, LVM_GETITEMA, 0, (LPARAM)&item);
    return item.lParam;
}

BOOL CListCtrl::SetItemData(int index, LPARAM data) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = data;
    return (BOOL)SendMessageA(m_hWnd, LVM_SETITEMA, 0, (LPARAM)&item);
}
