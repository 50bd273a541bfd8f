#pragma once
// The OPC server object: IOPCServer with its groups, the browse position of
// IOPCBrowseServerAddressSpace, and IOPCCommon. Everything it answers comes from one config.
#include <windows.h>
#include <memory>
#include <string>
#include <vector>

#include "opc/OpcDa.h"
#include "simserver/SimBrowse3.h"
#include "simserver/SimBrowser.h"
#include "simserver/SimConfig.h"
#include "simserver/SimModule.h"

class SimGroup;
struct SimGroupState;

class SimServer final : public IOPCServer, public IOPCBrowseServerAddressSpace, public IOPCCommon {
  public:
    // Creates a server for the config and queries it for riid.
    static HRESULT Create(std::shared_ptr<const SimConfig> config, REFIID riid, void** ppv);

    bool IsGroupNameTaken(const std::wstring& name, const SimGroup* pExcept) const;
    HRESULT CloneGroup(SimGroup& source, LPCWSTR szName, REFIID riid, IUnknown** ppUnk);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOPCServer
    STDMETHODIMP AddGroup(LPCWSTR szName,
                          BOOL bActive,
                          DWORD dwRequestedUpdateRate,
                          OPCHANDLE hClientGroup,
                          LONG* pTimeBias,
                          FLOAT* pPercentDeadband,
                          DWORD dwLCID,
                          OPCHANDLE* phServerGroup,
                          DWORD* pRevisedUpdateRate,
                          REFIID riid,
                          IUnknown** ppUnk) override;
    STDMETHODIMP GetErrorString(HRESULT dwError, LCID dwLocale, LPWSTR* ppString) override;
    STDMETHODIMP GetGroupByName(LPCWSTR szName, REFIID riid, IUnknown** ppUnk) override;
    STDMETHODIMP GetStatus(OPCSERVERSTATUS** ppServerStatus) override;
    STDMETHODIMP RemoveGroup(OPCHANDLE hServerGroup, BOOL bForce) override;
    STDMETHODIMP CreateGroupEnumerator(OPCENUMSCOPE dwScope, REFIID riid, IUnknown** ppUnk) override;

    // IOPCBrowseServerAddressSpace
    STDMETHODIMP QueryOrganization(OPCNAMESPACETYPE* pNameSpaceType) override;
    STDMETHODIMP ChangeBrowsePosition(OPCBROWSEDIRECTION dwBrowseDirection, LPCWSTR szString) override;
    STDMETHODIMP BrowseOPCItemIDs(OPCBROWSETYPE dwBrowseFilterType,
                                  LPCWSTR szFilterCriteria,
                                  VARTYPE vtDataTypeFilter,
                                  DWORD dwAccessRightsFilter,
                                  IEnumString** ppIEnumString) override;
    STDMETHODIMP GetItemID(LPWSTR szItemDataID, LPWSTR* szItemID) override;
    STDMETHODIMP BrowseAccessPaths(LPCWSTR szItemID, IEnumString** ppIEnumString) override;

    // IOPCCommon
    STDMETHODIMP SetLocaleID(LCID dwLcid) override;
    STDMETHODIMP GetLocaleID(LCID* pdwLcid) override;
    STDMETHODIMP QueryAvailableLocaleIDs(DWORD* pdwCount, LCID** pdwLcid) override;
    STDMETHODIMP GetErrorString(HRESULT dwError, LPWSTR* ppString) override;
    STDMETHODIMP SetClientName(LPCWSTR szName) override;

  private:
    explicit SimServer(std::shared_ptr<const SimConfig> config);
    ~SimServer();

    OPCSERVERSTATE CurrentState();
    // Registers a new group under a fresh handle; the server keeps the group's first reference.
    HRESULT NewGroup(const SimGroupState& state, SimGroup** ppGroup);
    void DropGroup(SimGroup* pGroup);
    std::wstring UniqueGroupName() const;

    SimLiveObject<SimObjectKind::Server> m_live;
    LONG m_cRef = 1;
    std::shared_ptr<const SimConfig> m_config;
    SimBrowser m_browser;
    SimBrowse3 m_browse3;  // offered with da3_browse
    std::vector<SimGroup*> m_groups;
    DWORD m_statusPolls = 0;
    FILETIME m_ftStart = {};
    LCID m_lcid = LOCALE_SYSTEM_DEFAULT;
    std::wstring m_clientName;
};
