#include "app/ServerChooserDlg.h"

#include <commctrl.h>

#include "framework/Views.h"
#include "opc/DiagnosticTexts.h"

namespace {

// The failure on one line: its name and the system's text, as the other error texts give them.
std::string FailureText(HRESULT hr) {
    std::string text = ResultText(hr);
    const size_t lineBreak = text.find('\n');
    if (lineBreak != std::string::npos)
        text.replace(lineBreak, 1, ": ");
    return text;
}

CListCtrl ServerList(HWND dialog) {
    return CListCtrl(::GetDlgItem(dialog, IDC_CHOOSER_LIST));
}

}  // namespace

BOOL CServerChooserDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CListCtrl list = ServerList(m_hWnd);
    ListView_SetExtendedListViewStyle(list.m_hWnd, LVS_EX_FULLROWSELECT);
    list.InsertColumn(0, "ProgID", LVCFMT_LEFT, 170);
    list.InsertColumn(1, "Beschreibung", LVCFMT_LEFT, 250);
    SendDlgItemMessageA(m_hWnd, IDC_CHOOSER_HOST, EM_LIMITTEXT, 255, 0);
    Search();
    return TRUE;
}

BOOL CServerChooserDlg::OnCommand(WPARAM wp, LPARAM lp) {
    if (LOWORD(wp) == IDC_CHOOSER_SEARCH && HIWORD(wp) == BN_CLICKED) {
        Search();
        return TRUE;
    }
    return CDialog::OnCommand(wp, lp);
}

void CServerChooserDlg::Search() {
    const std::string host = WindowText(::GetDlgItem(m_hWnd, IDC_CHOOSER_HOST));
    const bool remote = host.find_first_not_of(" \t") != std::string::npos;
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    // The list needs COM; the connection initialises it the same way later.
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const HRESULT hr = remote ? ListRemoteServers(host, &m_servers) : ListLocalServers(&m_servers);
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    SetCursor(previous);
    m_listedHost = remote ? host : std::string();
    ShowList();
    std::string status;
    if (FAILED(hr)) {
        status = remote ? "Der Rechner \"" + host + "\" nennt keine OPC-Server: " + FailureText(hr)
                        : "Die OPC-Server dieses Rechners sind nicht lesbar: " + FailureText(hr);
    } else if (m_servers.empty()) {
        status = "Keine OPC-DA-Server gefunden.";
    } else {
        status = std::to_string(m_servers.size()) + " OPC-DA-Server";
    }
    SetDlgItemTextA(m_hWnd, IDC_CHOOSER_STATUS, status.c_str());
}

void CServerChooserDlg::ShowList() {
    CListCtrl list = ServerList(m_hWnd);
    list.DeleteAllItems();
    for (size_t i = 0; i < m_servers.size(); ++i) {
        const int row = list.InsertItem(static_cast<int>(i), m_servers[i].progId.c_str());
        list.SetItemText(row, 1, m_servers[i].description.c_str());
    }
    if (!m_servers.empty())
        list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void CServerChooserDlg::OnOK() {
    const int row = ServerList(m_hWnd).GetNextItem(-1, LVNI_SELECTED);
    if (row < 0 || static_cast<size_t>(row) >= m_servers.size()) {
        MessageBeep(MB_ICONEXCLAMATION);  // nothing chosen: the dialog stays
        return;
    }
    m_entryText = CatalogEntryText(m_listedHost, m_servers[row].progId);
    CDialog::OnOK();
}
