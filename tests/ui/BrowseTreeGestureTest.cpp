// The browse tree's gestures on the real frame and its real nodes, against the simulation server:
// double click and right click by mouse messages at the node's rectangle, the Item ID dialog,
// the NODE menu and its "Add Items" command, the reserved texts, duplicates, and the server's
// browse position back at its root after every gesture.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Globals.h"
#include "app/MainFrame.h"
#include "common/FrameHarness.h"
#include "common/SimServerFixture.h"
#include "common/TraceCapture.h"
#include "framework/Dialog.h"
#include "opc/BrowseText.h"
#include "opc/OpcConnection.h"
#include "res/resource.h"
#include "trace/Trace.h"
#include "views/BrowseView.h"
#include "variables/VariableView.h"
#include "views/ItemView.h"

namespace {

const char kPlant[] =
    "organization hierarchical\n"
    "item Top VT_I4 R fixed 1\n"
    "branch A\n"
    "  item L1 VT_I4 R fixed 2\n"
    "  branch A1\n"
    "    item Deep VT_I4 R fixed 3\n"
    "  end\n"
    "  branch A2\n"
    "    item Deeper VT_I4 R fixed 4\n"
    "  end\n"
    "end\n"
    "branch B\n"
    "  item X VT_I4 R fixed 5\n"
    "  item Y VT_I4 R fixed 6\n"
    "  item Z VT_I4 R fixed 7\n"
    "  item \"Public Groups\" VT_I4 R fixed 8\n"
    "end\n";

using Texts = std::vector<std::string>;

// What a NODE menu showed: its entries, read while it was open.
Texts g_menuEntries;
bool g_menuSeen = false;

// The visible popup menu of this thread, if any. FindWindow would do across the desktop, but a
// fresh prefix's desktop process may hold a hidden menu window of its own that it finds first.
BOOL CALLBACK FindVisibleMenu(HWND wnd, LPARAM param) {
    char cls[16] = {};
    GetClassNameA(wnd, cls, sizeof(cls));
    if (strcmp(cls, "#32768") != 0 || !IsWindowVisible(wnd))
        return TRUE;
    *reinterpret_cast<HWND*>(param) = wnd;
    return FALSE;
}

HWND OpenMenuWindow() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindVisibleMenu, (LPARAM)&found);
    return found;
}

int g_menuTicks = 0;

void CALLBACK CloseMenuTimer(HWND, UINT, UINT_PTR id, DWORD) {
    HWND popup = OpenMenuWindow();
    // A menu that never shows up must not leave a menu loop running: give up after two seconds.
    if (!popup && ++g_menuTicks < 40)
        return;
    KillTimer(nullptr, id);
    g_menuTicks = 0;
    g_menuSeen = popup != nullptr;
    HMENU menu = popup ? (HMENU)SendMessageA(popup, 0x01E1 /* MN_GETHMENU */, 0, 0) : nullptr;
    for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
        g_menuEntries.push_back(text);
    }
    EndMenu();
}

class BrowseTreeGestureTest : public SimServerFixture {
  protected:
    void TearDown() override {
        m_frame.reset();
        SimServerFixture::TearDown();
    }
    void Start(const std::string& config = kPlant) {
        m_frame.reset();
        UseConfig(config);
        m_frame.reset(new FrameHarness("/u1 ZZSim.OpcServer"));
        m_frame->Idle();
        ASSERT_NE(nullptr, g_pConnection);
        ASSERT_TRUE(m_frame->Frame()->m_bConnected);
        ClearLog();
    }
    CBrowseView* View() const { return m_frame->Frame()->m_pBrowseView; }
    HWND Tree() const { return View()->m_hWnd; }
    std::string Text(HTREEITEM node) const { return CTreeCtrl(Tree()).GetItemText(node); }
    HTREEITEM Find(const Texts& path) const { return FindTreeNode(Tree(), path); }
    POINT Center(HTREEITEM node) const {
        TreeView_EnsureVisible(Tree(), node);
        RECT rc = {};
        EXPECT_TRUE(TreeView_GetItemRect(Tree(), node, &rc, TRUE));
        return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }
    // The views hit-test the cursor, so it must really be there. A late pointer event of an
    // earlier move can still put it back: wait until it stays where it was set.
    static void PlaceCursor(POINT screen) {
        int steady = 0;
        for (int tries = 0; tries < 100 && steady < 3; ++tries) {
            SetCursorPos(screen.x, screen.y);
            Sleep(5);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            POINT now = {};
            GetCursorPos(&now);
            steady = now.x == screen.x && now.y == screen.y ? steady + 1 : 0;
        }
    }
    // Mouse messages as the control gets them from the user, then the loop runs until idle.
    void Mouse(std::initializer_list<UINT> messages, POINT at) {
        POINT screen = at;
        ClientToScreen(Tree(), &screen);
        PlaceCursor(screen);
        for (UINT msg : messages) {
            WPARAM keys = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK ? MK_LBUTTON
                          : msg == WM_RBUTTONDOWN                          ? MK_RBUTTON
                                                                           : 0;
            PostMessageA(Tree(), msg, keys, MAKELPARAM(at.x, at.y));
        }
        m_frame->Idle();
    }
    void DoubleClick(HTREEITEM node) {
        Mouse({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}, Center(node));
    }
    // A menu opened by the click is closed again (and its entries noted), so a test that does not
    // expect one fails instead of waiting in the menu loop.
    void RightClick(POINT at) {
        g_menuEntries.clear();
        g_menuSeen = false;
        g_menuTicks = 0;
        UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseMenuTimer);
        Mouse({WM_RBUTTONDOWN, WM_RBUTTONUP}, at);
        KillTimer(nullptr, timer);
    }
    void RightClick(HTREEITEM node) { RightClick(Center(node)); }
    // Answers the next Item ID dialog: notes its text and the server's position, then types the
    // given text (unless null) and presses OK, or Cancel.
    void AnswerDialog(const char* text, bool ok = true) {
        m_dialogText = "<no dialog>";
        CDialog::SetNextInitHook([this, text, ok](CDialog& dlg) {
            char buffer[256] = {};
            GetDlgItemTextA(dlg.m_hWnd, IDC_ITEMID_EDIT, buffer, sizeof(buffer));
            m_dialogText = buffer;
            m_dialogPosition = Position();
            if (text)
                SetDlgItemTextA(dlg.m_hWnd, IDC_ITEMID_EDIT, text);
            dlg.PostMessage(WM_COMMAND, ok ? IDOK : IDCANCEL);
        });
    }
    std::string Position() const {
        LPWSTR id = nullptr;
        std::string position = "<unknown>";
        if (SUCCEEDED(g_pConnection->Browser()->GetItemID(const_cast<LPWSTR>(L""), &id)) && id)
            position = BrowseNameToAnsi(id);
        CoTaskMemFree(id);
        return position;
    }
    Texts Rows() const {
        Texts rows;
        for (int i = 0; i < g_pItemView->GetListCtrl().GetItemCount(); ++i)
            rows.push_back(g_pItemView->ItemId(i));
        return rows;
    }
    // The item counts of the AddItems requests the server got, in order.
    std::vector<int> Requests() const {
        std::vector<int> counts;
        for (const std::string& line : LogLines("AddItems group="))
            counts.push_back(atoi(line.c_str() + line.find("count=") + 6));
        return counts;
    }
    bool Traced(const std::string& line) const {
        for (const TraceRecord& r : m_capture.Records())
            if (r.kind == kTraceRecordLine && std::string(r.bytes.c_str()) == line + "\r\n")
                return true;
        return false;
    }
    void AddItemsCommand(HTREEITEM node) {
        TreeView_SelectItem(Tree(), node);
        SendMessageA(Tree(), WM_COMMAND, ID_NODE_ADD_ITEMS, 0);
        m_frame->Idle();
    }

    TraceCapture m_capture;
    KorvaneIni m_ini{nullptr};
    std::unique_ptr<FrameHarness> m_frame;
    std::string m_dialogText;
    std::string m_dialogPosition;
};

TEST_F(BrowseTreeGestureTest, DoubleClickOnAHierarchicalLeafAddsItsFullId) {
    Start();
    HTREEITEM leaf = Find({"Hierarchial Items", "A", "A1", "Deep"});
    DoubleClick(leaf);
    EXPECT_EQ(leaf, TreeView_GetSelection(Tree()));
    EXPECT_EQ(Texts{"A.A1.Deep"}, Rows());
    EXPECT_EQ(std::vector<int>{1}, Requests());
    EXPECT_EQ("", Position());
}

TEST_F(BrowseTreeGestureTest, DoubleClickOnAFlatLeafAsksTheIdAtTheRoot) {
    Start();
    DoubleClick(Find({"Flat Items", "B.X"}));
    EXPECT_EQ(Texts{"B.X"}, Rows());
    ASSERT_EQ(1u, LogLines("GetItemID").size());
    EXPECT_EQ(1u, LogLines("GetItemID \"B.X\" -> \"B.X\"").size());
    EXPECT_TRUE(LogLines("ChangeBrowsePosition").empty());
}

TEST_F(BrowseTreeGestureTest, DoubleClickOnNodesWithChildrenOrFixedNodesAddsNothing) {
    Start();
    for (const Texts& path :
         {Texts{}, Texts{"Flat Items"}, Texts{"Hierarchial Items"}, Texts{"Hierarchial Items", "A"}})
        DoubleClick(Find(path));
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ("", Position());
}

TEST_F(BrowseTreeGestureTest, DoubleClickOnAnEmptyFixedNodeOfAFlatServerAddsNothing) {
    Start("organization flat\nitem Tank.Level VT_R4 R fixed 2\n");
    DoubleClick(Find({"Hierarchial Items"}));
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(LogLines("GetItemID").empty());
}

TEST_F(BrowseTreeGestureTest, PublicGroupsLeafIsIgnoredFlatButOffersTheDialogInTheHierarchy) {
    Start("organization flat\nitem \"Public Groups\" VT_I4 R fixed 1\nitem Other VT_I4 R fixed 2\n");
    HTREEITEM flat = Find({"Flat Items", "Public Groups"});
    DoubleClick(flat);
    AnswerDialog(nullptr);
    RightClick(flat);
    EXPECT_EQ("<no dialog>", m_dialogText);
    EXPECT_TRUE(Requests().empty());
    CDialog::SetNextInitHook(nullptr);

    Start();
    HTREEITEM leaf = Find({"Hierarchial Items", "B", "Public Groups"});
    DoubleClick(leaf);
    EXPECT_TRUE(Requests().empty());
    AnswerDialog(nullptr);
    RightClick(leaf);
    EXPECT_EQ("B.Public Groups", m_dialogText);
    EXPECT_EQ(Texts{"B.Public Groups"}, Rows());
}

TEST_F(BrowseTreeGestureTest, RightClickOnAHierarchicalLeafOpensTheDialogAtTheRoot) {
    Start();
    HTREEITEM leaf = Find({"Hierarchial Items", "A", "A2", "Deeper"});
    AnswerDialog(nullptr);
    RightClick(leaf);
    EXPECT_FALSE(g_menuSeen);
    EXPECT_EQ(leaf, TreeView_GetSelection(Tree()));
    EXPECT_EQ("A.A2.Deeper", m_dialogText);
    EXPECT_EQ("", m_dialogPosition);  // back at the root before the dialog shows
    EXPECT_TRUE(Traced("Open Dlg for \"Deeper\""));
    EXPECT_EQ(Texts{"A.A2.Deeper"}, Rows());
}

TEST_F(BrowseTreeGestureTest, RightClickDialogAddsTheEditedIdOrNothingOnCancel) {
    Start();
    AnswerDialog("B.Y");
    RightClick(Find({"Hierarchial Items", "B", "X"}));
    EXPECT_EQ(Texts{"B.Y"}, Rows());
    AnswerDialog("B.Z", false);
    RightClick(Find({"Hierarchial Items", "B", "X"}));
    EXPECT_EQ(Texts{"B.Y"}, Rows());
    EXPECT_EQ(std::vector<int>{1}, Requests());
    EXPECT_EQ("", Position());
}

TEST_F(BrowseTreeGestureTest, RightClickOnAFlatLeafShowsItsTextWithoutTrace) {
    Start();
    AnswerDialog(nullptr);
    RightClick(Find({"Flat Items", "A.L1"}));
    EXPECT_EQ("A.L1", m_dialogText);
    EXPECT_EQ(Texts{"A.L1"}, Rows());
    for (const TraceRecord& r : m_capture.Records())
        EXPECT_NE(0u, std::string(r.bytes.c_str()).find("Open Dlg for"));
    EXPECT_TRUE(LogLines("ChangeBrowsePosition").empty());
}

TEST_F(BrowseTreeGestureTest, RightClickOnEmptySpaceDoesNothing) {
    Start();
    HTREEITEM selected = TreeView_GetSelection(Tree());
    RECT client;
    GetClientRect(Tree(), &client);
    AnswerDialog(nullptr);
    RightClick(POINT{client.right - 5, client.bottom - 5});
    EXPECT_FALSE(g_menuSeen);
    EXPECT_EQ("<no dialog>", m_dialogText);
    EXPECT_EQ(selected, TreeView_GetSelection(Tree()));
    CDialog::SetNextInitHook(nullptr);
}

TEST_F(BrowseTreeGestureTest, RightClickOnANodeWithChildrenOffersOnlyAddItems) {
    Start();
    HTREEITEM branch = Find({"Hierarchial Items", "B"});
    RightClick(branch);
    EXPECT_TRUE(g_menuSeen);
    EXPECT_EQ(Texts{"Add Items"}, g_menuEntries);
    EXPECT_EQ(branch, TreeView_GetSelection(Tree()));
    EXPECT_TRUE(Requests().empty());  // closed without a choice
    // The menu is offered exactly where a node has children.
    EXPECT_TRUE(TreeView_GetChild(Tree(), Find({"Hierarchial Items", "A", "A1"})));
    EXPECT_FALSE(TreeView_GetChild(Tree(), Find({"Hierarchial Items", "A", "L1"})));
}

TEST_F(BrowseTreeGestureTest, AddItemsWithOneLeafAndTwoSubBranchesMakesOneSingleRequest) {
    Start();
    AddItemsCommand(Find({"Hierarchial Items", "A"}));
    EXPECT_EQ(std::vector<int>{1}, Requests());
    EXPECT_EQ(Texts{"A.L1"}, Rows());
    EXPECT_TRUE(Traced("AddItems of Node\"A\""));
    EXPECT_EQ("", Position());
}

TEST_F(BrowseTreeGestureTest, AddItemsWithLeavesOnlyMakesOneMultiItemRequest) {
    Start();
    AddItemsCommand(Find({"Hierarchial Items", "B"}));
    EXPECT_EQ(std::vector<int>{4}, Requests());
    EXPECT_EQ((Texts{"B.X", "B.Y", "B.Z", "B.Public Groups"}), Rows());
    EXPECT_EQ("", Position());
}

TEST_F(BrowseTreeGestureTest, AddItemsWithThreeLeavesSendsThreeIds) {
    Start(
        "organization hierarchical\n"
        "branch C\n"
        "  item P VT_I4 R fixed 1\n"
        "  item Q VT_I4 R fixed 2\n"
        "  item R VT_I4 R fixed 3\n"
        "end\n");
    AddItemsCommand(Find({"Hierarchial Items", "C"}));
    EXPECT_EQ(std::vector<int>{3}, Requests());
    EXPECT_EQ((Texts{"C.P", "C.Q", "C.R"}), Rows());
}

TEST_F(BrowseTreeGestureTest, AddItemsOnFlatItemsMakesOneRequestPerChild) {
    Start();
    AddItemsCommand(Find({"Flat Items"}));
    EXPECT_EQ((std::vector<int>(8, 1)), Requests());
    EXPECT_EQ(8u, Rows().size());
    EXPECT_TRUE(Traced("AddItems of Node\"Flat Items\""));
    EXPECT_TRUE(LogLines("ChangeBrowsePosition").empty());
}

TEST_F(BrowseTreeGestureTest, AddItemsOnALeafOrWithoutSelectionDoesNothing) {
    Start();
    AddItemsCommand(Find({"Hierarchial Items", "A", "L1"}));
    TreeView_SelectItem(Tree(), nullptr);
    SendMessageA(Tree(), WM_COMMAND, ID_NODE_ADD_ITEMS, 0);
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(LogLines("ChangeBrowsePosition").empty());
}

TEST_F(BrowseTreeGestureTest, ListedItemsAreSelectedInsteadOfAddedAgain) {
    Start();
    AddItemsCommand(Find({"Hierarchial Items", "B"}));
    ListView_SetItemState(g_pItemView->m_hWnd, -1, 0, LVIS_SELECTED);
    AddItemsCommand(Find({"Hierarchial Items", "B"}));
    DoubleClick(Find({"Hierarchial Items", "B", "Y"}));
    EXPECT_EQ(std::vector<int>{4}, Requests());
    EXPECT_EQ(4u, Rows().size());
    EXPECT_EQ(4u, ListView_GetSelectedCount(g_pItemView->m_hWnd));
    EXPECT_EQ("", Position());
}

TEST_F(BrowseTreeGestureTest, LeafWhoseIdTheServerCannotGiveAddsNothing) {
    Start(std::string(kPlant) + "fail GetItemID\n");
    DoubleClick(Find({"Hierarchial Items", "A", "L1"}));
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(m_frame->Boxes().empty());
    EXPECT_EQ(1u, LogLines("AddItems.item \"\"").size());
}

// The keyboard takes the mouse's routes: Enter as a double click on a leaf and "Add Items" on a
// branch, Delete as the lists' delete command, the context-menu key (and Shift+F10, which sends
// the same message) as a right click on the selected node or focused row.
TEST_F(BrowseTreeGestureTest, KeyboardTakesTheRoutesOfTheMouse) {
    Start();
    auto key = [this](HWND window, WPARAM vk) {
        SendMessageA(window, WM_KEYDOWN, vk, 0);
        m_frame->Idle();
    };
    auto menuKey = [](HWND window) {
        g_menuEntries.clear();
        g_menuSeen = false;
        g_menuTicks = 0;
        UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseMenuTimer);
        SendMessageA(window, WM_CONTEXTMENU, (WPARAM)window, -1);
        KillTimer(nullptr, timer);
    };
    TreeView_SelectItem(Tree(), Find({"Hierarchial Items", "A", "A1", "Deep"}));
    key(Tree(), VK_RETURN);
    EXPECT_EQ(Texts{"A.A1.Deep"}, Rows());
    TreeView_SelectItem(Tree(), Find({"Hierarchial Items", "B"}));
    key(Tree(), VK_RETURN);
    EXPECT_EQ((Texts{"A.A1.Deep", "B.X", "B.Y", "B.Z", "B.Public Groups"}), Rows());
    EXPECT_EQ((std::vector<int>{1, 4}), Requests());
    menuKey(Tree());
    EXPECT_EQ(Texts{"Add Items"}, g_menuEntries);
    TreeView_SelectItem(Tree(), Find({"Hierarchial Items", "A", "L1"}));
    AnswerDialog(nullptr, false);
    menuKey(Tree());
    EXPECT_FALSE(g_menuSeen);
    EXPECT_EQ("A.L1", m_dialogText);

    HWND items = g_pItemView->m_hWnd;
    ListView_SetItemState(items, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(items, 2, LVIS_FOCUSED, LVIS_FOCUSED);
    menuKey(items);
    EXPECT_EQ(3u, g_menuEntries.size());
    EXPECT_EQ(2, ListView_GetSelectionMark(items));
    // As the arrow keys leave it: row 0 selected, focused and marked.
    ListView_SetItemState(items, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(items, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(items, 0);
    key(items, VK_DELETE);
    EXPECT_EQ((Texts{"B.X", "B.Y", "B.Z", "B.Public Groups"}), Rows());

    ListView_SetItemState(items, 1, LVIS_SELECTED, LVIS_SELECTED);
    g_pItemView->PreviewItems(false);
    g_pVariableView->Commit();
    HWND variables = g_pVariableView->m_hWnd;
    const int before = ListView_GetItemCount(variables);
    ASSERT_GE(before, 1);
    ListView_SetItemState(variables, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    menuKey(variables);
    EXPECT_EQ((Texts{"Edit", "Delete"}), g_menuEntries);
    key(variables, VK_DELETE);
    EXPECT_EQ(before - 1, ListView_GetItemCount(variables));
}

}  // namespace
