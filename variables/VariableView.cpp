#include "variables/VariableView.h"

#include "app/Globals.h"
#include "framework/CommandTable.h"
#include "framework/Dialog.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "variables/ConversionSettings.h"

namespace {
const COLORREF kPendingColor = 0xFF0000;  // pending rows: blue text

// The edit-name dialog: one text, pre-filled with the row's name.
class CEditNameDlg : public CDialog {
  public:
    explicit CEditNameDlg(std::string name) : CDialog(IDD_EDIT_NAME), m_name(std::move(name)) {}
    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, IDC_VARNAME_EDIT, m_name); }
    std::string m_name;
};
}  // namespace

void CVariableView::OnInitialUpdate() {
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    int w = rc.right;
    struct Column {
        const char* header;
        int width;
    };
    const Column columns[] = {{"Variabelen Name", w / 5},
                              {"Adresse/Treiber", w / 5},
                              {"Attribut", w / 6},
                              {"Abtastzyklus", LVSCW_AUTOSIZE_USEHEADER},
                              {"KRType", w / 6},
                              {"L\xe4nge", LVSCW_AUTOSIZE_USEHEADER},
                              {"U", LVSCW_AUTOSIZE_USEHEADER}};
    CListCtrl list = GetListCtrl();
    CRedrawOff quiet(m_hWnd);
    for (int i = 0; i < (int)ARRAYSIZE(columns); ++i) {
        list.InsertColumn(i, columns[i].header, LVCFMT_LEFT, 0);
        ListView_SetColumnWidth(m_hWnd, i, columns[i].width);
    }
}

void CVariableView::NoteSelection() {
    // While a change is not shown yet, the control's indexes no longer match the model's rows.
    if (m_selection.noted || m_bStale || !m_hWnd)
        return;
    m_selection = Selection();
    m_selection.noted = true;
    const int count = m_model.RowCount();
    auto idAt = [&](int row) { return row >= 0 && row < count ? m_model.Row(row).id : 0; };
    for (int i = ListView_GetNextItem(m_hWnd, -1, LVNI_SELECTED); i >= 0 && i < count;
         i = ListView_GetNextItem(m_hWnd, i, LVNI_SELECTED))
        m_selection.selected.push_back(idAt(i));
    m_selection.focused = idAt(ListView_GetNextItem(m_hWnd, -1, LVNI_FOCUSED));
    m_selection.mark = idAt(ListView_GetSelectionMark(m_hWnd));
}

void CVariableView::RestoreSelection() {
    Selection noted = std::move(m_selection);
    m_selection = Selection();
    if (!noted.noted || (noted.selected.empty() && !noted.focused && !noted.mark))
        return;
    std::vector<uint64_t> ids = noted.selected;
    ids.push_back(noted.focused);
    ids.push_back(noted.mark);
    const std::vector<int> at = m_model.IndexesOf(ids);
    const size_t n = noted.selected.size();
    ListView_SetItemState(m_hWnd, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (size_t i = 0; i < n; ++i) {
        if (at[i] >= 0)
            ListView_SetItemState(m_hWnd, at[i], LVIS_SELECTED, LVIS_SELECTED);
    }
    if (at[n] >= 0)
        ListView_SetItemState(m_hWnd, at[n], LVIS_FOCUSED, LVIS_FOCUSED);
    ListView_SetSelectionMark(m_hWnd, at[n + 1]);
}

void CVariableView::Refresh() {
    m_bStale = m_batchDepth > 0;
    if (m_bStale)
        return;
    ListView_SetItemCountEx(m_hWnd, m_model.RowCount(), LVSICF_NOSCROLL);
    RestoreSelection();
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

int CVariableView::AddVariable(const std::string& name, const std::string& address, VariableRecord record) {
    RowChange change(this);
    return m_model.AddVariable(name, address, std::move(record));
}

std::string CVariableView::MakeUniqueName(const std::string& name) {
    return m_model.MakeUniqueName(name);
}

int CVariableView::Commit() {
    RowChange change(this);
    return m_model.Commit();
}

void CVariableView::RenamePending(const std::vector<std::pair<int, std::string>>& names) {
    RowChange change(this);
    m_model.RenamePending(names);
}

int CVariableView::DiscardPending() {
    RowChange change(this);
    m_model.DiscardPending();
    return 0;
}

int CVariableView::DeleteAll() {
    RowChange change(this);
    m_model.DeleteAll();
    return 0;
}

int CVariableView::DeleteSelected() {
    RowChange change(this);
    std::vector<int> rows;
    for (int i = ListView_GetNextItem(m_hWnd, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(m_hWnd, i, LVNI_SELECTED))
        rows.push_back(i);
    return m_model.DeleteSelected(rows);
}

void CVariableView::EditName() {
    int row = ListView_GetSelectionMark(m_hWnd);
    if (row < 0 || row >= m_model.RowCount())
        return;
    CEditNameDlg dlg(m_model.Row(row).name);
    if (dlg.DoModal() != IDOK)
        return;
    RowChange change(this);
    if (m_model.EditName(row, dlg.m_name) == EditNameResult::TooLong)
        AppMessageBox(m_hWnd, "Variablenname zu lang!", nullptr, MB_OK);
}

int CVariableView::ExportAll() {
    // After the run's one hand-over there is nowhere to write to: the rows stay.
    RowChange change(this);
    const int r = m_model.ExportAll(g_pConversionSettings);
    return r < 0 ? r : 0;
}

LRESULT CVariableView::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY && g_pVariableView == this) {
        // Nothing may reach the view once it is gone: the global, nor the conversion's sink.
        g_pVariableView = nullptr;
        if (g_pConversionSettings)
            g_pConversionSettings->Attach(nullptr, nullptr);
    }
    return CListView::WindowProc(msg, wp, lp);
}

LRESULT CVariableView::OnCustomDraw(NMLVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            if ((int)draw->nmcd.dwItemSpec < m_model.PendingCount())
                draw->clrText = kPendingColor;
            return CDRF_DODEFAULT;
        default:
            return CDRF_DODEFAULT;
    }
}

UINT CVariableView::DeleteCommand() const {
    return ID_DELETE_SELECTED;
}

UINT CVariableView::RowMenu() const {
    return IDR_MENU_KR_VARIABLE;
}

void CVariableView::OnRightClick() {
    TrackRowContextMenu(RowMenu());
}

BOOL CVariableView::OnNotifyReflect(NMHDR* hdr, LRESULT* result) {
    switch (hdr->code) {
        case LVN_GETDISPINFOA: {
            auto* info = reinterpret_cast<NMLVDISPINFOA*>(hdr);
            if (info->item.mask & LVIF_TEXT) {
                m_dispText = m_model.CellText(info->item.iItem, info->item.iSubItem);
                lstrcpynA(info->item.pszText, m_dispText.c_str(), info->item.cchTextMax);
            }
            return TRUE;
        }
        case NM_CUSTOMDRAW:
            *result = OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(hdr));
            return TRUE;
        case NM_CLICK:
            DiscardPending();
            *result = 0;
            return TRUE;
        case NM_RCLICK:
            OnRightClick();
            *result = 0;
            return TRUE;
        default:
            return FALSE;
    }
}

void CVariableView::OnDelete(UINT) {
    DeleteSelected();
}

void CVariableView::OnEditName(UINT) {
    EditName();
}

BOOL CVariableView::OnCmdMsg(UINT id, int code, CCmdUI* pUI) {
    static const CommandEntry<CVariableView> kCommands[] = {
        {ID_DELETE_SELECTED, ID_DELETE_SELECTED, &CVariableView::OnDelete, nullptr},
        {ID_VARIABLE_EDIT_NAME, ID_VARIABLE_EDIT_NAME, &CVariableView::OnEditName, nullptr},
    };
    return RouteCommand(this, kCommands, id, code, pUI);
}
