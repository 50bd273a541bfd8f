#pragma once
// The address-space tree (left pane).
#include "framework/Views.h"

class CBrowseView : public CTreeView {
public:
    // Rebuilds the tree from the current connection; the browsing itself is not built yet, so the
    // tree stays empty.
    void FillTree() { GetTreeCtrl().DeleteAllItems(); }
};
