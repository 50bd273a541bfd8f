#pragma once
// The OPC item list (upper right pane).
#include "framework/Views.h"

class CItemView : public CListView {
public:
    bool m_deleteOnAccept = true;  // "Übernehmen" also removes the accepted items
};
