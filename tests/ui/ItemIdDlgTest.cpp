// The Item ID dialog from its real template: the text in and out, the 128-character limit of the
// edit while typing, and the standard validation message for a longer text.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/ItemIdDlg.h"
#include "framework/WinApp.h"
#include "res/resource.h"

namespace {

class ItemIdDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMessageBoxHook([this](HWND, const char* text, const char*, UINT) {
            m_boxes.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override { SetMessageBoxHook(nullptr); }
    HWND Edit() const { return GetDlgItem(m_dlg.m_hWnd, IDC_ITEMID_EDIT); }
    std::string EditText() const {
        char buffer[512] = {};
        GetWindowTextA(Edit(), buffer, sizeof(buffer));
        return buffer;
    }
    void Type(char c, int times) {
        for (int i = 0; i < times; ++i)
            SendMessageA(Edit(), WM_CHAR, (WPARAM)c, 1);
    }
    void Press(int id) { SendMessageA(m_dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    CItemIdDlg m_dlg;
    std::vector<std::string> m_boxes;
};

TEST_F(ItemIdDlgTest, OpensEmptyWithTheItemIdTemplate) {
    EXPECT_EQ("", m_dlg.m_itemId);
    ASSERT_TRUE(m_dlg.Create(nullptr));
    EXPECT_EQ("Item ID", m_dlg.GetWindowText());
    EXPECT_FALSE(GetWindowLongA(m_dlg.m_hWnd, GWL_STYLE) & WS_SYSMENU);
    EXPECT_EQ("", EditText());
}

TEST_F(ItemIdDlgTest, ShowsThePresetTextAndReturnsTheEditedOneOnOk) {
    m_dlg.m_itemId = "Channel1.Device1.Counter";
    ASSERT_TRUE(m_dlg.Create(nullptr));
    EXPECT_EQ("Channel1.Device1.Counter", EditText());
    SetWindowTextA(Edit(), "Channel1.Device1.Level");
    Press(IDOK);
    EXPECT_EQ(IDOK, m_dlg.m_nModalResult);
    EXPECT_EQ("Channel1.Device1.Level", m_dlg.m_itemId);
}

TEST_F(ItemIdDlgTest, CancelLeavesTheTextAlone) {
    m_dlg.m_itemId = "A.B";
    ASSERT_TRUE(m_dlg.Create(nullptr));
    SetWindowTextA(Edit(), "changed");
    Press(IDCANCEL);
    EXPECT_EQ(IDCANCEL, m_dlg.m_nModalResult);
    EXPECT_EQ("A.B", m_dlg.m_itemId);
}

TEST_F(ItemIdDlgTest, TypingStopsAtTheHundredTwentyEighthCharacter) {
    ASSERT_TRUE(m_dlg.Create(nullptr));
    Type('a', 128);
    EXPECT_EQ(std::string(128, 'a'), EditText());
    Type('b', 1);  // the 129th is refused by the edit
    EXPECT_EQ(std::string(128, 'a'), EditText());
    Press(IDOK);
    EXPECT_EQ(std::string(128, 'a'), m_dlg.m_itemId);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(ItemIdDlgTest, LongerTextIsRefusedOnOkWithTheStandardMessage) {
    m_dlg.m_itemId = "kept";
    ASSERT_TRUE(m_dlg.Create(nullptr));
    SetWindowTextA(Edit(), std::string(129, 'x').c_str());  // not typed: the limit does not apply
    Press(IDOK);
    ASSERT_EQ(1u, m_boxes.size());
    EXPECT_EQ("Geben Sie bitte nicht mehr als 128 Zeichen ein.", m_boxes[0]);
    EXPECT_EQ(-1, m_dlg.m_nModalResult);  // still open
    EXPECT_EQ(Edit(), GetFocus());
}

TEST_F(ItemIdDlgTest, ModalDialogEndsWithOkAndTheText) {
    m_dlg.m_itemId = "Tank.Level";
    std::string shown;
    CDialog::SetNextInitHook([&](CDialog& dlg) {
        char buffer[256] = {};
        GetDlgItemTextA(dlg.m_hWnd, IDC_ITEMID_EDIT, buffer, sizeof(buffer));
        shown = buffer;
        SetDlgItemTextA(dlg.m_hWnd, IDC_ITEMID_EDIT, "Tank.Valve");
        dlg.PostMessage(WM_COMMAND, IDOK);
    });
    EXPECT_EQ(IDOK, m_dlg.DoModal());
    EXPECT_EQ("Tank.Level", shown);
    EXPECT_EQ("Tank.Valve", m_dlg.m_itemId);
}

}  // namespace
