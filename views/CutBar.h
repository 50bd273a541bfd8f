#pragma once
// The ItemID cut bar: offset and length sliders in the rebar.
#include "framework/ControlBars.h"

class CCutBar : public CDialogBar {};
