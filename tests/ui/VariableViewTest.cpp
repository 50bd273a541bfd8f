// The variable list and the conversion dialogs in the real frame: preview, pending colour,
// array and unknown-type questions, the type table, name editing and deletion.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/Globals.h"
#include "common/FrameHarness.h"
#include "framework/Dialog.h"
#include "res/resource.h"
#include "variables/ConversionSettings.h"
#include "variables/TypeDialogs.h"
#include "variables/VariableView.h"
#include "views/ItemView.h"

namespace {

OPCITEMRESULT Result(VARTYPE vt, DWORD access) {
    OPCITEMRESULT r = {};
    r.hServer = 1;
    r.vtCanonicalDataType = vt;
    r.dwAccessRights = access;
    return r;
}

class VariableViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_pItemView->DeleteAllItems();
        g_nServerIndex = 0;
    }
    // Adds one item row and previews it as a click on the list would.
    void PreviewItem(const char* itemId, VARTYPE vt, DWORD access = 3) {
        g_pItemView->AddItem(itemId, Result(vt, access));
        CListCtrl list = g_pItemView->GetListCtrl();
        int row = list.GetItemCount() - 1;
        list.SetItemState(-1, 0, LVIS_SELECTED);
        list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
        NMHDR hdr = {g_pItemView->m_hWnd, 0, (UINT)NM_CLICK};
        SendMessageA(GetParent(g_pItemView->m_hWnd), WM_NOTIFY, 0, (LPARAM)&hdr);
    }
    const VariableModel& Model() { return g_pVariableView->Model(); }
    std::string Text(int row, int col) { return Model().CellText(row, col); }
    static void Click(CDialog& dlg, int id) {
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)dlg.GetDlgItem(id));
    }

    KorvaneIni m_ini{nullptr};
    FrameHarness m_h{"/u2 X"};
};

TEST_F(VariableViewTest, ClickPreviewsThePendingRowWithItsColumns) {
    PreviewItem("Channel1.Device1.Tag1", VT_R4);
    ASSERT_EQ(1, Model().PendingCount());
    EXPECT_EQ(1, ListView_GetItemCount(g_pVariableView->m_hWnd));
    const char* expected[] = {"Device1.Tag1", "Channel1.Device1.Tag1", "Kombiniert", "1", "Float", "1", "1"};
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(expected[c], Text(0, c)) << c;
    // A second click replaces the preview instead of adding to it.
    NMHDR hdr = {g_pItemView->m_hWnd, 0, (UINT)NM_CLICK};
    SendMessageA(GetParent(g_pItemView->m_hWnd), WM_NOTIFY, 0, (LPARAM)&hdr);
    EXPECT_EQ(1, Model().RowCount());
}

TEST_F(VariableViewTest, BatchShowsItsRowsOnceWhenTheOutermostBatchCloses) {
    VariableRecord record;
    record.kind = KindSingle;
    record.type = KrWord;
    {
        CVariableView::Batch outer(g_pVariableView);
        {
            CVariableView::Batch inner(g_pVariableView);
            g_pVariableView->AddVariable("A", "X.A", record);
            g_pVariableView->AddVariable("B", "X.B", record);
        }
        EXPECT_EQ(0, ListView_GetItemCount(g_pVariableView->m_hWnd));
        g_pVariableView->Commit();
    }
    EXPECT_EQ(2, ListView_GetItemCount(g_pVariableView->m_hWnd));
    // Outside a batch every change shows at once.
    g_pVariableView->AddVariable("C", "X.C", record);
    EXPECT_EQ(3, ListView_GetItemCount(g_pVariableView->m_hWnd));
}

TEST_F(VariableViewTest, SecondServerEntryGivesChannelFourAndDeviceTwo) {
    g_nServerIndex = 1;
    PreviewItem("Line.Speed", VT_I2, OPC_READABLE);
    EXPECT_EQ("Nur Lesen", Text(0, 2));
    EXPECT_EQ("2", Text(0, 6));
    EXPECT_EQ(4, Model().Row(0).record.channel);
}

TEST_F(VariableViewTest, PendingRowsAreDrawnBlueCommittedOnesNot) {
    PreviewItem("A.B", VT_I2);
    g_pVariableView->Commit();
    PreviewItem("A.C", VT_I2);
    ASSERT_EQ(2, Model().RowCount());
    NMLVCUSTOMDRAW draw = {};
    draw.nmcd.hdr = {g_pVariableView->m_hWnd, 0, (UINT)NM_CUSTOMDRAW};
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    HWND parent = GetParent(g_pVariableView->m_hWnd);
    EXPECT_EQ(CDRF_NOTIFYITEMDRAW, SendMessageA(parent, WM_NOTIFY, 0, (LPARAM)&draw));
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    for (int row = 0; row < 2; ++row) {
        draw.nmcd.dwItemSpec = row;
        draw.clrText = 0x123456;
        EXPECT_EQ(CDRF_DODEFAULT, SendMessageA(parent, WM_NOTIFY, 0, (LPARAM)&draw));
        EXPECT_EQ(row == 0 ? 0xFF0000u : 0x123456u, draw.clrText) << row;
    }
}

TEST_F(VariableViewTest, ArrayDialogRefusesTextAndTakesAnArrayAsDriverObject) {
    std::vector<FrameHarness::Box> seen;
    CDialog::SetNextInitHook([&](CDialog& dlg) {
        SetDlgItemTextA(dlg.m_hWnd, IDC_ARRAY_SIZE, "abc");
        Click(dlg, IDOK);  // refused: the dialog stays
        seen = m_h.Boxes();
        SetDlgItemTextA(dlg.m_hWnd, IDC_ARRAY_SIZE, "10");
        CheckDlgButton(dlg.m_hWnd, IDC_ARRAY_AS_DRIVER, BST_CHECKED);
        Click(dlg, IDOK);
    });
    PreviewItem("PLC.Block", VT_ARRAY | VT_R4);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("Geben Sie bitte eine positive ganze Zahl ein.", seen[0].text);
    ASSERT_EQ(1, Model().RowCount());
    EXPECT_EQ("Treiber", Text(0, 4));
    EXPECT_EQ("20", Text(0, 5));
}

TEST_F(VariableViewTest, CancelledArrayDialogAddsNothing) {
    CDialog::SetNextInitHook([](CDialog& dlg) { Click(dlg, IDCANCEL); });
    PreviewItem("PLC.Block", VT_ARRAY | VT_I2);
    EXPECT_EQ(0, Model().RowCount());
}

TEST_F(VariableViewTest, UnknownTypeDialogNeedsAChoiceBeforeOk) {
    std::string question;
    bool okBefore = true, okAfter = false;
    CDialog::SetNextInitHook([&](CDialog& dlg) {
        char text[512] = {};
        GetDlgItemTextA(dlg.m_hWnd, IDC_UNKNOWN_QUESTION, text, sizeof(text));
        question = text;
        okBefore = IsWindowEnabled(dlg.GetDlgItem(IDOK));
        CheckRadioButton(dlg.m_hWnd, IDC_UNKNOWN_LONG, IDC_UNKNOWN_WORD, IDC_UNKNOWN_LONG);
        Click(dlg, IDC_UNKNOWN_LONG);
        okAfter = IsWindowEnabled(dlg.GetDlgItem(IDOK));
        Click(dlg, IDOK);
    });
    PreviewItem("Plant.When", VT_DATE);
    EXPECT_EQ(
        "F\xfcr den Datentyp 'VT_DATE' existiert kein standart Korvane Typ. \r\nBitte w\xe4hlen sie einen Datentypen "
        "f\xfcr den 'worst case'.",
        question);
    EXPECT_FALSE(okBefore);
    EXPECT_TRUE(okAfter);
    ASSERT_EQ(1, Model().RowCount());
    EXPECT_EQ("Long", Text(0, 4));
}

TEST_F(VariableViewTest, TypeConversionDialogListsTheFixedTable) {
    int rows = 0, unknown = 0;
    std::string first;
    CDialog::SetNextInitHook([&](CDialog& dlg) {
        CListCtrl list(dlg.GetDlgItem(IDC_TYPEMAP_LIST));
        rows = list.GetItemCount();
        for (int r = 0; r < rows; ++r)
            unknown += list.GetItemText(r, 1) == "Typ unbekannt";
        first = list.GetItemText(2, 0) + "=" + list.GetItemText(2, 1);
        Click(dlg, IDOK);
    });
    SendMessageA(m_h.Frame()->m_hWnd, WM_COMMAND, ID_OPTIONS_TYPE_CONVERSION, 0);
    EXPECT_EQ(23, rows);
    EXPECT_EQ(10, unknown);
    EXPECT_EQ("VT_I1=Word", first);
}

TEST_F(VariableViewTest, EditNameTakes23CharactersAndRefuses24) {
    PreviewItem("A.Name", VT_I4);
    g_pVariableView->Commit();
    ListView_SetSelectionMark(g_pVariableView->m_hWnd, 0);
    std::string prefilled;
    CDialog::SetNextInitHook([&](CDialog& dlg) {
        char text[64] = {};
        GetDlgItemTextA(dlg.m_hWnd, IDC_VARNAME_EDIT, text, sizeof(text));
        prefilled = text;
        SetDlgItemTextA(dlg.m_hWnd, IDC_VARNAME_EDIT, std::string(23, 'x').c_str());
        Click(dlg, IDOK);
    });
    g_pVariableView->SendMessage(WM_COMMAND, ID_VARIABLE_EDIT_NAME);
    EXPECT_EQ("Name", prefilled);
    EXPECT_EQ(std::string(23, 'x'), Text(0, 0));
    CDialog::SetNextInitHook([&](CDialog& dlg) {
        SetDlgItemTextA(dlg.m_hWnd, IDC_VARNAME_EDIT, std::string(24, 'y').c_str());
        Click(dlg, IDOK);
    });
    g_pVariableView->SendMessage(WM_COMMAND, ID_VARIABLE_EDIT_NAME);
    EXPECT_EQ(std::string(23, 'x'), Text(0, 0));
    ASSERT_FALSE(m_h.Boxes().empty());
    EXPECT_EQ("Variablenname zu lang!", m_h.Boxes().back().text);
}

TEST_F(VariableViewTest, DeleteRemovesTheSelectedRowsAndClickDiscardsThePreview) {
    PreviewItem("A.One", VT_I4);
    g_pVariableView->Commit();
    PreviewItem("A.Two", VT_I4);
    g_pVariableView->Commit();
    PreviewItem("A.Three", VT_I4);
    ASSERT_EQ(3, Model().RowCount());
    NMHDR hdr = {g_pVariableView->m_hWnd, 0, (UINT)NM_CLICK};
    SendMessageA(GetParent(g_pVariableView->m_hWnd), WM_NOTIFY, 0, (LPARAM)&hdr);
    ASSERT_EQ(2, Model().RowCount());
    EXPECT_EQ(0, Model().PendingCount());
    ListView_SetItemState(g_pVariableView->m_hWnd, 1, LVIS_SELECTED, LVIS_SELECTED);
    g_pVariableView->SendMessage(WM_COMMAND, ID_DELETE_SELECTED);
    ASSERT_EQ(1, Model().RowCount());
    EXPECT_EQ("Two", Text(0, 0));
    SendMessageA(m_h.Frame()->m_hWnd, WM_COMMAND, ID_EDIT_DELETE_ALL_VARIABLES, 0);
    EXPECT_FALSE(g_pVariableView->HasVariables());
}

TEST_F(VariableViewTest, SelectionStaysOnTheSameVariablesWhenRowsAboveComeAndGo) {
    for (const char* id : {"A.One", "A.Two", "A.Three"}) {
        PreviewItem(id, VT_I4);
        g_pVariableView->Commit();
    }
    HWND list = g_pVariableView->m_hWnd;
    ASSERT_EQ("Two", Text(1, 0));
    ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(list, 1);
    PreviewItem("A.Four", VT_I4);  // a pending row above it
    EXPECT_EQ(2, ListView_GetNextItem(list, -1, LVNI_SELECTED));
    EXPECT_EQ(2, ListView_GetNextItem(list, -1, LVNI_FOCUSED));
    EXPECT_EQ(2, ListView_GetSelectionMark(list));
    NMHDR hdr = {list, 0, (UINT)NM_CLICK};
    SendMessageA(GetParent(list), WM_NOTIFY, 0, (LPARAM)&hdr);  // the preview goes
    EXPECT_EQ(1, ListView_GetNextItem(list, -1, LVNI_SELECTED));
    g_pVariableView->SendMessage(WM_COMMAND, ID_DELETE_SELECTED);
    ASSERT_EQ(2, Model().RowCount());
    EXPECT_EQ("Three", Text(0, 0));
    EXPECT_EQ("One", Text(1, 0));
}

TEST_F(VariableViewTest, ColumnsCarryTheirGermanHeaders) {
    const wchar_t* headers[] = {L"Variabelen Name", L"Adresse/Treiber", L"Attribut", L"Abtastzyklus",
                                L"KRType",          L"L\u00e4nge",      L"U"};
    for (int c = 0; c < 7; ++c) {
        wchar_t text[64] = {};
        LVCOLUMNW col = {};
        col.mask = LVCF_TEXT;
        col.pszText = text;
        col.cchTextMax = 64;
        SendMessageW(g_pVariableView->m_hWnd, LVM_GETCOLUMNW, c, (LPARAM)&col);
        EXPECT_STREQ(headers[c], text);
    }
}

}  // namespace
