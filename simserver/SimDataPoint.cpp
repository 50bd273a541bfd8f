#include "simserver/SimDataPoint.h"

#include <olectl.h>

#include "simserver/SimLog.h"
#include "simserver/SimModule.h"
#include "simserver/SimText.h"

namespace {
// Unique in the process, as the DAdvise connection numbers are.
DWORD g_nextCookie = 0x10000;
}  // namespace

SimDataPoint::SimDataPoint(IUnknown* pGroup,
                           std::shared_ptr<const SimConfig> config,
                           OPCHANDLE hServerGroup,
                           std::function<void()> onChange)
    : m_pGroup(pGroup), m_config(std::move(config)), m_hServerGroup(hServerGroup), m_onChange(std::move(onChange)) {}

bool SimDataPoint::TakeNeedsFull() {
    const bool bFull = m_bNeedsFull;
    m_bNeedsFull = false;
    return bFull;
}

void SimDataPoint::ReleaseSink() {
    IOPCDataCallback* sink = m_pSink;
    m_pSink = nullptr;
    m_dwCookie = 0;
    if (sink) {
        sink->Release();
    }
}

HRESULT SimDataPoint::Send(OPCHANDLE hClientGroup, DWORD dwTransid, const std::vector<SimStreamItem>& items) {
    if (!m_pSink) {
        return CONNECT_E_NOCONNECTION;
    }
    const size_t n = items.size();
    std::vector<OPCHANDLE> handles(n);
    std::vector<VARIANT> values(n);
    std::vector<WORD> qualities(n);
    std::vector<FILETIME> times(n);
    std::vector<HRESULT> errors(n, S_OK);
    HRESULT hrQuality = S_OK;
    for (size_t i = 0; i < n; ++i) {
        handles[i] = items[i].hClient;
        values[i] = *items[i].pValue;  // a shallow copy: the caller keeps and clears the values
        qualities[i] = items[i].wQuality;
        times[i] = items[i].ftTimeStamp;
        if ((qualities[i] & OPC_QUALITY_MASK) != OPC_QUALITY_GOOD) {
            hrQuality = S_FALSE;
        }
    }
    // The sink may unadvise from inside the call; keep it alive until the call returns.
    IOPCDataCallback* sink = m_pSink;
    sink->AddRef();
    ZZSimCounters& counters = SimLog::Counters();
    ++counters.nNotifications;
    counters.dwLastNotificationItems = static_cast<DWORD>(n);
    SimLog::Write("OnDataChange group=%lu cookie=%lu callback items=%lu", m_hServerGroup, m_dwCookie,
                  static_cast<unsigned long>(n));
    SimModule::CallbackStarted();
    HRESULT hr = sink->OnDataChange(dwTransid, hClientGroup, hrQuality, S_OK, static_cast<DWORD>(n), handles.data(),
                                    values.data(), qualities.data(), times.data(), errors.data());
    SimModule::CallbackEnded();
    sink->Release();
    return hr;
}

STDMETHODIMP SimDataPoint::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
    if (ppEnum) {
        *ppEnum = nullptr;
    }
    return E_NOTIMPL;
}

STDMETHODIMP SimDataPoint::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
    if (!ppCP) {
        return E_POINTER;
    }
    *ppCP = nullptr;
    if (!IsEqualIID(riid, IID_IOPCDataCallback)) {
        return CONNECT_E_NOCONNECTION;
    }
    *ppCP = &m_point;
    m_point.AddRef();
    return S_OK;
}

STDMETHODIMP SimDataPoint::Point::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IConnectionPoint)) {
        return E_NOINTERFACE;
    }
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP SimDataPoint::Point::GetConnectionInterface(IID* pIID) {
    if (!pIID) {
        return E_POINTER;
    }
    *pIID = IID_IOPCDataCallback;
    return S_OK;
}

STDMETHODIMP SimDataPoint::Point::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
    if (!ppCPC) {
        return E_POINTER;
    }
    *ppCPC = &m_owner;
    m_owner.AddRef();
    return S_OK;
}

STDMETHODIMP SimDataPoint::Point::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
    ++SimLog::Counters().nDAdvise;
    if (pdwCookie) {
        *pdwCookie = 0;
    }
    HRESULT hr = m_owner.m_config->Hook("Advise");
    IOPCDataCallback* sink = nullptr;
    if (SUCCEEDED(hr)) {
        hr = (!pUnkSink || !pdwCookie) ? E_POINTER : m_owner.m_pSink ? CONNECT_E_ADVISELIMIT : S_OK;
    }
    if (SUCCEEDED(hr)) {
        hr = pUnkSink->QueryInterface(IID_IOPCDataCallback, reinterpret_cast<void**>(&sink));
    }
    if (SUCCEEDED(hr) && sink) {
        m_owner.m_pSink = sink;
        m_owner.m_dwCookie = g_nextCookie++;
        m_owner.m_bNeedsFull = true;
        *pdwCookie = m_owner.m_dwCookie;
    } else if (SUCCEEDED(hr)) {
        hr = CONNECT_E_CANNOTCONNECT;
    }
    SimLog::Write("Advise group=%lu IOPCDataCallback -> cookie=%lu hr=%s", m_owner.m_hServerGroup,
                  pdwCookie ? *pdwCookie : 0, HrText(hr).c_str());
    if (SUCCEEDED(hr)) {
        SimLog::Counters().dwLastAdviseCookie = *pdwCookie;
        m_owner.m_onChange();
    }
    return hr;
}

STDMETHODIMP SimDataPoint::Point::Unadvise(DWORD dwCookie) {
    ++SimLog::Counters().nDUnadvise;
    HRESULT hr = m_owner.m_config->Hook("Unadvise");
    if (SUCCEEDED(hr)) {
        hr = (m_owner.m_pSink && dwCookie == m_owner.m_dwCookie) ? S_OK : CONNECT_E_NOCONNECTION;
    }
    if (SUCCEEDED(hr)) {
        m_owner.ReleaseSink();
    }
    SimLog::Write("Unadvise group=%lu cookie=%lu -> hr=%s", m_owner.m_hServerGroup, dwCookie, HrText(hr).c_str());
    m_owner.m_onChange();
    return hr;
}

STDMETHODIMP SimDataPoint::Point::EnumConnections(IEnumConnections** ppEnum) {
    if (ppEnum) {
        *ppEnum = nullptr;
    }
    return E_NOTIMPL;
}
