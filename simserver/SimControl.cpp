#include "simserver/SimControl.h"

#include <olectl.h>

#include <cstring>
#include <vector>

#include "simserver/SimGroup.h"
#include "simserver/SimLog.h"

namespace SimControl {

std::string Log() {
    return SimLog::Text();
}

void ClearLog() {
    SimLog::Clear();
}

void GetCounters(ZZSimCounters* pCounters) {
    if (!pCounters || pCounters->cbSize == 0) {
        return;
    }
    ZZSimCounters snapshot = SimLog::Snapshot();
    DWORD size = pCounters->cbSize < sizeof(snapshot) ? pCounters->cbSize : sizeof(snapshot);
    memcpy(pCounters, &snapshot, size);
    pCounters->cbSize = size;
}

HRESULT EmitStream(DWORD dwConnection, UINT cfFormat, const void* pData, DWORD cbData) {
    SimGroup* target = nullptr;
    DWORD chosen = 0;
    for (SimGroup* group : SimGroup::LiveGroups()) {
        for (DWORD connection : group->Connections()) {
            // Connection numbers only grow, so the highest live one is the most recent.
            if (dwConnection ? connection == dwConnection : connection > chosen) {
                target = group;
                chosen = connection;
            }
        }
    }
    if (!target) {
        return CONNECT_E_NOCONNECTION;
    }
    return target->EmitRaw(chosen, static_cast<CLIPFORMAT>(cfFormat), pData, cbData);
}

HRESULT NotifyNow(DWORD hServerGroup) {
    // By handle, not by pointer: a tick may end in the client releasing another group.
    std::vector<OPCHANDLE> handles;
    for (SimGroup* group : SimGroup::LiveGroups()) {
        if (hServerGroup == 0 || group->ServerHandle() == hServerGroup) {
            handles.push_back(group->ServerHandle());
        }
    }
    for (OPCHANDLE handle : handles) {
        if (SimGroup* group = SimGroup::Find(handle)) {
            group->AddRef();
            group->Tick();
            group->Release();
        }
    }
    return handles.empty() ? S_FALSE : S_OK;
}

void SetDisconnected(bool bDisconnected) {
    SimSetDisconnected(bDisconnected);
}

}  // namespace SimControl
