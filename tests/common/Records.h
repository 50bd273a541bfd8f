#pragma once
// Variable records as the conversion makes them, for tests and the bench.
#include "variables/VariableRecord.h"

// A single variable of type on a device channel: one element, read and write, cycle 1.
inline VariableRecord SingleRecord(uint32_t type, int32_t channel = 3) {
    VariableRecord r;
    r.kind = KindSingle;
    r.type = type;
    r.channel = channel;
    r.access = AccessCombined;
    r.size = 1;
    r.cycle = 1;
    return r;
}
