#include "opc/OpcCallbackSink.h"

#include <new>
#include <vector>

#include "opc/TaskMemory.h"

namespace {
// A value the texts can read: arrays need a one-dimensional descriptor.
bool Readable(const VARIANT& value) {
    if (!(value.vt & VT_ARRAY))
        return true;
    return value.parray && value.parray->cDims == 1;
}
}  // namespace

OpcCallbackSink::OpcCallbackSink(IConnectionPoint* pPoint, OpcDataCallback* pTarget)
    : m_pPoint(pPoint), m_pTarget(pTarget) {
    m_pPoint->AddRef();
}

OpcCallbackSink::~OpcCallbackSink() {
    Detach();
}

HRESULT OpcCallbackSink::Start(IConnectionPoint* pPoint,
                               OpcDataCallback* pTarget,
                               OpcCallbackSink** ppSink,
                               DWORD* pCookie) {
    if (!ppSink || !pCookie)
        return E_POINTER;
    *ppSink = nullptr;
    *pCookie = 0;
    if (!pPoint)
        return E_POINTER;
    OpcCallbackSink* sink = new (std::nothrow) OpcCallbackSink(pPoint, pTarget);
    if (!sink)
        return E_OUTOFMEMORY;
    const HRESULT hr = sink->Advise(pCookie);
    if (FAILED(hr)) {
        sink->Detach();
        sink->Release();
        *pCookie = 0;
        return hr;
    }
    *ppSink = sink;
    return S_OK;
}

HRESULT OpcCallbackSink::Advise(DWORD* pCookie) {
    if (!pCookie)
        return E_POINTER;
    if (!m_pPoint)
        return E_UNEXPECTED;
    if (m_dwCookie) {
        *pCookie = m_dwCookie;
        return S_OK;
    }
    // The sink's IUnknown, not its IOPCDataCallback: the server asks for the interface itself.
    DWORD cookie = 0;
    const HRESULT hr = m_pPoint->Advise(static_cast<IUnknown*>(this), &cookie);
    m_dwCookie = SUCCEEDED(hr) ? cookie : 0;
    *pCookie = m_dwCookie;
    return hr;
}

HRESULT OpcCallbackSink::Unadvise() {
    const DWORD cookie = m_dwCookie;
    m_dwCookie = 0;
    return (m_pPoint && cookie) ? m_pPoint->Unadvise(cookie) : S_OK;
}

void OpcCallbackSink::Detach() {
    m_pTarget = nullptr;
    m_dwCookie = 0;
    if (m_pPoint) {
        IConnectionPoint* point = m_pPoint;
        m_pPoint = nullptr;
        point->Release();
    }
}

HRESULT OpcCallbackSink::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IOPCDataCallback))
        return E_NOINTERFACE;
    *ppv = static_cast<IOPCDataCallback*>(this);
    AddRef();
    return S_OK;
}

ULONG OpcCallbackSink::AddRef() {
    return (ULONG)InterlockedIncrement(&m_cRef);
}

ULONG OpcCallbackSink::Release() {
    const LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0)
        delete this;
    return (ULONG)count;
}

HRESULT OpcCallbackSink::OnDataChange(DWORD dwTransid,
                                      OPCHANDLE hGroup,
                                      HRESULT hrMasterquality,
                                      HRESULT /*hrMastererror*/,
                                      DWORD dwCount,
                                      OPCHANDLE* phClientItems,
                                      VARIANT* pvValues,
                                      WORD* pwQualities,
                                      FILETIME* /*pftTimeStamps*/,
                                      HRESULT* pErrors) {
    if (!m_pTarget || dwCount == 0 || dwCount > kMaxCallbackItems)
        return S_OK;
    if (!TaskBlockHolds(nullptr, phClientItems, dwCount, sizeof(OPCHANDLE)) ||
        !TaskBlockHolds(nullptr, pvValues, dwCount, sizeof(VARIANT)) ||
        !TaskBlockHolds(nullptr, pwQualities, dwCount, sizeof(WORD)) ||
        (pErrors && !TaskBlockHolds(nullptr, pErrors, dwCount, sizeof(HRESULT))))
        return S_OK;
    OPCGROUPHEADER header = {0, dwCount, hGroup, dwTransid, hrMasterquality};
    std::vector<OPCITEMHEADER2> items;
    std::vector<VARIANT> values;
    try {
        items.resize(dwCount);
        values.resize(dwCount);
    } catch (const std::bad_alloc&) {
        header = {0, 0, hGroup, dwTransid, E_OUTOFMEMORY};
        m_pTarget->OnData(&header, nullptr, nullptr);
        return S_OK;
    }
    for (DWORD i = 0; i < dwCount; ++i) {
        items[i] = {phClientItems[i], 0, pwQualities[i], 0};
        // Shallow copies: the values stay the server's and are only read during the call. A
        // reference is never followed: that item arrives empty, the others still count.
        values[i] = pvValues[i];
        if ((pErrors && FAILED(pErrors[i])) || (values[i].vt & VT_BYREF) || !Readable(values[i]))
            values[i].vt = VT_EMPTY;
    }
    m_pTarget->OnData(&header, items.data(), values.data());
    return S_OK;
}
