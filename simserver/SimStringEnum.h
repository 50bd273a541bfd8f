#pragma once
// IEnumString over a fixed list of names; clones share the list.
#include <windows.h>
#include <objidl.h>
#include <memory>
#include <string>
#include <vector>

#include "simserver/SimModule.h"

class SimStringEnum final : public IEnumString {
  public:
    // Returns the enumerator with one reference, or NULL when out of memory.
    static IEnumString* Create(std::vector<std::wstring> names);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Next(ULONG celt, LPOLESTR* rgelt, ULONG* pceltFetched) override;
    STDMETHODIMP Skip(ULONG celt) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumString** ppenum) override;

  private:
    SimStringEnum(std::shared_ptr<const std::vector<std::wstring>> names, size_t position)
        : m_names(std::move(names)), m_position(position) {}
    ~SimStringEnum() = default;

    SimLiveObject<SimObjectKind::Enumerator> m_live;
    LONG m_cRef = 1;
    std::shared_ptr<const std::vector<std::wstring>> m_names;
    size_t m_position;
};
