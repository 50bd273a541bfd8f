#include "simserver/SimConfig.h"

#include <cctype>

#include "simserver/SimLog.h"

namespace {

// Timers cannot usefully run faster; "0 = as fast as possible" also lands here.
constexpr DWORD kFastestRate = 10;

LONG g_disconnected = 0;
LONG g_callDelayMs = 0;

}  // namespace

bool SimIsDisconnected() {
    return InterlockedCompareExchange(&g_disconnected, 0, 0) != 0;
}

void SimSetDisconnected(bool bDisconnected) {
    InterlockedExchange(&g_disconnected, bDisconnected ? 1 : 0);
}

void SimSetCallDelay(DWORD ms) {
    InterlockedExchange(&g_callDelayMs, static_cast<LONG>(ms));
}

void SimServeCall() {
    InterlockedIncrement(reinterpret_cast<LONG*>(&SimLog::Counters().nCalls));
    const LONG ms = InterlockedCompareExchange(&g_callDelayMs, 0, 0);
    if (ms > 0) {
        Sleep(static_cast<DWORD>(ms));
    }
}

HRESULT SimConfig::Hook(const char* method) const {
    if (SimIsDisconnected()) {
        return RPC_E_DISCONNECTED;
    }
    std::string key = method;
    for (char& c : key) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    auto delay = slow.find(key);
    if (delay != slow.end()) {
        Sleep(delay->second);
    }
    auto failure = fails.find(key);
    return failure == fails.end() ? S_OK : failure->second;
}

DWORD SimConfig::RevisedRate(DWORD requested) const {
    if (reviseRate != 0) {
        return reviseRate;
    }
    return requested < kFastestRate ? kFastestRate : requested;
}
