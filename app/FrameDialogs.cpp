#include "app/FrameDialogs.h"

#include "app/Globals.h"
#include "res/resource.h"
#include "variables/VariableView.h"

CNumberingDlg::CNumberingDlg() : CDialog(IDD_NUMBERING) {}

void CNumberingDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_NUMBERING_SEPARATOR, m_editSeparator);
    DDX_Check(pDX, IDC_NUMBERING_USE_SEPARATOR, m_bUseSeparator);
    DDX_Text(pDX, IDC_NUMBERING_SEPARATOR, m_separator);
    DDX_Radio(pDX, IDC_NUMBERING_DIGITS, m_style);
}

BOOL CNumberingDlg::OnInitDialog() {
    BOOL r = CDialog::OnInitDialog();
    EnableSeparator();
    return r;
}

void CNumberingDlg::EnableSeparator() {
    EnableWindow(m_editSeparator.m_hWnd, m_bUseSeparator);
}

BOOL CNumberingDlg::OnCommand(WPARAM wp, LPARAM lp) {
    if (LOWORD(wp) == IDC_NUMBERING_USE_SEPARATOR && HIWORD(wp) == BN_CLICKED) {
        // A click saves every control, so the radio choice and the text are kept as well.
        UpdateData(TRUE);
        EnableSeparator();
        return TRUE;
    }
    return CDialog::OnCommand(wp, lp);
}

void CNumberingDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
    if (!m_bUseSeparator)
        m_separator.clear();
    if (g_pVariableView)
        g_pVariableView->SetNumbering(IDC_NUMBERING_DIGITS + m_style, m_separator);
}

CSeparatorDlg::CSeparatorDlg() : CDialog(IDD_SEPARATOR) {}

void CSeparatorDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_SEPARATOR_OTHER_CHAR, m_editOther);
    DDX_Check(pDX, IDC_SEPARATOR_DOT, m_bDot);
    DDX_Check(pDX, IDC_SEPARATOR_SLASH, m_bSlash);
    DDX_Check(pDX, IDC_SEPARATOR_OTHER, m_bOther);
    DDX_Text(pDX, IDC_SEPARATOR_OTHER_CHAR, m_other);
    DDV_MaxChars(pDX, m_other, 1);
}

BOOL CSeparatorDlg::OnInitDialog() {
    BOOL r = CDialog::OnInitDialog();
    EnableOther();
    return r;
}

void CSeparatorDlg::EnableOther() {
    EnableWindow(m_editOther.m_hWnd, m_bOther);
}

BOOL CSeparatorDlg::OnCommand(WPARAM wp, LPARAM lp) {
    if (LOWORD(wp) == IDC_SEPARATOR_OTHER && HIWORD(wp) == BN_CLICKED) {
        UpdateData(TRUE);
        EnableOther();
        return TRUE;
    }
    return CDialog::OnCommand(wp, lp);
}

std::string CSeparatorDlg::SeparatorSet() const {
    std::string set;
    if (m_bSlash)
        set += "/";
    if (m_bDot)
        set += ".";
    if (m_bOther)
        set += m_other;
    return set;
}
