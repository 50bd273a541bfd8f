#pragma once
// The control object of ZZSimServer.exe: IZZSimControl for tests in another process. While a test
// holds it, the EXE keeps running.
#include <windows.h>
#include <unknwn.h>

#include "SimControlInterface.h"
#include "simserver/SimModule.h"

class SimControlObject final : public IZZSimControl {
  public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetLog(LPWSTR* ppText) override;
    STDMETHODIMP ClearLog() override;
    STDMETHODIMP GetCounters(DWORD cbSize, BYTE* pCounters) override;
    STDMETHODIMP EmitStream(DWORD dwConnection, UINT cfFormat, DWORD cbData, const BYTE* pData) override;
    STDMETHODIMP NotifyNow(DWORD hServerGroup) override;
    STDMETHODIMP SetDisconnected(BOOL bDisconnected) override;
    STDMETHODIMP SetConfigPath(LPCSTR szPath) override;
    STDMETHODIMP GetProcessId(DWORD* pdwProcessId) override;

    // A new control object queried for riid (what its class object's CreateInstance does).
    static HRESULT Create(REFIID riid, void** ppv);

  private:
    SimControlObject() = default;
    ~SimControlObject() = default;

    SimLiveObject<SimObjectKind::Control> m_live;
    LONG m_cRef = 1;
};
