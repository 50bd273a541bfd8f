#pragma once
// The address-space tree (left pane).
#include "framework/Views.h"

class CBrowseView : public CTreeView {};
