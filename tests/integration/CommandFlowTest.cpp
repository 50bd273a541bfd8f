// The main window's commands and hand-over flows, driven on the real frame connected to the
// simulation server, with message boxes and dialogs answered by the test.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <fstream>

#include <gtest/gtest.h>

#include "app/Globals.h"
#include "common/FrameHarness.h"
#include "common/ProgramRun.h"
#include "common/SimServerFixture.h"
#include "common/TraceCapture.h"
#include "framework/Dialog.h"
#include "opc/OpcConnection.h"
#include "res/resource.h"
#include "trace/Trace.h"
#include "variables/ConversionSettings.h"
#include "variables/VariableView.h"
#include "views/ItemView.h"

namespace {

const char kPlant[] =
    "organization hierarchical\n"
    "branch Line\n"
    "  item Count VT_I4 RW ramp 0 1 1000\n"
    "  item Level VT_R4 R fixed 2.5\n"
    "end\n";

class CommandFlowTest : public SimServerFixture {
  protected:
    void SetUp() override {
        SimServerFixture::SetUp();
        UseConfig(kPlant);
        PutClipboardText("before");
    }
    void TearDown() override {
        m_h.reset();
        SimServerFixture::TearDown();
    }
    void Start(const char* cmdLine = "/u1 ZZSim.OpcServer") {
        m_h.reset(new FrameHarness(cmdLine));
        m_h->Idle();
    }
    HWND Frame() { return m_h->Frame()->m_hWnd; }
    void Command(UINT id) { SendMessageA(Frame(), WM_COMMAND, id, 0); }
    // One committed variable for Line.Count and, optionally, a pending one for Line.Level.
    void MakeVariables(bool withPending, bool addItems = true) {
        if (addItems) {
            ASSERT_EQ(0, g_pConnection->AddItem("Line.Count"));
            ASSERT_EQ(0, g_pConnection->AddItem("Line.Level"));
        }
        CListCtrl list = g_pItemView->GetListCtrl();
        list.SetItemState(-1, 0, LVIS_SELECTED);
        list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
        g_pItemView->PreviewItems(false);
        g_pVariableView->Commit();
        if (withPending) {
            list.SetItemState(-1, 0, LVIS_SELECTED);
            list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
            g_pItemView->PreviewItems(false);
        }
    }
    int Count(const std::string& line) {
        int n = 0;
        for (const TraceRecord& r : m_capture.Records())
            n += r.kind == kTraceRecordLine && std::string(r.bytes.c_str()) == line + "\r\n";
        return n;
    }

    TraceCapture m_capture;
    KorvaneIni m_ini{nullptr};
    std::unique_ptr<FrameHarness> m_h;
};

TEST_F(CommandFlowTest, ClosingWithNothingToDoAsksNothingAndEmptiesTheClipboard) {
    m_h.reset(new FrameHarness("/u2 ZZSim.OpcServer"));
    m_h->Close();
    EXPECT_TRUE(m_h->Boxes().empty());
    EXPECT_EQ(1, Count("Close Application"));
    EXPECT_EQ(1, Count("Clipboard cleared"));
    EXPECT_EQ("<none>", ClipboardText());
}

TEST_F(CommandFlowTest, CancelAtTheHandOverQuestionKeepsTheWindowWithoutItemsAndServer) {
    Start();
    MakeVariables(false);
    m_h->QueueAnswers({IDCANCEL});
    SendMessageA(Frame(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(m_h->IsOpen());
    ASSERT_EQ(1u, m_h->Boxes().size());
    EXPECT_EQ("Sollen die daten in die Prozessdatenbank kopiert werden?", m_h->Boxes()[0].text);
    EXPECT_EQ("ZIZAZ Ozivuvi", m_h->Boxes()[0].caption);
    EXPECT_EQ((UINT)(MB_YESNOCANCEL | MB_ICONQUESTION), m_h->Boxes()[0].type);
    EXPECT_EQ(0, g_pItemView->GetListCtrl().GetItemCount());
    EXPECT_EQ(nullptr, g_pConnection);
    EXPECT_EQ(0, Count("Close Application"));
}

TEST_F(CommandFlowTest, PendingRowsDeclinedThenHandOverAccepted) {
    Start();
    MakeVariables(true);
    m_h->QueueAnswers({IDNO, IDYES});
    SendMessageA(Frame(), WM_CLOSE, 0, 0);
    ASSERT_EQ(2u, m_h->Boxes().size());
    EXPECT_EQ(
        "Alle blau markierten Variablen \xfc"
        "bernehmen?",
        m_h->Boxes()[0].text);
    EXPECT_EQ("ZIZAZ Ozivuvi", m_h->Boxes()[0].caption);
    EXPECT_EQ((UINT)(MB_YESNO | MB_ICONQUESTION), m_h->Boxes()[0].type);
    EXPECT_FALSE(m_h->IsOpen());
    // Only the committed variable was handed over; the clipboard keeps it after the exit.
    std::string text = ClipboardText();
    EXPECT_NE(std::string::npos, text.find("Line.Count"));
    EXPECT_EQ(std::string::npos, text.find("Line.Level"));
    EXPECT_EQ(0, Count("Clipboard cleared"));
    EXPECT_EQ(1, Count("Copy the Text to the Clipboard"));
}

TEST_F(CommandFlowTest, CopyTwiceHandsOverOnlyOnce) {
    TempFile project("zz_copy.kri", "[device1]\r\nname=ZZSim.OpcServer\r\nOPCServer=1\r\n");
    KorvaneIni ini(project.Path().c_str());
    Start("");
    ASSERT_TRUE(m_h->Frame()->m_bProjectKnown);
    Command(ID_CONNECT_SERVER1);
    MakeVariables(false);
    Command(ID_FILE_COPY);
    EXPECT_NE(std::string::npos, ClipboardText().find("$E"));
    EXPECT_EQ(nullptr, g_pConversionSettings);
    EXPECT_FALSE(g_pVariableView->HasVariables());
    // Without the settings nothing can be converted any more, and nothing is handed over again.
    MakeVariables(false, false);
    EXPECT_FALSE(g_pVariableView->HasVariables());
    PutClipboardText("other");
    Command(ID_FILE_COPY);
    EXPECT_EQ("other", ClipboardText());
    EXPECT_EQ(2, Count("Prepare the Items for Copy"));
    EXPECT_EQ(1, Count("Copy the Text to the Clipboard"));
    // The connection stays, and "Trennen" is enabled but does nothing without the settings.
    ASSERT_NE(nullptr, g_pConnection);
    Command(ID_CONNECT_DISCONNECT);
    EXPECT_NE(nullptr, g_pConnection);
    EXPECT_EQ(0, Count("Disconnect from the Server"));
}

TEST_F(CommandFlowTest, CopyIsDisabledWhenStartedWithACommandLine) {
    Start();
    HMENU file = GetSubMenu(m_h->Frame()->m_hMenu, 0);
    m_h->Frame()->UpdateMenuPopup(file);
    EXPECT_TRUE(GetMenuState(m_h->Frame()->m_hMenu, ID_FILE_COPY, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(m_h->Frame()->m_hMenu, ID_FILE_COPY_EXIT, MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(CommandFlowTest, CopyAndExitAsksAboutPendingRowsOnlyAndEnds) {
    Start();
    MakeVariables(true);
    m_h->QueueAnswers({IDYES});
    Command(ID_FILE_COPY_EXIT);
    ASSERT_EQ(1u, m_h->Boxes().size());
    EXPECT_EQ("ZIZAZ Ozivuvi - Exit", m_h->Boxes()[0].caption);
    EXPECT_FALSE(m_h->IsOpen());
    std::string text = ClipboardText();
    EXPECT_NE(std::string::npos, text.find("Line.Count"));
    EXPECT_NE(std::string::npos, text.find("Line.Level"));
}

TEST_F(CommandFlowTest, NewItemRetriesARefusedIdWithTheTextKept) {
    UseConfig(std::string(kPlant) + "reject Line.Nothing\n");
    Start();
    std::vector<std::string> shown;
    std::function<void(CDialog&)> answer;
    int round = 0;
    answer = [&](CDialog& dlg) {
        char text[200] = {};
        GetDlgItemTextA(dlg.m_hWnd, IDC_ITEMID_EDIT, text, sizeof(text));
        shown.push_back(text);
        SetDlgItemTextA(dlg.m_hWnd, IDC_ITEMID_EDIT, round++ == 0 ? "Line.Nothing" : "Line.Count");
        if (round < 2)
            CDialog::SetNextInitHook(answer);
        dlg.SendMessage(WM_COMMAND, IDOK);
    };
    CDialog::SetNextInitHook(answer);
    m_h->QueueAnswers({IDOK});
    Command(ID_EDIT_NEW_ITEM);
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ("", shown[0]);
    EXPECT_EQ("Line.Nothing", shown[1]);
    ASSERT_EQ(1u, m_h->Boxes().size());
    EXPECT_EQ("Ung\xfcltige ItemID!", m_h->Boxes()[0].text);
    EXPECT_EQ("ZIZAZOzivuvi", m_h->Boxes()[0].caption);
    EXPECT_EQ((UINT)(MB_OKCANCEL | MB_ICONEXCLAMATION), m_h->Boxes()[0].type);
    EXPECT_EQ("Line.Count", g_pItemView->GetListCtrl().GetItemText(0, 0));
}

TEST_F(CommandFlowTest, CutBarToggleChecksAsSpecified) {
    Start();
    CMainFrame* f = m_h->Frame();
    Command(ID_VIEW_CUTBAR);
    EXPECT_FALSE(f->m_wndCutBar.IsWindowVisible());
    EXPECT_FALSE(GetMenuState(f->m_hMenu, ID_VIEW_CUTBAR, MF_BYCOMMAND) & MF_CHECKED);
    Command(ID_VIEW_CUTBAR);
    EXPECT_TRUE(f->m_wndCutBar.IsWindowVisible());
    EXPECT_TRUE(GetMenuState(f->m_hMenu, ID_VIEW_CUTBAR, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(CommandFlowTest, NumberingDialogStartsWithDigitsAndKeepsClickSavedChoices) {
    Start();
    bool digits = false, box = false, editEnabled = false;
    std::string sep;
    CDialog::SetNextInitHook([&](CDialog& dlg) {
        digits = IsDlgButtonChecked(dlg.m_hWnd, IDC_NUMBERING_DIGITS);
        box = IsDlgButtonChecked(dlg.m_hWnd, IDC_NUMBERING_USE_SEPARATOR);
        editEnabled = IsWindowEnabled(dlg.GetDlgItem(IDC_NUMBERING_SEPARATOR));
        char text[16] = {};
        GetDlgItemTextA(dlg.m_hWnd, IDC_NUMBERING_SEPARATOR, text, sizeof(text));
        sep = text;
        // Choose letters, switch the separator off (a click saves), then cancel.
        CheckRadioButton(dlg.m_hWnd, IDC_NUMBERING_DIGITS, IDC_NUMBERING_UPPER, IDC_NUMBERING_LOWER);
        CheckDlgButton(dlg.m_hWnd, IDC_NUMBERING_USE_SEPARATOR, BST_UNCHECKED);
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_NUMBERING_USE_SEPARATOR, BN_CLICKED));
        dlg.SendMessage(WM_COMMAND, IDCANCEL);
    });
    Command(ID_OPTIONS_NUMBERING);
    EXPECT_TRUE(digits && box && editEnabled);
    EXPECT_EQ("_", sep);
    EXPECT_EQ(0, Count("Opened the EnumerationDlg"));
    // Cancel handed nothing over...
    EXPECT_EQ("1", g_pVariableView->FormatNumber(1));
    // ...but the next opening shows the click-saved choice; OK hands it over.
    bool lower = false, disabled = false;
    CDialog::SetNextInitHook([&](CDialog& dlg) {
        lower = IsDlgButtonChecked(dlg.m_hWnd, IDC_NUMBERING_LOWER);
        disabled = !IsWindowEnabled(dlg.GetDlgItem(IDC_NUMBERING_SEPARATOR));
        dlg.SendMessage(WM_COMMAND, IDOK);
    });
    Command(ID_OPTIONS_NUMBERING);
    EXPECT_TRUE(lower && disabled);
    EXPECT_EQ(1, Count("Opened the EnumerationDlg"));
    EXPECT_EQ("b", g_pVariableView->FormatNumber(1));
    EXPECT_EQ("", m_h->Frame()->m_dlgNumbering.m_separator);
}

TEST_F(CommandFlowTest, SeparatorSetIsSlashThenDot) {
    Start();
    bool otherEnabled = true;
    CDialog::SetNextInitHook([&](CDialog& dlg) {
        otherEnabled = IsWindowEnabled(dlg.GetDlgItem(IDC_SEPARATOR_OTHER_CHAR));
        CheckDlgButton(dlg.m_hWnd, IDC_SEPARATOR_SLASH, BST_CHECKED);
        CheckDlgButton(dlg.m_hWnd, IDC_SEPARATOR_OTHER, BST_CHECKED);
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SEPARATOR_OTHER, BN_CLICKED));
        dlg.SendMessage(WM_COMMAND, IDOK);  // "other" left empty: adds nothing
    });
    Command(ID_OPTIONS_SEPARATOR);
    EXPECT_FALSE(otherEnabled);
    EXPECT_EQ("/.", g_pConversionSettings->Separator());
    EXPECT_EQ(1, Count("Changed The Separator:/."));
    CDialog::SetNextInitHook([&](CDialog& dlg) {
        CheckDlgButton(dlg.m_hWnd, IDC_SEPARATOR_SLASH, BST_UNCHECKED);
        CheckDlgButton(dlg.m_hWnd, IDC_SEPARATOR_DOT, BST_UNCHECKED);
        CheckDlgButton(dlg.m_hWnd, IDC_SEPARATOR_OTHER, BST_UNCHECKED);
        dlg.SendMessage(WM_COMMAND, IDOK);
    });
    Command(ID_OPTIONS_SEPARATOR);
    EXPECT_EQ("", g_pConversionSettings->Separator());
}

// The chooser lists what this machine registered (the simulator's profiles among them) and turns
// the pick into the first free Connect-menu entry, connected at once.
TEST_F(CommandFlowTest, ServerChooserListsLocalServersAndConnectsThePick) {
    Start("/u2 ZZSim.Flat");
    std::vector<std::string> listed;
    std::string status;
    CDialog::SetNextInitHook([&](CDialog& dlg) {
        HWND list = GetDlgItem(dlg.m_hWnd, IDC_CHOOSER_LIST);
        for (int row = 0; row < ListView_GetItemCount(list); ++row) {
            char text[256] = {};
            ListView_GetItemText(list, row, 0, text, sizeof(text));
            listed.push_back(text);
            const UINT state = listed.back() == "ZZSim.OpcServer.1" ? LVIS_SELECTED : 0;
            ListView_SetItemState(list, row, state, LVIS_SELECTED);
        }
        char text[256] = {};
        GetDlgItemTextA(dlg.m_hWnd, IDC_CHOOSER_STATUS, text, sizeof(text));
        status = text;
        dlg.PostMessage(WM_COMMAND, IDOK);
    });
    Command(ID_CONNECT_BROWSE_SERVER);
    ASSERT_GE(listed.size(), 2u) << status;
    EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end(), [](const std::string& a, const std::string& b) {
        return _stricmp(a.c_str(), b.c_str()) < 0;
    }));
    EXPECT_NE(listed.end(), std::find(listed.begin(), listed.end(), "ZZSim.Flat.1"));
    EXPECT_EQ(std::to_string(listed.size()) + " OPC-DA-Server", status);

    char entry[256] = {};
    GetMenuStringA(m_h->Frame()->m_hMenu, ID_CONNECT_SERVER1, entry, sizeof(entry), MF_BYCOMMAND);
    EXPECT_STREQ("ZZSim.OpcServer.1", entry);
    EXPECT_EQ(1, Count("Append MenuItem \"ZZSim.OpcServer.1\""));
    EXPECT_EQ(1, Count("Connect the Server:\"ZZSim.OpcServer.1\""));
    ASSERT_NE(nullptr, g_pConnection);
    EXPECT_TRUE(g_pConnection->HasServer());
}

// A pick is no device of the project: with all five entries taken the user names the one it
// replaces, and neither connecting (with "Ja" ready for any question) nor export touch the file.
TEST_F(CommandFlowTest, ServerChooserLeavesAFiveDeviceProjectAlone) {
    UseConfig(std::string(kPlant) + "revise_rate 250\n");
    std::string devices;
    for (char n = '1'; n <= '5'; ++n)
        devices += std::string("[device") + n + "]\r\nname=Dev" + n + "\r\nOPCServer=1\r\nScanTime=40\r\n";
    TempFile project("zz_five.kri", devices);
    KorvaneIni ini(project.Path().c_str());
    Start("");
    std::vector<std::string> entries;
    CDialog::SetNextInitHook([&](CDialog& chooser) {
        HWND list = GetDlgItem(chooser.m_hWnd, IDC_CHOOSER_LIST);
        for (int row = 0; row < ListView_GetItemCount(list); ++row) {
            char text[256] = {};
            ListView_GetItemText(list, row, 0, text, sizeof(text));
            ListView_SetItemState(list, row, strcmp(text, "ZZSim.OpcServer.1") ? 0 : LVIS_SELECTED, LVIS_SELECTED);
        }
        CDialog::SetNextInitHook([&](CDialog& replace) {
            HWND taken = GetDlgItem(replace.m_hWnd, IDC_REPLACE_LIST);
            for (int row = 0; row < (int)SendMessageA(taken, LB_GETCOUNT, 0, 0); ++row) {
                char text[300] = {};
                SendMessageA(taken, LB_GETTEXT, row, (LPARAM)text);
                entries.push_back(text);
            }
            SendMessageA(taken, LB_SETCURSEL, 4, 0);
            replace.PostMessage(WM_COMMAND, IDOK);
        });
        chooser.PostMessage(WM_COMMAND, IDOK);
    });
    m_h->QueueAnswers({IDYES, IDYES});
    Command(ID_CONNECT_BROWSE_SERVER);
    ASSERT_EQ(5u, entries.size());
    EXPECT_EQ("Ger\xe4t 5 des Projekts: Dev5", entries[4]);
    EXPECT_EQ("ZZSim.OpcServer.1", MenuText(m_h->Frame()->m_hMenu, ID_CONNECT_SERVER5));
    ASSERT_TRUE(g_pConnection && g_pConnection->HasServer());
    MakeVariables(false);
    Command(ID_FILE_COPY);
    EXPECT_NE(std::string::npos, ClipboardText().find("Line.Count"));
    EXPECT_TRUE(m_h->Boxes().empty());
    std::ifstream file(project.Path(), std::ios::binary);
    EXPECT_EQ(devices, std::string(std::istreambuf_iterator<char>(file), {}));
}

// A host without an answering server enumerator: the list stays empty and says why.
TEST_F(CommandFlowTest, ServerChooserNamesAHostThatDoesNotAnswer) {
    Start("/u2 ZZSim.Flat");
    std::string status;
    int rows = -1;
    CDialog::SetNextInitHook([&](CDialog& dlg) {
        SetDlgItemTextA(dlg.m_hWnd, IDC_CHOOSER_HOST, "plc7.invalid");
        SendMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_CHOOSER_SEARCH, BN_CLICKED), 0);
        rows = ListView_GetItemCount(GetDlgItem(dlg.m_hWnd, IDC_CHOOSER_LIST));
        char text[512] = {};
        GetDlgItemTextA(dlg.m_hWnd, IDC_CHOOSER_STATUS, text, sizeof(text));
        status = text;
        dlg.PostMessage(WM_COMMAND, IDCANCEL);
    });
    Command(ID_CONNECT_BROWSE_SERVER);
    EXPECT_EQ(0, rows);
    EXPECT_EQ(0u, status.find("Der Rechner \"plc7.invalid\" nennt keine OPC-Server: ")) << status;
    EXPECT_EQ(0, Count("Append MenuItem \"\\\\plc7.invalid:ZZSim.OpcServer.1\""));
    EXPECT_EQ(static_cast<UINT>(-1), GetMenuState(m_h->Frame()->m_hMenu, ID_CONNECT_SERVER1, MF_BYCOMMAND));
}

}  // namespace
