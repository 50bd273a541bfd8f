#pragma once
// The fixed mapping of OPC canonical data types (VARTYPE) to Korvane types.
#include <windows.h>

#include <array>
#include <cstdint>

struct TypeMapEntry {
    VARTYPE vt;
    uint32_t type;  // KorvaneType; KrAskUser when the user has to choose
};

// The 23 pairs in display order; the first match wins.
const std::array<TypeMapEntry, 23>& TypeMapTable();

// Looks the whole 16-bit VARTYPE up, flags included. False when the table has no entry.
bool MapVarType(VARTYPE vt, uint32_t* type);
