// The group's items: adding, validating, removing and changing them, and reading and writing
// their values (synchronously and as transactions).
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

DWORD g_nextTransaction = 1;

}  // namespace

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
    if (!m_sinks.FindData(dwConnection)) {
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
    if (!m_sinks.FindData(dwConnection)) {
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
