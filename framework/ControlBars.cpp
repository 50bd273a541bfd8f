#include "framework/ControlBars.h"

#include "framework/WinApp.h"
#include "res/resource.h"

// ---- tool bar

BOOL CToolBar::CreateEx(HWND parent, DWORD tbStyle, DWORD style, UINT id) {
    if (!CWnd::CreateEx(0, TOOLBARCLASSNAMEA, "", style | tbStyle | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN, 0,
                        0, 0, 0, parent, (HMENU)(UINT_PTR)id))
        return FALSE;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELONG(16, 16));
    return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT bitmapId, const UINT* buttons, int count) {
    int images = 0;
    for (int i = 0; i < count; ++i)
        images += buttons[i] ? 1 : 0;
    TBADDBITMAP bm = {AfxGetResourceHandle(), bitmapId};
    if (SendMessage(TB_ADDBITMAP, images, (LPARAM)&bm) < 0)
        return FALSE;
    std::vector<TBBUTTON> tb(count);
    int image = 0;
    for (int i = 0; i < count; ++i) {
        tb[i] = {};
        tb[i].idCommand = (int)buttons[i];
        tb[i].fsState = TBSTATE_ENABLED;
        tb[i].fsStyle = buttons[i] ? TBSTYLE_BUTTON : TBSTYLE_SEP;
        tb[i].iBitmap = buttons[i] ? image++ : 0;
    }
    m_buttons.assign(buttons, buttons + count);
    SendMessage(TB_ADDBUTTONS, count, (LPARAM)tb.data());
    SendMessage(TB_AUTOSIZE);
    return TRUE;
}

SIZE CToolBar::GetIdealSize() const {
    SIZE size = {0, 0};
    RECT rc;
    for (int i = 0; i < (int)m_buttons.size(); ++i) {
        if (SendMessage(TB_GETITEMRECT, i, (LPARAM)&rc)) {
            size.cx = rc.right > size.cx ? rc.right : size.cx;
            size.cy = rc.bottom > size.cy ? rc.bottom : size.cy;
        }
    }
    return size;
}

void CToolBar::OnUpdateCmdUI(CCmdTarget* target) {
    for (UINT id : m_buttons) {
        if (!id)
            continue;
        CCmdUI ui;
        ui.m_nID = id;
        ui.m_hToolBar = m_hWnd;
        ui.DoUpdate(target);
    }
}

// ---- status bar

BOOL CStatusBar::Create(HWND parent, DWORD style, UINT id) {
    return CWnd::CreateEx(0, STATUSCLASSNAMEA, "", style | SBARS_SIZEGRIP, 0, 0, 0, 0, parent, (HMENU)(UINT_PTR)id);
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int count) {
    if (count < 1)
        return FALSE;
    m_ids.assign(ids, ids + count);
    m_widths.assign(count, 0);
    HDC dc = GetDC(m_hWnd);
    HGDIOBJ old = SelectObject(dc, (HGDIOBJ)SendMessage(WM_GETFONT));
    for (int i = 1; i < count; ++i) {
        std::string t = LoadStringA(ids[i]);
        SIZE sz = {0, 0};
        GetTextExtentPoint32A(dc, t.c_str(), (int)t.size(), &sz);
        m_widths[i] = sz.cx + 14;
    }
    SelectObject(dc, old);
    ReleaseDC(m_hWnd, dc);
    LayoutParts();
    return TRUE;
}

void CStatusBar::LayoutParts() {
    if (m_ids.empty())
        return;
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    int n = (int)m_ids.size();
    std::vector<int> edges(n);
    int right = rc.right - GetSystemMetrics(SM_CXVSCROLL);  // room for the size grip
    for (int i = n - 1; i >= 0; --i) {
        edges[i] = i == n - 1 ? right : edges[i + 1] - m_widths[i + 1];
    }
    SendMessage(SB_SETPARTS, n, (LPARAM)edges.data());
}

void CStatusBar::SetPaneText(int index, const char* text) {
    SendMessage(SB_SETTEXTA, index, (LPARAM)text);
}

std::string CStatusBar::GetPaneText(int index) const {
    int n = LOWORD(SendMessage(SB_GETTEXTLENGTHA, index));
    std::string s(n + 1, '\0');
    SendMessage(SB_GETTEXTA, index, (LPARAM)&s[0]);
    s.resize(n);
    return s;
}

LRESULT CStatusBar::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT r = CControlBar::WindowProc(msg, wp, lp);
    if (msg == WM_SIZE)
        LayoutParts();
    return r;
}

void CStatusBar::OnUpdateCmdUI(CCmdTarget*) {
    // Lock-key indicators show their text while the key is toggled on.
    static const int keys[] = {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};
    for (int i = 1; i < (int)m_ids.size(); ++i) {
        int key =
            m_ids[i] >= ID_INDICATOR_CAPS && m_ids[i] <= ID_INDICATOR_SCRL ? keys[m_ids[i] - ID_INDICATOR_CAPS] : 0;
        bool on = key && (GetKeyState(key) & 1);
        std::string want = on ? LoadStringA(m_ids[i]) : std::string();
        if (GetPaneText(i) != want)
            SetPaneText(i, want.c_str());
    }
}

// ---- rebar

BOOL CReBar::Create(HWND parent, DWORD rbStyle, DWORD style, UINT id) {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_COOL_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    if (!CWnd::CreateEx(0, REBARCLASSNAMEA, "", style | rbStyle | CCS_NODIVIDER, 0, 0, 0, 0, parent,
                        (HMENU)(UINT_PTR)id))
        return FALSE;
    REBARINFO info = {sizeof(info), 0, nullptr};
    SendMessage(RB_SETBARINFO, 0, (LPARAM)&info);
    return TRUE;
}

BOOL CReBar::AddBar(CWnd* bar, DWORD bandStyle, SIZE minSize) {
    REBARBANDINFOA band = {};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE;
    band.fStyle = bandStyle;
    band.hwndChild = bar->m_hWnd;
    band.cxMinChild = minSize.cx;
    band.cyMinChild = minSize.cy;
    band.cx = minSize.cx;
    if (!SendMessage(RB_INSERTBANDA, (WPARAM)-1, (LPARAM)&band))
        return FALSE;
    if (auto* cb = dynamic_cast<CControlBar*>(bar))
        m_bars.push_back(cb);
    return TRUE;
}

void CReBar::OnUpdateCmdUI(CCmdTarget* target) {
    for (CControlBar* bar : m_bars)
        if (bar->IsWindowVisible())
            bar->OnUpdateCmdUI(target);
}

// ---- dialog bar

BOOL CDialogBar::Create(HWND parent, UINT templateId, UINT style, UINT id) {
    HWND h = CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(templateId), parent, DialogProc, 0);
    if (!h)
        return FALSE;
    SetWindowLongPtrA(h, GWLP_ID, id);
    SubclassWindow(h);
    RECT rc;
    GetWindowRect(h, &rc);
    m_sizeDefault = {rc.right - rc.left, rc.bottom - rc.top};
    if (style & WS_VISIBLE)
        ShowWindow(SW_SHOWNOACTIVATE);
    OnCreated();
    return TRUE;
}

INT_PTR CALLBACK CDialogBar::DialogProc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_INITDIALOG;
}

LRESULT CDialogBar::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    // Commands of the bar's controls belong to the frame.
    if (msg == WM_COMMAND) {
        CWnd* frame = AfxGetMainWnd();
        HWND root = GetAncestor(m_hWnd, GA_ROOT);
        return ::SendMessageA(frame && frame->m_hWnd ? frame->m_hWnd : root, msg, wp, lp);
    }
    return CControlBar::WindowProc(msg, wp, lp);
}
