#pragma once
// What the conversion reads of one item-list row: the item ID and the fields of the server's
// OPCITEMRESULT that decide the variable. The item list fills it from its row's copy.
#include <windows.h>

#include <string>

struct OpcItemData {
    std::string itemId;
    VARTYPE vtCanonicalDataType = VT_EMPTY;  // VT_ARRAY (0x2000) marks an array
    DWORD dwAccessRights = 0;                // bit 0 readable, bit 1 writeable
};
