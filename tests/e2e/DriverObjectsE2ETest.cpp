// Three driver objects built in one run of the real program against the default plant, as a
// person builds them: add an item, "Als Struktur hinzufügen", fill in the driver dialog; then
// "&Kopieren + Beenden" leaves their record lines on the clipboard.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include <gtest/gtest.h>

#include "common/FrameHarness.h"
#include "common/ProgramRun.h"
#include "common/SimServerFixture.h"
#include "res/resource.h"

namespace {

class DriverObjectsE2ETest : public SimServerFixture {
  protected:
    void SetUp() override {
        SimServerFixture::SetUp();
        PutClipboardText("before");
    }
    // One item through "Neues Item", selected by "&Alle Hinzufügen", then taken as the only
    // element of a driver object of the given kind, name and driver text.
    void Structure(ProgramRun& run, const char* itemId, int kind, const char* name, const char* text) {
        PostMessageA(run.MainWindow(), WM_COMMAND, ID_EDIT_NEW_ITEM, 0);
        ASSERT_TRUE(run.AnswerDialog("Item ID", [&](HWND dlg) { SetDlgItemTextA(dlg, IDC_ITEMID_EDIT, itemId); }));
        ASSERT_TRUE(run.WaitForTrace(std::string("Add OPC-Item ") + itemId + " to List"));
        PostMessageA(run.MainWindow(), WM_COMMAND, ID_EDIT_ADD_ALL, 0);
        ASSERT_TRUE(run.WaitForTrace(std::string("Show \"") + itemId + "\" as Korvane Object"));
        HWND items = ChildOfClass(run.MainWindow(), WC_LISTVIEWA);
        ASSERT_NE(nullptr, items);
        PostMessageA(items, WM_COMMAND, ID_ITEM_ADD_AS_STRUCT, 0);
        ASSERT_TRUE(run.AnswerDialog("Treiberauswahl", [&](HWND dlg) {
            HWND combo = GetDlgItem(dlg, IDC_DRV_KIND);
            SendMessageA(combo, CB_SETCURSEL, kind, 0);
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_DRV_KIND, CBN_SELCHANGE), (LPARAM)combo);
            SetDlgItemTextA(dlg, IDC_DRV_NAME, name);
            SetDlgItemTextA(dlg, IDC_DRV_TEXT, text);
        }));
        // The accepted item leaves the item list.
        ASSERT_TRUE(run.PumpUntil([&] { return SendMessageA(items, LVM_GETITEMCOUNT, 0, 0) == 0; }, 20000));
    }
    KorvaneIni m_ini{nullptr};
};

TEST_F(DriverObjectsE2ETest, StandardRezeptAndBildObjectsReachTheClipboard) {
    ProgramRun run("/u1 ZZSim.OpcServer");
    ASSERT_TRUE(run.WaitForTrace("Connect the Server:\"ZZSim.OpcServer\""));
    ASSERT_TRUE(run.PumpUntil([&] { return run.MainWindow() != nullptr; }, 20000));
    Structure(run, "Channel1.Device1.Counter", 0, "Std", "");
    Structure(run, "Channel1.Device1.Level", 1, "Rez", "Copy1");
    Structure(run, "Channel1.Device1.Speed", 2, "Pic", "");
    PostMessageA(run.MainWindow(), WM_COMMAND, ID_FILE_COPY_EXIT, 0);
    EXPECT_EQ(0, run.WaitForExit(30000));
    // Newest object on top, each above its element; the empty picture name is written "".
    EXPECT_EQ(
        "\r\n$T2 Pic \"\" 3 \"Channel1.Device1.\" 1 2 1 \"\" #\r\n"
        "$V1 Speed \"\" Pic 0 1 1 1 #\r\n"
        "\r\n$T1 Rez \"\" 3 \"Channel1.Device1.\" 2 \"Copy1\" #\r\n"
        "$V2 Level \"\" Rez 0 1 1 1 #\r\n"
        "\r\n$T0 Std \"\" 3 \"Channel1.Device1.\" 2 2 1 #\r\n"
        "$V3 Counter \"\" Std 0 1 1 1 #\r\n",
        ClipboardText());
}

}  // namespace
