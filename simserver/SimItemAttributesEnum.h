#pragma once
// IEnumOPCItemAttributes over a snapshot of a group's items, from IOPCItemMgt::CreateEnumerator.
#include <windows.h>
#include <memory>
#include <string>
#include <vector>

#include "opc/OpcDa.h"
#include "simserver/SimModule.h"

struct SimItemAttributes {
    std::wstring accessPath;
    std::wstring itemId;
    bool bActive;
    OPCHANDLE hClient;
    OPCHANDLE hServer;
    DWORD accessRights;
    VARTYPE vtRequested;
    VARTYPE vtCanonical;
};

class SimItemAttributesEnum final : public IEnumOPCItemAttributes {
  public:
    // One reference, or NULL when out of memory.
    static IEnumOPCItemAttributes* Create(std::vector<SimItemAttributes> items);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Next(ULONG celt, OPCITEMATTRIBUTES** ppItemArray, ULONG* pceltFetched) override;
    STDMETHODIMP Skip(ULONG celt) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumOPCItemAttributes** ppEnumItemAttributes) override;

  private:
    SimItemAttributesEnum(std::shared_ptr<const std::vector<SimItemAttributes>> items, size_t position)
        : m_items(std::move(items)), m_position(position) {}
    ~SimItemAttributesEnum() = default;

    SimLiveObject<SimObjectKind::Enumerator> m_live;
    LONG m_cRef = 1;
    std::shared_ptr<const std::vector<SimItemAttributes>> m_items;
    size_t m_position;
};
