#include "simserver/SimClassFactory.h"

#include <new>

#include "simserver/SimConfigParser.h"
#include "simserver/SimLog.h"
#include "simserver/SimServer.h"
#include "simserver/SimText.h"

namespace {

HRESULT MakeServer(const SimProfile& profile, REFIID riid, void** ppv) {
    std::string path = SimProfiles::ConfigPath(profile);
    // A bad config still makes a server: it reports OPC_STATUS_NOCONFIG and names the error.
    std::shared_ptr<const SimConfig> config = SimConfigParser::LoadFile(path);
    SimSetCallDelay(config->callDelayMs);
    HRESULT hr = config->Hook("CreateInstance");
    if (SUCCEEDED(hr)) {
        hr = SimServer::Create(config, riid, ppv);
    }
    SimLog::Write("CreateInstance profile=%s config=\"%s\" error=\"%s\" -> hr=%s", profile.progId.c_str(), path.c_str(),
                  config->error.c_str(), HrText(hr).c_str());
    return hr;
}

}  // namespace

SimClassFactory* SimClassFactory::Create(const SimProfile& profile) {
    return Create([profile](REFIID riid, void** ppv) { return MakeServer(profile, riid, ppv); });
}

SimClassFactory* SimClassFactory::Create(Maker maker) {
    return new (std::nothrow) SimClassFactory(std::move(maker));
}

STDMETHODIMP SimClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) SimClassFactory::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

STDMETHODIMP_(ULONG) SimClassFactory::Release() {
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0) {
        delete this;
    }
    return static_cast<ULONG>(count);
}

STDMETHODIMP SimClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (pUnkOuter) {
        return CLASS_E_NOAGGREGATION;
    }
    return m_maker(riid, ppv);
}

STDMETHODIMP SimClassFactory::LockServer(BOOL fLock) {
    SimModule::Lock(fLock != FALSE);
    return S_OK;
}
