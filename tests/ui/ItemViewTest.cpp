// The real item list in the real frame, without a server: rows, handles, removal and preview.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/Globals.h"
#include "common/FrameHarness.h"
#include "res/resource.h"
#include "variables/VariableView.h"
#include "views/ItemView.h"

namespace {

OPCITEMRESULT Result(OPCHANDLE hServer, VARTYPE vt, DWORD access) {
    OPCITEMRESULT r = {};
    r.hServer = hServer;
    r.vtCanonicalDataType = vt;
    r.dwAccessRights = access;
    return r;
}

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
}

class ItemViewTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(nullptr, g_pItemView); }
    std::string Cell(int row, int col) { return g_pItemView->GetListCtrl().GetItemText(row, col); }
    int Rows() { return g_pItemView->GetListCtrl().GetItemCount(); }
    void Select(std::initializer_list<int> rows) {
        CListCtrl list = g_pItemView->GetListCtrl();
        list.SetItemState(-1, 0, LVIS_SELECTED);
        for (int r : rows)
            list.SetItemState(r, LVIS_SELECTED, LVIS_SELECTED);
        if (rows.size())
            ListView_SetSelectionMark(g_pItemView->m_hWnd, *rows.begin());
    }
    void Command(UINT id) { g_pItemView->SendMessage(WM_COMMAND, id, 0); }
    // Three items after the example row was cleared: A (handle 0), B (1), C (2).
    void AddThree() {
        g_pItemView->DeleteAllItems();
        g_pItemView->AddItem("A", Result(1, VT_I4, OPC_READABLE));
        g_pItemView->AddItem("B", Result(2, VT_R4, OPC_WRITEABLE));
        g_pItemView->AddItem("C", Result(3, VT_BSTR, 0));
    }

    KorvaneIni m_ini{nullptr};
    FrameHarness m_h{"/u2 X"};
};

TEST_F(ItemViewTest, NewListShowsTheExampleRow) {
    ASSERT_EQ(1, Rows());
    EXPECT_EQ("S7:[S7-Verbindung_1]DB2,W0,1", Cell(0, 0));
    EXPECT_EQ("VT_UI2", Cell(0, 1));
    EXPECT_EQ("R/W", Cell(0, 2));
    EXPECT_EQ("?", Cell(0, 3));
    EXPECT_EQ("UNKNOWN", Cell(0, 4));
    EXPECT_EQ(144u, g_pItemView->Record(0)->hServer);
    EXPECT_EQ(1, g_pItemView->NextClientHandle());
    char header[32] = {};
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT;
    col.pszText = header;
    col.cchTextMax = sizeof(header);
    ListView_GetColumn(g_pItemView->m_hWnd, 4, &col);
    EXPECT_STREQ("Quality", header);
}

TEST_F(ItemViewTest, ValuesFollowTheirHandleAfterARemoval) {
    AddThree();
    EXPECT_EQ("W", Cell(1, 2));
    EXPECT_EQ("", Cell(2, 2));
    Select({1});
    Command(ID_DELETE_SELECTED);
    ASSERT_EQ(2, Rows());
    EXPECT_EQ(0, g_pItemView->SetItemValue("7", "GOOD", 2));
    EXPECT_EQ("C", Cell(1, 0));
    EXPECT_EQ("7", Cell(1, 3));
    EXPECT_EQ(E_FAIL, g_pItemView->SetItemValue("8", "GOOD", 1));  // B is gone
    EXPECT_EQ(E_FAIL, g_pItemView->SetItemValue("8", "GOOD", 99));
    EXPECT_EQ(E_FAIL, g_pItemView->SetItemValue("8", "GOOD", -1));
}

TEST_F(ItemViewTest, DeleteRemovesAllSelectedRowsEvenWithoutDeleteOnAccept) {
    AddThree();
    g_pItemView->m_deleteOnAccept = false;
    Select({0, 2});
    Command(ID_DELETE_SELECTED);
    ASSERT_EQ(1, Rows());
    EXPECT_EQ("B", Cell(0, 0));
    EXPECT_FALSE(g_pItemView->m_deleteOnAccept);
    EXPECT_EQ(0, g_pItemView->Handles().RowOf(1));
}

TEST_F(ItemViewTest, RightClickOnEmptySpaceLeavesNothingToDelete) {
    AddThree();
    Select({});
    ListView_SetSelectionMark(g_pItemView->m_hWnd, 1);
    RECT rc;
    GetClientRect(g_pItemView->m_hWnd, &rc);
    POINT pt = {rc.right - 5, rc.bottom - 5};  // below the three rows
    ClientToScreen(g_pItemView->m_hWnd, &pt);
    SetCursorPos(pt.x, pt.y);
    SetTimer(nullptr, 0, 100, CloseMenu);
    NMHDR hdr = {g_pItemView->m_hWnd, 0, (UINT)NM_RCLICK};
    SendMessageA(GetParent(g_pItemView->m_hWnd), WM_NOTIFY, 0, (LPARAM)&hdr);
    EXPECT_EQ(-1, ListView_GetSelectionMark(g_pItemView->m_hWnd));
    Command(ID_DELETE_SELECTED);
    EXPECT_EQ(3, Rows());
}

TEST_F(ItemViewTest, QualityCellFollowsEveryChangeOfItsHandle) {
    AddThree();
    EXPECT_EQ("UNKNOWN", Cell(0, 4));
    EXPECT_EQ(0, g_pItemView->SetItemValue("1", "Good: Non-specific", 0));
    EXPECT_EQ(0, g_pItemView->SetItemValue("2", "Good: Non-specific", 0));
    EXPECT_EQ("Good: Non-specific", Cell(0, 4));
    EXPECT_EQ(0, g_pItemView->SetItemValue("3", "Bad: Comm Failure", 0));
    EXPECT_EQ("Bad: Comm Failure", Cell(0, 4));
    EXPECT_EQ(0, g_pItemView->SetItemValue("4", "Good: Non-specific", 0));
    EXPECT_EQ("4", Cell(0, 3));
    EXPECT_EQ("Good: Non-specific", Cell(0, 4));
    EXPECT_EQ("UNKNOWN", Cell(1, 4));  // other rows untouched
    // A row that moved up after a removal keeps getting its own quality.
    Select({0});
    Command(ID_DELETE_SELECTED);
    EXPECT_EQ(0, g_pItemView->SetItemValue("5", "Uncertain: Non-specific", 2));
    EXPECT_EQ("C", Cell(1, 0));
    EXPECT_EQ("Uncertain: Non-specific", Cell(1, 4));
    EXPECT_EQ("UNKNOWN", Cell(0, 4));
    // Without a value text only the quality changes.
    EXPECT_EQ(0, g_pItemView->SetItemValue(nullptr, "Bad: Not Connected", 2));
    EXPECT_EQ("5", Cell(1, 3));
    EXPECT_EQ("Bad: Not Connected", Cell(1, 4));
}

TEST_F(ItemViewTest, ClearingStartsHandlesAndRowsAtZero) {
    AddThree();
    EXPECT_EQ(0, g_pItemView->SetItemValue("1", "GOOD", 0));
    g_pItemView->RetireClientHandle();
    SendMessageA(m_h.Frame()->m_hWnd, WM_COMMAND, ID_EDIT_DELETE_ALL, 0);
    EXPECT_EQ(0, Rows());
    EXPECT_EQ(0, g_pItemView->NextClientHandle());
    // A late notification for the old handle 0: its entry names a row that does not exist yet.
    EXPECT_EQ(E_FAIL, g_pItemView->SetItemValue("1", "GOOD", 0));
    g_pItemView->AddItem("D", Result(4, VT_I2, 3));
    EXPECT_EQ("UNKNOWN", Cell(0, 4));
    // Handle 0 is a new item now: its first quality is written even where the old one matched.
    EXPECT_EQ(0, g_pItemView->SetItemValue("1", "GOOD", 0));
    EXPECT_EQ("1", Cell(0, 3));
    EXPECT_EQ("GOOD", Cell(0, 4));
}

TEST_F(ItemViewTest, FindAndSelectIgnoresCase) {
    AddThree();
    EXPECT_TRUE(g_pItemView->FindAndSelect("b"));
    EXPECT_TRUE(g_pItemView->GetListCtrl().GetItemState(1, LVIS_SELECTED));
    EXPECT_FALSE(g_pItemView->FindAndSelect("BB"));
}

TEST_F(ItemViewTest, AddAllPreviewsEveryRowInOrder) {
    AddThree();
    SendMessageA(m_h.Frame()->m_hWnd, WM_COMMAND, ID_EDIT_ADD_ALL, 0);
    EXPECT_EQ(3, ListView_GetSelectedCount(g_pItemView->m_hWnd));
    const VariableModel& model = g_pVariableView->Model();
    ASSERT_EQ(3, model.PendingCount());
    EXPECT_EQ("A", model.Row(0).name);
    EXPECT_EQ("C", model.Row(2).name);
    // Accepting without delete-on-accept keeps the item rows.
    g_pItemView->m_deleteOnAccept = false;
    SendMessageA(m_h.Frame()->m_hWnd, WM_COMMAND, ID_EDIT_ACCEPT, 0);
    EXPECT_EQ(0, g_pVariableView->PendingCount());
    EXPECT_EQ(3, model.RowCount());
    EXPECT_EQ(3, Rows());
}

TEST_F(ItemViewTest, AcceptRemovesTheAcceptedItems) {
    AddThree();
    Select({0, 1});
    g_pItemView->PreviewItems(false);
    EXPECT_EQ(2, g_pVariableView->PendingCount());
    SendMessageA(m_h.Frame()->m_hWnd, WM_COMMAND, ID_EDIT_ACCEPT, 0);
    ASSERT_EQ(1, Rows());
    EXPECT_EQ("C", Cell(0, 0));
    EXPECT_EQ(2, g_pVariableView->Model().RowCount());
}

// Click A, Ctrl+Down to B, the context-menu key, Esc, "Übernehmen": A's variable is taken, and
// A's row goes, although the menu left the selection mark on B.
TEST_F(ItemViewTest, AcceptAfterAKeyboardMenuRemovesTheTakenRowOnly) {
    AddThree();
    Select({0});
    NMHDR hdr = {g_pItemView->m_hWnd, 0, (UINT)NM_CLICK};
    SendMessageA(GetParent(g_pItemView->m_hWnd), WM_NOTIFY, 0, (LPARAM)&hdr);
    ListView_SetItemState(g_pItemView->m_hWnd, 1, LVIS_FOCUSED, LVIS_FOCUSED);
    SetTimer(nullptr, 0, 100, CloseMenu);
    g_pItemView->SendMessage(WM_CONTEXTMENU, (WPARAM)g_pItemView->m_hWnd, -1);
    ASSERT_EQ(1, ListView_GetSelectionMark(g_pItemView->m_hWnd));
    SendMessageA(m_h.Frame()->m_hWnd, WM_COMMAND, ID_EDIT_ACCEPT, 0);
    EXPECT_EQ("A", g_pVariableView->Model().Row(0).address);
    ASSERT_EQ(2, Rows());
    EXPECT_EQ("B", Cell(0, 0));
}

}  // namespace
