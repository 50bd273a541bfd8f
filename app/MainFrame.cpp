#include "app/MainFrame.h"

#include "app/ConnectMenu.h"
#include "app/Globals.h"
#include "app/OpcBrowserApp.h"
#include "opc/OpcConnection.h"
#include "res/resource.h"
#include "trace/Trace.h"
#include "variables/ConversionSettings.h"
#include "variables/DialogQuestions.h"
#include "variables/VariableView.h"
#include "views/BrowseView.h"
#include "views/ItemView.h"
#include "views/ProgressWindow.h"

namespace {
const UINT kToolBarButtons[] = {ID_EDIT_DELETE_ALL, ID_EDIT_ADD_ALL, ID_EDIT_ACCEPT};
const UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
// The conversion's questions go to the user; the object has no state of its own.
DialogQuestions s_questions;

const char* CommandLine() {
    auto* app = static_cast<COpcBrowserApp*>(AfxGetApp());
    return app && app->m_lpCmdLine ? app->m_lpCmdLine : "";
}
}  // namespace

CMainFrame::~CMainFrame() {
    if (g_pConnection) {
        g_pConnection->Close();
        delete g_pConnection;
        g_pConnection = nullptr;
    }
    if (m_bClearClipboardAtExit && g_pConversionSettings) {
        g_pConversionSettings->ClearClipboard(nullptr);
        Trace("Clipboard cleared");
    }
    delete g_pConversionSettings;
    g_pConversionSettings = nullptr;
}

int CMainFrame::OnCreate(CREATESTRUCTA* cs) {
    TraceInit();
    TraceBegin();
    char* info = GetSystemInfoText();
    Trace("%s", info);
    delete[] info;
    Trace("========================================================");
    if (!g_pConversionSettings)
        g_pConversionSettings = new ConversionSettings;

    if (CFrameWnd::OnCreate(cs) == -1)
        return -1;

    m_hMenu = GetMenu(m_hWnd);
    m_nAutoConnectId = 0;
    m_bServerSwitches = false;
    FillConnectMenu(GetSubMenu(m_hMenu, kConnectMenuPosition));
    if (!CreateBars())
        return -1;
    // The automatic connect of a lone "/u1" runs once the message loop has the shown window.
    if (m_nAutoConnectId && m_bServerSwitches)
        PostMessage(kAutoConnectMessage);
    return 0;
}

void CMainFrame::FillConnectMenu(HMENU connectMenu) {
    const char* cmdLine = CommandLine();
    std::string path = cmdLine;
    std::vector<ServerEntry> entries;
    if (!cmdLine[0]) {
        path = ReadRecentProject();
        m_bProjectKnown = !path.empty();
    } else if (HasServerSwitches(cmdLine)) {
        m_bServerSwitches = true;
        entries = ParseServerSwitches(cmdLine, &m_nAutoConnectId);
    }
    if (!m_bServerSwitches) {
        std::string title = GetWindowText() + " - " + path + ".kri";
        SetWindowText(title.c_str());
        entries = ReadProjectServers(path.c_str());
    }
    for (const ServerEntry& e : entries) {
        AppendMenuA(connectMenu, MF_STRING, e.id, e.name.c_str());
        Trace("Append MenuItem \"%s\"", e.name.c_str());
    }
}

bool CMainFrame::CreateBars() {
    if (!m_wndToolBar.CreateEx(m_hWnd, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE, AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_TOOLBAR, kToolBarButtons, ARRAYSIZE(kToolBarButtons)))
        return false;
    if (!m_wndCutBar.Create(m_hWnd, IDD_CUTBAR, WS_CHILD | WS_VISIBLE, AFX_IDW_DIALOGBAR))
        return false;
    m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC);
    if (!m_wndReBar.Create(m_hWnd, RBS_BANDBORDERS, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                           AFX_IDW_REBAR) ||
        !m_wndReBar.AddBar(&m_wndCutBar, RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP, m_wndCutBar.m_sizeDefault) ||
        !m_wndReBar.AddBar(&m_wndToolBar, RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP, m_wndToolBar.GetIdealSize()))
        return false;
    if (!m_wndStatusBar.Create(m_hWnd, WS_CHILD | WS_VISIBLE, AFX_IDW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(kIndicators, ARRAYSIZE(kIndicators)))
        return false;
    m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY);
    SetMessageText(AFX_IDS_IDLEMESSAGE);
    RecalcLayout();
    return true;
}

BOOL CMainFrame::OnCreateClient(CREATESTRUCTA*) {
    if (!m_wndSplitter.CreateStatic(m_hWnd, 1, 2, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST))
        return FALSE;
    if (!m_wndRightSplitter.CreateStatic(m_wndSplitter.m_hWnd, 2, 1, WS_CHILD | WS_VISIBLE | WS_BORDER,
                                         m_wndSplitter.IdFromRowCol(0, 1)))
        return FALSE;
    // The splitters own their panes' windows; the view objects delete themselves with them.
    auto* browse = new CBrowseView;
    auto* items = new CItemView;
    auto* variables = new CVariableView;
    bool ok = m_wndSplitter.CreateView(0, 0, browse, {0, 0}) && m_wndRightSplitter.CreateView(0, 0, items, {0, 0}) &&
              m_wndRightSplitter.CreateView(1, 0, variables, {0, 0});
    if (!ok) {
        delete browse;
        delete items;
        delete variables;
        return FALSE;
    }
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    m_wndSplitter.SetColumnInfo(0, rc.right / 3, 0);
    m_wndRightSplitter.SetRowInfo(0, rc.bottom / 2, 0);
    m_pBrowseView = browse;
    g_pItemView = items;
    items->m_onCutSettingsChanged = [this] { SyncCutBar(); };
    g_pVariableView = variables;
    if (g_pConversionSettings)
        g_pConversionSettings->Attach(variables, &s_questions);
    m_wndRightSplitter.SetActivePane(0, 0);
    Trace("Created two splitterwindows with three views");
    return TRUE;
}

void CMainFrame::SyncCutBar() {
    if (!g_pConversionSettings)
        return;
    SendDlgItemMessageA(m_wndCutBar.m_hWnd, IDC_CUT_OFFSET_SLIDER, TBM_SETPOS, TRUE,
                        g_pConversionSettings->CutOffset());
    SetDlgItemInt(m_wndCutBar.m_hWnd, IDC_CUT_OFFSET_VALUE, g_pConversionSettings->CutOffset(), TRUE);
    SendDlgItemMessageA(m_wndCutBar.m_hWnd, IDC_CUT_LENGTH_SLIDER, TBM_SETPOS, TRUE,
                        g_pConversionSettings->CutLength());
    SetDlgItemInt(m_wndCutBar.m_hWnd, IDC_CUT_LENGTH_VALUE, g_pConversionSettings->CutLength(), TRUE);
}

BOOL CMainFrame::OnCmdMsg(UINT id, int code, CCmdUI* pUI) {
    // A command arriving while the tree is read or items are added (sent from elsewhere: the
    // window itself is disabled then) is dropped: it would cut into the operation.
    if (CProgressWindow::IsRunning() && code == CN_COMMAND)
        return TRUE;
    if (m_wndSplitter.OnCmdMsg(id, code, pUI))
        return TRUE;
    return CFrameWnd::OnCmdMsg(id, code, pUI);
}

void CMainFrame::AutoConnect() {
    if (!m_nAutoConnectId || !m_bServerSwitches)
        return;
    UINT id = m_nAutoConnectId;
    m_nAutoConnectId = 0;
    Connect(id);
}

LRESULT CMainFrame::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case kAutoConnectMessage:
            AutoConnect();
            return 0;
        case WM_SETFOCUS:
            ::SetFocus(m_wndSplitter.m_hWnd);
            return 0;
        case WM_PAINT:
            ValidateRect(m_hWnd, nullptr);
            return 0;
        default:
            return CFrameWnd::WindowProc(msg, wp, lp);
    }
}
