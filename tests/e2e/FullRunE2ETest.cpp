// A whole run as a person would do it, in a separate process: connect, add items, preview,
// accept, answer the array dialog, copy and exit; then the clipboard holds the record lines.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/FrameHarness.h"
#include "common/ProgramRun.h"
#include "common/SimServerFixture.h"
#include "res/resource.h"

namespace {

const char kPlant[] =
    "organization hierarchical\n"
    "branch Line\n"
    "  item Count VT_I4 RW ramp 0 1 100\n"
    "  item Curve VT_I2[5] R fixed 1|2|3|4|5\n"
    "end\n";

class FullRunE2ETest : public OnEveryKind<SimServerFixture> {
  protected:
    void SetUp() override {
        SimServerFixture::SetUp();
        UseConfig(kPlant);
        PutClipboardText("before");
    }
    // "Neues Item" with the given ID, confirmed in the Item ID dialog.
    void NewItem(ProgramRun& run, const char* itemId) {
        PostMessageA(run.MainWindow(), WM_COMMAND, ID_EDIT_NEW_ITEM, 0);
        ASSERT_TRUE(run.AnswerDialog("Item ID", [&](HWND dlg) { SetDlgItemTextA(dlg, IDC_ITEMID_EDIT, itemId); }));
        ASSERT_TRUE(run.WaitForTrace(std::string("Add OPC-Item ") + itemId + " to List"));
    }
    KorvaneIni m_ini{nullptr};
};
// Also with a server that sends no values and cannot be browsed: export needs neither.
ZZ_ON_EVERY_KIND(FullRunE2ETest, SimKind::Da10, SimKind::NoDataNoBrowse);

TEST_P(FullRunE2ETest, NewItemsPreviewAcceptCopyAndExit) {
    ProgramRun run("/u1 " + Server());
    ASSERT_TRUE(run.WaitForTrace("Connect the Server:\"" + Server() + "\""));
    ASSERT_TRUE(run.PumpUntil([&] { return run.MainWindow() != nullptr; }, 20000));
    NewItem(run, "Line.Count");
    NewItem(run, "Line.Curve");

    PostMessageA(run.MainWindow(), WM_COMMAND, ID_EDIT_ADD_ALL, 0);
    ASSERT_TRUE(run.AnswerDialog("Array", [](HWND dlg) {
        SetDlgItemTextA(dlg, IDC_ARRAY_SIZE, "5");
        CheckDlgButton(dlg, IDC_ARRAY_AS_DRIVER, BST_CHECKED);
    }));
    PostMessageA(run.MainWindow(), WM_COMMAND, ID_EDIT_ACCEPT, 0);
    ASSERT_TRUE(run.WaitForTrace("Delete 2 selected Items from KorvaneView"));
    PostMessageA(run.MainWindow(), WM_COMMAND, ID_FILE_COPY_EXIT, 0);
    EXPECT_EQ(0, run.WaitForExit(30000));

    EXPECT_EQ(
        "$E3 Count \"\" 3 \"Line.Count\" 1 1 0 2 1 #\r\n"
        "\r\n$T0 Curve \"\" 3 \"Line.Curve\" 5 0 1 #\r\n\r\n",
        ClipboardText());
    // Every step left its trace line, in order.
    const std::vector<std::string> steps = {"Connect the Server:\"" + Server() + "\"",
                                            "Add OPC-Item Line.Count to List",
                                            "Add OPC-Item Line.Curve to List",
                                            "Add all Items to the Korvane View",
                                            "Show \"Line.Count\" as Korvane Object",
                                            "Show \"Line.Curve\" as Korvane Object",
                                            "Delete 2 selected Items from KorvaneView",
                                            "Prepare the Items for Copy",
                                            "Copy the Text to the Clipboard",
                                            "Connection Terminated",
                                            "Close Application"};
    std::vector<std::string> lines = run.TraceLines();
    size_t at = 0;
    for (const std::string& step : steps) {
        while (at < lines.size() && lines[at] != step + "\r\n")
            ++at;
        EXPECT_LT(at, lines.size()) << "missing or out of order: " << step;
    }
    EXPECT_NE("Clipboard cleared\r\n", lines.back());
}

TEST_P(FullRunE2ETest, ProjectDeviceTwoUsesItsScanTimeAndStoresTheRevisedRate) {
    UseConfig(std::string(kPlant) + "revise_rate 250\n");
    TempFile project("zz_e2e_project.kri", "[device2]\r\nname=" + Server() + "\r\nOPCServer=1\r\nScanTime=40\r\n");
    ProgramRun run(project.Path());
    ASSERT_TRUE(run.WaitForTrace("Append MenuItem \"" + Server() + "\""));
    ASSERT_TRUE(run.PumpUntil([&] { return run.MainWindow() != nullptr; }, 20000));
    PostMessageA(run.MainWindow(), WM_COMMAND, ID_CONNECT_SERVER2, 0);
    std::string question;
    ASSERT_TRUE(run.AnswerDialog(
        "ZIZAZOzivuvi",
        [&](HWND box) {
            char text[512] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
            question = text;
        },
        20000, IDYES));
    EXPECT_NE(std::string::npos, question.find("Angeforderte Aktualtisierungsrate: 40")) << question;
    NewItem(run, "Line.Count");
    PostMessageA(run.MainWindow(), WM_COMMAND, ID_EDIT_ADD_ALL, 0);
    ASSERT_TRUE(run.WaitForTrace("Show \"Line.Count\" as Korvane Object"));
    PostMessageA(run.MainWindow(), WM_COMMAND, ID_EDIT_ACCEPT, 0);
    ASSERT_TRUE(run.WaitForTrace("Delete the selected Item from KorvaneView"));
    PostMessageA(run.MainWindow(), WM_COMMAND, ID_FILE_COPY_EXIT, 0);
    EXPECT_EQ(0, run.WaitForExit(30000));
    // Device 2: channel 4.
    EXPECT_EQ("$E3 Count \"\" 4 \"Line.Count\" 1 1 0 2 1 #\r\n", ClipboardText());
    EXPECT_EQ(250u, GetPrivateProfileIntA("device2", "ScanTime", 0, project.Path().c_str()));
}

}  // namespace
