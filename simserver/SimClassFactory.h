#pragma once
// Class object of one profile: every server it makes reads the profile's config afresh, so a test
// can change the config between two CoCreateInstance calls. Also the class object of any other
// object the simulator hands out by class id (the EXE's control object), given how to make it.
#include <windows.h>
#include <unknwn.h>

#include <functional>

#include "simserver/SimModule.h"
#include "simserver/SimProfiles.h"

class SimClassFactory final : public IClassFactory {
  public:
    // Makes one object and queries it for riid, as IClassFactory::CreateInstance does.
    using Maker = std::function<HRESULT(REFIID riid, void** ppv)>;

    // One reference, or NULL when out of memory.
    static SimClassFactory* Create(const SimProfile& profile);
    static SimClassFactory* Create(Maker maker);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL fLock) override;

  private:
    explicit SimClassFactory(Maker maker) : m_maker(std::move(maker)) {}
    ~SimClassFactory() = default;

    SimLiveObject<SimObjectKind::ClassFactory> m_live;
    LONG m_cRef = 1;
    Maker m_maker;
};
