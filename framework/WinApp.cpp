#include "framework/WinApp.h"

#include "framework/CommandTable.h"
#include "res/resource.h"

namespace {
CWinApp* g_pApp = nullptr;
MessageBoxHook g_messageBoxHook;
}  // namespace

CWinApp* AfxGetApp() {
    return g_pApp;
}

CWnd* AfxGetMainWnd() {
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetResourceHandle() {
    return GetModuleHandleA(nullptr);
}

std::string LoadStringA(UINT id) {
    // LoadStringA cannot report the length in advance: grow until the text fits.
    std::string s(256, '\0');
    for (;;) {
        int n = ::LoadStringA(AfxGetResourceHandle(), id, &s[0], (int)s.size());
        if (n < (int)s.size() - 1) {
            s.resize(n > 0 ? n : 0);
            return s;
        }
        s.resize(s.size() * 2);
    }
}

void SetMessageBoxHook(MessageBoxHook hook) {
    g_messageBoxHook = std::move(hook);
}

int AppMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    if (g_messageBoxHook)
        return g_messageBoxHook(owner, text, caption, type);
    return MessageBoxA(owner, text, caption, type);
}

int AfxMessageBox(const char* text, UINT type) {
    CWnd* main = AfxGetMainWnd();
    HWND owner = main ? main->m_hWnd : nullptr;
    if (owner)
        owner = GetLastActivePopup(owner);
    const char* caption = g_pApp ? g_pApp->GetAppTitle() : "";
    return AppMessageBox(owner, text, caption, type);
}

int AfxMessageBox(UINT stringId, UINT type) {
    return AfxMessageBox(LoadStringA(stringId).c_str(), type);
}

CWinApp::CWinApp() {
    g_pApp = this;
    m_hInstance = GetModuleHandleA(nullptr);
    m_strTitle = LoadStringA(AFX_IDS_APP_TITLE);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    m_strHelpFile = path;
    size_t dot = m_strHelpFile.rfind('.');
    if (dot != std::string::npos)
        m_strHelpFile.erase(dot);
    m_strHelpFile += ".hlp";
}

CWinApp::~CWinApp() {
    if (g_pApp == this)
        g_pApp = nullptr;
}

void CWinApp::SetRegistryKey(const char* company) {
    m_strRegistryKey = std::string("Software\\") + company + "\\" + m_strTitle;
}

std::string CWinApp::HelpTarget() const {
    if (GetFileAttributesA(m_strHelpFile.c_str()) != INVALID_FILE_ATTRIBUTES)
        return m_strHelpFile;
    // Current Windows versions have no WinHelp viewer: the same contents ship as HTML.
    std::string html = m_strHelpFile.substr(0, m_strHelpFile.size() - 4) + ".htm";
    return GetFileAttributesA(html.c_str()) != INVALID_FILE_ATTRIBUTES ? html : std::string();
}

void CWinApp::WinHelp(DWORD data, UINT command) {
    HWND owner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    std::string target = HelpTarget();
    if (target.size() > 4 && target.compare(target.size() - 4, 4, ".htm") == 0) {
        // shell32 (with shcore and shlwapi) is loaded here, when help is asked for: linked, it
        // would be loaded at every start for this one call.
        using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
        HMODULE shell = LoadLibraryA("shell32.dll");
        auto execute = reinterpret_cast<ShellExecuteFn>(
            reinterpret_cast<void*>(shell ? GetProcAddress(shell, "ShellExecuteA") : nullptr));
        if (execute)
            execute(owner, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } else
        ::WinHelpA(owner, m_strHelpFile.c_str(), command, data);
}

void CWinApp::OnAppExit(UINT) {
    if (m_pMainWnd && m_pMainWnd->m_hWnd)
        m_pMainWnd->SendMessage(WM_CLOSE);
}

BOOL CWinApp::OnCmdMsg(UINT id, int code, CCmdUI* pUI) {
    static const CommandEntry<CWinApp> kCommands[] = {
        {ID_APP_EXIT, ID_APP_EXIT, &CWinApp::OnAppExit, nullptr},
    };
    return RouteCommand(this, kCommands, id, code, pUI);
}

BOOL CWinApp::OnIdle(LONG count) {
    if (count == 0 && m_pMainWnd && m_pMainWnd->m_hWnd)
        m_pMainWnd->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    return FALSE;
}

void CWinApp::DispatchOne(MSG& msg) {
    for (HWND h = msg.hwnd; h; h = GetParent(h)) {
        CWnd* w = CWnd::FromHandle(h);
        if (w && w->PreTranslateMessage(&msg))
            return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

void CWinApp::PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage((int)msg.wParam);
            return;
        }
        DispatchOne(msg);
    }
    OnIdle(0);
}

int CWinApp::Run() {
    MSG msg;
    for (;;) {
        LONG idleCount = 0;
        while (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++))
                break;
        }
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        DispatchOne(msg);
    }
    return (int)msg.wParam;
}
