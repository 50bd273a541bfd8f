#include "app/OpcBrowserApp.h"

#include "app/MainFrame.h"
#include "app/Globals.h"
#include "framework/CommandTable.h"
#include "framework/Dialog.h"
#include "res/resource.h"

BOOL COpcBrowserApp::InitInstance() {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&icc);
    SetRegistryKey("TALMERO GmbH\\Korvane");

    auto* frame = new CMainFrame;
    m_pMainWnd = frame;
    g_pConversionSettings = nullptr;
    if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | 0x8000)) {
        delete frame;
        m_pMainWnd = nullptr;
        m_bStartFailed = true;
        return TRUE;
    }
    // The views add their columns and first row before the window is shown: it then appears
    // laid out and complete, and paints once.
    frame->InitialUpdateFrame();
    frame->ShowWindow(SW_SHOW);
    UpdateWindow(frame->m_hWnd);
    return TRUE;
}

void COpcBrowserApp::OnAppAbout(UINT) {
    CDialog about(IDD_ABOUTBOX);
    about.DoModal();
}

BOOL COpcBrowserApp::OnCmdMsg(UINT id, int code, CCmdUI* pUI) {
    static const CommandEntry<COpcBrowserApp> kCommands[] = {
        {ID_APP_ABOUT, ID_APP_ABOUT, &COpcBrowserApp::OnAppAbout, nullptr},
    };
    return RouteCommand(this, kCommands, id, code, pUI) || CWinApp::OnCmdMsg(id, code, pUI);
}
