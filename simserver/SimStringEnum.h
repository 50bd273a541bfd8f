#pragma once
// IEnumString over a fixed list of names; clones share the list. Two misbehaving modes play servers
// that clients must survive: Endless goes on after the names for ever, Garbage hands out a bad batch
// (a NULL string, an unpaired surrogate, a 70,000-character name, a count beyond celt) and then
// answers S_OK with nothing fetched, for ever.
#include <windows.h>
#include <objidl.h>
#include <memory>
#include <string>
#include <vector>

#include "simserver/SimModule.h"

enum class SimEnumMode { Normal, Endless, Garbage };

class SimStringEnum final : public IEnumString {
  public:
    // Returns the enumerator with one reference, or NULL when out of memory.
    static IEnumString* Create(std::vector<std::wstring> names, SimEnumMode mode = SimEnumMode::Normal);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Next(ULONG celt, LPOLESTR* rgelt, ULONG* pceltFetched) override;
    STDMETHODIMP Skip(ULONG celt) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumString** ppenum) override;

  private:
    SimStringEnum(std::shared_ptr<const std::vector<std::wstring>> names, size_t position, SimEnumMode mode)
        : m_names(std::move(names)), m_position(position), m_mode(mode) {}
    ~SimStringEnum() = default;
    // The name at a position past the list in Endless mode.
    std::wstring EndlessName() const;
    HRESULT NextGarbage(ULONG celt, LPOLESTR* rgelt, ULONG* pceltFetched);

    SimLiveObject<SimObjectKind::Enumerator> m_live;
    LONG m_cRef = 1;
    std::shared_ptr<const std::vector<std::wstring>> m_names;
    size_t m_position;
    SimEnumMode m_mode;
    bool m_bGarbageSent = false;
};
