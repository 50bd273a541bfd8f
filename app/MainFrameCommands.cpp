// The main frame's commands: connection, item list, variables and options.
#include "app/Globals.h"
#include "app/MainFrame.h"
#include "app/ConnectMenu.h"
#include "app/ItemIdDlg.h"
#include "app/OpcBrowserApp.h"
#include "app/ServerChooserDlg.h"
#include "framework/WinApp.h"
#include "opc/OpcConnection.h"
#include "res/resource.h"
#include "trace/Trace.h"
#include "variables/ConversionSettings.h"
#include "variables/TypeDialogs.h"
#include "variables/VariableView.h"
#include "views/BrowseView.h"
#include "views/ItemView.h"

int CMainFrame::Connect(UINT id) {
    char name[kServerNameMax + 1] = {};
    GetMenuStringA(m_hMenu, id, name, sizeof(name), MF_BYCOMMAND);
    if (g_pItemView)
        g_pItemView->DeleteAllItems();
    if (g_pConnection) {
        g_pConnection->Close();
        delete g_pConnection;
        g_pConnection = nullptr;
    }
    g_nServerIndex = (WORD)(id - ID_CONNECT_SERVER1);
    g_pConnection = new OpcConnection;
    g_pConnection->SetItemSink(g_pItemView);
    // What the server lacks (no browsing, no values) is said on the status line.
    g_pConnection->m_showNotice = [this](const std::string& text) { SetMessageText(text.c_str()); };
    Trace("Connect the Server:\"%s\"", name);
    // A server picked in the chooser is no device of the project: device number 0. A failed
    // connect keeps its object without a server; the next connect replaces it.
    const int device = IsChosenEntry(id) ? 0 : g_nServerIndex + 1;
    if (device > 0) {
        // The file the entry came from, also when the command line was empty (the recent
        // project): its "ScanTime" is read, and a revised rate offered there and nowhere else.
        auto* app = static_cast<COpcBrowserApp*>(AfxGetApp());
        g_pConnection->m_projectPath = ProjectPath(app && app->m_lpCmdLine ? app->m_lpCmdLine : "");
    }
    // Servers named on the command line have no device section to offer a rate to.
    g_pConnection->m_bOfferRevisedRate = !m_bServerSwitches;
    if (g_pConnection->Open(name, device) >= 0) {
        if (m_pBrowseView)
            m_pBrowseView->FillTree();
        m_bConnected = true;
    }
    return 1;
}

std::vector<TakenEntry> CMainFrame::TakenEntries() const {
    std::vector<TakenEntry> taken;
    for (UINT id = ID_CONNECT_SERVER_FIRST; id <= ID_CONNECT_SERVER_LAST; ++id) {
        if (GetMenuState(m_hMenu, id, MF_BYCOMMAND) == static_cast<UINT>(-1))
            continue;
        char name[kServerNameMax + 1] = {};
        GetMenuStringA(m_hMenu, id, name, sizeof(name), MF_BYCOMMAND);
        const EntryOrigin origin = IsChosenEntry(id)   ? EntryOrigin::Chosen
                                   : m_bServerSwitches ? EntryOrigin::Switch
                                                       : EntryOrigin::ProjectDevice;
        taken.push_back({id, origin, name});
    }
    return taken;
}

void CMainFrame::ChooseServer() {
    CServerChooserDlg dlg(m_hWnd);
    if (dlg.DoModal() != IDOK || dlg.m_entryText.empty())
        return;
    const std::string name = dlg.m_entryText.substr(0, kServerNameMax);
    const std::vector<TakenEntry> taken = TakenEntries();
    std::vector<UINT> used;
    for (const TakenEntry& entry : taken)
        used.push_back(entry.id);
    UINT id = NextServerEntryId(used);
    if (id) {
        AppendMenuA(GetSubMenu(m_hMenu, kConnectMenuPosition), MF_STRING, id, name.c_str());
    } else {
        // All five taken: an entry gives way only when the user names it, never by itself.
        CReplaceEntryDlg replace(m_hWnd, name, taken);
        if (replace.DoModal() != IDOK || !replace.m_replacedId)
            return;
        id = replace.m_replacedId;
        ModifyMenuA(m_hMenu, id, MF_BYCOMMAND | MF_STRING, id, name.c_str());
    }
    m_nChosenEntries |= 1u << (id - ID_CONNECT_SERVER1);
    Trace("Append MenuItem \"%s\"", name.c_str());
    Connect(id);
}

void CMainFrame::OnBrowseServer(UINT) {
    ChooseServer();
}

void CMainFrame::OnConnect(UINT id) {
    Connect(id);
}

void CMainFrame::OnDisconnect(UINT) {
    if (!g_pConversionSettings || !g_pConnection)
        return;
    if (g_pItemView)
        g_pItemView->DeleteAllItems();
    g_pConnection->Close();
    delete g_pConnection;
    g_pConnection = nullptr;
    Trace("Disconnect from the Server");
    if (m_pBrowseView)
        m_pBrowseView->FillTree();
}

void CMainFrame::OnAcceptDelete(UINT) {
    // CheckMenuItem answers the previous state: the stored value goes in, the old one comes out.
    m_nAcceptDeleteCheck = CheckMenuItem(m_hMenu, ID_OPTIONS_ACCEPT_DELETE, m_nAcceptDeleteCheck);
    bool wasChecked = m_nAcceptDeleteCheck != 0;
    if (g_pItemView)
        g_pItemView->m_deleteOnAccept = !wasChecked;
    Trace(wasChecked ? "Verify the Items on Accept" : "Delete the Items on Accept");
}

void CMainFrame::OnNewItem(UINT) {
    // The same dialog comes back after a refused ID, with the typed text kept.
    CItemIdDlg dlg;
    while (dlg.DoModal() == IDOK) {
        if (!g_pConnection || g_pConnection->AddItem(dlg.m_itemId.c_str()) >= 0)
            return;
        if (AfxMessageBox("Ung\xfcltige ItemID!", MB_OKCANCEL | MB_ICONEXCLAMATION) == IDCANCEL)
            return;
    }
}

void CMainFrame::OnSeparator(UINT) {
    if (m_dlgSeparator.DoModal() != IDOK)
        return;
    std::string set = m_dlgSeparator.SeparatorSet();
    if (g_pConversionSettings)
        g_pConversionSettings->SetSeparator(set);
    Trace("Changed The Separator:%s", set.c_str());
}

void CMainFrame::OnNumbering(UINT) {
    if (m_dlgNumbering.DoModal() == IDOK)
        Trace("Opened the EnumerationDlg");
}

void CMainFrame::OnTypeConversion(UINT) {
    CTypeConversionDlg dlg;
    dlg.DoModal();
}

void CMainFrame::OnCutBar(UINT) {
    bool wasVisible = m_wndCutBar.IsWindowVisible();
    m_wndCutBar.ShowWindow(wasVisible ? SW_HIDE : SW_SHOWNORMAL);
    // The entry is checked when the bar was hidden before: it starts visible and unchecked.
    CheckMenuItem(m_hMenu, ID_VIEW_CUTBAR, MF_BYCOMMAND | (wasVisible ? MF_UNCHECKED : MF_CHECKED));
    RecalcLayout();
}

void CMainFrame::OnAddAll(UINT) {
    Trace("Add all Items to the Korvane View");
    if (g_pItemView)
        g_pItemView->PreviewItems(true);
}

void CMainFrame::OnDeleteAllItems(UINT) {
    Trace("Remove all OPC - Items");
    if (g_pItemView)
        g_pItemView->DeleteAllItems();
}

void CMainFrame::OnAccept(UINT) {
    Trace("Accept the Selected Items as KorvaneObjects");
    if (g_pVariableView && g_pVariableView->Commit() >= 0 && g_pItemView)
        g_pItemView->RemoveAcceptedItems();
}

void CMainFrame::OnDeleteAllVariables(UINT) {
    Trace("Delete all Variables");
    if (g_pVariableView)
        g_pVariableView->DeleteAll();
}

void CMainFrame::OnOffline(UINT) {
    if (!g_pConnection)
        return;
    m_bLiveData = !m_bLiveData;
    if (m_bLiveData)
        g_pConnection->ResumeDataChange();
    else
        g_pConnection->PauseDataChange();
}

void CMainFrame::OnHexDump(UINT) {
    if (g_pConnection)
        g_pConnection->m_hexDump = !g_pConnection->m_hexDump;
}

void CMainFrame::OnUseSeparator(UINT) {
    if (g_pConversionSettings)
        g_pConversionSettings->ToggleSplitAtSeparator();
}

CommandState CMainFrame::CopyState(UINT) const {
    return {m_bProjectKnown};
}

CommandState CMainFrame::ServerEntryState(UINT) const {
    return {!(g_pConnection && g_pConnection->HasServer())};
}

CommandState CMainFrame::NewItemState(UINT) const {
    return {g_pConnection && g_pConnection->HasServer()};
}

CommandState CMainFrame::ConnectionState(UINT) const {
    return {g_pConnection != nullptr};
}

CommandState CMainFrame::OfflineState(UINT) const {
    // Checked while the data is paused, also while disabled.
    return {g_pConnection != nullptr, !m_bLiveData};
}

CommandState CMainFrame::HexDumpState(UINT) const {
    return {g_pConnection != nullptr, g_pConnection ? (int)g_pConnection->m_hexDump : -1};
}

CommandState CMainFrame::UseSeparatorState(UINT) const {
    // After the hand-over the entry keeps its last check mark.
    return {TRUE, g_pConversionSettings ? (int)g_pConversionSettings->IsSplitAtSeparator() : -1};
}

BOOL CMainFrame::OnOwnCmdMsg(UINT id, int code, CCmdUI* pUI) {
    using F = CMainFrame;
    static const CommandEntry<CMainFrame> kCommands[] = {
        {ID_FILE_COPY, ID_FILE_COPY, &F::OnCopy, &F::CopyState},
        {ID_FILE_COPY_EXIT, ID_FILE_COPY_EXIT, &F::OnCopy, nullptr},
        {ID_EDIT_ADD_ALL, ID_EDIT_ADD_ALL, &F::OnAddAll, nullptr},
        {ID_EDIT_DELETE_ALL, ID_EDIT_DELETE_ALL, &F::OnDeleteAllItems, nullptr},
        {ID_EDIT_ACCEPT, ID_EDIT_ACCEPT, &F::OnAccept, nullptr},
        {ID_EDIT_DELETE_ALL_VARIABLES, ID_EDIT_DELETE_ALL_VARIABLES, &F::OnDeleteAllVariables, nullptr},
        {ID_EDIT_NEW_ITEM, ID_EDIT_NEW_ITEM, &F::OnNewItem, &F::NewItemState},
        {ID_CONNECT_BROWSE_SERVER, ID_CONNECT_BROWSE_SERVER, &F::OnBrowseServer, nullptr},
        {ID_CONNECT_DISCONNECT, ID_CONNECT_DISCONNECT, &F::OnDisconnect, &F::ConnectionState},
        {ID_CONNECT_SERVER_FIRST, ID_CONNECT_SERVER_LAST, &F::OnConnect, &F::ServerEntryState},
        {ID_OPTIONS_SEPARATOR, ID_OPTIONS_SEPARATOR, &F::OnSeparator, nullptr},
        {ID_OPTIONS_NUMBERING, ID_OPTIONS_NUMBERING, &F::OnNumbering, nullptr},
        {ID_OPTIONS_TYPE_CONVERSION, ID_OPTIONS_TYPE_CONVERSION, &F::OnTypeConversion, nullptr},
        {ID_OPTIONS_OFFLINE, ID_OPTIONS_OFFLINE, &F::OnOffline, &F::OfflineState},
        {ID_OPTIONS_ACCEPT_DELETE, ID_OPTIONS_ACCEPT_DELETE, &F::OnAcceptDelete, nullptr},
        {ID_OPTIONS_HEXDUMP, ID_OPTIONS_HEXDUMP, &F::OnHexDump, &F::HexDumpState},
        {ID_OPTIONS_USE_SEPARATOR, ID_OPTIONS_USE_SEPARATOR, &F::OnUseSeparator, &F::UseSeparatorState},
        {ID_VIEW_CUTBAR, ID_VIEW_CUTBAR, &F::OnCutBar, nullptr},
    };
    return RouteCommand(this, kCommands, id, code, pUI) || CFrameWnd::OnOwnCmdMsg(id, code, pUI);
}
