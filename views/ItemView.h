#pragma once
// The OPC item list (upper right pane): one row per item the server accepted, with type, access,
// live value and quality. Each row owns a copy of the server's OPCITEMRESULT.
#include "framework/Views.h"
#include "opc/OpcDa.h"
#include "opc/OpcItemSink.h"
#include "variables/NameIndex.h"
#include "views/ClientHandleTable.h"

#include <functional>
#include <string>
#include <vector>

// The row's item data: a copy of the server's result for the item (the blob is not kept).
using OpcItemRecord = OPCITEMRESULT;

class CItemView : public CListView, public OpcItemSink {
  public:
    CItemView() = default;

    void OnInitialUpdate() override;
    int NextClientHandle() const override { return m_handles.NextClientHandle(); }
    bool FindAndSelect(const char* itemId) override;
    // FindAndSelect for many IDs with one pass over the list: selects the rows of the IDs already
    // listed and returns the others, in their order.
    std::vector<std::string> SelectListed(const std::vector<std::string>& itemIds) override;
    int AddItem(const char* itemId, const OPCITEMRESULT& result) override;
    void RetireClientHandle() override { m_handles.RetireClientHandle(); }
    // A null value leaves the Value column as it is.
    int SetItemValue(const char* value, const char* quality, int clientHandle) override;
    int VisibleRowCount() const override { return ListView_GetCountPerPage(m_hWnd); }
    void HoldRedraw(bool bHold) override;
    // Converts the selected rows, or all rows, into pending variables.
    void PreviewItems(bool allRows);
    // After a commit: removes the rows whose conversions made the committed variables (when
    // m_deleteOnAccept says so).
    void RemoveAcceptedItems();
    // "Löschen": the selected rows, or with at most one selected, the selection mark's row.
    void RemoveSelectedItems();
    int DeleteAllItems();
    void RefreshPreviewNames();

    // "R", "R/W", "W" or "" from the access rights.
    static std::string AccessText(DWORD rights);
    const ClientHandleTable& Handles() const { return m_handles; }
    std::string ItemId(int row) const { return GetListCtrl().GetItemText(row, 0); }
    const OpcItemRecord* Record(int row) const;

    bool m_deleteOnAccept = true;
    // Called when the list moved the cut settings (the driver dialog), so whoever shows them can
    // follow; the frame installs it for its cut bar.
    std::function<void()> m_onCutSettingsChanged;

    BOOL OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL OnNotifyReflect(NMHDR* hdr, LRESULT* result) override;

  protected:
    DWORD GetControlStyle() const override { return LVS_REPORT | LVS_SHOWSELALWAYS; }

  private:
    // Takes one row out of the table and the list and frees its record; its server handle is
    // added to pServerHandles for the call that removes the items from the group.
    void DropRow(int row, std::vector<OPCHANDLE>* pServerHandles);
    // Removes the items from the server's group (when connected).
    void RemoveServerItems(const std::vector<OPCHANDLE>& serverHandles);
    // Removes the given rows (ascending) with the trace line for one or for several.
    void RemoveRows(const std::vector<int>& rows);
    // Command handlers.
    void Accept(UINT id);
    // "Als Struktur hinzufügen": the selected items as elements of one driver object.
    void AddAsStructure(UINT id);
    // "Löschen": the selected items go whatever "Übernehmen + Löschen" says.
    void OnDelete(UINT id);
    void OnClick();
    void OnRightClick();
    UINT DeleteCommand() const override;
    UINT RowMenu() const override;

    ClientHandleTable m_handles;
    // The listed item IDs, so a request for a new ID is told apart without a search of the list.
    NameIndex m_listedIds;
    // The rows whose conversions made the pending variables (kept in step as rows are removed):
    // "Übernehmen" removes exactly these.
    std::vector<int> m_takenRows;
    // The Quality text each client handle's row shows. Quality seldom changes between
    // notifications, and an unchanged cell is not written again.
    std::vector<std::string> m_shownQuality;
};
