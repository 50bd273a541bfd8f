#pragma once
// IOPCBrowse (DA 3.0) over the config's address space, offered with da3_browse. A part of the
// server object: its references and QueryInterface are the server's. Each answer holds at most
// the configured page of elements; a continuation point ("zzsim:<index>") leads to the rest.
#include <windows.h>
#include <memory>

#include "opc/OpcDa.h"
#include "simserver/SimConfig.h"

class SimBrowse3 final : public IOPCBrowse {
  public:
    SimBrowse3(IUnknown* pServer, std::shared_ptr<const SimConfig> config)
        : m_pServer(pServer), m_config(std::move(config)) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return m_pServer->QueryInterface(riid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() override { return m_pServer->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_pServer->Release(); }

    // E_NOTIMPL: the simulator keeps no properties.
    STDMETHODIMP GetProperties(DWORD dwItemCount,
                               LPWSTR* pszItemIDs,
                               BOOL bReturnPropertyValues,
                               DWORD dwPropertyCount,
                               DWORD* pdwPropertyIDs,
                               OPCITEMPROPERTIES** ppItemProperties) override;
    // Children of a branch ("" the root) in config order, branches and items as the filter says;
    // an item's children: none. endless_browse: after the names, "Endless<n>" items for ever.
    STDMETHODIMP Browse(LPWSTR szItemID,
                        LPWSTR* pszContinuationPoint,
                        DWORD dwMaxElementsReturned,
                        OPCBROWSEFILTER dwBrowseFilter,
                        LPWSTR szElementNameFilter,
                        LPWSTR szVendorFilter,
                        BOOL bReturnAllProperties,
                        BOOL bReturnPropertyValues,
                        DWORD dwPropertyCount,
                        DWORD* pdwPropertyIDs,
                        BOOL* pbMoreElements,
                        DWORD* pdwCount,
                        OPCBROWSEELEMENT** ppBrowseElements) override;

  private:
    IUnknown* m_pServer;
    std::shared_ptr<const SimConfig> m_config;
};
