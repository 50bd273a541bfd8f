// The flows that hand the variables over to the Korvane process database through the clipboard,
// and closing the program.
#include "app/Globals.h"
#include "app/MainFrame.h"
#include "framework/WinApp.h"
#include "opc/OpcConnection.h"
#include "res/resource.h"
#include "trace/Trace.h"
#include "variables/ConversionSettings.h"
#include "variables/VariableView.h"
#include "views/ItemView.h"
#include "views/ProgressWindow.h"

namespace {
const char kCaption[] = "ZIZAZ Ozivuvi";
const char kExitCaption[] = "ZIZAZ Ozivuvi - Exit";

void DropConnection() {
    if (!g_pConnection)
        return;
    g_pConnection->Close();
    delete g_pConnection;
    g_pConnection = nullptr;
}
}  // namespace

void CMainFrame::AskAboutPending(const char* caption) {
    if (!g_pVariableView || g_pVariableView->PendingCount() == 0)
        return;
    int answer = AppMessageBox(m_hWnd,
                               "Alle blau markierten Variablen \xfc"
                               "bernehmen?",
                               caption, MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES)
        g_pVariableView->Commit();
    else
        g_pVariableView->DiscardPending();
}

void CMainFrame::HandOver() {
    if (g_pVariableView)
        g_pVariableView->ExportAll();
    Trace("Prepare the Items for Copy");
    // One hand-over per run: the settings object, with the export text, goes with it.
    if (g_pConversionSettings) {
        g_pConversionSettings->CopyToClipboard(nullptr);
        Trace("Copy the Text to the Clipboard");
        delete g_pConversionSettings;
        g_pConversionSettings = nullptr;
    }
    m_bConnected = false;
    m_bClearClipboardAtExit = false;
}

void CMainFrame::OnCopy(UINT id) {
    AskAboutPending(kExitCaption);
    HandOver();
    if (id != ID_FILE_COPY_EXIT)
        return;
    if (g_pItemView && g_pConnection)
        g_pItemView->DeleteAllItems();
    DropConnection();
    // Nothing is pending and nothing connected any more: the close flow asks nothing.
    SendMessage(WM_CLOSE);
}

void CMainFrame::OnClose() {
    // Not in the middle of reading the tree or adding items: the operation ends first.
    if (CProgressWindow::IsRunning())
        return;
    AskAboutPending(kCaption);
    if (g_pItemView)
        g_pItemView->DeleteAllItems();
    DropConnection();
    if (m_bConnected && g_pVariableView && g_pVariableView->HasVariables()) {
        int answer = AppMessageBox(m_hWnd, "Sollen die daten in die Prozessdatenbank kopiert werden?", kCaption,
                                   MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL)
            return;
        if (answer == IDYES)
            HandOver();
    }
    Trace("Close Application");
    CFrameWnd::OnClose();
}
