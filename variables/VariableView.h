#pragma once
// The Korvane variable list (lower right pane).
#include "framework/Views.h"

class CVariableView : public CListView {};
