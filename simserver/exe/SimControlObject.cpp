#include "simserver/exe/SimControlObject.h"

#include <cstring>
#include <new>

#include "simserver/SimControl.h"
#include "simserver/SimModule.h"
#include "simserver/SimText.h"

STDMETHODIMP SimControlObject::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(IZZSimControl))) {
        *ppv = static_cast<IZZSimControl*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) SimControlObject::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

STDMETHODIMP_(ULONG) SimControlObject::Release() {
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0) {
        delete this;
    }
    return static_cast<ULONG>(count);
}

STDMETHODIMP SimControlObject::GetLog(LPWSTR* ppText) {
    if (!ppText) {
        return E_POINTER;
    }
    *ppText = CoTaskStrDup(Utf8ToWide(SimControl::Log()));
    return *ppText ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP SimControlObject::ClearLog() {
    SimControl::ClearLog();
    return S_OK;
}

STDMETHODIMP SimControlObject::GetCounters(DWORD cbSize, BYTE* pCounters) {
    if (!pCounters || cbSize < sizeof(DWORD)) {
        return E_INVALIDARG;
    }
    ZZSimCounters counters = {};
    counters.cbSize = cbSize < sizeof(counters) ? cbSize : sizeof(counters);
    SimControl::GetCounters(&counters);
    memset(pCounters, 0, cbSize);
    memcpy(pCounters, &counters, counters.cbSize);
    return S_OK;
}

STDMETHODIMP SimControlObject::EmitStream(DWORD dwConnection, UINT cfFormat, DWORD cbData, const BYTE* pData) {
    return SimControl::EmitStream(dwConnection, cfFormat, pData, cbData);
}

STDMETHODIMP SimControlObject::NotifyNow(DWORD hServerGroup) {
    return SimControl::NotifyNow(hServerGroup);
}

STDMETHODIMP SimControlObject::SetDisconnected(BOOL bDisconnected) {
    SimControl::SetDisconnected(bDisconnected != FALSE);
    return S_OK;
}

STDMETHODIMP SimControlObject::SetConfigPath(LPCSTR szPath) {
    // Servers read the variable when they are made, as the DLL's do in a test's own process.
    // Clearing a variable that is not set "fails" with ERROR_ENVVAR_NOT_FOUND: nothing to do then.
    const bool bClear = !szPath || !*szPath;
    if (!SetEnvironmentVariableA(kZZSimConfigVariable, bClear ? nullptr : szPath) && !bClear) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    return S_OK;
}

STDMETHODIMP SimControlObject::GetProcessId(DWORD* pdwProcessId) {
    if (!pdwProcessId) {
        return E_POINTER;
    }
    *pdwProcessId = GetCurrentProcessId();
    return S_OK;
}

HRESULT SimControlObject::Create(REFIID riid, void** ppv) {
    SimControlObject* control = new (std::nothrow) SimControlObject();
    if (!control) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = control->QueryInterface(riid, ppv);
    control->Release();
    return hr;
}
