#include "variables/DriverDlg.h"

#include <commctrl.h>

#include <cstdint>

#include "app/Globals.h"
#include "framework/WinApp.h"
#include "variables/ConversionSettings.h"
#include "variables/ItemIdCut.h"

namespace {

const char* const kKindTexts[] = {"Standard", "Rezept", "Bild", "Abtast"};
const char* const kAccessTexts[] = {"nur Lesen", "nur Schreiben", "Kombiniert", "1x Lesen"};

// What choosing a kind does to the middle part of the dialog; a null label leaves it unchanged.
struct KindRule {
    bool textEnabled;   // label 1051 and edit 1052
    bool cycleEnabled;  // label 1053 and edit 1047
    const char* label;
};
const KindRule kKindRules[] = {
    {false, true, nullptr},
    {true, false, "Kopiertreiber"},
    {true, true, "Bildname"},
    {true, false, "Trigger"},
};

// Sets a flag for the lifetime of the scope.
class FlagScope {
  public:
    explicit FlagScope(bool& flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~FlagScope() { m_flag = m_old; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

  private:
    bool& m_flag;
    bool m_old;
};

template <size_t N>
void FillCombo(HWND combo, const char* const (&texts)[N]) {
    for (const char* text : texts)
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)text);
}

void DdxComboIndex(CDataExchange* pDX, int id, int& value) {
    HWND h = pDX->PrepareCtrl(id);
    if (pDX->m_bSaveAndValidate)
        value = (int)SendMessageA(h, CB_GETCURSEL, 0, 0);
    else
        SendMessageA(h, CB_SETCURSEL, value, 0);
}

void DdxSlider(CDataExchange* pDX, int id, int& value) {
    HWND h = pDX->PrepareCtrl(id);
    if (pDX->m_bSaveAndValidate)
        value = (int)SendMessageA(h, TBM_GETPOS, 0, 0);
    else
        SendMessageA(h, TBM_SETPOS, TRUE, value);
}

// The text DDX_Text shows for a value.
const std::string& Shown(const std::string& value) {
    return value;
}
template <typename Number>
std::string Shown(Number value) {
    return std::to_string(value);
}

// Leaves an edit alone when it already shows the value, so the caret stays where the user is
// typing and no needless EN_CHANGE is sent.
template <typename T>
void DdxTextKeep(CDataExchange* pDX, int id, T& value) {
    if (!pDX->m_bSaveAndValidate && WindowText(pDX->m_pDlgWnd->GetDlgItem(id)) == Shown(value)) {
        pDX->PrepareEditCtrl(id);
        return;
    }
    DDX_Text(pDX, id, value);
}

// Korvane reads offsets as signed 32-bit numbers: a larger one is refused like any non-number.
void DdvKorvaneOffset(CDataExchange* pDX, UINT value) {
    if (pDX->m_bSaveAndValidate && value > (UINT)INT32_MAX) {
        AfxMessageBox(AFX_IDP_PARSE_UINT, MB_ICONEXCLAMATION);
        pDX->Fail();
    }
}

// The name is the text in front of the first '.' (in front of the second when the ID starts with
// '.'); the position is that of the last '.'. Without a '.' both stay as they are.
void CutAtDots(const std::string& itemId, std::string* name, int* position) {
    for (size_t i = 0; i < itemId.size(); ++i) {
        if (itemId[i] != '.')
            continue;
        if (*position == 0)
            *name = itemId.substr(0, i);
        *position = (int)i;
    }
}

// The item ID up to and including its last '.'; without a '.' its first character.
std::string InitialPrefix(const std::string& itemId) {
    size_t dot = itemId.rfind('.');
    return itemId.substr(0, dot == std::string::npos ? 1 : dot + 1);
}

}  // namespace

void CDriverDlg::DoDataExchange(CDataExchange* pDX) {
    DdxComboIndex(pDX, IDC_DRV_KIND, m_kind);
    DdxTextKeep(pDX, IDC_DRV_NAME, m_name);
    DDV_MaxChars(pDX, m_name, kMaxNameChars);
    DdxTextKeep(pDX, IDC_DRV_CYCLE, m_cycle);
    DDV_MinMaxInt(pDX, m_cycle, 0, kMaxCycle);
    DdxComboIndex(pDX, IDC_DRV_ACCESS, m_access);
    DdxTextKeep(pDX, IDC_DRV_TEXT_LABEL, m_labelText);
    DdxTextKeep(pDX, IDC_DRV_TEXT, m_driverText);
    DdxTextKeep(pDX, IDC_DRV_FIRST_OFFSET, m_firstOffset);
    DdvKorvaneOffset(pDX, m_firstOffset);
    DdxTextKeep(pDX, IDC_DRV_PREFIX, m_preview);
    DdxSlider(pDX, IDC_DRV_OFFSET_SLIDER, m_offsetPosition);
    DdxTextKeep(pDX, IDC_DRV_OFFSET, m_offsetNumber);
    DDV_MinMaxInt(pDX, m_offsetNumber, 0, kMaxOffset);
    DDX_Check(pDX, IDC_DRV_SPLIT, m_bSplit);
}

BOOL CDriverDlg::OnInitDialog() {
    FlagScope busy(m_bFilling);
    // The lists are not part of the template; they must exist before the indexes are put in.
    FillCombo(GetDlgItem(IDC_DRV_KIND), kKindTexts);
    FillCombo(GetDlgItem(IDC_DRV_ACCESS), kAccessTexts);
    CDialog::OnInitDialog();
    SendDlgItemMessageA(m_hWnd, IDC_DRV_OFFSET_SLIDER, TBM_SETRANGE, TRUE, MAKELPARAM(0, kMaxOffset));
    ConversionSettings* settings = g_pConversionSettings;
    if (settings)
        m_bSplit = settings->IsSplitAtSeparator();
    int position = 0;
    CutAtDots(m_itemId, &m_name, &position);
    m_offsetPosition = position;
    m_preview = InitialPrefix(m_itemId);
    m_offsetNumber = m_offsetPosition;
    if (settings)
        settings->SetCutOffset(m_offsetPosition);
    UpdateData(FALSE);
    return TRUE;
}

void CDriverDlg::OnOffsetMoved(bool fromNumber) {
    FlagScope busy(m_bFilling);
    UpdateData(TRUE);  // a validation failure is shown; the members read so far are kept
    if (fromNumber)
        m_offsetPosition = m_offsetNumber;
    else
        m_offsetNumber = m_offsetPosition;
    if (ConversionSettings* settings = g_pConversionSettings) {
        settings->SetCutOffset(m_offsetPosition);
        // The check box acts only here: its own clicks do not reach the settings.
        if ((m_bSplit != FALSE) != settings->IsSplitAtSeparator())
            settings->ToggleSplitAtSeparator();
        m_preview = settings->BuildPrefix(m_itemId);
    } else {
        // After a hand-over there are no settings: the same cut, from the dialog's own values.
        m_preview = CutItemPrefix(m_itemId, m_offsetPosition, m_bSplit != FALSE);
    }
    UpdateData(FALSE);
}

void CDriverDlg::ApplyKind() {
    if (m_kind < 0 || m_kind >= (int)(sizeof(kKindRules) / sizeof(kKindRules[0])))
        return;
    const KindRule& rule = kKindRules[m_kind];
    EnableWindow(GetDlgItem(IDC_DRV_TEXT_LABEL), rule.textEnabled);
    EnableWindow(GetDlgItem(IDC_DRV_TEXT), rule.textEnabled);
    EnableWindow(GetDlgItem(IDC_DRV_CYCLE_LABEL), rule.cycleEnabled);
    EnableWindow(GetDlgItem(IDC_DRV_CYCLE), rule.cycleEnabled);
    if (rule.label)
        m_labelText = rule.label;
    m_driverText.clear();
}

void CDriverDlg::OnKindChanged() {
    FlagScope busy(m_bFilling);
    UpdateData(TRUE);  // a validation failure is shown; the members read so far are kept
    ApplyKind();
    UpdateData(FALSE);
}

BOOL CDriverDlg::OnCommand(WPARAM wp, LPARAM lp) {
    const int id = LOWORD(wp);
    const UINT code = HIWORD(wp);
    if (id == IDC_DRV_OFFSET && code == EN_CHANGE) {
        if (!m_bFilling)
            OnOffsetMoved(true);
        return TRUE;
    }
    if (id == IDC_DRV_KIND && code == CBN_SELCHANGE) {
        if (!m_bFilling)
            OnKindChanged();
        return TRUE;
    }
    if (id == IDC_DRV_PREVIEW && code == BN_CLICKED) {
        EndDialog(IDC_DRV_PREVIEW);
        return TRUE;
    }
    return CDialog::OnCommand(wp, lp);
}

LRESULT CDriverDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_HSCROLL && (HWND)lp == GetDlgItem(IDC_DRV_OFFSET_SLIDER) && !m_bFilling)
        OnOffsetMoved(false);
    return CDialog::WindowProc(msg, wp, lp);
}
