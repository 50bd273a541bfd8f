#pragma once
// One record line of the Korvane process database text ($E, $V, $T), without its line end.
#include <string>

#include "variables/VariableRecord.h"

// Formats the line for a row named name with the address text address. Returns 0; -1 for a
// single variable, element or unknown kind without a line format; E_FAIL for a driver object of
// an unknown kind. Lines have no length limit: long item IDs and driver texts are written whole.
int FormatRecordLine(const std::string& name, const std::string& address, const VariableRecord& r, std::string* line);
