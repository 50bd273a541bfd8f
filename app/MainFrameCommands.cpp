// The main frame's commands: connection, item list, variables and options.
#include <algorithm>

#include "app/Globals.h"
#include "app/MainFrame.h"
#include "app/ConnectMenu.h"
#include "app/ItemIdDlg.h"
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
    Trace("Connect the Server:\"%s\"", name);
    // A failed connect keeps its object without a server; the next connect replaces it.
    if (g_pConnection->Open(name, g_nServerIndex + 1) >= 0) {
        if (m_pBrowseView)
            m_pBrowseView->FillTree();
        m_bConnected = true;
    }
    return 1;
}

void CMainFrame::ChooseServer() {
    CServerChooserDlg dlg(m_hWnd);
    if (dlg.DoModal() != IDOK || dlg.m_entryText.empty())
        return;
    std::vector<UINT> used;
    for (UINT id = ID_CONNECT_SERVER_FIRST; id <= ID_CONNECT_SERVER_LAST; ++id) {
        if (GetMenuState(m_hMenu, id, MF_BYCOMMAND) != static_cast<UINT>(-1))
            used.push_back(id);
    }
    const UINT id = NextServerEntryId(used);
    const std::string name = dlg.m_entryText.substr(0, kServerNameMax);
    // With all five entries taken the last one gets the new server.
    if (std::find(used.begin(), used.end(), id) != used.end())
        ModifyMenuA(m_hMenu, id, MF_BYCOMMAND | MF_STRING, id, name.c_str());
    else
        AppendMenuA(GetSubMenu(m_hMenu, kConnectMenuPosition), MF_STRING, id, name.c_str());
    Trace("Append MenuItem \"%s\"", name.c_str());
    Connect(id);
}

void CMainFrame::Disconnect() {
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

void CMainFrame::ToggleAcceptDelete() {
    // CheckMenuItem answers the previous state: the stored value goes in, the old one comes out.
    m_nAcceptDeleteCheck = CheckMenuItem(m_hMenu, ID_OPTIONS_ACCEPT_DELETE, m_nAcceptDeleteCheck);
    bool wasChecked = m_nAcceptDeleteCheck != 0;
    if (g_pItemView)
        g_pItemView->m_deleteOnAccept = !wasChecked;
    Trace(wasChecked ? "Verify the Items on Accept" : "Delete the Items on Accept");
}

void CMainFrame::NewItem() {
    // The same dialog comes back after a refused ID, with the typed text kept.
    CItemIdDlg dlg;
    while (dlg.DoModal() == IDOK) {
        if (!g_pConnection || g_pConnection->AddItem(dlg.m_itemId.c_str()) >= 0)
            return;
        if (AfxMessageBox("Ung\xfcltige ItemID!", MB_OKCANCEL | MB_ICONEXCLAMATION) == IDCANCEL)
            return;
    }
}

void CMainFrame::ChangeSeparator() {
    if (m_dlgSeparator.DoModal() != IDOK)
        return;
    std::string set = m_dlgSeparator.SeparatorSet();
    if (g_pConversionSettings)
        g_pConversionSettings->SetSeparator(set);
    Trace("Changed The Separator:%s", set.c_str());
}

void CMainFrame::OpenNumbering() {
    if (m_dlgNumbering.DoModal() == IDOK)
        Trace("Opened the EnumerationDlg");
}

void CMainFrame::ToggleCutBar() {
    bool wasVisible = m_wndCutBar.IsWindowVisible();
    m_wndCutBar.ShowWindow(wasVisible ? SW_HIDE : SW_SHOWNORMAL);
    // The entry is checked when the bar was hidden before: it starts visible and unchecked.
    CheckMenuItem(m_hMenu, ID_VIEW_CUTBAR, MF_BYCOMMAND | (wasVisible ? MF_UNCHECKED : MF_CHECKED));
    RecalcLayout();
}

BOOL CMainFrame::OnEditCommand(UINT id, int code, CCmdUI*) {
    if (id == ID_EDIT_NEW_ITEM || id == ID_VIEW_CUTBAR || id == ID_OPTIONS_SEPARATOR || id == ID_OPTIONS_NUMBERING) {
        if (code == CN_COMMAND) {
            if (id == ID_EDIT_NEW_ITEM)
                NewItem();
            else if (id == ID_VIEW_CUTBAR)
                ToggleCutBar();
            else if (id == ID_OPTIONS_SEPARATOR)
                ChangeSeparator();
            else
                OpenNumbering();
        }
        return code != CN_UPDATE_COMMAND_UI;
    }
    if (id != ID_EDIT_ADD_ALL && id != ID_EDIT_DELETE_ALL && id != ID_EDIT_ACCEPT && id != ID_EDIT_DELETE_ALL_VARIABLES)
        return FALSE;
    if (code != CN_COMMAND)
        return code != CN_UPDATE_COMMAND_UI;
    switch (id) {
        case ID_EDIT_ADD_ALL:
            Trace("Add all Items to the Korvane View");
            if (g_pItemView)
                g_pItemView->PreviewItems(true);
            break;
        case ID_EDIT_DELETE_ALL:
            Trace("Remove all OPC - Items");
            if (g_pItemView)
                g_pItemView->DeleteAllItems();
            break;
        case ID_EDIT_ACCEPT:
            Trace("Accept the Selected Items as KorvaneObjects");
            if (g_pVariableView && g_pVariableView->Commit() >= 0 && g_pItemView)
                g_pItemView->RemoveAcceptedItems();
            break;
        default:
            Trace("Delete all Variables");
            if (g_pVariableView)
                g_pVariableView->DeleteAll();
            break;
    }
    return TRUE;
}

BOOL CMainFrame::OnConnectionCommand(UINT id, int code, CCmdUI* pUI) {
    if (id == ID_CONNECT_BROWSE_SERVER) {
        if (code == CN_COMMAND)
            ChooseServer();
        return TRUE;  // always enabled
    }
    if (id != ID_CONNECT_DISCONNECT)
        return FALSE;
    if (code == CN_UPDATE_COMMAND_UI)
        pUI->Enable(g_pConnection != nullptr);
    else if (code == CN_COMMAND)
        Disconnect();
    return TRUE;
}

BOOL CMainFrame::OnOptionCommand(UINT id, int code, CCmdUI* pUI) {
    bool update = code == CN_UPDATE_COMMAND_UI;
    bool run = code == CN_COMMAND;
    switch (id) {
        case ID_OPTIONS_OFFLINE:
            if (update) {
                pUI->Enable(g_pConnection != nullptr);
                pUI->SetCheck(!m_bLiveData);
            } else if (run && g_pConnection) {
                m_bLiveData = !m_bLiveData;
                if (m_bLiveData)
                    g_pConnection->ResumeDataChange();
                else
                    g_pConnection->PauseDataChange();
            }
            return TRUE;
        case ID_OPTIONS_HEXDUMP:
            if (update) {
                pUI->Enable(g_pConnection != nullptr);
                if (g_pConnection)
                    pUI->SetCheck(g_pConnection->m_hexDump);
            } else if (run && g_pConnection) {
                g_pConnection->m_hexDump = !g_pConnection->m_hexDump;
            }
            return TRUE;
        case ID_OPTIONS_USE_SEPARATOR:
            // After the hand-over the entry keeps its last check mark.
            if (update && g_pConversionSettings)
                pUI->SetCheck(g_pConversionSettings->IsSplitAtSeparator());
            else if (run && g_pConversionSettings)
                g_pConversionSettings->ToggleSplitAtSeparator();
            return !update || g_pConversionSettings;
        case ID_OPTIONS_TYPE_CONVERSION:
            if (run) {
                CTypeConversionDlg dlg;
                dlg.DoModal();
            }
            return !update;
        case ID_OPTIONS_ACCEPT_DELETE:
            if (run)
                ToggleAcceptDelete();
            return !update;
        default:
            return FALSE;
    }
}

BOOL CMainFrame::OnOwnCmdMsg(UINT id, int code, CCmdUI* pUI) {
    return OnFileCommand(id, code, pUI) || OnEditCommand(id, code, pUI) || OnConnectionCommand(id, code, pUI) ||
           OnOptionCommand(id, code, pUI) || CFrameWnd::OnOwnCmdMsg(id, code, pUI);
}
