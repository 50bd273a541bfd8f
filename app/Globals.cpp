#include "app/Globals.h"

OpcConnection* g_pConnection = nullptr;
CItemView* g_pItemView = nullptr;
CVariableView* g_pVariableView = nullptr;
ConversionSettings* g_pConversionSettings = nullptr;
WORD g_nServerIndex = 0;
