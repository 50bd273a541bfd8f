#include "opc/OpcAdviseSink.h"

#include <cstring>
#include <new>

#include "framework/Handles.h"
#include "opc/DataStream.h"

namespace {

// Held during the teardown, so that a server calling back into the sink while it is unadvised
// there can never bring the count to 0 a second time.
constexpr ULONG kTearingDownCount = 0x40000000;

}  // namespace

OpcAdviseSink::OpcAdviseSink()
    : m_cfData(RegisterClipboardFormatA(kOpcFormatData)),
      m_cfDataTime(RegisterClipboardFormatA(kOpcFormatDataTime)),
      m_cfWriteComplete(RegisterClipboardFormatA(kOpcFormatWriteComplete)) {}

OpcAdviseSink::~OpcAdviseSink() {
    if (m_pDataObject) {
        for (DWORD* pConnection : {&m_dwDataConnection, &m_dwDataTimeConnection, &m_dwWriteCompleteConnection}) {
            if (*pConnection != 0) {
                // Result ignored: the sink goes whatever the server answers.
                m_pDataObject->DUnadvise(*pConnection);
                *pConnection = 0;
            }
        }
        m_pDataObject->Release();
    }
    m_pSelf = nullptr;  // that reference was the one whose release got us here
}

HRESULT OpcAdviseSink::Start(IUnknown* pDataSource, OpcDataCallback* pTarget, OpcAdviseSink** ppSink, DWORD* pCookie) {
    if (!ppSink || !pCookie) {
        return E_POINTER;
    }
    *ppSink = nullptr;
    *pCookie = 0;
    OpcAdviseSink* pSink = new (std::nothrow) OpcAdviseSink();
    if (!pSink) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = pSink->Attach(pDataSource, pTarget);
    if (FAILED(hr)) {
        delete pSink;  // unattached: nobody else knows it
        return hr;
    }
    hr = pSink->Advise(pCookie);
    if (FAILED(hr)) {
        pSink->Release();
        *pCookie = 0;
        return hr;
    }
    *ppSink = pSink;
    return S_OK;
}

HRESULT OpcAdviseSink::Attach(IUnknown* pDataSource, OpcDataCallback* pTarget) {
    if (!pDataSource) {
        return E_POINTER;
    }
    if (m_pSelf) {
        return E_UNEXPECTED;
    }
    m_pTarget = pTarget;
    QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&m_pSelf));
    const HRESULT hr = pDataSource->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&m_pDataObject));
    if (FAILED(hr)) {
        m_pDataObject = nullptr;
        m_pSelf = nullptr;
        m_pTarget = nullptr;
        --m_cRef;
    }
    return hr;
}

HRESULT OpcAdviseSink::Advise(DWORD* pCookie) {
    if (pCookie) {
        *pCookie = 0;
    }
    if (!m_pDataObject) {
        return E_FAIL;
    }
    // A second DAdvise would leave the first connection behind on the server.
    if (m_dwDataConnection == 0) {
        FORMATETC format = {static_cast<CLIPFORMAT>(m_cfData), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        DWORD connection = 0;
        const HRESULT hr = m_pDataObject->DAdvise(&format, 0, this, &connection);
        if (FAILED(hr)) {
            return hr;
        }
        m_dwDataConnection = connection;
    }
    if (pCookie) {
        *pCookie = m_dwDataConnection;
    }
    return S_OK;
}

HRESULT OpcAdviseSink::Unadvise() {
    if (!m_pDataObject) {
        return E_FAIL;
    }
    const DWORD connection = m_dwDataConnection;
    m_dwDataConnection = 0;
    return m_pDataObject->DUnadvise(connection);
}

void OpcAdviseSink::Detach() {
    m_pTarget = nullptr;
    if (!m_pDataObject)
        return;
    for (DWORD* pConnection : {&m_dwDataConnection, &m_dwDataTimeConnection, &m_dwWriteCompleteConnection}) {
        if (*pConnection != 0)
            m_pDataObject->DUnadvise(*pConnection);
        *pConnection = 0;
    }
    IDataObject* pDataObject = m_pDataObject;
    m_pDataObject = nullptr;
    pDataObject->Release();
}

void OpcAdviseSink::Abandon() {
    m_pTarget = nullptr;
    m_dwDataConnection = m_dwDataTimeConnection = m_dwWriteCompleteConnection = 0;
    IDataObject* pDataObject = m_pDataObject;
    m_pDataObject = nullptr;
    if (pDataObject)
        pDataObject->Release();
    // Drops the references the stubs hold for the server; the owner's keeps the sink alive.
    CoDisconnectObject(static_cast<IAdviseSink*>(this), 0);
}

HRESULT OpcAdviseSink::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IAdviseSink)) {
        *ppv = static_cast<IAdviseSink*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG OpcAdviseSink::AddRef() {
    return ++m_cRef;
}

ULONG OpcAdviseSink::Release() {
    if (m_cRef == 0) {
        return 0;  // an unbalanced Release must not wrap the count or delete twice
    }
    if (--m_cRef != 0) {
        return m_cRef;
    }
    m_cRef = kTearingDownCount;
    delete this;
    return 0;
}

void OpcAdviseSink::OnDataChange(FORMATETC* pFormat, STGMEDIUM* pMedium) {
    if (!m_pTarget || !pFormat || !pMedium || pMedium->tymed != TYMED_HGLOBAL || !pMedium->hGlobal) {
        return;
    }
    const UINT format = pFormat->cfFormat;
    if (format == 0) {
        return;  // also what a failed format registration left us with
    }
    GlobalLockScope lock(pMedium->hGlobal);
    const BYTE* pBlock = static_cast<const BYTE*>(lock.get());
    if (!pBlock) {
        return;
    }
    // Nothing of the sink is touched after a dispatch, so a target that drops the sink inside
    // its handler does no harm.
    if (format == m_cfData) {
        DataStream stream;
        if (stream.Parse(pBlock, lock.size(), sizeof(OPCITEMHEADER2))) {
            m_pTarget->OnData(&stream.Header(), reinterpret_cast<const OPCITEMHEADER2*>(stream.ItemHeaders()),
                              stream.Values());
        }
    } else if (format == m_cfDataTime) {
        DataStream stream;
        if (stream.Parse(pBlock, lock.size(), sizeof(OPCITEMHEADER1))) {
            m_pTarget->OnDataTime(&stream.Header(), reinterpret_cast<const OPCITEMHEADER1*>(stream.ItemHeaders()),
                                  stream.Values());
        }
    } else if (format == m_cfWriteComplete) {
        DispatchWriteComplete(pBlock, lock.size());
    }
}

void OpcAdviseSink::DispatchWriteComplete(const BYTE* pBlock, size_t blockSize) {
    OPCGROUPHEADERWRITE header;
    if (blockSize < sizeof(header)) {
        return;
    }
    std::memcpy(&header, pBlock, sizeof(header));
    // This header has no dwSize: the block's size is the only bound for the item results.
    if (header.dwItemCount > (blockSize - sizeof(header)) / sizeof(OPCITEMHEADERWRITE)) {
        header.dwItemCount = 0;
        header.hrStatus = E_FAIL;
    }
    m_pTarget->OnWriteComplete(&header, reinterpret_cast<const OPCITEMHEADERWRITE*>(pBlock + sizeof(header)));
}
