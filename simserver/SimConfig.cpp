#include "simserver/SimConfig.h"

#include <cctype>

namespace {

// Timers cannot usefully run faster; "0 = as fast as possible" also lands here.
constexpr DWORD kFastestRate = 10;

}  // namespace

HRESULT SimConfig::Hook(const char* method) const {
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
