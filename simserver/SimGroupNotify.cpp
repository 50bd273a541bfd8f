// The group's notifications: the update timer, what is due each tick, the streams sent to the
// data advises and the IOPCDataCallback point, and the IDataObject side of the group.
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

// SendItems' connection number for the IOPCDataCallback sink (DAdvise numbers start at 1).
const DWORD kCallbackConnection = 0;

}  // namespace

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
        SimAdviseConnection* connection = m_sinks.FindData(dwConnection);
        if (!connection) {
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
