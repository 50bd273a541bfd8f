#pragma once
// The address-space tree (left pane): the connected server's item IDs under "Flat Items" and its
// branches under "Hierarchial Items", built in one pass after a connect. Nodes keep only the name
// the server listed; an item ID is asked from the server when needed, after moving its browse
// position down along the node's ancestors, and the position is back at the root when a handler
// returns. Items reach the item list by double click, by the Item ID dialog (right click on a
// leaf) or by "Add Items" of the NODE menu (right click on a node with children).
#include <string>
#include <vector>

#include "framework/Views.h"

struct IEnumString;

class CBrowseView : public CTreeView {
  public:
    CBrowseView() = default;

    void OnInitialUpdate() override;
    // 0; -1 without a connection or server text (the tree stays empty); E_FAIL when the flat
    // browse fails (the tree shows the server text alone).
    int FillTree();
    // Inserts the branches at the server's current position below parent, recursively; -1 without
    // a connection, else 0.
    int FillBranches(HTREEITEM parent);
    // Inserts every name below parent and releases the enumerator; E_FAIL for a null enumerator.
    int InsertNames(IEnumString* names, HTREEITEM parent);
    // Moves the browse position into the branch holding node: 0 inside "Hierarchial Items";
    // negative otherwise, with the position unchanged (-1 without a connection).
    int BrowseToParentOf(HTREEITEM node);
    // Tracks the first popup of the menu resource at the screen point (null: the cursor); its
    // command comes back here.
    void ShowContextMenu(UINT menuId, const POINT* at = nullptr);

    BOOL OnNotifyReflect(NMHDR* hdr, LRESULT* result) override;
    // The keyboard does what the mouse does: Enter a double click on a leaf and "Add Items" on a
    // branch, the context-menu key and Shift+F10 a right click on the selected node.
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;

    // The tree control (the view itself).
    CTreeCtrl m_tree{nullptr};

    // Bounds of one fill against servers whose enumerators never end; tests lower them.
    struct Limits {
        size_t namesPerEnumerator;
        size_t treeNodes;
    };
    static Limits s_limits;

  private:
    struct FillState;
    int FillBranches(HTREEITEM parent, FillState& state);
    // bFresh: the enumerator was just handed out, so it needs no Reset.
    int InsertNames(IEnumString* names, HTREEITEM parent, FillState& state, bool bFresh = false);
    // The names of an enumerator, as many as the fill's node budget still allows (the fill is
    // marked cut when it ends them); each name kept has taken its node.
    static std::vector<std::string> TakeNames(IEnumString* names, FillState& state, bool bFresh);
    // Puts the leaves collected by the walk into the tree.
    void InsertLeaves(FillState& state);
    void OnDoubleClick();
    void OnRightClick();
    // What a right click on node does; the node menu shows at the point (null: the cursor).
    void OnNodeContext(HTREEITEM node, const POINT* at);
    void OnAddItems(UINT id);
    // Moves the position back to the root and adds the IDs read at a branch (AddItems, or AddItem
    // for one); itemIds loses the duplicates. Calls nothing when the server has gone.
    void AddAtRoot(std::vector<std::string>& itemIds);
    // The status line's note: the connection's notice, then the mark of an incomplete tree
    // ("" for none).
    void SetIncompleteNote(const char* mark);
    CTreeCtrl& Tree();
    // The whole text of a node (CTreeCtrl::GetItemText cuts long names).
    std::string NodeText(HTREEITEM node);
    // The fixed "Hierarchial Items" node, not a server branch that happens to bear that name.
    bool IsHierarchicalTop(HTREEITEM node);
};
