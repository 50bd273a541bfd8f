#include "simserver/SimGroup.h"

#include <olectl.h>
#include <algorithm>
#include <cstring>
#include <new>

#include "simserver/SimItemAttributesEnum.h"
#include "simserver/SimLog.h"
#include "simserver/SimServer.h"
#include "simserver/SimStreamWriter.h"
#include "simserver/SimTaskArray.h"
#include "simserver/SimText.h"

namespace {

std::vector<SimGroup*>& Registry() {
    static std::vector<SimGroup*> s_groups;
    return s_groups;
}

DWORD g_nextTransaction = 1;
// SendItems' connection number for the IOPCDataCallback sink (DAdvise numbers start at 1).
const DWORD kCallbackConnection = 0;

}  // namespace

SimGroup* SimGroup::Create(SimServer* pServer,
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

SimGroup::SimGroup(SimServer* pServer,
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

void SimGroup::UpdateTimer() {
    UINT rate = (!m_bRemoved && m_state.bActive && Subscribed()) ? m_state.updateRate : 0;
    if (rate == m_timerRate) {
        return;
    }
    m_window.StopTimer();
    if (rate) {
        m_window.StartTimer(rate);
    }
    m_timerRate = rate;
}

void SimGroup::OnUpdateTimer() {
    Tick();
}

void SimGroup::Tick() {
    if (m_bRemoved || !m_state.bActive) {
        return;
    }
    m_items.AdvanceAll();
    SendDue(true);
}

void SimGroup::OnWake() {
    AddRef();  // a sink may release the group's last reference from inside a callback
    std::vector<Transaction> transactions;
    transactions.swap(m_transactions);
    for (const Transaction& transaction : transactions) {
        SendTransaction(transaction);
    }
    SendDue(false);
    Release();
}

void SimGroup::SendDue(bool bTicked) {
    if (SimIsDisconnected()) {
        return;
    }
    if (m_bRemoved || !m_state.bActive) {
        return;
    }
    AddRef();
    // What is due is settled, and the marks cleared, before the first callback: through a proxy
    // the client can call in (add or activate items) while a notification is on its way, and the
    // marks of those items must survive for the notification their own call asks for.
    std::vector<std::pair<DWORD, std::vector<OPCHANDLE>>> due;
    auto addDue = [&](DWORD dwConnection, bool bFull) {
        std::vector<OPCHANDLE> handles;
        for (SimGroupItem* item : m_items.Items()) {
            if (item->bActive && (bFull || item->bPendingInitial || (bTicked && item->bChanged))) {
                handles.push_back(item->hServer);
            }
        }
        due.emplace_back(dwConnection, std::move(handles));
    };
    for (DWORD dwConnection : m_sinks.Connections()) {
        SimAdviseConnection* connection = m_sinks.Find(dwConnection);
        if (!connection || connection->cfFormat == SimAdviseSinks::WriteCompleteFormat()) {
            continue;
        }
        addDue(dwConnection, connection->bNeedsFull);
        connection->bNeedsFull = false;
    }
    if (m_dataPoint.IsConnected()) {
        addDue(kCallbackConnection, m_dataPoint.TakeNeedsFull());
    }
    m_items.ClearMarks();
    // By handle: a callback may also have removed items.
    for (const auto& [dwConnection, handles] : due) {
        std::vector<SimGroupItem*> items;
        for (OPCHANDLE hServer : handles) {
            if (SimGroupItem* item = m_items.Find(hServer)) {
                items.push_back(item);
            }
        }
        if (!items.empty()) {
            SendItems(dwConnection, 0, items);
        }
    }
    Release();
}

void SimGroup::SendTransaction(const Transaction& transaction) {
    std::vector<SimGroupItem*> items;
    for (SimGroupItem* item : m_items.Items()) {
        bool bWanted = transaction.handles.empty() ? item->bActive
                                                   : std::find(transaction.handles.begin(), transaction.handles.end(),
                                                               item->hServer) != transaction.handles.end();
        if (bWanted) {
            items.push_back(item);
        }
    }
    SendItems(transaction.dwConnection, transaction.id, items);
}

HRESULT SimGroup::SendItems(DWORD dwConnection, DWORD dwTransactionID, const std::vector<SimGroupItem*>& items) {
    SimAdviseConnection* connection = m_sinks.Find(dwConnection);
    if (!connection && dwConnection != kCallbackConnection) {
        return CONNECT_E_NOCONNECTION;
    }
    std::vector<VARIANT> values(items.size());
    std::vector<SimStreamItem> entries;
    entries.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        WORD quality = 0;
        m_items.ReadValue(*items[i], &values[i], &quality);  // a failure is sent as BAD quality
        entries.push_back({items[i]->hClient, quality, items[i]->ftChanged, &values[i]});
    }
    if (!connection) {
        HRESULT hr = m_dataPoint.Send(m_state.hClientGroup, dwTransactionID, entries);
        for (VARIANT& value : values) {
            VariantClear(&value);
        }
        return hr;
    }
    CLIPFORMAT cfFormat = connection->cfFormat;
    bool bWithTime = cfFormat == SimAdviseSinks::DataTimeFormat();
    std::vector<BYTE> stream = SimStreamWriter::DataStream(bWithTime, m_state.hClientGroup, dwTransactionID, entries,
                                                           m_config->bPadValues ? kPaddedValueAlignment : 1,
                                                           m_config->bForeignLayout != (sizeof(void*) == 8));
    for (VARIANT& value : values) {
        VariantClear(&value);
    }
    return m_sinks.Send(m_hServerGroup, dwConnection, cfFormat, stream, static_cast<DWORD>(items.size()));
}

HRESULT SimGroup::EmitRaw(DWORD dwConnection, CLIPFORMAT cfFormat, const void* pData, DWORD cbData) {
    const BYTE* bytes = static_cast<const BYTE*>(pData);
    std::vector<BYTE> stream(bytes, bytes + (pData ? cbData : 0));
    // The item count as the header claims it, for the log only.
    DWORD count = 0;
    size_t countAt = cfFormat == SimAdviseSinks::WriteCompleteFormat() ? 0 : 4;
    if (stream.size() >= countAt + sizeof(count)) {
        memcpy(&count, &stream[countAt], sizeof(count));
    }
    AddRef();
    HRESULT hr = m_sinks.Send(m_hServerGroup, dwConnection, cfFormat, stream, count);
    Release();
    return hr;
}

template <typename Fn>
HRESULT SimGroup::ForEachHandle(DWORD dwCount, OPCHANDLE* phServer, HRESULT** ppErrors, Fn fn) {
    if (!ppErrors) {
        return E_INVALIDARG;
    }
    *ppErrors = nullptr;
    if (dwCount == 0 || !phServer) {
        return E_INVALIDARG;
    }
    SimTaskArray<HRESULT> errors(dwCount);
    if (!errors) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = S_OK;
    for (DWORD i = 0; i < dwCount; ++i) {
        errors[i] = fn(i, phServer[i]);
        if (errors[i] != S_OK) {
            hr = S_FALSE;
        }
    }
    *ppErrors = errors.release();
    return hr;
}

HRESULT SimGroup::ItemResults(DWORD dwCount,
                              OPCITEMDEF* pItemArray,
                              bool bAdd,
                              OPCITEMRESULT** ppResults,
                              HRESULT** ppErrors) {
    if (!ppResults || !ppErrors) {
        return E_INVALIDARG;
    }
    *ppResults = nullptr;
    *ppErrors = nullptr;
    if (dwCount == 0 || !pItemArray) {
        return E_INVALIDARG;
    }
    SimTaskArray<OPCITEMRESULT> results(dwCount);
    SimTaskArray<HRESULT> errors(dwCount);
    if (!results || !errors) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = S_OK;
    for (DWORD i = 0; i < dwCount; ++i) {
        const OPCITEMDEF& def = pItemArray[i];
        const SimNode* node = nullptr;
        errors[i] = bAdd ? m_items.Add(def, &results[i]) : m_items.Validate(def, &results[i], &node);
        if (errors[i] != S_OK) {
            hr = S_FALSE;
        }
        SimLog::Write("%s.item \"%s\" hClient=%lu -> hServer=%lu hr=%s", bAdd ? "AddItems" : "ValidateItems",
                      def.szItemID ? WideToUtf8(def.szItemID).c_str() : "(null)", def.hClient, results[i].hServer,
                      HrText(errors[i]).c_str());
    }
    *ppResults = results.release();
    *ppErrors = errors.release();
    return hr;
}

namespace {
// Replaces a task-memory array by a copy of its first entry alone.
template <typename T>
void ShortenToOne(T** ppBlock) {
    T* shorter = static_cast<T*>(CoTaskMemAlloc(sizeof(T)));
    if (shorter) {
        memcpy(shorter, *ppBlock, sizeof(T));
    }
    CoTaskMemFree(*ppBlock);
    *ppBlock = shorter;
}
}  // namespace

void SimGroup::BreakResults(OPCITEMRESULT** ppResults, HRESULT** ppErrors) const {
    const std::string& how = m_config->brokenAddItems;
    if (how == "noerrors" || how == "null") {
        CoTaskMemFree(*ppErrors);
        *ppErrors = nullptr;
    }
    if (how == "null") {
        // The items stay in the group: a real server of this kind would not report them either.
        CoTaskMemFree(*ppResults);
        *ppResults = nullptr;
    }
    if (how == "short") {
        // Blocks of one entry for any count.
        ShortenToOne(ppResults);
        ShortenToOne(ppErrors);
    }
}

STDMETHODIMP SimGroup::AddItems(DWORD dwCount,
                                OPCITEMDEF* pItemArray,
                                OPCITEMRESULT** ppAddResults,
                                HRESULT** ppErrors) {
    SimServeCall();
    ++SimLog::Counters().nAddItems;
    SimLog::Write("AddItems group=%lu count=%lu", m_hServerGroup, dwCount);
    HRESULT hr = Enter("AddItems");
    if (FAILED(hr)) {
        if (ppAddResults) {
            *ppAddResults = nullptr;
        }
        if (ppErrors) {
            *ppErrors = nullptr;
        }
        return hr;
    }
    hr = ItemResults(dwCount, pItemArray, true, ppAddResults, ppErrors);
    if (SUCCEEDED(hr) && !m_config->brokenAddItems.empty()) {
        BreakResults(ppAddResults, ppErrors);
        hr = S_OK;
    }
    // New items get their first values promptly rather than at the next tick; with early_values
    // even before the answer, as a server that notifies from threads of its own can deliver them.
    if (SUCCEEDED(hr) && Subscribed()) {
        if (m_config->bEarlyValues) {
            SendDue(false);
        } else {
            m_window.Wake();
        }
    }
    return hr;
}

STDMETHODIMP SimGroup::ValidateItems(DWORD dwCount,
                                     OPCITEMDEF* pItemArray,
                                     BOOL /*bBlobUpdate*/,
                                     OPCITEMRESULT** ppValidationResults,
                                     HRESULT** ppErrors) {
    SimServeCall();
    HRESULT hr = Enter("ValidateItems");
    if (FAILED(hr)) {
        if (ppValidationResults) {
            *ppValidationResults = nullptr;
        }
        if (ppErrors) {
            *ppErrors = nullptr;
        }
        return hr;
    }
    return ItemResults(dwCount, pItemArray, false, ppValidationResults, ppErrors);
}

STDMETHODIMP SimGroup::RemoveItems(DWORD dwCount, OPCHANDLE* phServer, HRESULT** ppErrors) {
    SimServeCall();
    ++SimLog::Counters().nRemoveItems;
    std::string handles;
    for (DWORD i = 0; phServer && i < dwCount; ++i) {
        handles += (i ? "," : "") + std::to_string(phServer[i]);
    }
    HRESULT hr = Enter("RemoveItems");
    if (SUCCEEDED(hr)) {
        hr = ForEachHandle(dwCount, phServer, ppErrors, [this](DWORD, OPCHANDLE h) { return m_items.Remove(h); });
    } else if (ppErrors) {
        *ppErrors = nullptr;
    }
    SimLog::Write("RemoveItems group=%lu count=%lu handles=%s -> hr=%s", m_hServerGroup, dwCount, handles.c_str(),
                  HrText(hr).c_str());
    return hr;
}

STDMETHODIMP SimGroup::SetActiveState(DWORD dwCount, OPCHANDLE* phServer, BOOL bActive, HRESULT** ppErrors) {
    SimServeCall();
    if (m_bRemoved) {
        return E_FAIL;
    }
    return ForEachHandle(dwCount, phServer, ppErrors, [this, bActive](DWORD, OPCHANDLE h) {
        SimGroupItem* item = m_items.Find(h);
        if (!item) {
            return OPC_E_INVALIDHANDLE;
        }
        // An item that becomes active is sent at the next update.
        item->bPendingInitial = item->bPendingInitial || (bActive && !item->bActive);
        item->bActive = bActive != FALSE;
        return S_OK;
    });
}

STDMETHODIMP SimGroup::SetClientHandles(DWORD dwCount, OPCHANDLE* phServer, OPCHANDLE* phClient, HRESULT** ppErrors) {
    SimServeCall();
    if (m_bRemoved || !phClient) {
        if (ppErrors) {
            *ppErrors = nullptr;
        }
        return m_bRemoved ? E_FAIL : E_INVALIDARG;
    }
    return ForEachHandle(dwCount, phServer, ppErrors, [this, phClient](DWORD i, OPCHANDLE h) {
        SimGroupItem* item = m_items.Find(h);
        if (!item) {
            return OPC_E_INVALIDHANDLE;
        }
        item->hClient = phClient[i];
        return S_OK;
    });
}

STDMETHODIMP SimGroup::SetDatatypes(DWORD dwCount,
                                    OPCHANDLE* phServer,
                                    VARTYPE* pRequestedDatatypes,
                                    HRESULT** ppErrors) {
    SimServeCall();
    if (m_bRemoved || !pRequestedDatatypes) {
        if (ppErrors) {
            *ppErrors = nullptr;
        }
        return m_bRemoved ? E_FAIL : E_INVALIDARG;
    }
    return ForEachHandle(dwCount, phServer, ppErrors, [this, pRequestedDatatypes](DWORD i, OPCHANDLE h) {
        return m_items.SetDatatype(h, pRequestedDatatypes[i]);
    });
}

STDMETHODIMP SimGroup::CreateEnumerator(REFIID riid, IUnknown** ppUnk) {
    SimServeCall();
    if (!ppUnk) {
        return E_INVALIDARG;
    }
    *ppUnk = nullptr;
    if (m_bRemoved) {
        return E_FAIL;
    }
    if (!IsEqualIID(riid, IID_IEnumOPCItemAttributes)) {
        return E_NOINTERFACE;
    }
    std::vector<SimItemAttributes> attributes;
    for (SimGroupItem* item : m_items.Items()) {
        attributes.push_back({item->accessPath, item->pNode->fullId, item->bActive, item->hClient, item->hServer,
                              item->pNode->item.accessRights, item->vtRequested, item->pNode->item.CanonicalType()});
    }
    bool bEmpty = attributes.empty();
    IEnumOPCItemAttributes* enumerator = SimItemAttributesEnum::Create(std::move(attributes));
    if (!enumerator) {
        return E_OUTOFMEMORY;
    }
    *ppUnk = enumerator;
    return bEmpty ? S_FALSE : S_OK;
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

STDMETHODIMP SimGroup::Read(OPCDATASOURCE dwSource,
                            DWORD dwCount,
                            OPCHANDLE* phServer,
                            OPCITEMSTATE** ppItemValues,
                            HRESULT** ppErrors) {
    SimServeCall();
    if (!ppItemValues || !ppErrors) {
        return E_INVALIDARG;
    }
    *ppItemValues = nullptr;
    *ppErrors = nullptr;
    HRESULT hr = Enter("SyncRead");
    if (FAILED(hr)) {
        return hr;
    }
    if (dwCount == 0 || !phServer || (dwSource != OPC_DS_CACHE && dwSource != OPC_DS_DEVICE)) {
        return E_INVALIDARG;
    }
    SimTaskArray<OPCITEMSTATE> states(dwCount);
    if (!states) {
        return E_OUTOFMEMORY;
    }
    hr = ForEachHandle(dwCount, phServer, ppErrors, [&](DWORD i, OPCHANDLE h) {
        OPCITEMSTATE& state = states[i];
        VariantInit(&state.vDataValue);
        SimGroupItem* item = m_items.Find(h);
        if (!item) {
            return OPC_E_INVALIDHANDLE;
        }
        state.hClient = item->hClient;
        state.ftTimeStamp = item->ftChanged;
        HRESULT itemHr = m_items.ReadValue(*item, &state.vDataValue, &state.wQuality);
        // A cache read of something inactive has no current value.
        if (dwSource == OPC_DS_CACHE && (!m_state.bActive || !item->bActive)) {
            state.wQuality = OPC_QUALITY_OUT_OF_SERVICE;
        }
        return itemHr;
    });
    if (SUCCEEDED(hr)) {
        *ppItemValues = states.release();
    }
    return hr;
}

STDMETHODIMP SimGroup::Write(DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues, HRESULT** ppErrors) {
    SimServeCall();
    if (!ppErrors) {
        return E_INVALIDARG;
    }
    *ppErrors = nullptr;
    HRESULT hr = Enter("SyncWrite");
    if (FAILED(hr)) {
        return hr;
    }
    if (!pItemValues) {
        return E_INVALIDARG;
    }
    return ForEachHandle(dwCount, phServer, ppErrors, [&](DWORD i, OPCHANDLE h) {
        SimGroupItem* item = m_items.Find(h);
        if (!item) {
            return OPC_E_INVALIDHANDLE;
        }
        if (!(item->pNode->item.accessRights & OPC_WRITEABLE)) {
            return OPC_E_BADRIGHTS;
        }
        HRESULT itemHr = item->value.Write(pItemValues[i]);
        if (SUCCEEDED(itemHr)) {
            item->bChanged = true;
            GetSystemTimeAsFileTime(&item->ftChanged);
        }
        return itemHr;
    });
}

STDMETHODIMP SimGroup::Read(DWORD dwConnection,
                            OPCDATASOURCE dwSource,
                            DWORD dwCount,
                            OPCHANDLE* phServer,
                            DWORD* pTransactionID,
                            HRESULT** ppErrors) {
    SimServeCall();
    if (!pTransactionID || !ppErrors) {
        return E_INVALIDARG;
    }
    *pTransactionID = 0;
    *ppErrors = nullptr;
    HRESULT hr = Enter("AsyncRead");
    if (FAILED(hr)) {
        return hr;
    }
    SimAdviseConnection* connection = m_sinks.Find(dwConnection);
    if (!connection || connection->cfFormat == SimAdviseSinks::WriteCompleteFormat()) {
        return CONNECT_E_NOCONNECTION;
    }
    if (dwSource != OPC_DS_CACHE && dwSource != OPC_DS_DEVICE) {
        return E_INVALIDARG;
    }
    Transaction transaction = {0, dwConnection, {}};
    hr = ForEachHandle(dwCount, phServer, ppErrors, [&](DWORD, OPCHANDLE h) {
        transaction.handles.push_back(h);
        return m_items.Find(h) ? S_OK : OPC_E_INVALIDHANDLE;
    });
    if (hr != S_OK) {
        return hr;  // S_FALSE: one bad handle rejects the whole request, no callback
    }
    transaction.id = g_nextTransaction++;
    *pTransactionID = transaction.id;
    m_transactions.push_back(transaction);
    m_window.Wake();
    return S_OK;
}

STDMETHODIMP SimGroup::Write(DWORD /*dwConnection*/,
                             DWORD /*dwCount*/,
                             OPCHANDLE* /*phServer*/,
                             VARIANT* /*pItemValues*/,
                             DWORD* pTransactionID,
                             HRESULT** ppErrors) {
    SimServeCall();
    if (pTransactionID) {
        *pTransactionID = 0;
    }
    if (ppErrors) {
        *ppErrors = nullptr;
    }
    return E_NOTIMPL;
}

STDMETHODIMP SimGroup::Refresh(DWORD dwConnection, OPCDATASOURCE /*dwSource*/, DWORD* pTransactionID) {
    SimServeCall();
    if (!pTransactionID) {
        return E_INVALIDARG;
    }
    *pTransactionID = 0;
    HRESULT hr = Enter("Refresh");
    if (FAILED(hr)) {
        return hr;
    }
    SimAdviseConnection* connection = m_sinks.Find(dwConnection);
    if (!connection || connection->cfFormat == SimAdviseSinks::WriteCompleteFormat()) {
        return CONNECT_E_NOCONNECTION;
    }
    std::vector<SimGroupItem*> items = m_items.Items();
    bool bAnyActive = std::any_of(items.begin(), items.end(), [](SimGroupItem* item) { return item->bActive; });
    if (!m_state.bActive || !bAnyActive) {
        return E_FAIL;
    }
    Transaction transaction = {g_nextTransaction++, dwConnection, {}};
    *pTransactionID = transaction.id;
    m_transactions.push_back(transaction);
    m_window.Wake();
    return S_OK;
}

STDMETHODIMP SimGroup::Cancel(DWORD dwTransactionID) {
    SimServeCall();
    for (auto it = m_transactions.begin(); it != m_transactions.end(); ++it) {
        if (it->id == dwTransactionID) {
            m_transactions.erase(it);
            return S_OK;
        }
    }
    return E_FAIL;
}

STDMETHODIMP SimGroup::GetData(FORMATETC*, STGMEDIUM*) {
    SimServeCall();
    return E_NOTIMPL;
}

STDMETHODIMP SimGroup::GetDataHere(FORMATETC*, STGMEDIUM*) {
    SimServeCall();
    return E_NOTIMPL;
}

STDMETHODIMP SimGroup::QueryGetData(FORMATETC*) {
    SimServeCall();
    return E_NOTIMPL;
}

STDMETHODIMP SimGroup::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* pformatetcOut) {
    SimServeCall();
    if (pformatetcOut) {
        pformatetcOut->ptd = nullptr;
    }
    return E_NOTIMPL;
}

STDMETHODIMP SimGroup::SetData(FORMATETC*, STGMEDIUM*, BOOL) {
    SimServeCall();
    return E_NOTIMPL;
}

STDMETHODIMP SimGroup::EnumFormatEtc(DWORD, IEnumFORMATETC** ppenumFormatEtc) {
    SimServeCall();
    if (ppenumFormatEtc) {
        *ppenumFormatEtc = nullptr;
    }
    return E_NOTIMPL;
}

STDMETHODIMP SimGroup::DAdvise(FORMATETC* pformatetc, DWORD /*advf*/, IAdviseSink* pAdvSink, DWORD* pdwConnection) {
    SimServeCall();
    ++SimLog::Counters().nDAdvise;
    if (pdwConnection) {
        *pdwConnection = 0;
    }
    HRESULT hr = Enter("DAdvise");
    if (SUCCEEDED(hr)) {
        hr = (!pformatetc || !pAdvSink || !pdwConnection) ? E_INVALIDARG
                                                          : m_sinks.Add(*pformatetc, pAdvSink, pdwConnection);
    }
    SimLog::Write("DAdvise group=%lu format=%s -> cookie=%lu hr=%s", m_hServerGroup,
                  pformatetc ? SimAdviseSinks::FormatName(pformatetc->cfFormat) : "(null)",
                  pdwConnection ? *pdwConnection : 0, HrText(hr).c_str());
    if (SUCCEEDED(hr)) {
        SimLog::Counters().dwLastAdviseCookie = *pdwConnection;
        UpdateTimer();
        m_window.Wake();  // every active item goes out right after the call returns
    }
    return hr;
}

STDMETHODIMP SimGroup::DUnadvise(DWORD dwConnection) {
    SimServeCall();
    ++SimLog::Counters().nDUnadvise;
    HRESULT hr = m_config->Hook("DUnadvise");
    if (SUCCEEDED(hr)) {
        hr = m_sinks.Remove(dwConnection);
    }
    SimLog::Write("DUnadvise group=%lu cookie=%lu -> hr=%s", m_hServerGroup, dwConnection, HrText(hr).c_str());
    UpdateTimer();
    return hr;
}

STDMETHODIMP SimGroup::EnumDAdvise(IEnumSTATDATA** ppenumAdvise) {
    SimServeCall();
    if (ppenumAdvise) {
        *ppenumAdvise = nullptr;
    }
    return E_NOTIMPL;
}
