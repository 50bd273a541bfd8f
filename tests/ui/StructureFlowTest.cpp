// "Als Struktur hinzufügen" from the item list of the real frame: the real driver dialog, the
// driver object with its elements in the variable list, the export text it gives, and what stays
// open after "Vorschau" until the next click.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Globals.h"
#include "app/MainFrame.h"
#include "common/DialogDriving.h"
#include "common/FrameHarness.h"
#include "framework/Dialog.h"
#include "res/resource.h"
#include "variables/ConversionSettings.h"
#include "variables/VariableView.h"
#include "views/ItemView.h"

namespace {

OPCITEMRESULT Result(OPCHANDLE hServer, VARTYPE vt) {
    OPCITEMRESULT r = {};
    r.hServer = hServer;
    r.vtCanonicalDataType = vt;
    r.dwAccessRights = OPC_READABLE | OPC_WRITEABLE;
    return r;
}

using Texts = std::vector<std::string>;

class StructureFlowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(nullptr, g_pItemView);
        g_pItemView->DeleteAllItems();
    }
    void TearDown() override { CDialog::SetNextInitHook(nullptr); }

    void Add(const char* id, VARTYPE vt = VT_I4) { g_pItemView->AddItem(id, Result(++m_hServer, vt)); }
    void SelectAll() {
        CListCtrl list = g_pItemView->GetListCtrl();
        for (int r = 0; r < list.GetItemCount(); ++r)
            list.SetItemState(r, LVIS_SELECTED, LVIS_SELECTED);
    }
    // Runs the command; drive works the dialog (nothing: it is cancelled when left open).
    void Structure(std::function<void(CDialog&)> drive) {
        m_dialogShown = false;
        CDialog::SetNextInitHook([this, drive](CDialog& dlg) {
            m_dialogShown = true;
            m_dialogPending = g_pVariableView->PendingCount();
            if (drive)
                drive(dlg);
            if (dlg.m_nModalResult == -1)
                Click(dlg, IDCANCEL);
        });
        g_pItemView->SendMessage(WM_COMMAND, ID_ITEM_ADD_AS_STRUCT, 0);
        CDialog::SetNextInitHook(nullptr);
    }
    static void Click(CDialog& dlg, int id) { ClickButton(dlg, id); }
    static void SetText(CDialog& dlg, int id, const char* text) { SetDlgItemTextA(dlg.m_hWnd, id, text); }
    static void Slide(CDialog& dlg, int pos) { SlideTo(dlg, IDC_DRV_OFFSET_SLIDER, pos); }
    static void ChooseKind(CDialog& dlg, int index) { ChooseEntry(dlg, IDC_DRV_KIND, index); }

    Texts ItemRows() const {
        Texts rows;
        for (int i = 0; i < g_pItemView->GetListCtrl().GetItemCount(); ++i)
            rows.push_back(g_pItemView->ItemId(i));
        return rows;
    }
    Texts SelectedItems() const {
        Texts rows;
        CListCtrl list = g_pItemView->GetListCtrl();
        for (int r = list.GetNextItem(-1, LVNI_SELECTED); r >= 0; r = list.GetNextItem(r, LVNI_SELECTED))
            rows.push_back(g_pItemView->ItemId(r));
        return rows;
    }
    Texts VariableNames() const {
        Texts names;
        const VariableModel& model = g_pVariableView->Model();
        for (int i = 0; i < model.RowCount(); ++i)
            names.push_back(model.Row(i).name);
        return names;
    }
    // The export text of the whole variable list (which the export empties).
    std::string Export() const {
        g_pVariableView->ExportAll();
        const ExportText& text = g_pConversionSettings->Text();
        std::string narrow;
        for (size_t i = 0; i < text.TextLength(); ++i)
            narrow += static_cast<char>(text.Text()[i]);
        return narrow;
    }
    int CutBarOffset() const {
        HWND slider = m_h.Frame()->m_wndCutBar.m_sliderOffset.m_hWnd;
        return (int)SendMessageA(slider, TBM_GETPOS, 0, 0);
    }
    std::string Channel() const { return std::to_string(g_nServerIndex + 3); }

    KorvaneIni m_ini{nullptr};
    FrameHarness m_h{"/u2 X"};
    OPCHANDLE m_hServer = 0;
    bool m_dialogShown = false;
    int m_dialogPending = -1;
};

TEST_F(StructureFlowTest, OkBuildsTheObjectAboveItsElementsAndRemovesTheItems) {
    Add("Channel1.Device1.Tag1");
    Add("Channel1.Device1.Tag2", VT_R4);
    Add("Other.X");
    SelectAll();
    // An older preview is gone before the dialog shows.
    g_pItemView->PreviewItems(false);
    ASSERT_EQ(3, g_pVariableView->PendingCount());
    Structure([](CDialog& dlg) {
        SetText(dlg, IDC_DRV_FIRST_OFFSET, "10");
        Click(dlg, IDOK);
    });
    ASSERT_TRUE(m_dialogShown);
    EXPECT_EQ(0, m_dialogPending);
    EXPECT_FALSE(g_pConversionSettings->IsDriverOpen());
    EXPECT_EQ(0, g_pVariableView->PendingCount());
    EXPECT_EQ((Texts{"Channel1", "Tag1", "Tag2"}), VariableNames());
    const VariableModel& model = g_pVariableView->Model();
    EXPECT_EQ(14u, model.Row(0).record.size);
    EXPECT_EQ(10, model.Row(1).record.offset);
    EXPECT_EQ(12, model.Row(2).record.offset);
    // The item outside the object's prefix made no element and stays in the list, deselected.
    EXPECT_EQ(Texts{"Other.X"}, ItemRows());
    EXPECT_TRUE(SelectedItems().empty());
    // The dialog put the cut offset at the last '.', and the bar shows it.
    EXPECT_EQ(16, g_pConversionSettings->CutOffset());
    EXPECT_EQ(16, CutBarOffset());
    EXPECT_EQ("\r\n$T0 Channel1 \"\" " + Channel() +
                  " \"Channel1.Device1.\" 14 2 1 #\r\n"
                  "$V3 Tag1 \"\" Channel1 10 1 1 1 #\r\n"
                  "$V2 Tag2 \"\" Channel1 12 1 1 1 #\r\n",
              Export());
}

TEST_F(StructureFlowTest, ShorterAddressNamesTheElementsByTheRestOfTheirIds) {
    Add("Channel1.Device1.Tag1");
    Add("Channel1.Device1.Tag2");
    SelectAll();
    Structure([](CDialog& dlg) {
        Slide(dlg, 3);
        Click(dlg, IDOK);
    });
    EXPECT_EQ((Texts{"Channel1", "Device1.Tag1", "Device1.Tag2"}), VariableNames());
    EXPECT_EQ("Channel1.", g_pVariableView->Model().Row(0).address);
    EXPECT_EQ(3, CutBarOffset());
    EXPECT_TRUE(ItemRows().empty());
}

TEST_F(StructureFlowTest, EmptyDriverTextIsWrittenAsEmptyQuotes) {
    Add("Line.Pic1", VT_I2);
    SelectAll();
    Structure([](CDialog& dlg) {
        ChooseKind(dlg, 2);  // Bild, its picture name left empty
        SetText(dlg, IDC_DRV_NAME, "Bild1");
        Click(dlg, IDOK);
    });
    EXPECT_EQ("\r\n$T2 Bild1 \"\" " + Channel() +
                  " \"Line.\" 1 2 1 \"\" #\r\n"
                  "$V1 Pic1 \"\" Bild1 0 1 1 1 #\r\n",
              Export());
}

TEST_F(StructureFlowTest, PreviewKeepsTheObjectOpenUntilTheNextClick) {
    Add("Channel1.Device1.Tag1");
    Add("Channel1.Device1.Tag2");
    SelectAll();
    Structure([](CDialog& dlg) { Click(dlg, IDC_DRV_PREVIEW); });
    EXPECT_TRUE(g_pConversionSettings->IsDriverOpen());
    EXPECT_EQ(2, g_pVariableView->PendingCount());
    EXPECT_EQ((Texts{"Tag1", "Tag2"}), VariableNames());
    EXPECT_EQ(2u, ItemRows().size());
    // A click in the item list drops the object; the selection is shown as plain variables.
    NMHDR hdr = {g_pItemView->m_hWnd, 0, (UINT)NM_CLICK};
    SendMessageA(GetParent(g_pItemView->m_hWnd), WM_NOTIFY, 0, (LPARAM)&hdr);
    EXPECT_FALSE(g_pConversionSettings->IsDriverOpen());
    EXPECT_EQ(2, g_pVariableView->PendingCount());
    for (int row = 0; row < 2; ++row)
        EXPECT_EQ(KindSingle, g_pVariableView->Model().Row(row).record.kind);
    // Cut by the offset the dialog left: 16, at the last '.'.
    EXPECT_EQ((Texts{"Tag1", "Tag2"}), VariableNames());
}

TEST_F(StructureFlowTest, NoElementLeavesTheObjectOpenAndTheItemListed) {
    // The address is the whole ID up to its last '.', which leaves no element name.
    Add("Area.Tag.");
    SelectAll();
    Structure([](CDialog& dlg) { Click(dlg, IDOK); });
    ASSERT_TRUE(m_dialogShown);
    EXPECT_TRUE(g_pConversionSettings->IsDriverOpen());
    EXPECT_EQ(0, g_pVariableView->Model().RowCount());
    EXPECT_EQ(Texts{"Area.Tag."}, ItemRows());
    EXPECT_TRUE(SelectedItems().empty());
    // Converted meanwhile by another command, an item becomes an element of the open object.
    Add("Area.Tag.X");
    CListCtrl list = g_pItemView->GetListCtrl();
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    g_pItemView->PreviewItems(false);
    ASSERT_EQ(1, g_pVariableView->PendingCount());
    EXPECT_EQ("X", g_pVariableView->Model().Row(0).name);
    EXPECT_EQ(KindElement, g_pVariableView->Model().Row(0).record.kind);
}

TEST_F(StructureFlowTest, FailedItemStaysListedWhenTheSelectionMarkIsOnIt) {
    Add("Channel1.Device1.Tag1");
    Add("Other.X");
    SelectAll();
    ListView_SetSelectionMark(g_pItemView->m_hWnd, 1);  // the last click went to the foreign item
    Structure([](CDialog& dlg) { Click(dlg, IDOK); });
    EXPECT_EQ((Texts{"Channel1", "Tag1"}), VariableNames());
    EXPECT_EQ(Texts{"Other.X"}, ItemRows());
}

TEST_F(StructureFlowTest, OffsetBeyondKorvaneNumbersOrAnObjectStillOpenConvertsNothing) {
    Add("Channel1.Device1.Tag1");
    SelectAll();
    int resultAfterOk = 0;
    Structure([&](CDialog& dlg) {
        SetText(dlg, IDC_DRV_FIRST_OFFSET, "2147483648");
        Click(dlg, IDOK);
        resultAfterOk = dlg.m_nModalResult;
    });
    EXPECT_EQ(-1, resultAfterOk);  // the dialog stayed open
    ASSERT_EQ(1u, m_h.Boxes().size());
    EXPECT_EQ("Geben Sie bitte eine positive ganze Zahl ein.", m_h.Boxes()[0].text);
    EXPECT_EQ(0, g_pVariableView->Model().RowCount());
    // An object left open refuses the next one: its items are not made into anything.
    Structure([](CDialog& dlg) { Click(dlg, IDC_DRV_PREVIEW); });
    ASSERT_TRUE(g_pConversionSettings->IsDriverOpen());
    Structure([](CDialog& dlg) { Click(dlg, IDOK); });
    EXPECT_EQ(0, g_pVariableView->Model().RowCount());
    EXPECT_EQ(Texts{"Channel1.Device1.Tag1"}, ItemRows());
}

TEST_F(StructureFlowTest, CancelPutsTheCutSettingsBackToWhatTheBarShows) {
    Add("Channel1.Device1.Tag1");
    SelectAll();
    Structure([](CDialog& dlg) {
        CheckDlgButton(dlg.m_hWnd, IDC_DRV_SPLIT, BST_UNCHECKED);
        Slide(dlg, 9);
        Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(3, g_pConversionSettings->CutOffset());
    EXPECT_EQ(3, CutBarOffset());
    EXPECT_TRUE(g_pConversionSettings->IsSplitAtSeparator());
}

TEST_F(StructureFlowTest, CancelOrNoSelectionChangesNothing) {
    Add("Channel1.Device1.Tag1");
    Structure(nullptr);
    EXPECT_FALSE(m_dialogShown);
    SelectAll();
    Structure(nullptr);  // cancelled
    EXPECT_TRUE(m_dialogShown);
    EXPECT_FALSE(g_pConversionSettings->IsDriverOpen());
    EXPECT_EQ(0, g_pVariableView->Model().RowCount());
    EXPECT_EQ(Texts{"Channel1.Device1.Tag1"}, ItemRows());
}

}  // namespace
