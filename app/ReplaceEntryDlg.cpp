#include "app/ReplaceEntryDlg.h"

std::string TakenEntryText(const TakenEntry& entry) {
    const std::string n = std::to_string(entry.id - ID_CONNECT_SERVER_BASE);
    switch (entry.origin) {
        case EntryOrigin::ProjectDevice:
            return "Ger\xe4t " + n + " des Projekts: " + entry.name;
        case EntryOrigin::Switch:
            return "Schalter /u" + n + ": " + entry.name;
        case EntryOrigin::Chosen:
        default:
            return "Eintrag " + n + " (ausgew\xe4hlt): " + entry.name;
    }
}

BOOL CReplaceEntryDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const std::string question =
        "Alle f\xfcnf Servereintr\xe4ge sind belegt. Welchen Eintrag soll \"" + m_server + "\" ersetzen?";
    SetDlgItemTextA(m_hWnd, IDC_REPLACE_TEXT, question.c_str());
    HWND list = ::GetDlgItem(m_hWnd, IDC_REPLACE_LIST);
    int preselected = -1;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        ::SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)TakenEntryText(m_entries[i]).c_str());
        // An earlier pick can go without a second thought; a device of the project or a switch
        // only when the user points at it.
        if (preselected < 0 && m_entries[i].origin == EntryOrigin::Chosen)
            preselected = static_cast<int>(i);
    }
    ::SendMessageA(list, LB_SETCURSEL, (WPARAM)preselected, 0);
    return TRUE;
}

BOOL CReplaceEntryDlg::OnCommand(WPARAM wp, LPARAM lp) {
    if (LOWORD(wp) == IDC_REPLACE_LIST && HIWORD(wp) == LBN_DBLCLK) {
        OnOK();
        return TRUE;
    }
    return CDialog::OnCommand(wp, lp);
}

void CReplaceEntryDlg::OnOK() {
    const LRESULT row = SendDlgItemMessageA(m_hWnd, IDC_REPLACE_LIST, LB_GETCURSEL, 0, 0);
    if (row < 0 || static_cast<size_t>(row) >= m_entries.size()) {
        MessageBeep(MB_ICONEXCLAMATION);  // nothing chosen: the dialog stays
        return;
    }
    m_replacedId = m_entries[static_cast<size_t>(row)].id;
    CDialog::OnOK();
}
