#pragma once
// The program's shared pointers: panes, connection and conversion settings.
#include <windows.h>

class OpcConnection;
class CItemView;
class CVariableView;
class ConversionSettings;

extern OpcConnection* g_pConnection;
extern CItemView* g_pItemView;
extern CVariableView* g_pVariableView;
extern ConversionSettings* g_pConversionSettings;
extern WORD g_nServerIndex;  // index 0..4 of the server entry of the current connection
