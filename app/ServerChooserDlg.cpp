#include "app/ServerChooserDlg.h"

#include <commctrl.h>

#include "opc/OpcServerLink.h"

namespace {

// The system's text for a failure, without its line break; the code itself when there is none.
std::string FailureText(HRESULT hr) {
    char* system = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   static_cast<DWORD>(hr), 0, reinterpret_cast<LPSTR>(&system), 0, nullptr);
    std::string text = system ? system : "";
    LocalFree(system);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    char code[16];
    wsprintfA(code, "%08lX", static_cast<unsigned long>(hr));
    return text.empty() ? std::string("Fehler ") + code : text + " (" + code + ")";
}

void AddColumn(HWND list, int index, const char* title, int width) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>(title);
    column.cx = width;
    ListView_InsertColumn(list, index, &column);
}

}  // namespace

BOOL CServerChooserDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    HWND list = ::GetDlgItem(m_hWnd, IDC_CHOOSER_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    AddColumn(list, 0, "ProgID", 170);
    AddColumn(list, 1, "Beschreibung", 250);
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
    HWND list = ::GetDlgItem(m_hWnd, IDC_CHOOSER_LIST);
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < m_servers.size(); ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(m_servers[i].progId.c_str());
        const int row = ListView_InsertItem(list, &item);
        ListView_SetItemText(list, row, 1, const_cast<char*>(m_servers[i].description.c_str()));
    }
    if (!m_servers.empty()) {
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
}

void CServerChooserDlg::OnOK() {
    const int row = ListView_GetNextItem(::GetDlgItem(m_hWnd, IDC_CHOOSER_LIST), -1, LVNI_SELECTED);
    if (row < 0 || static_cast<size_t>(row) >= m_servers.size()) {
        MessageBeep(MB_ICONEXCLAMATION);  // nothing chosen: the dialog stays
        return;
    }
    m_entryText = CatalogEntryText(m_listedHost, m_servers[row].progId);
    CDialog::OnOK();
}
