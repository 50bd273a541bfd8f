#include "views/ItemView.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "app/Globals.h"
#include "framework/CommandTable.h"
#include "framework/WinApp.h"
#include "opc/DiagnosticTexts.h"
#include "opc/OpcConnection.h"
#include "res/resource.h"
#include "trace/Trace.h"
#include "variables/ConversionSettings.h"
#include "variables/DriverDlg.h"
#include "variables/VariableView.h"

namespace {
// The Quality column of a row before its first notification.
const char kUnknownQuality[] = "UNKNOWN";
const char kExampleItemId[] = "S7:[S7-Verbindung_1]DB2,W0,1";

// Row d is gone from the list: it leaves rows, and the later rows move up by one.
void RowRemoved(std::vector<int>* rows, int d) {
    rows->erase(std::remove(rows->begin(), rows->end(), d), rows->end());
    for (int& r : *rows) {
        if (r > d)
            --r;
    }
}

OpcItemData ItemData(const std::string& itemId, const OpcItemRecord& record) {
    OpcItemData data;
    data.itemId = itemId;
    data.vtCanonicalDataType = record.vtCanonicalDataType;
    data.dwAccessRights = record.dwAccessRights;
    return data;
}
}  // namespace

std::string CItemView::AccessText(DWORD rights) {
    std::string text;
    if (rights & OPC_READABLE)
        text = "R";
    if (rights & OPC_WRITEABLE)
        text += text.empty() ? "W" : "/W";
    return text;
}

void CItemView::OnInitialUpdate() {
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    int w = rc.right;
    Trace("Init the OPC-Item ListCtrl");
    struct Column {
        const char* header;
        int width;
    };
    const Column columns[] = {{"ItemID", 2 * w / 5},
                              {"OLE Type", w / 6},
                              {"Access", w / 7},
                              {"Value", w / 6},
                              {"Quality", LVSCW_AUTOSIZE_USEHEADER}};
    CListCtrl list = GetListCtrl();
    CRedrawOff quiet(m_hWnd);
    for (int i = 0; i < (int)ARRAYSIZE(columns); ++i) {
        list.InsertColumn(i, columns[i].header, LVCFMT_LEFT, -1);
        ListView_SetColumnWidth(m_hWnd, i, (short)columns[i].width);
    }
    OPCITEMRESULT example = {};
    example.hServer = 144;
    example.vtCanonicalDataType = VT_UI2;
    example.dwAccessRights = OPC_READABLE | OPC_WRITEABLE;
    AddItem(kExampleItemId, example);
}

bool CItemView::FindAndSelect(const char* itemId) {
    if (m_listedIds.Count(itemId) == 0)
        return false;
    LVFINDINFOA find = {};
    find.flags = LVFI_STRING;
    find.psz = itemId;
    int row = (int)SendMessage(LVM_FINDITEMA, (WPARAM)-1, (LPARAM)&find);
    if (row < 0)
        return false;
    ListView_SetItemState(m_hWnd, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    return true;
}

std::vector<std::string> CItemView::SelectListed(const std::vector<std::string>& itemIds) {
    std::vector<std::string> fresh;
    std::unordered_map<std::string, int> rows;  // folded ID -> row, built at the first repeat
    CListCtrl list = GetListCtrl();
    std::unique_ptr<CBulkChange> bulk;
    for (const std::string& id : itemIds) {
        if (m_listedIds.Count(id) == 0) {
            fresh.push_back(id);
            continue;
        }
        if (rows.empty()) {
            bulk.reset(new CBulkChange(m_hWnd));
            for (int row = list.GetItemCount() - 1; row >= 0; --row)
                rows[NameIndex::Fold(list.GetItemText(row, 0))] = row;  // the first row wins
        }
        auto found = rows.find(NameIndex::Fold(id));
        if (found == rows.end())
            fresh.push_back(id);
        else
            list.SetItemState(found->second, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    return fresh;
}

int CItemView::AddItem(const char* itemId, const OPCITEMRESULT& result) {
    int r = m_handles.AddRow();
    Trace("Add OPC-Item %s to List", itemId);
    // The blob belongs to the server's result, which the caller frees: it is never kept.
    auto record = std::make_unique<OpcItemRecord>(result);
    record->pBlob = nullptr;
    record->dwBlobSize = 0;
    CListCtrl list = GetListCtrl();
    int row = list.InsertItem(r, itemId, (LPARAM)record.get());
    if (row < 0)
        return -1;
    record.release();  // the row owns it now
    m_listedIds.Add(itemId);
    std::string type = VarTypeText(result.vtCanonicalDataType);
    std::string access = AccessText(result.dwAccessRights);
    const char* texts[] = {type.c_str(), access.c_str(), "?", kUnknownQuality};
    for (int c = 0; c < 4; ++c) {
        if (!list.SetItemText(row, c + 1, texts[c]))
            return -1;
    }
    return 0;
}

int CItemView::SetItemValue(const char* value, const char* quality, int clientHandle) {
    if (!m_hWnd)
        return -1;
    int row = m_handles.RowOf(clientHandle);
    CListCtrl list = GetListCtrl();
    // The next handle's entry names the row the next item will get, which does not exist yet: a
    // late notification after a clear. (Values racing their own AddItems answer are held back by
    // the connection until the rows exist.)
    if (row < 0 || row >= list.GetItemCount())
        return E_FAIL;
    if (value)
        list.SetItemText(row, 3, value);
    if ((size_t)clientHandle >= m_shownQuality.size())
        m_shownQuality.resize(std::max((size_t)m_handles.NextClientHandle(), (size_t)clientHandle + 1),
                              kUnknownQuality);
    std::string& shown = m_shownQuality[clientHandle];
    if (shown != quality) {
        list.SetItemText(row, 4, quality);
        shown = quality;
    }
    return 0;
}

const OpcItemRecord* CItemView::Record(int row) const {
    return reinterpret_cast<const OpcItemRecord*>(GetListCtrl().GetItemData(row));
}

void CItemView::DropRow(int row, std::vector<OPCHANDLE>* pServerHandles) {
    CListCtrl list = GetListCtrl();
    std::unique_ptr<OpcItemRecord> record(reinterpret_cast<OpcItemRecord*>(list.GetItemData(row)));
    // Table and list change together, before the server call: a value or the loss marking
    // written by handle while that call waits must find each row where the list shows it.
    m_handles.RemoveRow(row);
    m_listedIds.Remove(list.GetItemText(row, 0));
    list.DeleteItem(row);
    RowRemoved(&m_takenRows, row);
    if (record)
        pServerHandles->push_back(record->hServer);
}

void CItemView::RemoveServerItems(const std::vector<OPCHANDLE>& serverHandles) {
    // The rows go even when the server cannot remove the items.
    if (!serverHandles.empty() && g_pConnection)
        g_pConnection->RemoveItems(serverHandles);
}

void CItemView::RemoveAcceptedItems() {
    std::vector<int> rows;
    rows.swap(m_takenRows);
    if (!m_deleteOnAccept)
        return;
    // Exactly the rows whose variables were taken: the selection and its mark may have moved
    // since (the context-menu key puts the mark on the focused row).
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    RemoveRows(rows);
}

void CItemView::RemoveSelectedItems() {
    int n = ListView_GetSelectedCount(m_hWnd);
    if (n <= 1) {
        RemoveRows({ListView_GetSelectionMark(m_hWnd)});
        return;
    }
    std::vector<int> rows;
    for (int i = ListView_GetNextItem(m_hWnd, -1, LVNI_SELECTED); i >= 0 && (int)rows.size() < n;
         i = ListView_GetNextItem(m_hWnd, i, LVNI_SELECTED))
        rows.push_back(i);
    RemoveRows(rows);
}

void CItemView::RemoveRows(const std::vector<int>& rows) {
    const int count = GetListCtrl().GetItemCount();
    if (rows.size() == 1) {
        if (rows[0] < 0 || rows[0] >= count)
            return;
        std::vector<OPCHANDLE> gone;
        DropRow(rows[0], &gone);
        RemoveServerItems(gone);
        Trace("Delete the selected Item from KorvaneView");
        return;
    }
    if (rows.empty())
        return;
    Trace("Delete %d selected Items from KorvaneView", (int)rows.size());
    std::vector<OPCHANDLE> gone;
    {
        CBulkChange bulk(m_hWnd);
        // From the highest row down, so the lower indexes stay valid.
        for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
            if (*it >= 0 && *it < count)
                DropRow(*it, &gone);
        }
    }
    RemoveServerItems(gone);
}

int CItemView::DeleteAllItems() {
    CListCtrl list = GetListCtrl();
    CRedrawOff quiet(m_hWnd);
    int count = list.GetItemCount();
    std::vector<OPCHANDLE> gone;
    for (int row = 0; row < count; ++row) {
        auto* record = reinterpret_cast<OpcItemRecord*>(list.GetItemData(row));
        if (!record)
            continue;
        gone.push_back(record->hServer);
        delete record;
        list.SetItemData(row, 0);
    }
    Trace("Delete all Items from OPC Item View");
    list.DeleteAllItems();
    m_takenRows.clear();
    m_listedIds.Clear();
    m_handles.Clear();
    m_shownQuality.clear();
    // The server's items go after the rows, in as few calls as it takes.
    RemoveServerItems(gone);
    return 0;
}

void CItemView::PreviewItems(bool allRows) {
    CVariableView::Batch batch(g_pVariableView);
    CListCtrl list = GetListCtrl();
    if (allRows) {
        if (g_pVariableView)
            g_pVariableView->DiscardPending();
        // Every row selected and the last one focused, in two messages rather than one per row.
        CRedrawOff quiet(m_hWnd);
        list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
        if (list.GetItemCount() > 0)
            list.SetItemState(list.GetItemCount() - 1, LVIS_FOCUSED, LVIS_FOCUSED);
    }
    // Rows taken earlier count while their pending rows are still shown (an open driver object's
    // elements); otherwise the taking starts afresh.
    if (!g_pVariableView || g_pVariableView->PendingCount() == 0)
        m_takenRows.clear();
    for (int row = list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = list.GetNextItem(row, LVNI_SELECTED)) {
        std::string itemId = list.GetItemText(row, 0);
        const OpcItemRecord* record = Record(row);
        Trace("Show \"%s\" as Korvane Object", itemId.c_str());
        // A failed conversion gets no pending row; the other rows still do.
        if (record && g_pConversionSettings && g_pConversionSettings->ConvertItem(ItemData(itemId, *record)) >= 0)
            m_takenRows.push_back(row);
    }
}

void CItemView::RefreshPreviewNames() {
    if (!g_pVariableView || !g_pConversionSettings || ListView_GetSelectedCount(m_hWnd) == 0)
        return;
    // Each pending row is cut again from its own item ID, its address: a failed conversion (a
    // cancelled array question) leaves fewer pending rows than selected items, so counting the
    // selected rows would hand names to the wrong rows. Elements of an open driver object are
    // named by its prefix, which the cut settings do not touch.
    const VariableModel& model = g_pVariableView->Model();
    std::vector<std::pair<int, std::string>> names;
    for (int k = 0; k < model.PendingCount(); ++k) {
        const VariableRow& row = model.Row(k);
        if (row.record.kind == KindSingle)
            names.emplace_back(k, g_pConversionSettings->BuildName(row.address));
    }
    g_pVariableView->RenamePending(names);
}

void CItemView::Accept(UINT) {
    if (g_pVariableView && g_pVariableView->Commit() >= 0)
        RemoveAcceptedItems();
}

void CItemView::AddAsStructure(UINT) {
    CListCtrl list = GetListCtrl();
    int first = list.GetNextItem(-1, LVNI_SELECTED);
    if (first < 0 || !g_pVariableView || !g_pConversionSettings)
        return;
    CDriverDlg dlg;
    dlg.m_itemId = list.GetItemText(first, 0);
    g_pVariableView->DiscardPending();
    // The dialog moves the cut offset (and may flip the split flag) while it is open.
    const int cutOffset = g_pConversionSettings->CutOffset();
    const bool split = g_pConversionSettings->IsSplitAtSeparator();
    INT_PTR result = dlg.DoModal();
    if (!g_pConversionSettings)
        return;
    if (result == IDCANCEL) {
        // Cancelled: the settings go back to what the cut bar still shows.
        g_pConversionSettings->SetCutOffset(cutOffset);
        if (g_pConversionSettings->IsSplitAtSeparator() != split)
            g_pConversionSettings->ToggleSplitAtSeparator();
        return;
    }
    if (m_onCutSettingsChanged)
        m_onCutSettingsChanged();
    // Refused (an object is still open): converting now would make plain variables of the items.
    if (!g_pConversionSettings->BeginDriver((uint32_t)dlg.m_kind, dlg.m_name, dlg.m_preview, dlg.m_access, dlg.m_cycle,
                                            dlg.m_driverText, (int)dlg.m_firstOffset))
        return;
    CVariableView::Batch batch(g_pVariableView);
    m_takenRows.clear();
    for (int row = list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = list.GetNextItem(row, LVNI_SELECTED)) {
        std::string itemId = list.GetItemText(row, 0);
        Trace("Show \"%s\" as Korvane Object", itemId.c_str());
        const OpcItemRecord* record = Record(row);
        // A row whose conversion failed leaves the selection.
        if (record && g_pConversionSettings->ConvertItem(ItemData(itemId, *record)) >= 0)
            m_takenRows.push_back(row);
        else
            list.SetItemState(row, 0, LVIS_SELECTED);
    }
    // After "Vorschau", or without elements, the object stays open until the next click.
    if (result != IDOK || g_pVariableView->Commit() < 0)
        return;
    g_pConversionSettings->EndDriver();
    g_pVariableView->Commit();
    RemoveAcceptedItems();
}

void CItemView::OnClick() {
    if (!g_pVariableView)
        return;
    if (g_pConversionSettings)
        g_pConversionSettings->AbortDriver();
    g_pVariableView->DiscardPending();
    PreviewItems(false);
}

UINT CItemView::DeleteCommand() const {
    return ID_DELETE_SELECTED;
}

UINT CItemView::RowMenu() const {
    return IDR_MENU_OPC_ITEM;
}

void CItemView::OnRightClick() {
    TrackRowContextMenu(RowMenu());
}

BOOL CItemView::OnNotifyReflect(NMHDR* hdr, LRESULT* result) {
    switch (hdr->code) {
        case NM_CLICK:
            OnClick();
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

LRESULT CItemView::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_LBUTTONDBLCLK:
            if (g_pVariableView) {
                g_pVariableView->DiscardPending();
                PreviewItems(false);
                Accept(ID_EDIT_ACCEPT);
            }
            break;
        case WM_DESTROY:
            DeleteAllItems();
            // Nothing may reach the view once it is gone, not even a late notification.
            if (g_pItemView == this)
                g_pItemView = nullptr;
            if (g_pConnection && g_pConnection->ItemSink() == this)
                g_pConnection->SetItemSink(nullptr);
            break;
        default:
            break;
    }
    return CListView::WindowProc(msg, wp, lp);
}

void CItemView::OnDelete(UINT) {
    RemoveSelectedItems();
}

BOOL CItemView::OnCmdMsg(UINT id, int code, CCmdUI* pUI) {
    static const CommandEntry<CItemView> kCommands[] = {
        {ID_DELETE_SELECTED, ID_DELETE_SELECTED, &CItemView::OnDelete, nullptr},
        {ID_EDIT_ACCEPT, ID_EDIT_ACCEPT, &CItemView::Accept, nullptr},
        {ID_ITEM_ADD_AS_STRUCT, ID_ITEM_ADD_AS_STRUCT, &CItemView::AddAsStructure, nullptr},
    };
    return RouteCommand(this, kCommands, id, code, pUI);
}

void CItemView::HoldRedraw(bool bHold) {
    if (!m_hWnd || !IsWindow(m_hWnd))
        return;
    ::SendMessageA(m_hWnd, WM_SETREDRAW, bHold ? FALSE : TRUE, 0);
    if (!bHold)
        InvalidateRect(m_hWnd, nullptr, TRUE);
}
