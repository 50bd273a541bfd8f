#pragma once
// The texts a data-change notification puts into the item list: per item its Value and Quality
// columns. A value whose type has no text form leaves the Value column as it is; its quality is
// shown all the same.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "opc/OpcDa.h"

struct DataChangeText {
    OPCHANDLE hClient = 0;
    bool bSkipped = false;  // no text for this type: the row keeps its value, not its quality
    std::string valueText;
    std::string qualityText;
};

// The Value column's text of one value, or false for a type that has none:
// - VT_BOOL: "On" or "Off";
// - VT_I2, VT_I4, VT_R4, VT_R8, VT_CY, VT_DATE, VT_BSTR, VT_I1, VT_UI1, VT_UI2, VT_UI4, the 64-bit
//   counters VT_I8 and VT_UI8, and VT_BSTR | VT_BYREF: the system's text conversion in the user's
//   locale (the first of ValueTexts);
// - a one-dimensional VT_UI1 array with bHexDump: two upper-case hex digits and a space per byte;
// - other arrays: the element texts joined by "| " (an empty array gives the empty text);
// - any other type (VT_EMPTY, VT_ERROR, VT_NULL, VT_INT, VT_DECIMAL, ...): none.
bool ItemValueText(const VARIANT& value, bool bHexDump, std::string* pText);

// One entry per item of the notification, in stream order: header.dwItemCount entries read from
// pItems and pValues. Every entry carries its quality text, skipped or not.
std::vector<DataChangeText> DataChangeTexts(const OPCGROUPHEADER& header,
                                            const OPCITEMHEADER2* pItems,
                                            const VARIANT* pValues,
                                            bool bHexDump);
