#pragma once
// The main window: menu, tool bar, cut bar, status bar and the three panes.
#include "framework/FrameWnd.h"
#include "app/FrameDialogs.h"
#include "framework/SplitterWnd.h"
#include "views/CutBar.h"

class CBrowseView;

class CMainFrame : public CFrameWnd {
  public:
    CMainFrame() = default;
    ~CMainFrame() override;

    BOOL OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    BOOL OnCommand(WPARAM wp, LPARAM lp) override;
    // Connects to the server of Connect-menu entry id (32775..32779); returns 1.
    int Connect(UINT id);
    // "&Browse Server ...": the chosen server becomes a Connect-menu entry and is connected.
    void ChooseServer();
    void SyncCutBar();

    static constexpr int kConnectMenuPosition = 2;  // "&Verbinden"

    bool m_bServerSwitches = false;
    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
    CReBar m_wndReBar;
    CCutBar m_wndCutBar;
    CSplitterWnd m_wndSplitter;
    CSplitterWnd m_wndRightSplitter;
    CBrowseView* m_pBrowseView = nullptr;
    HMENU m_hMenu = nullptr;
    UINT m_nAcceptDeleteCheck = 0;
    CNumberingDlg m_dlgNumbering;
    CSeparatorDlg m_dlgSeparator;
    BOOL m_bProjectKnown = FALSE;
    UINT m_nAutoConnectId = 0;
    bool m_bClearClipboardAtExit = true;
    bool m_bConnected = false;
    bool m_bLiveData = true;

  protected:
    int OnCreate(CREATESTRUCTA* cs) override;
    BOOL OnCreateClient(CREATESTRUCTA* cs) override;
    BOOL OnOwnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    void OnClose() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    // Command handlers; each returns TRUE when it knows the command.
    BOOL OnEditCommand(UINT id, int code, CCmdUI* pUI);
    BOOL OnConnectionCommand(UINT id, int code, CCmdUI* pUI);
    BOOL OnOptionCommand(UINT id, int code, CCmdUI* pUI);
    BOOL OnFileCommand(UINT id, int code, CCmdUI* pUI);
    // Pending rows: accept them (Yes) or drop them (No), as the user answers.
    void AskAboutPending(const char* caption);
    // The run's one hand-over of the variables to the clipboard.
    void HandOver();
    void CopyToClipboard(bool andExit);
    void NewItem();
    void ChangeSeparator();
    void ToggleCutBar();
    void OpenNumbering();
    void Disconnect();
    void ToggleAcceptDelete();
    void FillConnectMenu(HMENU connectMenu);
    bool CreateBars();
};
