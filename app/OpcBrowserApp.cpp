#include "app/OpcBrowserApp.h"

#include "app/MainFrame.h"
#include "app/Globals.h"
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
    frame->ShowWindow(SW_SHOW);
    frame->InitialUpdateFrame();
    UpdateWindow(frame->m_hWnd);
    return TRUE;
}

BOOL COpcBrowserApp::OnCmdMsg(UINT id, int code, CCmdUI* pUI) {
    (void)pUI;
    if (id != ID_APP_ABOUT)
        return FALSE;
    if (code == CN_COMMAND) {
        CDialog about(IDD_ABOUTBOX);
        about.DoModal();
    }
    return code != CN_UPDATE_COMMAND_UI;
}
