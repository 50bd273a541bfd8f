#include "framework/FrameWnd.h"

#include "framework/Views.h"
#include "framework/WinApp.h"
#include "res/resource.h"

namespace {
// Asks the update rules for a command's state without touching any menu or bar.
class TestCmdUI : public CCmdUI {
  public:
    BOOL m_bEnabled = TRUE;
    void Enable(BOOL on) override { m_bEnabled = on; }
    void SetCheck(int) override {}
};

std::string PromptPart(UINT id, bool tip) {
    std::string s = LoadStringA(id);
    size_t nl = s.find('\n');
    if (nl == std::string::npos)
        return tip ? std::string() : s;
    return tip ? s.substr(nl + 1) : s.substr(0, nl);
}
}  // namespace

CFrameWnd::~CFrameWnd() {
    if (m_hAccel)
        DestroyAcceleratorTable(m_hAccel);
}

BOOL CFrameWnd::LoadFrame(UINT resId, DWORD style, HWND parent) {
    HINSTANCE inst = AfxGetResourceHandle();
    HICON icon = LoadIconA(inst, MAKEINTRESOURCEA(resId));
    const char* cls = RegisterDefaultClass(CS_DBLCLKS, (HBRUSH)(COLOR_WINDOW + 1), nullptr);
    WNDCLASSA wc;
    GetClassInfoA(inst, cls, &wc);
    // The frame's class carries its icon.
    static std::string s_frameClass;
    if (s_frameClass.empty()) {
        s_frameClass = std::string(cls) + ".Frame";
        wc.hIcon = icon;
        wc.lpszClassName = s_frameClass.c_str();
        RegisterClassA(&wc);
    }
    m_hAccel = LoadAcceleratorsA(inst, MAKEINTRESOURCEA(resId));
    HMENU menu = LoadMenuA(inst, MAKEINTRESOURCEA(resId));
    std::string title = PromptPart(resId, false);
    // The add-to-title bit is a frame flag, not a window style.
    style &= ~0x8000u;
    // Bars and panes cover the client area: the frame must never paint over them.
    style |= WS_CLIPCHILDREN;
    // A failed creation must not delete the object under the caller: it deletes it itself.
    bool autoDelete = m_bAutoDelete;
    m_bAutoDelete = false;
    BOOL created = CreateEx(0, s_frameClass.c_str(), title.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, parent, menu);
    m_bAutoDelete = autoDelete;
    // A menu that a failed window had is destroyed with it already.
    if (!created && menu && IsMenu(menu))
        DestroyMenu(menu);
    return created;
}

int CFrameWnd::OnCreate(CREATESTRUCTA* cs) {
    return OnCreateClient(cs) ? 0 : -1;
}

BOOL CFrameWnd::OnCreateClient(CREATESTRUCTA*) {
    return TRUE;
}

void CFrameWnd::PostNcDestroy() {
    // The application must not hand out a main window that is gone.
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this)
        app->m_pMainWnd = nullptr;
    if (m_bAutoDelete)
        delete this;
}

void CFrameWnd::SetActiveView(CView* view) {
    m_pActiveView = view;
}

CWnd* CFrameWnd::FindBar(UINT id) const {
    HWND h = GetDlgItem(id);
    if (!h) {
        // Bars inside the rebar are its children.
        HWND rebar = GetDlgItem(AFX_IDW_REBAR);
        h = rebar ? ::GetDlgItem(rebar, id) : nullptr;
    }
    return FromHandle(h);
}

void CFrameWnd::RecalcLayout() {
    if (!m_hWnd)
        return;
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    HWND rebar = GetDlgItem(AFX_IDW_REBAR);
    if (rebar) {
        // A band is shown exactly while its bar window is visible.
        int bands = (int)::SendMessageA(rebar, RB_GETBANDCOUNT, 0, 0);
        bool any = false;
        for (int i = 0; i < bands; ++i) {
            REBARBANDINFOA band = {};
            band.cbSize = sizeof(band);
            band.fMask = RBBIM_CHILD | RBBIM_STYLE;
            ::SendMessageA(rebar, RB_GETBANDINFOA, i, (LPARAM)&band);
            bool visible = band.hwndChild && (GetWindowLongA(band.hwndChild, GWL_STYLE) & WS_VISIBLE);
            bool shown = !(band.fStyle & RBBS_HIDDEN);
            if (visible != shown) {
                ::SendMessageA(rebar, RB_SHOWBAND, i, visible);
                m_nRebarWidth = -1;
            }
            any = any || visible;
        }
        if (any != ((GetWindowLongA(rebar, GWL_STYLE) & WS_VISIBLE) != 0))
            ::ShowWindow(rebar, any ? SW_SHOWNA : SW_HIDE);
        if (any) {
            if (m_nRebarWidth != rc.right) {
                ::SendMessageA(rebar, WM_SIZE, 0, 0);
                m_nRebarWidth = rc.right;
            }
            RECT rr;
            GetWindowRect(rebar, &rr);
            int h = rr.bottom - rr.top;
            PlaceChild(rebar, 0, rc.top, rc.right, h);
            rc.top += h;
        }
    }
    HWND status = GetDlgItem(AFX_IDW_STATUS_BAR);
    // The bar's own style: before the frame is first shown no child counts as visible, and a
    // layout that left the bar out would be redone, every pane moved, at the first show.
    if (status && (GetWindowLongA(status, GWL_STYLE) & WS_VISIBLE)) {
        if (m_statusSized.cx != rc.right || m_statusSized.cy != rc.bottom) {
            ::SendMessageA(status, WM_SIZE, 0, 0);
            m_statusSized = {rc.right, rc.bottom};
        }
        RECT sr;
        GetWindowRect(status, &sr);
        rc.bottom -= sr.bottom - sr.top;
    } else {
        m_statusSized = {-1, -1};
    }
    HWND pane = GetDlgItem(AFX_IDW_PANE_FIRST);
    if (pane)
        PlaceChild(pane, rc.left, rc.top, rc.right - rc.left, rc.bottom > rc.top ? rc.bottom - rc.top : 0);
}

namespace {
BOOL CALLBACK InitialUpdateView(HWND h, LPARAM) {
    if (auto* view = dynamic_cast<CView*>(CWnd::FromHandle(h)))
        view->OnInitialUpdate();
    return TRUE;
}
}  // namespace

void CFrameWnd::InitialUpdateFrame() {
    RecalcLayout();
    EnumChildWindows(m_hWnd, InitialUpdateView, 0);
}

void CFrameWnd::SetMessageText(const char* text) {
    HWND status = GetDlgItem(AFX_IDW_STATUS_BAR);
    if (status)
        ::SendMessageA(status, SB_SETTEXTA, 0, (LPARAM)text);
}

void CFrameWnd::SetMessageText(UINT promptId) {
    if (promptId == AFX_IDS_IDLEMESSAGE && !m_idleNote.empty())
        SetMessageText(m_idleNote.c_str());
    else
        SetMessageText(PromptPart(promptId, false).c_str());
}

void CFrameWnd::SetIdleNote(const std::string& note) {
    m_idleNote = note;
    SetMessageText(AFX_IDS_IDLEMESSAGE);
}

std::string CFrameWnd::GetMessageText() const {
    CStatusBar* bar = dynamic_cast<CStatusBar*>(FromHandle(GetDlgItem(AFX_IDW_STATUS_BAR)));
    return bar ? bar->GetPaneText(0) : std::string();
}

void CFrameWnd::UpdateBars() {
    for (UINT id : {AFX_IDW_REBAR, AFX_IDW_TOOLBAR, AFX_IDW_STATUS_BAR, AFX_IDW_DIALOGBAR}) {
        auto* bar = dynamic_cast<CControlBar*>(FromHandle(GetDlgItem(id)));
        if (bar && bar->IsWindowVisible())
            bar->OnUpdateCmdUI(this);
    }
}

void CFrameWnd::UpdateMenuPopup(HMENU popup) {
    int count = GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        UINT id = GetMenuItemID(popup, i);
        if (id == 0 || id == (UINT)-1)
            continue;  // separator or sub-menu
        CCmdUI ui;
        ui.m_nID = id;
        ui.m_hMenu = popup;
        ui.m_nIndex = i;
        ui.DoUpdate(this);
    }
}

void CFrameWnd::ToggleBar(UINT id) {
    CWnd* bar = FindBar(id);
    if (!bar)
        return;
    bar->ShowWindow(bar->IsWindowVisible() ? SW_HIDE : SW_SHOWNA);
    RecalcLayout();
}

CommandState CFrameWnd::BarShown(UINT id) const {
    CWnd* bar = FindBar(id);
    CommandState state;
    state.check = bar && bar->IsWindowVisible();
    return state;
}

void CFrameWnd::OnHelpFinder(UINT) {
    if (AfxGetApp())
        AfxGetApp()->WinHelp(0, HELP_FINDER);
}

void CFrameWnd::OnContextHelp(UINT) {
    // Help mode: the next click names the object; Escape leaves the mode.
    m_bHelpMode = true;
    SetMessageText(AFX_IDS_HELPMODEMESSAGE);
    SetCapture(m_hWnd);
    SetCursor(LoadCursorA(nullptr, IDC_HELP));
}

BOOL CFrameWnd::OnOwnCmdMsg(UINT id, int code, CCmdUI* pUI) {
    static const CommandEntry<CFrameWnd> kCommands[] = {
        {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, &CFrameWnd::ToggleBar, &CFrameWnd::BarShown},
        {ID_HELP_FINDER, ID_HELP_FINDER, &CFrameWnd::OnHelpFinder, nullptr},
        {ID_DEFAULT_HELP, ID_DEFAULT_HELP, &CFrameWnd::OnHelpFinder, nullptr},
        {ID_HELP, ID_HELP, &CFrameWnd::OnHelpFinder, nullptr},
        {ID_CONTEXT_HELP, ID_CONTEXT_HELP, &CFrameWnd::OnContextHelp, nullptr},
    };
    return RouteCommand(this, kCommands, id, code, pUI);
}

BOOL CFrameWnd::OnCmdMsg(UINT id, int code, CCmdUI* pUI) {
    if (m_pActiveView && m_pActiveView->OnCmdMsg(id, code, pUI))
        return TRUE;
    if (OnOwnCmdMsg(id, code, pUI))
        return TRUE;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(id, code, pUI);
}

BOOL CFrameWnd::OnCommand(WPARAM wp, LPARAM lp) {
    UINT id = LOWORD(wp);
    UINT notifyCode = HIWORD(wp);
    // Control notifications other than clicks are not commands.
    if (lp && notifyCode != BN_CLICKED)
        return FALSE;
    // A command whose entry is disabled may still arrive through an accelerator: drop it.
    TestCmdUI probe;
    probe.m_nID = id;
    probe.DoUpdate(this);
    if (!probe.m_bEnabled)
        return TRUE;
    return OnCmdMsg(id, CN_COMMAND, nullptr);
}

void CFrameWnd::OnMenuSelect(UINT item, UINT flags, HMENU menu) {
    if (flags == 0xFFFF && !menu) {
        SetMessageText(AFX_IDS_IDLEMESSAGE);
    } else if (flags & (MF_POPUP | MF_SEPARATOR)) {
        SetMessageText("");
    } else {
        SetMessageText(item);
    }
}

BOOL CFrameWnd::OnNotify(NMHDR* hdr, LRESULT* result) {
    switch (hdr->code) {
        case TBN_HOTITEMCHANGE: {
            auto* hot = reinterpret_cast<NMTBHOTITEM*>(hdr);
            if (hot->dwFlags & HICF_LEAVING)
                SetMessageText(AFX_IDS_IDLEMESSAGE);
            else
                SetMessageText((UINT)hot->idNew);
            *result = 0;
            return TRUE;
        }
        case TTN_GETDISPINFOA: {
            auto* info = reinterpret_cast<NMTTDISPINFOA*>(hdr);
            std::string tip = PromptPart((UINT)hdr->idFrom, true);
            lstrcpynA(m_tipText, tip.c_str(), sizeof(m_tipText));
            info->lpszText = m_tipText;
            return TRUE;
        }
        default:
            return FALSE;
    }
}

BOOL CFrameWnd::PreTranslateMessage(MSG* msg) {
    if (m_bHelpMode && msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
        m_bHelpMode = false;
        ReleaseCapture();
        SetMessageText(AFX_IDS_IDLEMESSAGE);
        return TRUE;
    }
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && m_hAccel)
        return TranslateAcceleratorA(m_hWnd, m_hAccel, msg);
    return FALSE;
}

LRESULT CFrameWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE:
            return OnCreate(reinterpret_cast<CREATESTRUCTA*>(lp));
        case WM_SIZE:
            RecalcLayout();
            return 0;
        case WM_COMMAND:
            if (OnCommand(wp, lp))
                return 0;
            break;
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (ReflectNotify(lp, &result) || OnNotify(reinterpret_cast<NMHDR*>(lp), &result))
                return result;
            break;
        }
        case WM_INITMENUPOPUP:
            if (!HIWORD(lp))
                UpdateMenuPopup((HMENU)wp);
            return 0;
        case WM_MENUSELECT:
            OnMenuSelect(LOWORD(wp), HIWORD(wp), (HMENU)lp);
            return 0;
        case WM_IDLEUPDATECMDUI:
            UpdateBars();
            return 0;
        case WM_LBUTTONDOWN:
            if (m_bHelpMode) {
                m_bHelpMode = false;
                ReleaseCapture();
                SetMessageText(AFX_IDS_IDLEMESSAGE);
                if (AfxGetApp())
                    AfxGetApp()->WinHelp(0, HELP_FINDER);
                return 0;
            }
            break;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_DESTROY:
            if (AfxGetMainWnd() == this)
                PostQuitMessage(0);
            break;
        default:
            break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}
