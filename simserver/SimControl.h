#pragma once
// What tests may do to a running simulator, whichever way they reach it: the DLL's exports
// in-process, or the control object of ZZSimServer.exe from another process.
#include <windows.h>
#include <string>

#include "simserver/ZZSimControl.h"

namespace SimControl {
std::string Log();
void ClearLog();
// Copies at most pCounters->cbSize bytes of the snapshot and sets cbSize to what was copied.
void GetCounters(ZZSimCounters* pCounters);
HRESULT EmitStream(DWORD dwConnection, UINT cfFormat, const void* pData, DWORD cbData);
HRESULT NotifyNow(DWORD hServerGroup);
void SetDisconnected(bool bDisconnected);
}  // namespace SimControl
