#include "views/BrowseView.h"

#include <wrl/client.h>

#include <vector>

#include "app/Globals.h"
#include "app/ItemIdDlg.h"
#include "framework/CommandTable.h"
#include "framework/FrameWnd.h"
#include "opc/BrowseText.h"
#include "opc/OpcConnection.h"
#include "res/resource.h"
#include "trace/Trace.h"
#include "views/ItemView.h"
#include "views/ProgressWindow.h"

using Microsoft::WRL::ComPtr;

namespace {
// Node texts are names of at most kMaxNameChars characters; double-byte code pages double that.
const size_t kMaxNodeTextBytes = 4 * kMaxNameChars;
// "Add Items" goes back to the root and adds the IDs read so far after this many: a cancel then
// keeps what was added, and the server sees the usual order (IDs at the branch, items at the root).
const size_t kAddItemsChunk = 500;

const char kReadingProgress[] = "Lese Adressraum: %u Namen gelesen";
const char kAddingProgress[] = "F\xfcge Items hinzu: %u von %u";
const char kCancelledNote[] = "Adressraum unvollst\xe4ndig: Lesen abgebrochen";
const char kServerLostNote[] = "Adressraum unvollst\xe4ndig: Server antwortet nicht mehr";

IMalloc* ServerMalloc() {
    return g_pConnection ? g_pConnection->Link().GetMalloc() : nullptr;
}
}  // namespace

CBrowseView::Limits CBrowseView::s_limits = {kMaxNamesPerEnumerator, kMaxTreeNodes};

// Bounds and health of one fill: the nodes still allowed, the current browse depth, and whether
// the server's position can no longer be trusted (a move up failed).
//
// Leaves wait in `leaves` until the walk is over. The tree control checks the parent of every
// insert by a linear search of all its nodes in the order they were made, so parents made early
// keep each insert cheap: branch nodes go in during the walk, the far more numerous leaves after
// it. Which nodes the tree gets, and their order among siblings, is the same either way.
struct CBrowseView::FillState {
    size_t nodesLeft = s_limits.treeNodes;
    int depth = 0;
    bool positionLost = false;
    bool cut = false;
    // Names asked for per Next; lowered for the whole fill when a server refuses the count.
    ULONG batch = kBrowseBatch;
    std::vector<std::pair<HTREEITEM, std::vector<std::string>>> leaves;
    // The fill stops early when the user cancels it or the server has gone; the tree keeps what
    // was read and the status line says that it is incomplete.
    CProgressWindow* progress = nullptr;
    unsigned namesRead = 0;
    bool cancelled = false;
    bool serverLost = false;
    std::string position;  // the branch being read, for the trace of a cancel

    // Reports progress; true when the walk has to stop.
    bool Stop() {
        serverLost = serverLost || (g_pConnection && g_pConnection->IsServerLost());
        if (!cancelled && !serverLost && progress && !progress->Step(namesRead))
            cancelled = true;
        return cancelled || serverLost;
    }
};

CTreeCtrl& CBrowseView::Tree() {
    if (!m_tree.m_hWnd)
        m_tree.m_hWnd = m_hWnd;
    return m_tree;
}

void CBrowseView::OnInitialUpdate() {
    m_tree.m_hWnd = m_hWnd;
    // Buttons and lines below the root only: the one top-level node needs no line to the left.
    LONG style = GetWindowLongA(m_hWnd, GWL_STYLE);
    SetWindowLongA(m_hWnd, GWL_STYLE, style | TVS_HASBUTTONS | TVS_HASLINES);
}

std::string CBrowseView::NodeText(HTREEITEM node) {
    std::string text(256, '\0');
    for (;;) {
        TVITEMA item = {};
        item.mask = TVIF_TEXT;
        item.hItem = node;
        item.pszText = &text[0];
        item.cchTextMax = (int)text.size();
        if (!SendMessage(TVM_GETITEMA, 0, (LPARAM)&item))
            return std::string();
        size_t n = strnlen(text.c_str(), text.size());
        // A text that filled the buffer may have been cut: try again with more room.
        if (n + 1 < text.size() || text.size() >= kMaxNodeTextBytes) {
            text.resize(n);
            return text;
        }
        text.assign(text.size() * 2, '\0');
    }
}

bool CBrowseView::IsHierarchicalTop(HTREEITEM node) {
    HTREEITEM parent = Tree().GetParentItem(node);
    return parent && !Tree().GetParentItem(parent) && NodeText(node) == kHierarchicalItemsText;
}

std::vector<std::string> CBrowseView::TakeNames(IEnumString* names, FillState& state, bool bFresh) {
    std::vector<std::string> kept;
    BrowseNameReader reader(names, ServerMalloc(), s_limits.namesPerEnumerator, &state.batch);
    // A new enumerator stands at its start: a Reset would be a round trip for nothing.
    if (!bFresh && !reader.Reset())
        return kept;
    std::vector<std::string> batch;
    while (reader.Next(&batch)) {
        for (std::string& name : batch) {
            if (state.nodesLeft == 0) {
                state.cut = true;
                return kept;
            }
            --state.nodesLeft;
            kept.push_back(std::move(name));
        }
        state.namesRead += (unsigned)batch.size();
        if (state.Stop())
            return kept;
    }
    state.cut = state.cut || reader.WasCut();
    return kept;
}

void CBrowseView::InsertLeaves(FillState& state) {
    // Each parent's leaves come before the branches already below it. A parent without branches
    // takes them in order at its end; otherwise the last leaf goes in first and each further one
    // in front of it (an explicit "insert after" node would be searched for like a parent). In
    // order is better where possible: deleting the tree then finds each node near the front.
    for (auto& [parent, names] : state.leaves) {
        if (!Tree().GetChildItem(parent)) {
            for (const std::string& name : names)
                Tree().InsertItem(name.c_str(), parent, TVI_LAST);
        } else {
            for (auto name = names.rbegin(); name != names.rend(); ++name)
                Tree().InsertItem(name->c_str(), parent, TVI_FIRST);
        }
    }
    state.leaves.clear();
}

void CBrowseView::SetIncompleteNote(const char* mark) {
    // The connection's own notice (a server that sends no values, ...) stays in front.
    std::string note = g_pConnection ? g_pConnection->Notice() : std::string();
    if (*mark)
        note += note.empty() ? mark : std::string(" - ") + mark;
    if (auto* frame = dynamic_cast<CFrameWnd*>(CWnd::FromHandle(GetAncestor(m_hWnd, GA_ROOT))))
        frame->SetIdleNote(note);
}

int CBrowseView::FillTree() {
    SetIncompleteNote("");
    CRedrawOff redrawOff(m_hWnd);
    SendMessage(TVM_DELETEITEM, 0, (LPARAM)TVI_ROOT);
    OpcConnection* connection = g_pConnection;
    if (!connection || connection->m_serverText.empty())
        return -1;
    HTREEITEM root = Tree().InsertItem(connection->m_serverText.c_str());
    IEnumString* flat = nullptr;
    if (connection->BrowseFlat(&flat) != S_OK)
        return E_FAIL;
    CProgressWindow progress(m_hWnd, kReadingProgress);
    FillState state;
    state.progress = &progress;
    state.position = kFlatItemsText;
    HTREEITEM flatNode = Tree().InsertItem(kFlatItemsText, root);
    InsertNames(flat, flatNode, state, true);
    HTREEITEM hierarchy = Tree().InsertItem(kHierarchicalItemsText, root);
    if (!state.Stop() && !connection->IsFlatSpace()) {
        state.position = kHierarchicalItemsText;
        FillBranches(hierarchy, state);
        // The walk stopped where a move up failed; start the next gesture from the root anyway.
        if (state.positionLost && !connection->IsServerLost())
            connection->BrowseToRoot();
    }
    InsertLeaves(state);
    if (state.cut)
        Trace("Browse tree incomplete: the server lists more names than the program shows");
    if (state.cancelled) {
        Trace("Browse tree cancelled by the user after %u names, while reading \"%s\"", state.namesRead,
              state.position.c_str());
        SetIncompleteNote(kCancelledNote);
    } else if (connection->IsServerLost()) {
        SetIncompleteNote(kServerLostNote);
    }
    Tree().SelectItem(root);
    TreeView_Expand(m_hWnd, root, TVE_EXPAND);
    return 0;
}

int CBrowseView::InsertNames(IEnumString* names, HTREEITEM parent) {
    FillState state;
    const int result = InsertNames(names, parent, state);
    InsertLeaves(state);
    return result;
}

int CBrowseView::InsertNames(IEnumString* names, HTREEITEM parent, FillState& state, bool bFresh) {
    if (!names)
        return E_FAIL;
    // Takes over the caller's reference (MinGW's ComPtr::Attach would add one of its own).
    ComPtr<IEnumString> owned;
    *owned.GetAddressOf() = names;
    std::vector<std::string> kept = TakeNames(names, state, bFresh);
    if (!kept.empty())
        state.leaves.emplace_back(parent, std::move(kept));
    return 0;
}

int CBrowseView::FillBranches(HTREEITEM parent) {
    FillState state;
    const int result = FillBranches(parent, state);
    InsertLeaves(state);
    return result;
}

int CBrowseView::FillBranches(HTREEITEM parent, FillState& state) {
    OpcConnection* connection = g_pConnection;
    if (!connection)
        return -1;
    // Every branch node of this level goes in before any of them gets children: the tree control
    // inserts a node behind siblings with children far more slowly (the whole level is walked).
    // The enumerator is thus exhausted and released before the position moves, which also suits
    // servers whose enumerators follow the position.
    std::vector<std::pair<std::string, HTREEITEM>> branches;
    if (state.Stop())
        return 0;
    {
        ComPtr<IEnumString> names;
        // S_FALSE: nothing found (the enumerator, if any, is empty and need not be read).
        if (connection->BrowseBranches(names.GetAddressOf()) == S_FALSE || !names)
            return 0;
        for (std::string& name : TakeNames(names.Get(), state, true)) {
            if (HTREEITEM node = Tree().InsertItem(name.c_str(), parent))
                branches.emplace_back(std::move(name), node);
        }
    }
    if (!branches.empty() && state.depth >= kMaxBrowseDepth) {
        state.cut = true;
        return 0;
    }
    for (const auto& [name, node] : branches) {
        if (state.Stop())
            break;
        state.position = name;
        IEnumString* leaves = nullptr;
        bool moved = false;
        const HRESULT found = connection->BrowseLeavesOf(name.c_str(), &leaves, &moved);
        // A listed branch the server will not enter keeps no children; the position did not
        // change, so listing again here would repeat the parent's branches, and a move up would
        // leave the parent.
        if (!moved) {
            if (leaves)
                leaves->Release();
            continue;
        }
        if (found == S_FALSE && leaves) {
            leaves->Release();
            leaves = nullptr;
        }
        if (leaves)
            InsertNames(leaves, node, state, true);
        ++state.depth;
        FillBranches(node, state);
        --state.depth;
        // A cancelled walk still climbs back to the root; one whose server has gone calls no more.
        if (state.positionLost || connection->IsServerLost() || FAILED(connection->BrowseUp())) {
            state.positionLost = true;
            break;
        }
    }
    return 0;
}

int CBrowseView::BrowseToParentOf(HTREEITEM node) {
    OpcConnection* connection = g_pConnection;
    if (!connection)
        return -1;
    HTREEITEM parent = node ? Tree().GetParentItem(node) : nullptr;
    if (!parent)
        return E_FAIL;
    // At rest the position is the root, which is where the top branches lie.
    if (IsHierarchicalTop(parent))
        return 0;
    int result = BrowseToParentOf(parent);
    if (result < 0)
        return result;
    // The result is not checked: a branch the server would not enter has no children in the tree.
    connection->BrowseDown(NodeText(parent).c_str());
    return 0;
}

void CBrowseView::ShowContextMenu(UINT menuId, const POINT* at) {
    TrackContextMenu(menuId, at);
}

LRESULT CBrowseView::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    // Nothing starts while the tree is read or items are added.
    if (CProgressWindow::IsRunning())
        return CTreeView::WindowProc(msg, wp, lp);
    if (msg == WM_KEYDOWN && wp == VK_RETURN) {
        HTREEITEM node = Tree().GetSelectedItem();
        if (node && Tree().ItemHasChildren(node))
            ::SendMessageA(m_hWnd, WM_COMMAND, ID_NODE_ADD_ITEMS, 0);
        else if (node)
            OnDoubleClick();
        return 0;
    }
    // lParam -1: asked for from the keyboard; a mouse click comes as NM_RCLICK.
    if (msg == WM_CONTEXTMENU && lp == -1) {
        HTREEITEM node = Tree().GetSelectedItem();
        RECT rc;
        if (node && TreeView_GetItemRect(m_hWnd, node, &rc, TRUE)) {
            const POINT pt = KeyboardMenuPoint(&rc);
            OnNodeContext(node, &pt);
        }
        return 0;
    }
    return CTreeView::WindowProc(msg, wp, lp);
}

BOOL CBrowseView::OnNotifyReflect(NMHDR* hdr, LRESULT* result) {
    if (CProgressWindow::IsRunning())
        return CTreeView::OnNotifyReflect(hdr, result);
    switch (hdr->code) {
        case NM_DBLCLK:
            OnDoubleClick();
            *result = 0;  // the control still expands or collapses the node
            return TRUE;
        case NM_RCLICK:
            OnRightClick();
            *result = 1;  // handled: no WM_CONTEXTMENU afterwards
            return TRUE;
        default:
            return CTreeView::OnNotifyReflect(hdr, result);
    }
}

BOOL CBrowseView::OnCmdMsg(UINT id, int code, CCmdUI* pUI) {
    if (CProgressWindow::IsRunning() && code == CN_COMMAND)
        return TRUE;
    static const CommandEntry<CBrowseView> kCommands[] = {
        {ID_NODE_ADD_ITEMS, ID_NODE_ADD_ITEMS, &CBrowseView::OnAddItems, nullptr},
    };
    return RouteCommand(this, kCommands, id, code, pUI) || CTreeView::OnCmdMsg(id, code, pUI);
}

void CBrowseView::OnDoubleClick() {
    OpcConnection* connection = g_pConnection;
    HTREEITEM node = Tree().GetSelectedItem();
    if (!connection || !node || Tree().ItemHasChildren(node))
        return;
    std::string text = NodeText(node);
    if (IsReservedNodeText(text, connection->m_serverText))
        return;
    std::string itemId;
    if (BrowseToParentOf(node) >= 0) {
        itemId = connection->GetFullItemId(text.c_str());
        connection->BrowseToRoot();
    } else {
        // A flat leaf: the position is the root, where the server knows every full item ID.
        itemId = connection->GetFullItemId(text.c_str());
    }
    connection->AddItem(itemId.c_str());
}

void CBrowseView::OnRightClick() {
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(m_hWnd, &pt);
    HTREEITEM node = Tree().HitTest(pt);
    if (!node || !Tree().SelectItem(node))
        return;
    OnNodeContext(node, nullptr);
}

void CBrowseView::OnNodeContext(HTREEITEM node, const POINT* at) {
    if (Tree().ItemHasChildren(node)) {
        ShowContextMenu(IDR_MENU_NODE, at);
        return;
    }
    OpcConnection* connection = g_pConnection;
    if (!connection)
        return;
    std::string text = NodeText(node);
    CItemIdDlg dlg;
    if (BrowseToParentOf(node) >= 0) {
        Trace("Open Dlg for \"%s\"", text.c_str());
        dlg.m_itemId = connection->GetFullItemId(text.c_str());
        connection->BrowseToRoot();
    } else {
        if (IsReservedNodeText(text, connection->m_serverText))
            return;
        dlg.m_itemId = text;
    }
    // The dialog runs a message loop: look the connection up again afterwards.
    if (dlg.DoModal() == IDOK && g_pConnection)
        g_pConnection->AddItem(dlg.m_itemId.c_str());
}

void CBrowseView::OnAddItems(UINT) {
    OpcConnection* connection = g_pConnection;
    HTREEITEM node = Tree().GetSelectedItem();
    if (!connection || !node || !Tree().ItemHasChildren(node))
        return;
    std::string text = NodeText(node);
    CProgressWindow progress(m_hWnd, kAddingProgress);
    unsigned done = 0;
    unsigned total = 0;
    if (BrowseToParentOf(node) >= 0) {
        // The node's own leaves only: sub-branches are neither added nor entered.
        std::vector<HTREEITEM> leaves;
        for (HTREEITEM child = Tree().GetChildItem(node); child; child = Tree().GetNextSiblingItem(child)) {
            if (!Tree().ItemHasChildren(child))
                leaves.push_back(child);
        }
        total = (unsigned)leaves.size();
        connection->BrowseDown(text.c_str());
        std::vector<std::string> itemIds;
        for (size_t i = 0; i < leaves.size();) {
            itemIds.push_back(connection->GetFullItemId(NodeText(leaves[i++]).c_str()));
            const bool bStop = !progress.Step(done + (unsigned)itemIds.size(), total) || connection->IsServerLost();
            if (itemIds.size() < kAddItemsChunk && i < leaves.size() && !bStop)
                continue;
            done += (unsigned)itemIds.size();
            AddAtRoot(itemIds);
            itemIds.clear();
            if (bStop || i == leaves.size())
                break;
            BrowseToParentOf(node);
            connection->BrowseDown(text.c_str());
        }
        if (leaves.empty())
            connection->BrowseToRoot();
    } else {
        // The server node, "Flat Items" or "Hierarchial Items": the texts are the IDs.
        CRedrawOff quiet(g_pItemView ? g_pItemView->m_hWnd : nullptr);
        std::vector<HTREEITEM> children;
        for (HTREEITEM child = Tree().GetChildItem(node); child; child = Tree().GetNextSiblingItem(child))
            children.push_back(child);
        total = (unsigned)children.size();
        for (HTREEITEM child : children) {
            if (connection->IsServerLost() || !progress.Step(done, total))
                break;
            connection->AddItem(NodeText(child).c_str());
            ++done;
        }
    }
    if (progress.Cancelled())
        Trace("AddItems of Node\"%s\" cancelled by the user after %u of %u items", text.c_str(), done, total);
    Trace("AddItems of Node\"%s\"", text.c_str());
}

void CBrowseView::AddAtRoot(std::vector<std::string>& itemIds) {
    OpcConnection* connection = g_pConnection;
    if (connection->IsServerLost())
        return;
    connection->BrowseToRoot();
    if (itemIds.size() > 1)
        connection->AddItems(itemIds);
    else if (itemIds.size() == 1)
        connection->AddItem(itemIds[0].c_str());
}
