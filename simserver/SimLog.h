#pragma once
// The call log and counters that tests read through the DLL's control exports.
#include <windows.h>
#include <string>

#include "simserver/ZZSimControl.h"

namespace SimLog {
// Appends one line (printf-style, UTF-8 text).
void Write(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Text();
void Clear();
// The live counters; object counts are filled in by Snapshot.
ZZSimCounters& Counters();
ZZSimCounters Snapshot();
}  // namespace SimLog
