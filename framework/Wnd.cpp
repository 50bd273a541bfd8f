#include "framework/Wnd.h"

#include <unordered_map>
#include <vector>

namespace {
const char kDefaultClass[] = "ZZ.Wnd";

// The objects bound to windows, looked up for every message. A window property would do, but
// under Wine each property read is a round trip to the server, thousands of them for a list fill.
// Windows live on the user-interface thread only.
std::unordered_map<HWND, CWnd*>& BoundWindows() {
    static std::unordered_map<HWND, CWnd*> s_bound;
    return s_bound;
}
}  // namespace

void CCmdUI::Enable(BOOL on) {
    if (m_hMenu)
        EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
    if (m_hToolBar)
        SendMessageA(m_hToolBar, TB_ENABLEBUTTON, m_nID, MAKELONG(on ? TRUE : FALSE, 0));
}

void CCmdUI::SetCheck(int check) {
    if (m_hMenu)
        CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
    if (m_hToolBar)
        SendMessageA(m_hToolBar, TB_CHECKBUTTON, m_nID, MAKELONG(check ? TRUE : FALSE, 0));
}

void CCmdUI::DoUpdate(CCmdTarget* target) {
    // Every command table answers the request for the ids it lists, with its rule's state.
    if (!target->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this))
        Enable(FALSE);
}

CWnd::~CWnd() {
    if (m_hWnd) {
        HWND h = m_hWnd;
        UnbindWindow();
        ::DestroyWindow(h);
    }
}

const char* CWnd::RegisterDefaultClass(UINT style, HBRUSH background, HCURSOR cursor) {
    // One class per style combination; the name encodes the arguments.
    static std::vector<std::string> s_names;
    char name[80];
    wsprintfA(name, "%s.%X.%p.%p", kDefaultClass, style, (void*)background, (void*)cursor);
    for (const std::string& n : s_names)
        if (n == name)
            return n.c_str();
    WNDCLASSA wc = {};
    wc.style = style;
    wc.lpfnWndProc = StaticWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = cursor ? cursor : LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
    s_names.emplace_back(name);
    return s_names.back().c_str();
}

BOOL CWnd::CreateEx(DWORD exStyle,
                    const char* className,
                    const char* title,
                    DWORD style,
                    int x,
                    int y,
                    int cx,
                    int cy,
                    HWND parent,
                    HMENU idOrMenu) {
    if (!className)
        className = RegisterDefaultClass();
    WNDCLASSA wc;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    bool own = GetClassInfoA(inst, className, &wc) && wc.lpfnWndProc == StaticWndProc;
    HWND h =
        CreateWindowExA(exStyle, className, title, style, x, y, cx, cy, parent, idOrMenu, inst, own ? this : nullptr);
    if (!h)
        return FALSE;
    if (!own)
        SubclassWindow(h);
    return TRUE;
}

void CWnd::Attach(HWND hWnd) {
    m_hWnd = hWnd;
    BoundWindows()[hWnd] = this;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!hWnd || m_hWnd)
        return FALSE;
    Attach(hWnd);
    m_pfnSuper = (WNDPROC)SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)SubclassProc);
    return TRUE;
}

void CWnd::UnbindWindow() {
    if (!m_hWnd)
        return;
    if (m_pfnSuper && (WNDPROC)GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC) == SubclassProc)
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, (LONG_PTR)m_pfnSuper);
    auto bound = BoundWindows().find(m_hWnd);
    if (bound != BoundWindows().end() && bound->second == this)
        BoundWindows().erase(bound);
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (!hWnd)
        return nullptr;
    auto bound = BoundWindows().find(hWnd);
    return bound == BoundWindows().end() ? nullptr : bound->second;
}

std::string CWnd::GetWindowText() const {
    return WindowText(m_hWnd);
}

std::string WindowText(HWND h) {
    int n = ::GetWindowTextLengthA(h);
    std::string s(n + 1, '\0');
    n = ::GetWindowTextA(h, &s[0], n + 1);
    s.resize(n > 0 ? n : 0);
    return s;
}

void PlaceChild(HWND child, int x, int y, int width, int height) {
    RECT rc;
    if (::GetWindowRect(child, &rc)) {
        MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
        if (rc.left == x && rc.top == y && rc.right - rc.left == width && rc.bottom - rc.top == height)
            return;
    }
    ::MoveWindow(child, x, y, width, height, TRUE);
}

LRESULT CWnd::Default(UINT msg, WPARAM wp, LPARAM lp) {
    if (m_bDialog) {
        m_bDefaultReached = true;
        return 0;
    }
    if (m_pfnSuper)
        return CallWindowProcA(m_pfnSuper, m_hWnd, msg, wp, lp);
    return DefWindowProcA(m_hWnd, msg, wp, lp);
}

BOOL CWnd::ReflectNotify(LPARAM lp, LRESULT* result) {
    NMHDR* hdr = reinterpret_cast<NMHDR*>(lp);
    CWnd* child = hdr ? FromHandle(hdr->hwndFrom) : nullptr;
    return child && child->OnNotifyReflect(hdr, result);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY) {
        LRESULT result = 0;
        if (ReflectNotify(lp, &result))
            return result;
    }
    return Default(msg, wp, lp);
}

LRESULT CWnd::Dispatch(CWnd* self, HWND hWnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (!self)
        return DefWindowProcA(hWnd, msg, wp, lp);
    LRESULT r = self->WindowProc(msg, wp, lp);
    // The last message: the object lets go of the window and may delete itself.
    if (msg == WM_NCDESTROY) {
        self->UnbindWindow();
        self->PostNcDestroy();
    }
    return r;
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWnd* self = FromHandle(hWnd);
    if (!self && msg == WM_NCCREATE) {
        self = static_cast<CWnd*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        if (self)
            self->Attach(hWnd);
    }
    return Dispatch(self, hWnd, msg, wp, lp);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Dispatch(FromHandle(hWnd), hWnd, msg, wp, lp);
}
