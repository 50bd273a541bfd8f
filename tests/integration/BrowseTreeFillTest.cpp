// Filling the browse tree of the real frame from the simulation server: the shape of the tree,
// flat servers, failing branches and browses, the bounds against deep, endless or garbage address
// spaces, and the browse position back at the root afterwards.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Globals.h"
#include "app/MainFrame.h"
#include "common/FrameHarness.h"
#include "common/SimServerFixture.h"
#include "common/TraceCapture.h"
#include "opc/BrowseText.h"
#include "opc/OpcConnection.h"
#include "res/resource.h"
#include "views/BrowseView.h"

namespace {

// Root-level leaves, leaves and branches interleaved, an empty branch and a reserved name.
const char kPlant[] =
    "organization hierarchical\n"
    "item Top1 VT_I4 R fixed 1\n"
    "branch A\n"
    "  branch A1\n"
    "    item Deep VT_I4 R fixed 2\n"
    "  end\n"
    "  item L1 VT_I4 R fixed 3\n"
    "  item L2 VT_I4 R fixed 4\n"
    "  branch A2\n"
    "  end\n"
    "  item L3 VT_I4 R fixed 5\n"
    "end\n"
    "item Top2 VT_I4 R fixed 6\n"
    "branch B\n"
    "  item \"Public Groups\" VT_I4 R fixed 7\n"
    "end\n";

using Texts = std::vector<std::string>;

class BrowseTreeFillTest : public SimServerFixture {
  protected:
    void TearDown() override {
        m_frame.reset();
        SimServerFixture::TearDown();
    }
    // Starts the frame, which connects to the simulator at its first idle step and fills the tree.
    void Start(const std::string& config) {
        UseConfig(config);
        m_frame.reset(new FrameHarness("/u1 ZZSim.OpcServer"));
        m_frame->Idle();
        ASSERT_NE(nullptr, g_pConnection);
        ASSERT_TRUE(m_frame->Frame()->m_bConnected);
    }
    CBrowseView* View() const { return m_frame->Frame()->m_pBrowseView; }
    HWND Tree() const { return View()->m_hWnd; }

    std::string Text(HTREEITEM node) const {
        static char buffer[4 * kMaxNameChars];
        buffer[0] = '\0';
        TVITEMA item = {};
        item.mask = TVIF_TEXT;
        item.hItem = node;
        item.pszText = buffer;
        item.cchTextMax = (int)sizeof(buffer);
        SendMessageA(Tree(), TVM_GETITEMA, 0, (LPARAM)&item);
        return buffer;
    }
    Texts Children(HTREEITEM node) const {
        Texts texts;
        for (HTREEITEM c = TreeView_GetChild(Tree(), node); c; c = TreeView_GetNextSibling(Tree(), c))
            texts.push_back(Text(c));
        return texts;
    }
    // The node at the end of a path of texts below the root ("Hierarchial Items", "A", ...).
    HTREEITEM Find(const Texts& path) const { return FindTreeNode(Tree(), path); }
    // The server's own answer for its browse position ("" at the root).
    std::string Position() const {
        LPWSTR id = nullptr;
        std::string position = "<unknown>";
        if (SUCCEEDED(g_pConnection->Browser()->GetItemID(const_cast<LPWSTR>(L""), &id)) && id)
            position = BrowseNameToAnsi(id);
        CoTaskMemFree(id);
        return position;
    }
    // Successful moves down and up in the server's log.
    int Count(const std::string& what) const {
        int n = 0;
        for (const std::string& line : LogLines("ChangeBrowsePosition " + what))
            n += line.find("hr=0x00000000") != std::string::npos;
        return n;
    }

    TraceCapture m_capture;
    KorvaneIni m_ini{nullptr};
    std::unique_ptr<FrameHarness> m_frame;
};

TEST_F(BrowseTreeFillTest, TreeShowsServerFlatListAndHierarchyWithLeavesFirst) {
    Start(kPlant);
    HWND tree = Tree();
    HTREEITEM root = TreeView_GetRoot(tree);
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(nullptr, TreeView_GetNextSibling(tree, root));
    EXPECT_EQ("ZZSim.OpcServer", Text(root));
    EXPECT_EQ((Texts{"Flat Items", "Hierarchial Items"}), Children(root));
    EXPECT_EQ((Texts{"Top1", "A.A1.Deep", "A.L1", "A.L2", "A.L3", "Top2", "B.Public Groups"}),
              Children(Find({"Flat Items"})));
    // Root-level leaves appear only in the flat list.
    EXPECT_EQ((Texts{"A", "B"}), Children(Find({"Hierarchial Items"})));
    EXPECT_EQ((Texts{"L1", "L2", "L3", "A1", "A2"}), Children(Find({"Hierarchial Items", "A"})));
    EXPECT_EQ((Texts{"Deep"}), Children(Find({"Hierarchial Items", "A", "A1"})));
    EXPECT_TRUE(Children(Find({"Hierarchial Items", "A", "A2"})).empty());
    EXPECT_EQ((Texts{"Public Groups"}), Children(Find({"Hierarchial Items", "B"})));
    EXPECT_EQ(root, TreeView_GetSelection(tree));
    EXPECT_TRUE(TreeView_GetItemState(tree, root, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_TRUE(m_frame->Boxes().empty());
}

TEST_F(BrowseTreeFillTest, StylesAndNodesCarryNoExtras) {
    Start(kPlant);
    LONG style = GetWindowLongA(Tree(), GWL_STYLE);
    EXPECT_EQ((LONG)(TVS_HASBUTTONS | TVS_HASLINES), style & (TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT));
    EXPECT_EQ(nullptr, TreeView_GetImageList(Tree(), TVSIL_NORMAL));
    TVITEMA item = {};
    item.mask = TVIF_PARAM | TVIF_IMAGE | TVIF_STATE;
    item.stateMask = (UINT)-1;
    item.hItem = Find({"Hierarchial Items", "A", "L1"});
    ASSERT_TRUE(SendMessageA(Tree(), TVM_GETITEMA, 0, (LPARAM)&item));
    EXPECT_EQ(0, item.lParam);
    EXPECT_EQ(0, item.iImage);
}

TEST_F(BrowseTreeFillTest, FillingEndsAtTheRootWithEveryDescentUndone) {
    Start(kPlant);
    EXPECT_EQ(4, Count("DOWN"));  // A, A1, A2 and B
    EXPECT_EQ(Count("DOWN"), Count("UP"));
    EXPECT_EQ("", Position());
    // Names are fetched ten at a time from one enumerator per list.
    EXPECT_EQ(0, Counters().nEnumerators);
}

TEST_F(BrowseTreeFillTest, FlatServerFillsOnlyTheFlatListWithoutMovingThePosition) {
    Start(
        "organization flat\n"
        "item Line1.Speed VT_R8 R fixed 1\n"
        "item Line1.On VT_BOOL R fixed true\n"
        "item Tank.Level VT_R4 R fixed 2\n");
    EXPECT_EQ((Texts{"Line1.Speed", "Line1.On", "Tank.Level"}), Children(Find({"Flat Items"})));
    EXPECT_TRUE(Children(Find({"Hierarchial Items"})).empty());
    EXPECT_TRUE(LogLines("ChangeBrowsePosition").empty());
    EXPECT_TRUE(LogLines("BrowseOPCItemIDs BRANCH").empty());
}

TEST_F(BrowseTreeFillTest, BranchThatRefusesEntryKeepsNoChildrenAndTheWalkGoesOn) {
    Start(std::string(kPlant) + "fail_browse_down A\n");
    EXPECT_EQ((Texts{"A", "B"}), Children(Find({"Hierarchial Items"})));
    EXPECT_TRUE(Children(Find({"Hierarchial Items", "A"})).empty());
    EXPECT_EQ((Texts{"Public Groups"}), Children(Find({"Hierarchial Items", "B"})));
    // The root's branches were listed once, and the refused entry was not answered by a move up.
    EXPECT_EQ(1u, LogLines("BrowseOPCItemIDs BRANCH filter=\"\" position=\"\"").size());
    EXPECT_EQ(1, Count("DOWN"));
    EXPECT_EQ(1, Count("UP"));
    EXPECT_EQ("", Position());
}

TEST_F(BrowseTreeFillTest, FailingFlatBrowseLeavesTheServerNodeAlone) {
    Start(std::string(kPlant) + "fail BrowseOPCItemIDs\n");
    HTREEITEM root = TreeView_GetRoot(Tree());
    EXPECT_EQ("ZZSim.OpcServer", Text(root));
    EXPECT_TRUE(Children(root).empty());
    ASSERT_EQ(1u, m_frame->Boxes().size());
    EXPECT_EQ("Funktion Failed: BrowseOPCItemIDs", m_frame->Boxes()[0].text);
    EXPECT_EQ("DEZOZOzidazIriduzEvuzIzuzi", m_frame->Boxes()[0].caption);
    EXPECT_EQ(E_FAIL, View()->FillTree());
}

TEST_F(BrowseTreeFillTest, DisconnectEmptiesTheTree) {
    Start(kPlant);
    EXPECT_EQ(0, View()->FillTree());
    EXPECT_EQ("", Position());
    SendMessageA(m_frame->Frame()->m_hWnd, WM_COMMAND, ID_CONNECT_DISCONNECT, 0);
    EXPECT_EQ(nullptr, g_pConnection);
    EXPECT_EQ(0u, TreeView_GetCount(Tree()));
    EXPECT_EQ(-1, View()->FillTree());
}

TEST_F(BrowseTreeFillTest, DeepHierarchyIsCutAtTheDepthBound) {
    std::string config = "organization hierarchical\n";
    const int levels = kMaxBrowseDepth + 6;
    for (int i = 1; i <= levels; ++i)
        config += "branch L" + std::to_string(i) + "\n  item Tag VT_I4 R fixed 1\n";
    for (int i = 1; i <= levels; ++i)
        config += "end\n";
    Start(config);
    Texts path = {"Hierarchial Items"};
    for (int i = 1; i <= kMaxBrowseDepth; ++i)
        path.push_back("L" + std::to_string(i));
    EXPECT_EQ((Texts{"Tag", "L" + std::to_string(kMaxBrowseDepth + 1)}), Children(Find(path)));
    path.push_back("L" + std::to_string(kMaxBrowseDepth + 1));
    EXPECT_TRUE(Children(Find(path)).empty());
    EXPECT_EQ(kMaxBrowseDepth, Count("DOWN"));
    EXPECT_EQ(Count("DOWN"), Count("UP"));
    EXPECT_EQ("", Position());
}

TEST_F(BrowseTreeFillTest, EndlessEnumeratorsAreCutAndTheFillEnds) {
    // Lower bounds than the program's, which take the tree control most of a minute to reach.
    struct LowLimits {
        CBrowseView::Limits saved = CBrowseView::s_limits;
        LowLimits() { CBrowseView::s_limits = {2000, 5000}; }
        ~LowLimits() { CBrowseView::s_limits = saved; }
    } low;
    Start(
        "organization hierarchical\n"
        "branch A\n"
        "  item L VT_I4 R fixed 1\n"
        "end\n"
        "endless_browse\n");
    EXPECT_EQ(2000u, Children(Find({"Flat Items"})).size());
    EXPECT_LE(TreeView_GetCount(Tree()), 5000u + 3);
    EXPECT_EQ("", Position());
    bool traced = false;
    for (const TraceRecord& r : m_capture.Records())
        traced = traced || std::string(r.bytes.c_str()).find("Browse tree incomplete") == 0;
    EXPECT_TRUE(traced);
    EXPECT_EQ(0, Counters().nEnumerators);
}

TEST_F(BrowseTreeFillTest, GarbageNamesBecomeSafeNodes) {
    Start(
        "organization hierarchical\n"
        "branch A\n"
        "  item L VT_I4 R fixed 1\n"
        "end\n"
        "garbage_browse\n");
    Texts flat = Children(Find({"Flat Items"}));
    ASSERT_EQ(1u + kBrowseBatch, flat.size());
    EXPECT_EQ("A.L", flat[0]);
    EXPECT_EQ("", flat[1]);
    EXPECT_EQ(0u, flat[2].find("Bad"));
    EXPECT_EQ(std::string(kMaxNameChars, 'X'), flat[3]);
    EXPECT_EQ("", flat[4]);  // slots the server claimed but never wrote
    Texts branches = Children(Find({"Hierarchial Items"}));
    ASSERT_EQ(1u + kBrowseBatch, branches.size());
    EXPECT_EQ("A", branches[0]);
    EXPECT_EQ("", Position());
}

}  // namespace
