#include "variables/TypeMapTable.h"

#include "variables/VariableRecord.h"

const std::array<TypeMapEntry, 23>& TypeMapTable() {
    // VT_I1 maps to a 16-bit word: Korvane has no 8-bit type. The bare flags VT_BYREF and
    // VT_ARRAY are listed so that a server announcing them alone makes the user choose.
    static const std::array<TypeMapEntry, 23> table = {{
        {VT_EMPTY, KrAskUser},     {VT_NULL, KrAskUser},     {VT_I1, KrWord},          {VT_UI1, KrWordUnsigned},
        {VT_I2, KrWord},           {VT_UI2, KrWordUnsigned}, {VT_I4, KrLong},          {VT_UI4, KrLongUnsigned},
        {VT_R4, KrFloat},          {VT_R8, KrFloat},         {VT_CY, KrAskUser},       {VT_BOOL, KrDigit},
        {VT_BSTR, KrText},         {VT_DATE, KrAskUser},     {VT_DISPATCH, KrAskUser}, {VT_ERROR, KrAskUser},
        {VT_VARIANT, KrAskUser},   {VT_UNKNOWN, KrAskUser},  {VT_DECIMAL, KrFloat},    {VT_INT, KrWord},
        {VT_UINT, KrWordUnsigned}, {VT_BYREF, KrAskUser},    {VT_ARRAY, KrAskUser},
    }};
    return table;
}

bool MapVarType(VARTYPE vt, uint32_t* type) {
    for (const TypeMapEntry& entry : TypeMapTable()) {
        if (entry.vt == vt) {
            if (type) {
                *type = entry.type;
            }
            return true;
        }
    }
    return false;
}
