// The real program against the registered simulation server as a user meets it: started with
// "/u1 ZZSim.OpcServer" it connects, shows the demo plant's tree, and a double click on a leaf
// lists the item with a live value and its quality. The tree and the list live in the other
// process; they are read through memory allocated there and driven with posted mouse messages.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/FrameHarness.h"
#include "common/ProgramRun.h"
#include "common/RemoteBlock.h"
#include "common/ScreenShot.h"
#include "common/SimServerFixture.h"
#include "opc/DiagnosticTexts.h"
#include "res/resource.h"

namespace {

// The program's tree and item list, seen from this process.
class RemoteViews {
  public:
    explicit RemoteViews(HWND main)
        : m_tree(ChildOfClass(main, WC_TREEVIEWA)), m_list(ChildOfClass(main, WC_LISTVIEWA)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(main, &pid);
        m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    }
    ~RemoteViews() {
        if (m_process)
            CloseHandle(m_process);
    }
    RemoteViews(const RemoteViews&) = delete;
    RemoteViews& operator=(const RemoteViews&) = delete;

    bool Ok() const { return m_tree && m_list && m_process; }
    HWND Tree() const { return m_tree; }
    UINT NodeCount() const { return (UINT)SendMessageA(m_tree, TVM_GETCOUNT, 0, 0); }

    std::string Text(HTREEITEM node) const {
        RemoteBlock block(m_process, sizeof(TVITEMA) + 512);
        TVITEMA item = {};
        item.mask = TVIF_TEXT;
        item.hItem = node;
        item.pszText = block.Address(sizeof(TVITEMA));
        item.cchTextMax = 511;
        block.Write(&item, sizeof(item));
        SendMessageA(m_tree, TVM_GETITEMA, 0, (LPARAM)block.Address());
        return block.ReadText(sizeof(TVITEMA));
    }
    std::vector<std::string> Children(HTREEITEM node) const {
        std::vector<std::string> texts;
        for (HTREEITEM c = Child(node); c; c = Next(c))
            texts.push_back(Text(c));
        return texts;
    }
    HTREEITEM Find(const std::vector<std::string>& path) const {
        HTREEITEM node = (HTREEITEM)SendMessageA(m_tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
        for (const std::string& text : path) {
            HTREEITEM c = Child(node);
            while (c && Text(c) != text)
                c = Next(c);
            if (!c)
                return nullptr;
            node = c;
        }
        return node;
    }
    // The middle of the node's text in the tree's client coordinates, after scrolling it into view.
    POINT Center(HTREEITEM node) const {
        SendMessageA(m_tree, TVM_ENSUREVISIBLE, 0, (LPARAM)node);
        RemoteBlock block(m_process, sizeof(RECT));
        // TVM_GETITEMRECT takes the node in the first bytes of the rectangle.
        RECT rc = {};
        memcpy(&rc, &node, sizeof(node));
        block.Write(&rc, sizeof(rc));
        SendMessageA(m_tree, TVM_GETITEMRECT, TRUE, (LPARAM)block.Address());
        block.Read(&rc, sizeof(rc));
        return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }
    int Rows() const { return (int)SendMessageA(m_list, LVM_GETITEMCOUNT, 0, 0); }
    std::string Cell(int row, int column) const {
        RemoteBlock block(m_process, sizeof(LVITEMA) + 512);
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = block.Address(sizeof(LVITEMA));
        item.cchTextMax = 511;
        block.Write(&item, sizeof(item));
        SendMessageA(m_list, LVM_GETITEMTEXTA, row, (LPARAM)block.Address());
        return block.ReadText(sizeof(LVITEMA));
    }

  private:
    HTREEITEM Child(HTREEITEM node) const {
        return (HTREEITEM)SendMessageA(m_tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)node);
    }
    HTREEITEM Next(HTREEITEM node) const {
        return (HTREEITEM)SendMessageA(m_tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)node);
    }

    HWND m_tree;
    HWND m_list;
    HANDLE m_process = nullptr;
};

bool HasLine(const ProgramRun& run, const std::string& line) {
    for (const std::string& l : run.TraceLines())
        if (l == line + "\r\n")
            return true;
    return false;
}

// The same tree, live values and clipboard text from a server without the DA 1.0 data or browse
// interfaces.
class BrowseE2ETest : public OnEveryKind<SimServerFixture> {};
ZZ_ON_EVERY_KIND(BrowseE2ETest, SimKind::Da10, SimKind::Da20Callbacks, SimKind::Da30Browse);

TEST_P(BrowseE2ETest, PlantTreeShowsAndADoubleClickedLeafGoesLive) {
    KorvaneIni ini(nullptr);
    UseRegisteredConfig();  // the demo plant next to the DLL
    ProgramRun run("/u1 " + Server());
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.PumpUntil([&] { return run.MainWindow() != nullptr; }, 30000));
    HWND main = run.MainWindow();
    RemoteViews views(main);
    ASSERT_TRUE(views.Ok());
    ASSERT_TRUE(run.PumpUntil([&] { return views.NodeCount() > 400; }, 30000)) << views.NodeCount();
    EXPECT_TRUE(HasLine(run, "Connect the Server:\"" + Server() + "\""));

    EXPECT_EQ(Server(), views.Text(views.Find({})));
    EXPECT_EQ((std::vector<std::string>{"Flat Items", "Hierarchial Items"}), views.Children(views.Find({})));
    EXPECT_EQ(400u, views.Children(views.Find({"Flat Items"})).size());
    EXPECT_EQ((std::vector<std::string>{"Channel1", "Channel2", "Channel3", "Special Names", "Simulation"}),
              views.Children(views.Find({"Hierarchial Items"})));
    EXPECT_EQ((std::vector<std::string>{"Online", "Description", "Device1", "Device2", "Device3"}),
              views.Children(views.Find({"Hierarchial Items", "Channel1"})));

    HTREEITEM counter = views.Find({"Hierarchial Items", "Channel1", "Device1", "Counter"});
    ASSERT_NE(nullptr, counter);
    POINT at = views.Center(counter);
    LPARAM lp = MAKELPARAM(at.x, at.y);
    PostMessageA(views.Tree(), WM_LBUTTONDOWN, MK_LBUTTON, lp);
    PostMessageA(views.Tree(), WM_LBUTTONUP, 0, lp);
    PostMessageA(views.Tree(), WM_LBUTTONDBLCLK, MK_LBUTTON, lp);
    PostMessageA(views.Tree(), WM_LBUTTONUP, 0, lp);
    ASSERT_TRUE(run.PumpUntil([&] { return HasLine(run, "Add OPC-Item Channel1.Device1.Counter to List"); }, 30000));
    ASSERT_EQ(1, views.Rows());
    EXPECT_EQ("Channel1.Device1.Counter", views.Cell(0, 0));
    EXPECT_EQ("VT_I4", views.Cell(0, 1));
    // The ramp moves every update: two different values prove the subscription is live.
    std::string first;
    ASSERT_TRUE(run.PumpUntil([&] { return (first = views.Cell(0, 3)) != "?"; }, 30000));
    ASSERT_TRUE(run.PumpUntil([&] { return views.Cell(0, 3) != first; }, 30000));
    EXPECT_EQ(QualityText(OPC_QUALITY_GOOD), views.Cell(0, 4));

    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, run.WaitForExit(30000));
}

// The README's walkthrough, step by step; with ZZ_SHOTS_DIR set it also leaves the README's
// pictures there (live values, blue preview rows, accepted variables) and the clipboard text.
TEST_P(BrowseE2ETest, WalkthroughFromTreeToClipboard) {
    KorvaneIni ini(nullptr);
    UseRegisteredConfig();
    PutClipboardText("before");
    const std::string shots = ShotsFolder();
    ProgramRun run("/u1 " + Server());
    ASSERT_TRUE(run.PumpUntil([&] { return run.MainWindow() != nullptr; }, 30000));
    HWND main = run.MainWindow();
    RemoteViews views(main);
    ASSERT_TRUE(views.Ok());
    ASSERT_TRUE(run.PumpUntil([&] { return views.NodeCount() > 400; }, 30000));
    // Expand the path to the first item so the picture shows where it came from.
    HTREEITEM counter = views.Find({"Hierarchial Items", "Channel1", "Device1", "Counter"});
    ASSERT_NE(nullptr, counter);
    POINT at = views.Center(counter);
    LPARAM lp = MAKELPARAM(at.x, at.y);
    for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        PostMessageA(views.Tree(), msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, lp);
    ASSERT_TRUE(run.WaitForTrace("Add OPC-Item Channel1.Device1.Counter to List"));
    for (const char* id : {"Channel1.Device1.Level", "Channel1.Device1.Speed"}) {
        PostMessageA(main, WM_COMMAND, ID_EDIT_NEW_ITEM, 0);
        ASSERT_TRUE(run.AnswerDialog("Item ID", [&](HWND dlg) { SetDlgItemTextA(dlg, IDC_ITEMID_EDIT, id); }));
        ASSERT_TRUE(run.WaitForTrace(std::string("Add OPC-Item ") + id + " to List"));
    }
    ASSERT_EQ(3, views.Rows());
    for (int row = 0; row < 3; ++row)
        ASSERT_TRUE(run.PumpUntil([&] { return views.Cell(row, 3) != "?"; }, 30000)) << row;
    if (!shots.empty()) {
        EXPECT_TRUE(SaveWindowShot(main, shots + "live-values.bmp"));
    }

    PostMessageA(main, WM_COMMAND, ID_EDIT_ADD_ALL, 0);
    ASSERT_TRUE(run.WaitForTrace("Show \"Channel1.Device1.Speed\" as Korvane Object"));
    if (!shots.empty()) {
        run.PumpUntil([] { return false; }, 500);  // the blue rows drawn
        EXPECT_TRUE(SaveWindowShot(main, shots + "preview.bmp"));
    }
    PostMessageA(main, WM_COMMAND, ID_EDIT_ACCEPT, 0);
    ASSERT_TRUE(run.WaitForTrace("Delete 3 selected Items from KorvaneView"));
    if (!shots.empty()) {
        run.PumpUntil([] { return false; }, 500);  // the accepted rows drawn
        EXPECT_TRUE(SaveWindowShot(main, shots + "main-window.bmp"));
    }
    PostMessageA(main, WM_COMMAND, ID_FILE_COPY_EXIT, 0);
    EXPECT_EQ(0, run.WaitForExit(30000));
    const std::string text = ClipboardText();
    EXPECT_EQ(
        "$E3 Device1.Counter \"\" 3 \"Channel1.Device1.Counter\" 1 1 0 2 1 #\r\n"
        "$E2 Device1.Level \"\" 3 \"Channel1.Device1.Level\" 1 1 0 0 1 #\r\n"
        "$E1 Device1.Speed \"\" 3 \"Channel1.Device1.Speed\" 1 1 0 2 1 #\r\n",
        text);
    if (!shots.empty()) {
        if (FILE* f = fopen((shots + "clipboard.txt").c_str(), "wb")) {
            fwrite(text.data(), 1, text.size(), f);
            fclose(f);
        }
    }
}

}  // namespace
