#include "variables/TypeDialogs.h"

#include <cstdio>

#include "framework/Views.h"
#include "opc/DiagnosticTexts.h"
#include "res/resource.h"
#include "variables/TypeMapTable.h"
#include "variables/VariableRecord.h"

int KorvaneTypeOfChoice(int controlId) {
    switch (controlId) {
        case IDC_UNKNOWN_DIGIT:
            return 0;
        case IDC_UNKNOWN_WORD:
            return 1;
        case IDC_UNKNOWN_LONG:
            return 3;
        case IDC_UNKNOWN_TEXT:
            return 6;
        case IDC_UNKNOWN_UWORD:
            return 8;
        case IDC_UNKNOWN_ULONG:
            return 9;
        case IDC_UNKNOWN_FLOAT:
            return 2;
        default:
            return -1;
    }
}

CTypeConversionDlg::CTypeConversionDlg() : CDialog(IDD_TYPE_CONVERSION) {}

BOOL CTypeConversionDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    HWND list = GetDlgItem(IDC_TYPEMAP_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_GRIDLINES);
    RECT rc;
    GetClientRect(list, &rc);
    CListCtrl ctrl(list);
    ctrl.InsertColumn(0, "Variant Type", LVCFMT_LEFT, (rc.right - 16) / 2);
    ctrl.InsertColumn(1, "Korvane Type", LVCFMT_LEFT, (rc.right - 16) / 2);
    int row = 0;
    for (const TypeMapEntry& e : TypeMapTable()) {
        ctrl.InsertItem(row, VarTypeText(e.vt).c_str());
        ctrl.SetItemText(row, 1, KorvaneTypeText(e.type));
        ++row;
    }
    return TRUE;
}

LRESULT CTypeConversionDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    // Keys in the list do nothing: the mapping is fixed.
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == LVN_KEYDOWN)
        return 0;
    return CDialog::WindowProc(msg, wp, lp);
}

CUnknownTypeDlg::CUnknownTypeDlg(std::string varTypeText)
    : CDialog(IDD_UNKNOWN_TYPE), m_varTypeText(std::move(varTypeText)) {}

BOOL CUnknownTypeDlg::OnInitDialog() {
    char question[512];
    snprintf(question, sizeof(question),
             "F\xfcr den Datentyp '%s' existiert kein standart Korvane Typ. \r\nBitte w\xe4hlen sie einen Datentypen "
             "f\xfcr den 'worst case'.",
             m_varTypeText.c_str());
    m_question = question;
    CDialog::OnInitDialog();
    EnableWindow(GetDlgItem(IDOK), m_choice != -1);
    return TRUE;
}

void CUnknownTypeDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_UNKNOWN_QUESTION, m_question);
}

BOOL CUnknownTypeDlg::OnCommand(WPARAM wp, LPARAM lp) {
    int id = LOWORD(wp);
    if (id >= IDC_UNKNOWN_CHOICE_FIRST && id <= IDC_UNKNOWN_CHOICE_LAST && id != IDC_UNKNOWN_CHOICE_UNUSED) {
        m_choice = id;
        EnableWindow(GetDlgItem(IDOK), TRUE);
    }
    return CDialog::OnCommand(wp, lp);
}

void CUnknownTypeDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
    int type = KorvaneTypeOfChoice(m_choice);
    if (type >= 0)
        m_choice = type;
}

CArrayDlg::CArrayDlg() : CDialog(IDD_ARRAY) {}

void CArrayDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_ARRAY_SIZE, m_size);
    DDX_Check(pDX, IDC_ARRAY_AS_DRIVER, m_asDriverObject);
}
