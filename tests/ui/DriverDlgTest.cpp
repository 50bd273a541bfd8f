// The driver selection dialog, run modally in the real frame: the values it opens with for an item
// ID, the live address preview from the slider and the offset number, the per-kind middle part,
// the standard validation messages and the three ways out.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Globals.h"
#include "common/DialogDriving.h"
#include "common/FrameHarness.h"
#include "framework/Dialog.h"
#include "res/resource.h"
#include "variables/ConversionSettings.h"
#include "variables/DriverDlg.h"

namespace {

const char kTagId[] = "Channel1.Device1.Tag1";

class DriverDlgTest : public ::testing::Test {
  protected:
    // Runs the dialog for itemId; body drives it once it is up. A dialog that body leaves open is
    // cancelled, so a failing test cannot hang.
    INT_PTR Run(const char* itemId, std::function<void(CDialog&)> body) {
        m_dlg.m_itemId = itemId;
        CDialog::SetNextInitHook([body](CDialog& dlg) {
            body(dlg);
            if (dlg.m_nModalResult == -1)
                Click(dlg, IDCANCEL);
        });
        return m_dlg.DoModal();
    }
    static void Click(CDialog& dlg, int id) { ClickButton(dlg, id); }
    static std::string Text(CDialog& dlg, int id) {
        char text[256] = {};
        GetDlgItemTextA(dlg.m_hWnd, id, text, sizeof(text));
        return text;
    }
    static void SetText(CDialog& dlg, int id, const std::string& text) {
        SetDlgItemTextA(dlg.m_hWnd, id, text.c_str());
    }
    static bool Enabled(CDialog& dlg, int id) { return IsWindowEnabled(dlg.GetDlgItem(id)) != FALSE; }
    static int SliderPos(CDialog& dlg) {
        return (int)SendDlgItemMessageA(dlg.m_hWnd, IDC_DRV_OFFSET_SLIDER, TBM_GETPOS, 0, 0);
    }
    static void Slide(CDialog& dlg, int pos) { SlideTo(dlg, IDC_DRV_OFFSET_SLIDER, pos); }
    static void ChooseKind(CDialog& dlg, int index) { ChooseEntry(dlg, IDC_DRV_KIND, index); }
    static std::string ComboText(CDialog& dlg, int id, int index) {
        char text[64] = {};
        SendDlgItemMessageA(dlg.m_hWnd, id, CB_GETLBTEXT, index, (LPARAM)text);
        return text;
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const FrameHarness::Box& box : m_h.Boxes())
            texts.push_back(box.text);
        return texts;
    }
    ConversionSettings& Settings() { return *g_pConversionSettings; }

    KorvaneIni m_ini{nullptr};
    FrameHarness m_h{"/u2 X"};
    CDriverDlg m_dlg;
};

// --- Opening -------------------------------------------------------------------------------------

TEST_F(DriverDlgTest, OpensWithNameAndAddressCutFromTheItemId) {
    INT_PTR result = Run(kTagId, [&](CDialog& dlg) {
        EXPECT_EQ("Treiberauswahl", dlg.GetWindowText());
        EXPECT_EQ("Channel1", Text(dlg, IDC_DRV_NAME));
        EXPECT_EQ("Channel1.Device1.", Text(dlg, IDC_DRV_PREFIX));
        EXPECT_EQ("16", Text(dlg, IDC_DRV_OFFSET));
        EXPECT_EQ(16, SliderPos(dlg));
        EXPECT_EQ(98, SendDlgItemMessageA(dlg.m_hWnd, IDC_DRV_OFFSET_SLIDER, TBM_GETRANGEMAX, 0, 0));
        EXPECT_EQ(16, Settings().CutOffset());
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dlg.m_hWnd, IDC_DRV_SPLIT));
        EXPECT_EQ("1", Text(dlg, IDC_DRV_CYCLE));
        EXPECT_EQ("0", Text(dlg, IDC_DRV_FIRST_OFFSET));
        EXPECT_EQ("", Text(dlg, IDC_DRV_TEXT_LABEL));  // the resource's "Kommentar" is replaced
        EXPECT_FALSE(Enabled(dlg, IDC_DRV_TEXT_LABEL));
        EXPECT_FALSE(Enabled(dlg, IDC_DRV_TEXT));
        EXPECT_EQ(4, SendDlgItemMessageA(dlg.m_hWnd, IDC_DRV_KIND, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(0, SendDlgItemMessageA(dlg.m_hWnd, IDC_DRV_KIND, CB_GETCURSEL, 0, 0));
        EXPECT_EQ("Abtast", ComboText(dlg, IDC_DRV_KIND, 3));
        EXPECT_EQ(2, SendDlgItemMessageA(dlg.m_hWnd, IDC_DRV_ACCESS, CB_GETCURSEL, 0, 0));
        EXPECT_EQ("Kombiniert", ComboText(dlg, IDC_DRV_ACCESS, 2));
        EXPECT_EQ("1x Lesen", ComboText(dlg, IDC_DRV_ACCESS, 3));
        Click(dlg, IDOK);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(0, m_dlg.m_kind);
    EXPECT_EQ("Channel1", m_dlg.m_name);
    EXPECT_EQ("Channel1.Device1.", m_dlg.m_preview);
    EXPECT_EQ(2, m_dlg.m_access);
    EXPECT_EQ(1, m_dlg.m_cycle);
    EXPECT_EQ("", m_dlg.m_driverText);
    EXPECT_EQ(0u, m_dlg.m_firstOffset);
    EXPECT_EQ(16, m_dlg.m_offsetPosition);
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(DriverDlgTest, IdWithoutDotKeepsTheDefaultNameAndShowsItsFirstCharacter) {
    Run("Tag1", [&](CDialog& dlg) {
        EXPECT_EQ("Tr0", Text(dlg, IDC_DRV_NAME));
        EXPECT_EQ("T", Text(dlg, IDC_DRV_PREFIX));
        EXPECT_EQ("0", Text(dlg, IDC_DRV_OFFSET));
        EXPECT_EQ(0, Settings().CutOffset());
    });
}

TEST_F(DriverDlgTest, IdStartingWithDotTakesTheNameBeforeTheSecondDot) {
    Run(".A.B", [&](CDialog& dlg) {
        EXPECT_EQ(".A", Text(dlg, IDC_DRV_NAME));
        EXPECT_EQ(".A.", Text(dlg, IDC_DRV_PREFIX));
        EXPECT_EQ("2", Text(dlg, IDC_DRV_OFFSET));
    });
    Run(".A", [&](CDialog& dlg) {
        EXPECT_EQ("", Text(dlg, IDC_DRV_NAME));
        EXPECT_EQ(".", Text(dlg, IDC_DRV_PREFIX));
        EXPECT_EQ("0", Text(dlg, IDC_DRV_OFFSET));
    });
}

// --- Address preview -----------------------------------------------------------------------------

TEST_F(DriverDlgTest, SliderCutsTheAddressAtTheNextDot) {
    Run(kTagId, [&](CDialog& dlg) {
        Slide(dlg, 3);
        EXPECT_EQ("Channel1.", Text(dlg, IDC_DRV_PREFIX));
        EXPECT_EQ("3", Text(dlg, IDC_DRV_OFFSET));
        EXPECT_EQ(3, Settings().CutOffset());
        Click(dlg, IDOK);
    });
    EXPECT_EQ("Channel1.", m_dlg.m_preview);
    EXPECT_EQ(3, m_dlg.m_offsetNumber);
}

TEST_F(DriverDlgTest, SplitCheckBoxReachesTheSettingsOnlyWithTheNextMove) {
    Run(kTagId, [&](CDialog& dlg) {
        SendDlgItemMessageA(dlg.m_hWnd, IDC_DRV_SPLIT, BM_CLICK, 0, 0);
        EXPECT_TRUE(Settings().IsSplitAtSeparator());
        Slide(dlg, 3);
        EXPECT_FALSE(Settings().IsSplitAtSeparator());
        EXPECT_EQ("Cha", Text(dlg, IDC_DRV_PREFIX));
    });
}

TEST_F(DriverDlgTest, OffsetNumberMovesSliderAndPreview) {
    Run(kTagId, [&](CDialog& dlg) {
        SetText(dlg, IDC_DRV_OFFSET, "3");
        EXPECT_EQ(3, SliderPos(dlg));
        EXPECT_EQ("Channel1.", Text(dlg, IDC_DRV_PREFIX));
        EXPECT_EQ(3, Settings().CutOffset());
    });
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(DriverDlgTest, TypedDigitsOfTheOffsetNumberAddUp) {
    Run(kTagId, [&](CDialog& dlg) {
        HWND edit = dlg.GetDlgItem(IDC_DRV_OFFSET);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        SendMessageA(edit, WM_CHAR, '1', 1);
        EXPECT_EQ("Channel1.", Text(dlg, IDC_DRV_PREFIX));
        SendMessageA(edit, WM_CHAR, '0', 1);  // the caret stayed behind the first digit
        EXPECT_EQ("10", Text(dlg, IDC_DRV_OFFSET));
        EXPECT_EQ(10, SliderPos(dlg));
        EXPECT_EQ("Channel1.Device1.", Text(dlg, IDC_DRV_PREFIX));
    });
}

TEST_F(DriverDlgTest, WithoutSettingsTheSliderStillPreviews) {
    struct Restore {
        ConversionSettings* saved = g_pConversionSettings;
        ~Restore() { g_pConversionSettings = saved; }
    } restore;
    g_pConversionSettings = nullptr;
    Run(kTagId, [&](CDialog& dlg) {
        EXPECT_EQ("Channel1.Device1.", Text(dlg, IDC_DRV_PREFIX));
        Slide(dlg, 3);  // split is off without settings to take it from
        EXPECT_EQ("Cha", Text(dlg, IDC_DRV_PREFIX));
        CheckDlgButton(dlg.m_hWnd, IDC_DRV_SPLIT, BST_CHECKED);
        Slide(dlg, 5);
        EXPECT_EQ("Channel1.", Text(dlg, IDC_DRV_PREFIX));
    });
}

// --- Object kind ---------------------------------------------------------------------------------

TEST_F(DriverDlgTest, KindSetsLabelAndEmptiesTheTextStandardLeavesTheLabel) {
    Run(kTagId, [&](CDialog& dlg) {
        ChooseKind(dlg, 2);
        EXPECT_EQ("Bildname", Text(dlg, IDC_DRV_TEXT_LABEL));
        for (int id : {IDC_DRV_TEXT_LABEL, IDC_DRV_TEXT, IDC_DRV_CYCLE_LABEL, IDC_DRV_CYCLE})
            EXPECT_TRUE(Enabled(dlg, id)) << id;
        SetText(dlg, IDC_DRV_TEXT, "Anlage1");
        ChooseKind(dlg, 0);
        EXPECT_EQ("Bildname", Text(dlg, IDC_DRV_TEXT_LABEL));
        EXPECT_EQ("", Text(dlg, IDC_DRV_TEXT));
        EXPECT_FALSE(Enabled(dlg, IDC_DRV_TEXT_LABEL));
        EXPECT_FALSE(Enabled(dlg, IDC_DRV_TEXT));
        EXPECT_TRUE(Enabled(dlg, IDC_DRV_CYCLE_LABEL));
        EXPECT_TRUE(Enabled(dlg, IDC_DRV_CYCLE));
    });
}

TEST_F(DriverDlgTest, RezeptAndAbtastDisableTheCycle) {
    Run(kTagId, [&](CDialog& dlg) {
        ChooseKind(dlg, 1);
        EXPECT_EQ("Kopiertreiber", Text(dlg, IDC_DRV_TEXT_LABEL));
        EXPECT_TRUE(Enabled(dlg, IDC_DRV_TEXT));
        EXPECT_FALSE(Enabled(dlg, IDC_DRV_CYCLE_LABEL));
        EXPECT_FALSE(Enabled(dlg, IDC_DRV_CYCLE));
        ChooseKind(dlg, 3);
        EXPECT_EQ("Trigger", Text(dlg, IDC_DRV_TEXT_LABEL));
        EXPECT_FALSE(Enabled(dlg, IDC_DRV_CYCLE));
        SetText(dlg, IDC_DRV_TEXT, "M10.0");
        Click(dlg, IDOK);
    });
    EXPECT_EQ(3, m_dlg.m_kind);
    EXPECT_EQ("Trigger", m_dlg.m_labelText);
    EXPECT_EQ("M10.0", m_dlg.m_driverText);
}

TEST_F(DriverDlgTest, KindChangeShowsAFailureAndStillAppliesTheKind) {
    Run(kTagId, [&](CDialog& dlg) {
        SetText(dlg, IDC_DRV_CYCLE, "1001");
        ChooseKind(dlg, 2);
        EXPECT_EQ("Bildname", Text(dlg, IDC_DRV_TEXT_LABEL));
    });
    EXPECT_EQ(std::vector<std::string>{"Geben Sie bitte eine ganze Zahl zwischen 0 und 1000 ein."}, BoxTexts());
}

// --- Validation on OK ----------------------------------------------------------------------------

TEST_F(DriverDlgTest, NameOfNineteenCharactersIsRefusedEighteenAccepted) {
    INT_PTR result = Run(kTagId, [&](CDialog& dlg) {
        SetText(dlg, IDC_DRV_NAME, std::string(19, 'n'));
        Click(dlg, IDOK);
        EXPECT_EQ(-1, dlg.m_nModalResult);  // still open
        EXPECT_EQ(dlg.GetDlgItem(IDC_DRV_NAME), GetFocus());
        SetText(dlg, IDC_DRV_NAME, std::string(18, 'n'));
        Click(dlg, IDOK);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(std::string(18, 'n'), m_dlg.m_name);
    EXPECT_EQ(std::vector<std::string>{"Geben Sie bitte nicht mehr als 18 Zeichen ein."}, BoxTexts());
}

TEST_F(DriverDlgTest, CycleAboveThousandIsRefused) {
    INT_PTR result = Run(kTagId, [&](CDialog& dlg) {
        SetText(dlg, IDC_DRV_CYCLE, "1001");
        Click(dlg, IDOK);
        EXPECT_EQ(-1, dlg.m_nModalResult);
        SetText(dlg, IDC_DRV_CYCLE, "1000");
        Click(dlg, IDOK);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(1000, m_dlg.m_cycle);
    EXPECT_EQ(std::vector<std::string>{"Geben Sie bitte eine ganze Zahl zwischen 0 und 1000 ein."}, BoxTexts());
}

TEST_F(DriverDlgTest, FirstOffsetMustBeAPositiveWholeNumber) {
    INT_PTR result = Run(kTagId, [&](CDialog& dlg) {
        for (const char* bad : {"abc", "-1"}) {
            SetText(dlg, IDC_DRV_FIRST_OFFSET, bad);
            Click(dlg, IDOK);
            EXPECT_EQ(-1, dlg.m_nModalResult) << bad;
        }
        SetText(dlg, IDC_DRV_FIRST_OFFSET, "10");
        Click(dlg, IDOK);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(10u, m_dlg.m_firstOffset);
    const std::string positive = "Geben Sie bitte eine positive ganze Zahl ein.";
    EXPECT_EQ((std::vector<std::string>{positive, positive}), BoxTexts());
}

TEST_F(DriverDlgTest, OffsetNumberAbove98IsRefusedWhileTypingAndOnOk) {
    Run(kTagId, [&](CDialog& dlg) {
        SetText(dlg, IDC_DRV_OFFSET, "99");
        Click(dlg, IDOK);
        EXPECT_EQ(-1, dlg.m_nModalResult);
    });
    const std::string range = "Geben Sie bitte eine ganze Zahl zwischen 0 und 98 ein.";
    EXPECT_EQ((std::vector<std::string>{range, range}), BoxTexts());
}

// --- Ways out ------------------------------------------------------------------------------------

TEST_F(DriverDlgTest, CancelEndsWithTwo) {
    EXPECT_EQ(IDCANCEL, Run(kTagId, [](CDialog& dlg) { Click(dlg, IDCANCEL); }));
}

TEST_F(DriverDlgTest, HiddenPreviewButtonEndsWith1003) {
    bool visible = true;
    INT_PTR result = Run(kTagId, [&](CDialog& dlg) {
        visible = IsWindowVisible(dlg.GetDlgItem(IDC_DRV_PREVIEW)) != FALSE;
        Click(dlg, IDC_DRV_PREVIEW);
    });
    EXPECT_FALSE(visible);
    EXPECT_EQ(1003, result);
}

}  // namespace
