#pragma once
// The client side of the group's data-change subscription (OPC DA 1.0): an IAdviseSink that
// receives each change as a stream in global memory, rebuilds the values and hands them to its
// target. A hand-written COM object; every call arrives on the user-interface thread, so the
// reference count needs no interlocked operations.
#include <windows.h>
#include <ole2.h>

#include "opc/OpcDataCallback.h"

class OpcAdviseSink final : public IAdviseSink {
  public:
    // Starts with a reference count of 0; Attach takes the owner's reference.
    OpcAdviseSink();

    // Creates a sink, attaches it to pDataSource (the group) with pTarget, and advises it for
    // "OPCSTMFORMATDATA". On success *ppSink holds the owner's one reference and *pCookie the
    // connection number. On failure both are 0 and nothing is left behind: E_OUTOFMEMORY, the
    // failed IDataObject query or the failed DAdvise.
    static HRESULT Start(IUnknown* pDataSource, OpcDataCallback* pTarget, OpcAdviseSink** ppSink, DWORD* pCookie);

    // Stores the target (not owned) and takes the sink's own reference, which stands for the
    // owner's, then the data source's IDataObject. If that query fails, the own reference is
    // given back without a teardown: the count is back at 0 and the caller destroys the sink
    // (AddRef then Release does). Once per sink (E_UNEXPECTED afterwards).
    HRESULT Attach(IUnknown* pDataSource, OpcDataCallback* pTarget);
    // DAdvise for "OPCSTMFORMATDATA" with TYMED_HGLOBAL; the connection number goes to *pCookie
    // (0 on failure). While a connection exists it is returned again instead of a second one.
    HRESULT Advise(DWORD* pCookie);
    // DUnadvise of the data connection, which is forgotten whatever the server answers.
    HRESULT Unadvise();
    // The owner lets go: nothing is dispatched any more, and the data object is given back even
    // though a server that failed DUnadvise (one that has gone) may still hold the sink; without
    // this, sink and group would keep each other alive, and a late notification would reach a
    // target that no longer exists.
    void Detach();
    // Detach for a server known to be gone: no call goes to it (no DUnadvise). COM's stubs for
    // the sink are disconnected, so the server's side can neither hold it nor call it any more.
    void Abandon();

    // IUnknown: IUnknown and IAdviseSink only.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    // Reaching 0 unadvises what is still advised, releases the data object and deletes the sink.
    ULONG STDMETHODCALLTYPE Release() override;

    // IAdviseSink. The medium belongs to the caller and is only read. Nothing is dispatched
    // without a target, for a null format or medium, a medium other than a lockable
    // TYMED_HGLOBAL block, a block too small for its group header, or an unknown format.
    void STDMETHODCALLTYPE OnDataChange(FORMATETC* pFormat, STGMEDIUM* pMedium) override;
    void STDMETHODCALLTYPE OnViewChange(DWORD, LONG) override {}
    void STDMETHODCALLTYPE OnRename(IMoniker*) override {}
    void STDMETHODCALLTYPE OnSave() override {}
    void STDMETHODCALLTYPE OnClose() override {}

  private:
    ~OpcAdviseSink();
    OpcAdviseSink(const OpcAdviseSink&) = delete;
    OpcAdviseSink& operator=(const OpcAdviseSink&) = delete;

    void DispatchWriteComplete(const BYTE* pBlock, size_t blockSize);

    ULONG m_cRef = 0;
    UINT m_cfData;
    UINT m_cfDataTime;
    UINT m_cfWriteComplete;
    DWORD m_dwDataConnection = 0;
    DWORD m_dwDataTimeConnection = 0;  // never advised; kept so the teardown covers every format
    DWORD m_dwWriteCompleteConnection = 0;
    IUnknown* m_pSelf = nullptr;
    IDataObject* m_pDataObject = nullptr;
    OpcDataCallback* m_pTarget = nullptr;
};
