#include "framework/Dialog.h"

#include "framework/WinApp.h"
#include "res/resource.h"

#include <cerrno>
#include <cstdlib>

namespace {
// Aborts a data exchange; caught by UpdateData only.
struct DataExchangeFailure {};

const UINT kRunInitHook = WM_APP + 0x3F0;
CDialog::InitHook g_initHook;

void ShowValidationMessage(const std::string& text) {
    AfxMessageBox(text.c_str(), MB_ICONEXCLAMATION);
}

// Parses a whole decimal number (surrounding blanks allowed); false on anything else.
bool ParseInteger(const std::string& text, bool isUnsigned, long long* out) {
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t')
        ++p;
    if (isUnsigned && *p == '-')
        return false;
    char* end = nullptr;
    errno = 0;
    long long v = strtoll(p, &end, 10);
    if (end == p || errno == ERANGE)
        return false;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end)
        return false;
    if (isUnsigned ? (v < 0 || v > 0xFFFFFFFFLL) : (v < INT_MIN || v > INT_MAX))
        return false;
    *out = v;
    return true;
}
}  // namespace

std::string AfxFormatString(UINT id, const char* arg1, const char* arg2) {
    std::string s = LoadStringA(id);
    for (size_t pos = 0; (pos = s.find('%', pos)) != std::string::npos;) {
        const char* arg = nullptr;
        if (pos + 1 < s.size() && s[pos + 1] == '1')
            arg = arg1;
        else if (pos + 1 < s.size() && s[pos + 1] == '2')
            arg = arg2;
        if (!arg) {
            ++pos;
            continue;
        }
        s.replace(pos, 2, arg);
        pos += strlen(arg);
    }
    return s;
}

HWND CDataExchange::PrepareCtrl(int id) {
    m_hWndLastControl = m_pDlgWnd->GetDlgItem(id);
    m_bEditLastControl = false;
    return m_hWndLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
    HWND h = PrepareCtrl(id);
    m_bEditLastControl = true;
    return h;
}

void CDataExchange::Fail() {
    if (m_bSaveAndValidate && m_hWndLastControl) {
        SetFocus(m_hWndLastControl);
        if (m_bEditLastControl)
            SendMessageA(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    throw DataExchangeFailure();
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
    HWND h = pDX->PrepareEditCtrl(id);
    if (pDX->m_bSaveAndValidate)
        value = WindowText(h);
    else
        SetWindowTextA(h, value.c_str());
}

static void DdxInteger(CDataExchange* pDX, int id, long long* value, bool isUnsigned) {
    HWND h = pDX->PrepareEditCtrl(id);
    if (!pDX->m_bSaveAndValidate) {
        char buf[32];
        wsprintfA(buf, isUnsigned ? "%u" : "%d", (int)*value);
        SetWindowTextA(h, buf);
        return;
    }
    if (!ParseInteger(WindowText(h), isUnsigned, value)) {
        ShowValidationMessage(LoadStringA(isUnsigned ? AFX_IDP_PARSE_UINT : AFX_IDP_PARSE_INT));
        pDX->Fail();
    }
}

void DDX_Text(CDataExchange* pDX, int id, int& value) {
    long long v = value;
    DdxInteger(pDX, id, &v, false);
    value = (int)v;
}

void DDX_Text(CDataExchange* pDX, int id, UINT& value) {
    long long v = value;
    DdxInteger(pDX, id, &v, true);
    value = (UINT)v;
}

void DDX_Check(CDataExchange* pDX, int id, BOOL& value) {
    HWND h = pDX->PrepareCtrl(id);
    if (pDX->m_bSaveAndValidate)
        value = (int)SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
    else
        SendMessageA(h, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void DDX_Radio(CDataExchange* pDX, int firstId, int& value) {
    // The group runs from firstId to the next control with WS_GROUP.
    HWND h = pDX->PrepareCtrl(firstId);
    if (pDX->m_bSaveAndValidate)
        value = -1;
    int index = 0;
    HWND dlg = pDX->m_pDlgWnd->m_hWnd;
    do {
        if (pDX->m_bSaveAndValidate) {
            if (SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED)
                value = index;
        } else {
            SendMessageA(h, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++index;
        h = GetNextDlgGroupItem(dlg, h, FALSE);
    } while (h && h != GetDlgItem(dlg, firstId) && !(GetWindowLongA(h, GWL_STYLE) & WS_GROUP));
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (!control.m_hWnd)
        control.SubclassWindow(pDX->PrepareCtrl(id));
}

void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int maxChars) {
    if (!pDX->m_bSaveAndValidate) {
        if (pDX->m_hWndLastControl)
            SendMessageA(pDX->m_hWndLastControl, EM_LIMITTEXT, maxChars, 0);
        return;
    }
    if ((int)value.size() > maxChars) {
        char n[16];
        wsprintfA(n, "%d", maxChars);
        ShowValidationMessage(AfxFormatString(AFX_IDP_PARSE_STRING_SIZE, n));
        pDX->Fail();
    }
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
    if (pDX->m_bSaveAndValidate && (value < minVal || value > maxVal)) {
        char lo[16], hi[16];
        wsprintfA(lo, "%d", minVal);
        wsprintfA(hi, "%d", maxVal);
        ShowValidationMessage(AfxFormatString(AFX_IDP_PARSE_INT_RANGE, lo, hi));
        pDX->Fail();
    }
}

void CDialog::SetNextInitHook(InitHook hook) {
    g_initHook = std::move(hook);
}

INT_PTR CDialog::DoModal() {
    HWND parent = m_hParent;
    if (!parent && AfxGetMainWnd())
        parent = AfxGetMainWnd()->m_hWnd;
    m_bModal = true;
    m_nModalResult = -1;
    INT_PTR r = DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), parent, StaticDialogProc,
                                (LPARAM)this);
    m_bModal = false;
    return r;
}

BOOL CDialog::Create(HWND parent) {
    m_bModal = false;
    HWND h = CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), parent, StaticDialogProc,
                                (LPARAM)this);
    return h != nullptr;
}

void CDialog::EndDialog(int result) {
    m_nModalResult = result;
    if (m_bModal)
        ::EndDialog(m_hWnd, result);
    else
        ::ShowWindow(m_hWnd, SW_HIDE);
}

BOOL CDialog::UpdateData(BOOL save) {
    CDataExchange dx(this, save != FALSE);
    try {
        DoDataExchange(&dx);
    } catch (const DataExchangeFailure&) {
        return FALSE;
    }
    return TRUE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(WPARAM wp, LPARAM) {
    if (HIWORD(wp) != BN_CLICKED)
        return FALSE;
    switch (LOWORD(wp)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        default:
            return FALSE;
    }
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    return !m_bModal && IsDialogMessageA(m_hWnd, msg);
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (OnCommand(wp, lp))
                return 0;
            break;
        case kRunInitHook:
            if (g_initHook) {
                InitHook hook = std::move(g_initHook);
                g_initHook = nullptr;
                hook(*this);
            }
            return 0;
        default:
            break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp) {
    CDialog* self = static_cast<CDialog*>(FromHandle(hWnd));
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lp);
        self->m_bDialog = true;
        self->Attach(hWnd);
        BOOL focusDefault = self->OnInitDialog();
        if (g_initHook)
            ::PostMessageA(hWnd, kRunInitHook, 0, 0);
        return focusDefault;
    }
    if (!self)
        return FALSE;
    // Unhandled messages fall through to the dialog manager (Default() of a dialog does nothing).
    self->m_bDefaultReached = false;
    LRESULT r = self->WindowProc(msg, wp, lp);
    bool handled = !self->m_bDefaultReached;
    if (msg == WM_NCDESTROY) {
        self->UnbindWindow();
        self->PostNcDestroy();
        return FALSE;
    }
    if (handled)
        SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, r);
    return handled;
}
