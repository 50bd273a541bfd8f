#pragma once
// The main window: menu, tool bar, cut bar, status bar and the three panes.
#include "framework/FrameWnd.h"
#include "app/FrameDialogs.h"
#include "app/ReplaceEntryDlg.h"
#include "framework/SplitterWnd.h"
#include "views/CutBar.h"

class CBrowseView;

class CMainFrame : public CFrameWnd {
  public:
    CMainFrame() = default;
    ~CMainFrame() override;

    BOOL OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    // Connects to the server of Connect-menu entry id (32775..32779); returns 1.
    int Connect(UINT id);
    // "&Browse Server ...": the chosen server takes the first free Connect-menu entry (or one the
    // user lets it replace) and is connected.
    void ChooseServer();
    void SyncCutBar();

    static constexpr int kConnectMenuPosition = 2;  // "&Verbinden"
    // Posted at creation when a lone "/u1" asks for a connect once the window is up.
    static const UINT kAutoConnectMessage = WM_APP + 1;

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
    // Entries holding a server picked in the chooser (bit n - 1 for entry 32774 + n): no device
    // of the project, so their connects leave the project file alone.
    UINT m_nChosenEntries = 0;

  protected:
    int OnCreate(CREATESTRUCTA* cs) override;
    BOOL OnCreateClient(CREATESTRUCTA* cs) override;
    BOOL OnOwnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    void OnClose() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    // Command handlers (the table is in OnOwnCmdMsg).
    void OnCopy(UINT id);  // "K&opieren" and "&Kopieren + Beenden"
    void OnAddAll(UINT id);
    void OnDeleteAllItems(UINT id);
    void OnAccept(UINT id);
    void OnDeleteAllVariables(UINT id);
    void OnNewItem(UINT id);
    void OnBrowseServer(UINT id);
    void OnConnect(UINT id);
    void OnDisconnect(UINT id);
    void OnSeparator(UINT id);
    void OnNumbering(UINT id);
    void OnTypeConversion(UINT id);
    void OnOffline(UINT id);
    void OnAcceptDelete(UINT id);
    void OnHexDump(UINT id);
    void OnUseSeparator(UINT id);
    void OnCutBar(UINT id);
    // Update rules: the command's state from the frame's and the program's state, nothing else.
    CommandState CopyState(UINT id) const;
    CommandState ServerEntryState(UINT id) const;
    CommandState NewItemState(UINT id) const;
    CommandState ConnectionState(UINT id) const;
    CommandState OfflineState(UINT id) const;
    CommandState HexDumpState(UINT id) const;
    CommandState UseSeparatorState(UINT id) const;

    // Pending rows: accept them (Yes) or drop them (No), as the user answers.
    void AskAboutPending(const char* caption);
    // The run's one hand-over of the variables to the clipboard.
    void HandOver();
    void AutoConnect();
    void FillConnectMenu(HMENU connectMenu);
    bool IsChosenEntry(UINT id) const {
        return id >= ID_CONNECT_SERVER_FIRST && id <= ID_CONNECT_SERVER_LAST &&
               ((m_nChosenEntries >> (id - ID_CONNECT_SERVER_FIRST)) & 1);
    }
    // The Connect-menu entries in use, each with where it came from.
    std::vector<TakenEntry> TakenEntries() const;
    bool CreateBars();
};
