// The ItemID cut bar in the real frame: start values, ranges, and live renaming of the preview.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/Globals.h"
#include "common/DialogDriving.h"
#include "common/FrameHarness.h"
#include "res/resource.h"
#include "variables/ConversionSettings.h"
#include "variables/VariableView.h"
#include "views/ItemView.h"

namespace {

class CutBarTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_h.Idle();  // the bar sets its sliders up from a posted message
        m_bar = &m_h.Frame()->m_wndCutBar;
    }
    HWND Slider(int id) { return m_bar->GetDlgItem(id); }
    std::string Label(int id) {
        char text[16] = {};
        GetDlgItemTextA(m_bar->m_hWnd, id, text, sizeof(text));
        return text;
    }
    // Moves a slider the way the user's drag does: new position, then the scroll notification.
    void Move(int id, int pos) {
        SendMessageA(Slider(id), TBM_SETPOS, TRUE, pos);
        m_bar->SendMessage(WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, pos), (LPARAM)Slider(id));
    }
    int Pos(int id) { return (int)SendMessageA(Slider(id), TBM_GETPOS, 0, 0); }

    KorvaneIni m_ini{nullptr};
    FrameHarness m_h{"/u2 X"};
    CCutBar* m_bar = nullptr;
};

TEST_F(CutBarTest, StartsAtOffsetThreeAndLengthEighteen) {
    EXPECT_EQ(3, Pos(IDC_CUT_OFFSET_SLIDER));
    EXPECT_EQ(18, Pos(IDC_CUT_LENGTH_SLIDER));
    EXPECT_EQ("3", Label(IDC_CUT_OFFSET_VALUE));
    EXPECT_EQ("18", Label(IDC_CUT_LENGTH_VALUE));
    EXPECT_EQ(3, g_pConversionSettings->CutOffset());
    EXPECT_EQ(18, g_pConversionSettings->CutLength());
}

TEST_F(CutBarTest, SlidersStayInsideTheirRanges) {
    Move(IDC_CUT_LENGTH_SLIDER, 2);
    EXPECT_EQ(3, Pos(IDC_CUT_LENGTH_SLIDER));
    Move(IDC_CUT_LENGTH_SLIDER, 19);
    EXPECT_EQ(18, Pos(IDC_CUT_LENGTH_SLIDER));
    Move(IDC_CUT_OFFSET_SLIDER, 120);
    EXPECT_EQ(98, Pos(IDC_CUT_OFFSET_SLIDER));
    EXPECT_EQ(98, g_pConversionSettings->CutOffset());
    EXPECT_EQ("98", Label(IDC_CUT_OFFSET_VALUE));
}

TEST_F(CutBarTest, MovingWithoutSelectionChangesSettingsAndRenamesNothing) {
    g_pItemView->DeleteAllItems();
    Move(IDC_CUT_LENGTH_SLIDER, 5);
    EXPECT_EQ(5, g_pConversionSettings->CutLength());
    EXPECT_EQ("5", Label(IDC_CUT_LENGTH_VALUE));
    EXPECT_FALSE(g_pVariableView->HasVariables());
}

TEST_F(CutBarTest, OffsetSliderRenamesBothSelectedPreviewRows) {
    g_pItemView->DeleteAllItems();
    OPCITEMRESULT r = {};
    r.vtCanonicalDataType = VT_I4;
    r.dwAccessRights = 3;
    g_pItemView->AddItem("Channel1.Device1.Tag1", r);
    g_pItemView->AddItem("Channel1.Device1.Tag2", r);
    SendMessageA(m_h.Frame()->m_hWnd, WM_COMMAND, ID_EDIT_ADD_ALL, 0);
    const VariableModel& model = g_pVariableView->Model();
    ASSERT_EQ(2, model.PendingCount());
    EXPECT_EQ("Device1.Tag1", model.Row(0).name);
    Move(IDC_CUT_OFFSET_SLIDER, 9);
    EXPECT_EQ("Tag1", model.Row(0).name);
    EXPECT_EQ("Tag2", model.Row(1).name);
    EXPECT_EQ(2, model.PendingCount());
}

TEST_F(CutBarTest, OffsetSliderRenamesEachPreviewRowFromItsOwnItemAndNoCommittedRow) {
    g_pItemView->DeleteAllItems();
    VariableRecord committed;
    committed.kind = KindSingle;
    g_pVariableView->AddVariable("Keep", "Channel1.Device1.Keep", committed);
    g_pVariableView->Commit();
    OPCITEMRESULT r = {};
    r.vtCanonicalDataType = VT_I4;
    r.dwAccessRights = 3;
    g_pItemView->AddItem("Channel1.Device1.Tag1", r);
    r.vtCanonicalDataType = VT_ARRAY | VT_I2;
    g_pItemView->AddItem("Channel1.Device1.Arr", r);
    r.vtCanonicalDataType = VT_I4;
    g_pItemView->AddItem("Channel1.Device1.Tag2", r);
    CDialog::SetNextInitHook([](CDialog& dlg) { ClickButton(dlg, IDCANCEL); });  // no array size
    SendMessageA(m_h.Frame()->m_hWnd, WM_COMMAND, ID_EDIT_ADD_ALL, 0);
    const VariableModel& model = g_pVariableView->Model();
    ASSERT_EQ(2, model.PendingCount());
    Move(IDC_CUT_OFFSET_SLIDER, 9);
    ASSERT_EQ(3, model.RowCount());
    EXPECT_EQ("Tag1", model.Row(0).name);
    EXPECT_EQ("Tag2", model.Row(1).name);
    EXPECT_EQ("Keep", model.Row(2).name);
}

// The same items at the same settings get the same names, whatever cuts the preview went through.
TEST_F(CutBarTest, PreviewNamesDoNotDependOnTheSlidersPath) {
    g_pItemView->DeleteAllItems();
    OPCITEMRESULT r = {};
    r.vtCanonicalDataType = VT_I4;
    g_pItemView->AddItem("Plant.Tank.Level", r);
    g_pItemView->AddItem("Tank.Level", r);
    const VariableModel& model = g_pVariableView->Model();
    for (int start : {6, 0}) {
        Move(IDC_CUT_OFFSET_SLIDER, start);
        SendMessageA(m_h.Frame()->m_hWnd, WM_COMMAND, ID_EDIT_ADD_ALL, 0);
        for (int offset : {6, 7}) {  // both cut "Level" out of either ID
            Move(IDC_CUT_OFFSET_SLIDER, offset);
            ASSERT_EQ(2, model.PendingCount());
            EXPECT_EQ("Level", model.Row(0).name) << start << " " << offset;
            EXPECT_EQ("Level_1", model.Row(1).name) << start << " " << offset;
        }
    }
}

TEST_F(CutBarTest, SyncShowsTheSettingsAfterTheyChangedElsewhere) {
    g_pConversionSettings->SetCutOffset(16);
    m_h.Frame()->SyncCutBar();
    EXPECT_EQ(16, Pos(IDC_CUT_OFFSET_SLIDER));
    EXPECT_EQ("16", Label(IDC_CUT_OFFSET_VALUE));
    EXPECT_EQ(18, Pos(IDC_CUT_LENGTH_SLIDER));
}

}  // namespace
