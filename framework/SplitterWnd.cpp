#include "framework/SplitterWnd.h"

#include "framework/CommandTable.h"
#include "framework/FrameWnd.h"
#include "framework/Views.h"
#include "res/resource.h"

#include <algorithm>

namespace {
BOOL CALLBACK CollectView(HWND h, LPARAM lp) {
    if (auto* v = dynamic_cast<CView*>(CWnd::FromHandle(h)))
        reinterpret_cast<std::vector<CView*>*>(lp)->push_back(v);
    return TRUE;
}
}  // namespace

BOOL CSplitterWnd::CreateStatic(HWND parent, int rows, int cols, DWORD style, UINT id) {
    if (rows < 1 || cols < 1 || rows > 16 || cols > 16)
        return FALSE;
    m_rows.assign(rows, Track());
    m_cols.assign(cols, Track());
    DWORD exStyle = 0;
    if (style & WS_BORDER) {
        style &= ~WS_BORDER;
        exStyle = WS_EX_CLIENTEDGE;
    }
    const char* cls = RegisterDefaultClass(CS_DBLCLKS, (HBRUSH)(COLOR_BTNFACE + 1), nullptr);
    return CreateEx(exStyle, cls, "", style | WS_CLIPCHILDREN, 0, 0, 0, 0, parent, (HMENU)(UINT_PTR)id);
}

UINT CSplitterWnd::IdFromRowCol(int row, int col) const {
    return AFX_IDW_PANE_FIRST + row * 16 + col;
}

BOOL CSplitterWnd::CreateView(int row, int col, CView* view, SIZE size) {
    if (row < 0 || col < 0 || row >= (int)m_rows.size() || col >= (int)m_cols.size())
        return FALSE;
    return view->Create(m_hWnd, IdFromRowCol(row, col), size);
}

CWnd* CSplitterWnd::GetPane(int row, int col) const {
    return FromHandle(GetDlgItem(IdFromRowCol(row, col)));
}

void CSplitterWnd::SetColumnInfo(int col, int ideal, int min) {
    if (col >= 0 && col < (int)m_cols.size())
        m_cols[col] = {ideal, min, ideal};
}

void CSplitterWnd::SetRowInfo(int row, int ideal, int min) {
    if (row >= 0 && row < (int)m_rows.size())
        m_rows[row] = {ideal, min, ideal};
}

void CSplitterWnd::SetActivePane(int row, int col) {
    CWnd* pane = GetPane(row, col);
    if (!pane)
        return;
    if (auto* view = dynamic_cast<CView*>(pane)) {
        if (CFrameWnd* frame = view->GetParentFrame())
            frame->SetActiveView(view);
    }
    ::SetFocus(pane->m_hWnd);
}

void CSplitterWnd::Lay(std::vector<Track>& tracks, int total) {
    // All but the last track get their ideal size (as room allows); the last takes the rest.
    int left = total - kBarSize * ((int)tracks.size() - 1);
    for (size_t i = 0; i + 1 < tracks.size(); ++i) {
        int size = std::max(0, std::min(tracks[i].ideal, left));
        tracks[i].current = size < tracks[i].min ? 0 : size;
        left -= tracks[i].current;
    }
    tracks.back().current = std::max(0, left);
}

void CSplitterWnd::RecalcLayout() {
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    Lay(m_cols, rc.right);
    Lay(m_rows, rc.bottom);
    int y = 0;
    for (int r = 0; r < (int)m_rows.size(); ++r) {
        int x = 0;
        for (int c = 0; c < (int)m_cols.size(); ++c) {
            if (HWND pane = GetDlgItem(IdFromRowCol(r, c)))
                PlaceChild(pane, x, y, m_cols[c].current, m_rows[r].current);
            x += m_cols[c].current + kBarSize;
        }
        y += m_rows[r].current + kBarSize;
    }
}

int CSplitterWnd::HitBar(POINT pt, bool* isColumn) const {
    int x = 0;
    for (size_t c = 0; c + 1 < m_cols.size(); ++c) {
        x += m_cols[c].current;
        if (pt.x >= x && pt.x < x + kBarSize) {
            *isColumn = true;
            return (int)c;
        }
        x += kBarSize;
    }
    int y = 0;
    for (size_t r = 0; r + 1 < m_rows.size(); ++r) {
        y += m_rows[r].current;
        if (pt.y >= y && pt.y < y + kBarSize) {
            *isColumn = false;
            return (int)r;
        }
        y += kBarSize;
    }
    return -1;
}

void CSplitterWnd::Drag(POINT pt) {
    std::vector<Track>& tracks = m_dragColumn ? m_cols : m_rows;
    int start = 0;
    for (int i = 0; i < m_dragBar; ++i)
        start += tracks[i].current + kBarSize;
    int pos = (m_dragColumn ? pt.x : pt.y) - start - kBarSize / 2;
    tracks[m_dragBar].ideal = std::max(0, pos);
    RecalcLayout();
}

void CSplitterWnd::ActivateNext(bool previous) {
    // Cycle through all views below the outermost splitter, in creation order.
    HWND top = m_hWnd;
    for (HWND p = GetParent(top); p && dynamic_cast<CSplitterWnd*>(FromHandle(p)); p = GetParent(p))
        top = p;
    std::vector<CView*> views;
    EnumChildWindows(top, CollectView, (LPARAM)&views);
    if (views.empty())
        return;
    CFrameWnd* frame = views[0]->GetParentFrame();
    CView* active = frame ? frame->GetActiveView() : nullptr;
    int n = (int)views.size();
    int i = (int)(std::find(views.begin(), views.end(), active) - views.begin());
    i = i >= n ? 0 : (i + (previous ? n - 1 : 1)) % n;
    if (frame)
        frame->SetActiveView(views[i]);
    ::SetFocus(views[i]->m_hWnd);
}

void CSplitterWnd::OnNextPane(UINT id) {
    ActivateNext(id == ID_PREV_PANE);
}

BOOL CSplitterWnd::OnCmdMsg(UINT id, int code, CCmdUI* pUI) {
    static const CommandEntry<CSplitterWnd> kCommands[] = {
        {ID_NEXT_PANE, ID_PREV_PANE, &CSplitterWnd::OnNextPane, nullptr},
    };
    return RouteCommand(this, kCommands, id, code, pUI);
}

LRESULT CSplitterWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    POINT pt = {(short)LOWORD(lp), (short)HIWORD(lp)};
    bool column = false;
    switch (msg) {
        case WM_SIZE:
            RecalcLayout();
            return 0;
        case WM_SETCURSOR:
            if ((HWND)wp == m_hWnd && LOWORD(lp) == HTCLIENT) {
                GetCursorPos(&pt);
                ScreenToClient(m_hWnd, &pt);
                if (HitBar(pt, &column) >= 0) {
                    SetCursor(LoadCursorA(nullptr, column ? IDC_SIZEWE : IDC_SIZENS));
                    return TRUE;
                }
            }
            break;
        case WM_LBUTTONDOWN:
            m_dragBar = HitBar(pt, &column);
            m_dragColumn = column;
            if (m_dragBar >= 0)
                SetCapture(m_hWnd);
            return 0;
        case WM_MOUSEMOVE:
            if (m_dragBar >= 0 && GetCapture() == m_hWnd)
                Drag(pt);
            return 0;
        case WM_LBUTTONUP:
        case WM_CANCELMODE:
            if (m_dragBar >= 0) {
                m_dragBar = -1;
                ReleaseCapture();
            }
            return 0;
        case WM_SETFOCUS: {
            // Focus goes on to the active pane.
            CWnd* parent = FromHandle(GetAncestor(m_hWnd, GA_ROOT));
            auto* frame = dynamic_cast<CFrameWnd*>(parent);
            if (frame && frame->GetActiveView())
                ::SetFocus(frame->GetActiveView()->m_hWnd);
            return 0;
        }
        default:
            break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}
