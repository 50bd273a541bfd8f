#pragma once
// The client side of the DA 2.0 subscription, for groups without the DA 1.0 data interfaces: an
// IOPCDataCallback advised on the group's connection point. Each OnDataChange is checked and
// handed to the target as the 1.0 sink hands over a parsed stream, so both paths end in the same
// texts. Every call arrives on the user-interface thread (single-threaded apartment).
#include <windows.h>
#include <ocidl.h>

#include "opc/OpcDa.h"
#include "opc/OpcDataCallback.h"

// More items than this in one notification are taken for a count the arrays cannot hold.
constexpr DWORD kMaxCallbackItems = 1000000;

class OpcCallbackSink final : public IOPCDataCallback {
  public:
    // Creates a sink for the point and advises it. On success *ppSink holds the owner's one
    // reference and *pCookie the connection's cookie; on failure both are 0 and nothing is left.
    static HRESULT Start(IConnectionPoint* pPoint, OpcDataCallback* pTarget, OpcCallbackSink** ppSink, DWORD* pCookie);

    // Advise on the point; while connected the cookie is returned again instead of a second one.
    HRESULT Advise(DWORD* pCookie);
    // Unadvise; the connection is forgotten whatever the server answers.
    HRESULT Unadvise();
    // The owner lets go: nothing is dispatched any more and the point is given back.
    void Detach();

    // IUnknown: IUnknown and IOPCDataCallback.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // The arrays are the server's and only read during the call. Nothing is dispatched for a
    // count of 0 (a keep-alive), above kMaxCallbackItems, without the handle, value or quality
    // array, or when an array the task allocator measures is too short. A value with VT_BYREF
    // (never followed), a failed item code, or an array value without a one-dimensional array
    // makes the value one without text, as a scalar reference in a 1.0 stream does.
    HRESULT STDMETHODCALLTYPE OnDataChange(DWORD dwTransid,
                                           OPCHANDLE hGroup,
                                           HRESULT hrMasterquality,
                                           HRESULT hrMastererror,
                                           DWORD dwCount,
                                           OPCHANDLE* phClientItems,
                                           VARIANT* pvValues,
                                           WORD* pwQualities,
                                           FILETIME* pftTimeStamps,
                                           HRESULT* pErrors) override;
    // Never asked for: S_OK and nothing else.
    HRESULT STDMETHODCALLTYPE
    OnReadComplete(DWORD, OPCHANDLE, HRESULT, HRESULT, DWORD, OPCHANDLE*, VARIANT*, WORD*, FILETIME*, HRESULT*)
        override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnWriteComplete(DWORD, OPCHANDLE, HRESULT, DWORD, OPCHANDLE*, HRESULT*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnCancelComplete(DWORD, OPCHANDLE) override { return S_OK; }

  private:
    OpcCallbackSink(IConnectionPoint* pPoint, OpcDataCallback* pTarget);
    ~OpcCallbackSink();
    OpcCallbackSink(const OpcCallbackSink&) = delete;
    OpcCallbackSink& operator=(const OpcCallbackSink&) = delete;

    LONG m_cRef = 1;
    IConnectionPoint* m_pPoint;
    OpcDataCallback* m_pTarget;
    DWORD m_dwCookie = 0;
};
