// The group object: its identity and interfaces, the list of live groups, and its state (rate,
// name, activity, clones). Items, reads and writes are in SimGroupItems.cpp, notifications in
// SimGroupNotify.cpp.
#include "simserver/SimGroup.h"

#include <olectl.h>
#include <algorithm>
#include <cstring>
#include <new>

#include "simserver/SimItemAttributesEnum.h"
#include "simserver/SimLog.h"
#include "simserver/SimStreamWriter.h"
#include "simserver/SimTaskArray.h"
#include "simserver/SimText.h"

namespace {

std::vector<SimGroup*>& Registry() {
    static std::vector<SimGroup*> s_groups;
    return s_groups;
}

}  // namespace

SimGroup* SimGroup::Create(SimGroupOwner* pServer,
                           std::shared_ptr<const SimConfig> config,
                           OPCHANDLE hServerGroup,
                           const SimGroupState& state) {
    return new (std::nothrow) SimGroup(pServer, std::move(config), hServerGroup, state);
}

SimGroup* SimGroup::Find(OPCHANDLE hServerGroup) {
    for (SimGroup* group : Registry()) {
        if (group->m_hServerGroup == hServerGroup) {
            return group;
        }
    }
    return nullptr;
}

std::vector<SimGroup*> SimGroup::LiveGroups() {
    return Registry();
}

SimGroup::SimGroup(SimGroupOwner* pServer,
                   std::shared_ptr<const SimConfig> config,
                   OPCHANDLE hServerGroup,
                   const SimGroupState& state)
    : m_pServer(pServer),
      m_config(config),
      m_hServerGroup(hServerGroup),
      m_state(state),
      m_items(config),
      m_dataPoint(static_cast<IOPCItemMgt*>(this), config, hServerGroup, [this] {
          UpdateTimer();
          m_window.Wake();
      }) {
    // Without the window the group still works, it just never notifies.
    m_window.Create(this);
    Registry().push_back(this);
}

SimGroup::~SimGroup() {
    auto& groups = Registry();
    groups.erase(std::remove(groups.begin(), groups.end(), this), groups.end());
}

STDMETHODIMP SimGroup::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    *ppv = nullptr;
    const char* withheld = nullptr;
    if (IsEqualIID(riid, IID_IUnknown)) {
        *ppv = static_cast<IOPCItemMgt*>(this);
    } else if (IsEqualIID(riid, IID_IOPCItemMgt)) {
        withheld = "itemmgt";
        *ppv = static_cast<IOPCItemMgt*>(this);
    } else if (IsEqualIID(riid, IID_IOPCGroupStateMgt)) {
        withheld = "groupstatemgt";
        *ppv = static_cast<IOPCGroupStateMgt*>(this);
    } else if (IsEqualIID(riid, IID_IOPCSyncIO)) {
        withheld = "syncio";
        *ppv = static_cast<IOPCSyncIO*>(this);
    } else if (IsEqualIID(riid, IID_IOPCAsyncIO)) {
        withheld = "asyncio";
        *ppv = static_cast<IOPCAsyncIO*>(this);
    } else if (IsEqualIID(riid, IID_IDataObject)) {
        withheld = "dataobject";
        *ppv = static_cast<IDataObject*>(this);
    } else if (IsEqualIID(riid, IID_IConnectionPointContainer) && m_config->bDa2Callbacks) {
        *ppv = static_cast<IConnectionPointContainer*>(&m_dataPoint);
    }
    if (*ppv && withheld && Withholds(withheld)) {
        SimLog::Write("QueryInterface group=%lu %s -> withheld", m_hServerGroup, withheld);
        *ppv = nullptr;
    }
    if (!*ppv) {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) SimGroup::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

STDMETHODIMP_(ULONG) SimGroup::Release() {
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0) {
        delete this;
    }
    return static_cast<ULONG>(count);
}

HRESULT SimGroup::Enter(const char* method) const {
    return m_bRemoved ? E_FAIL : m_config->Hook(method);
}

void SimGroup::MarkRemoved() {
    m_bRemoved = true;
    m_transactions.clear();
    m_sinks.ReleaseAll();
    m_dataPoint.ReleaseSink();
    UpdateTimer();
}

void SimGroup::CopyItemsFrom(SimGroup& source) {
    for (SimGroupItem* item : source.m_items.Items()) {
        std::wstring id = item->pNode->fullId;
        OPCITEMDEF def = {const_cast<LPWSTR>(item->accessPath.c_str()),
                          &id[0],
                          item->bActive,
                          item->hClient,
                          0,
                          nullptr,
                          item->vtRequested,
                          0};
        OPCITEMRESULT result;
        m_items.Add(def, &result);
    }
}

STDMETHODIMP SimGroup::GetState(DWORD* pUpdateRate,
                                BOOL* pActive,
                                LPWSTR* ppName,
                                LONG* pTimeBias,
                                FLOAT* pPercentDeadband,
                                DWORD* pLCID,
                                OPCHANDLE* phClientGroup,
                                OPCHANDLE* phServerGroup) {
    SimServeCall();
    if (!pUpdateRate || !pActive || !ppName || !pTimeBias || !pPercentDeadband || !pLCID || !phClientGroup ||
        !phServerGroup) {
        return E_INVALIDARG;
    }
    *ppName = nullptr;
    if (m_bRemoved) {
        return E_FAIL;
    }
    *ppName = CoTaskStrDup(m_state.name);
    if (!*ppName) {
        return E_OUTOFMEMORY;
    }
    *pUpdateRate = m_state.updateRate;
    *pActive = m_state.bActive;
    *pTimeBias = m_state.timeBias;
    *pPercentDeadband = m_state.percentDeadband;
    *pLCID = m_state.lcid;
    *phClientGroup = m_state.hClientGroup;
    *phServerGroup = m_hServerGroup;
    return S_OK;
}

STDMETHODIMP SimGroup::SetState(DWORD* pRequestedUpdateRate,
                                DWORD* pRevisedUpdateRate,
                                BOOL* pActive,
                                LONG* pTimeBias,
                                FLOAT* pPercentDeadband,
                                DWORD* pLCID,
                                OPCHANDLE* phClientGroup) {
    SimServeCall();
    if (!pRevisedUpdateRate) {
        return E_INVALIDARG;
    }
    if (m_bRemoved) {
        return E_FAIL;
    }
    if (pPercentDeadband && (*pPercentDeadband < 0.0f || *pPercentDeadband > 100.0f)) {
        return E_INVALIDARG;
    }
    HRESULT hr = S_OK;
    if (pRequestedUpdateRate) {
        m_state.updateRate = m_config->RevisedRate(*pRequestedUpdateRate);
        hr = m_state.updateRate == *pRequestedUpdateRate ? S_OK : OPC_S_UNSUPPORTEDRATE;
    }
    if (pActive) {
        // A group that wakes up sends every active item once.
        if (*pActive && !m_state.bActive) {
            m_items.MarkAllPending();
        }
        m_state.bActive = *pActive != FALSE;
    }
    m_state.timeBias = pTimeBias ? *pTimeBias : m_state.timeBias;
    m_state.percentDeadband = pPercentDeadband ? *pPercentDeadband : m_state.percentDeadband;
    m_state.lcid = pLCID ? *pLCID : m_state.lcid;
    m_state.hClientGroup = phClientGroup ? *phClientGroup : m_state.hClientGroup;
    *pRevisedUpdateRate = m_state.updateRate;
    // Restart so a changed rate takes effect.
    m_window.StopTimer();
    m_timerRate = 0;
    UpdateTimer();
    return hr;
}

STDMETHODIMP SimGroup::SetName(LPCWSTR szName) {
    SimServeCall();
    if (!szName || !*szName) {
        return E_INVALIDARG;
    }
    if (m_bRemoved) {
        return E_FAIL;
    }
    if (m_pServer && m_pServer->IsGroupNameTaken(szName, this)) {
        return OPC_E_DUPLICATENAME;
    }
    m_state.name = szName;
    return S_OK;
}

STDMETHODIMP SimGroup::CloneGroup(LPCWSTR szName, REFIID riid, IUnknown** ppUnk) {
    SimServeCall();
    if (!ppUnk) {
        return E_INVALIDARG;
    }
    *ppUnk = nullptr;
    if (m_bRemoved || !m_pServer) {
        return E_FAIL;
    }
    return m_pServer->CloneGroup(*this, szName, riid, ppUnk);
}
