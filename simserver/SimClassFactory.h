#pragma once
// Class object of one profile: every server it makes reads the profile's config afresh, so a test
// can change the config between two CoCreateInstance calls.
#include <windows.h>
#include <unknwn.h>

#include "simserver/SimModule.h"
#include "simserver/SimProfiles.h"

class SimClassFactory final : public IClassFactory {
  public:
    // One reference, or NULL when out of memory.
    static SimClassFactory* Create(const SimProfile& profile);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL fLock) override;

  private:
    explicit SimClassFactory(const SimProfile& profile) : m_profile(profile) {}
    ~SimClassFactory() = default;

    SimLiveObject<SimObjectKind::ClassFactory> m_live;
    LONG m_cRef = 1;
    SimProfile m_profile;
};
