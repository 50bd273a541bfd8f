#include "simserver/SimServer.h"

#include <new>

#include "simserver/SimErrorText.h"
#include "simserver/SimGroup.h"
#include "simserver/SimLog.h"
#include "simserver/SimStringEnum.h"
#include "simserver/SimTaskArray.h"
#include "simserver/SimText.h"

namespace {

// Group handles are unique in the whole module, so the control exports can name a group by it.
OPCHANDLE g_nextGroupHandle = 1;

const LCID kLocales[] = {0x0409, 0x0407};  // English (US), German

const char* DirectionName(OPCBROWSEDIRECTION direction) {
    switch (direction) {
        case OPC_BROWSE_UP:
            return "UP";
        case OPC_BROWSE_DOWN:
            return "DOWN";
        case OPC_BROWSE_TO:
            return "TO";
    }
    return "OTHER";
}

const char* BrowseTypeName(OPCBROWSETYPE type) {
    switch (type) {
        case OPC_BRANCH:
            return "BRANCH";
        case OPC_LEAF:
            return "LEAF";
        case OPC_FLAT:
            return "FLAT";
    }
    return "OTHER";
}

std::string Utf8(LPCWSTR text) {
    return text ? WideToUtf8(text) : std::string("(null)");
}

}  // namespace

HRESULT SimServer::Create(std::shared_ptr<const SimConfig> config, REFIID riid, void** ppv) {
    auto* server = new (std::nothrow) SimServer(std::move(config));
    if (!server) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = server->QueryInterface(riid, ppv);
    server->Release();
    return hr;
}

SimServer::SimServer(std::shared_ptr<const SimConfig> config)
    : m_config(config), m_browser(config), m_browse3(static_cast<IOPCServer*>(this), config) {
    GetSystemTimeAsFileTime(&m_ftStart);
}

SimServer::~SimServer() {
    // Groups the client still holds live on without their server.
    for (SimGroup* group : m_groups) {
        group->DetachServer();
        group->Release();
    }
}

STDMETHODIMP SimServer::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    *ppv = nullptr;
    const char* withheld = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOPCServer)) {
        *ppv = static_cast<IOPCServer*>(this);
    } else if (IsEqualIID(riid, IID_IOPCBrowseServerAddressSpace)) {
        withheld = "browse";
        *ppv = static_cast<IOPCBrowseServerAddressSpace*>(this);
    } else if (IsEqualIID(riid, IID_IOPCCommon)) {
        withheld = "common";
        *ppv = static_cast<IOPCCommon*>(this);
    } else if (IsEqualIID(riid, IID_IOPCBrowse) && m_config->da3BrowsePage) {
        *ppv = static_cast<IOPCBrowse*>(&m_browse3);
    }
    if (*ppv && withheld && m_config->Withholds(withheld)) {
        SimLog::Write("QueryInterface server %s -> withheld", withheld);
        *ppv = nullptr;
    }
    if (!*ppv) {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) SimServer::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

STDMETHODIMP_(ULONG) SimServer::Release() {
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0) {
        delete this;
    }
    return static_cast<ULONG>(count);
}

bool SimServer::IsGroupNameTaken(const std::wstring& name, const SimGroup* pExcept) const {
    for (const SimGroup* group : m_groups) {
        if (group != pExcept && group->Name() == name) {
            return true;
        }
    }
    return false;
}

std::wstring SimServer::UniqueGroupName() const {
    for (unsigned n = 1;; ++n) {
        std::wstring name = L"Group" + std::to_wstring(n);
        if (!IsGroupNameTaken(name, nullptr)) {
            return name;
        }
    }
}

HRESULT SimServer::NewGroup(const SimGroupState& state, SimGroup** ppGroup) {
    SimGroup* group = SimGroup::Create(this, m_config, g_nextGroupHandle++, state);
    if (!group) {
        return E_OUTOFMEMORY;
    }
    m_groups.push_back(group);
    *ppGroup = group;
    return S_OK;
}

void SimServer::DropGroup(SimGroup* pGroup) {
    for (auto it = m_groups.begin(); it != m_groups.end(); ++it) {
        if (*it == pGroup) {
            m_groups.erase(it);
            pGroup->MarkRemoved();
            pGroup->DetachServer();
            pGroup->Release();
            return;
        }
    }
}

STDMETHODIMP SimServer::AddGroup(LPCWSTR szName,
                                 BOOL bActive,
                                 DWORD dwRequestedUpdateRate,
                                 OPCHANDLE hClientGroup,
                                 LONG* pTimeBias,
                                 FLOAT* pPercentDeadband,
                                 DWORD dwLCID,
                                 OPCHANDLE* phServerGroup,
                                 DWORD* pRevisedUpdateRate,
                                 REFIID riid,
                                 IUnknown** ppUnk) {
    SimServeCall();
    ZZSimCounters& counters = SimLog::Counters();
    ++counters.nAddGroup;
    counters.dwLastRequestedRate = dwRequestedUpdateRate;
    if (phServerGroup) {
        *phServerGroup = 0;
    }
    if (pRevisedUpdateRate) {
        *pRevisedUpdateRate = 0;
    }
    if (ppUnk) {
        *ppUnk = nullptr;
    }
    HRESULT hr = m_config->Hook("AddGroup");
    SimGroupState state;
    if (SUCCEEDED(hr) && (!phServerGroup || !pRevisedUpdateRate || !ppUnk ||
                          (pPercentDeadband && (*pPercentDeadband < 0.0f || *pPercentDeadband > 100.0f)))) {
        hr = E_INVALIDARG;
    }
    if (SUCCEEDED(hr)) {
        state.name = szName && *szName ? szName : UniqueGroupName();
        hr = IsGroupNameTaken(state.name, nullptr) ? OPC_E_DUPLICATENAME : S_OK;
    }
    SimGroup* group = nullptr;
    if (SUCCEEDED(hr)) {
        TIME_ZONE_INFORMATION zone = {};
        GetTimeZoneInformation(&zone);
        state.bActive = bActive != FALSE;
        state.updateRate = m_config->RevisedRate(dwRequestedUpdateRate);
        state.hClientGroup = hClientGroup;
        state.timeBias = pTimeBias ? *pTimeBias : zone.Bias;
        state.percentDeadband = pPercentDeadband ? *pPercentDeadband : 0.0f;
        state.lcid = dwLCID;
        hr = NewGroup(state, &group);
    }
    if (SUCCEEDED(hr)) {
        hr = group->QueryInterface(riid, reinterpret_cast<void**>(ppUnk));
        if (FAILED(hr)) {
            DropGroup(group);
            group = nullptr;
        }
    }
    if (group) {
        *phServerGroup = group->ServerHandle();
        *pRevisedUpdateRate = state.updateRate;
        counters.dwLastRevisedRate = state.updateRate;
        hr = state.updateRate == dwRequestedUpdateRate ? S_OK : OPC_S_UNSUPPORTEDRATE;
    }
    SimLog::Write("AddGroup name=\"%s\" active=%d rate=%lu hClient=%lu -> hServer=%lu revised=%lu hr=%s",
                  Utf8(szName).c_str(), bActive ? 1 : 0, dwRequestedUpdateRate, hClientGroup,
                  group ? group->ServerHandle() : 0, state.updateRate, HrText(hr).c_str());
    return hr;
}

HRESULT SimServer::CloneGroup(SimGroup& source, LPCWSTR szName, REFIID riid, IUnknown** ppUnk) {
    std::wstring name = szName && *szName ? szName : UniqueGroupName();
    if (IsGroupNameTaken(name, nullptr)) {
        return OPC_E_DUPLICATENAME;
    }
    DWORD rate = 0;
    BOOL bActive = FALSE;
    LPWSTR oldName = nullptr;
    SimGroupState state;
    OPCHANDLE hServer = 0;
    HRESULT hr = source.GetState(&rate, &bActive, &oldName, &state.timeBias, &state.percentDeadband, &state.lcid,
                                 &state.hClientGroup, &hServer);
    CoTaskMemFree(oldName);
    if (FAILED(hr)) {
        return hr;
    }
    // A clone starts inactive and without advise connections.
    state.name = name;
    state.updateRate = rate;
    state.bActive = false;
    SimGroup* clone = nullptr;
    hr = NewGroup(state, &clone);
    if (FAILED(hr)) {
        return hr;
    }
    clone->CopyItemsFrom(source);
    hr = clone->QueryInterface(riid, reinterpret_cast<void**>(ppUnk));
    if (FAILED(hr)) {
        DropGroup(clone);
    }
    return hr;
}

STDMETHODIMP SimServer::GetErrorString(HRESULT dwError, LCID /*dwLocale*/, LPWSTR* ppString) {
    SimServeCall();
    return GetErrorString(dwError, ppString);
}

STDMETHODIMP SimServer::GetGroupByName(LPCWSTR szName, REFIID riid, IUnknown** ppUnk) {
    SimServeCall();
    if (!ppUnk) {
        return E_INVALIDARG;
    }
    *ppUnk = nullptr;
    if (!szName) {
        return E_INVALIDARG;
    }
    for (SimGroup* group : m_groups) {
        if (group->Name() == szName) {
            return group->QueryInterface(riid, reinterpret_cast<void**>(ppUnk));
        }
    }
    return E_INVALIDARG;
}

OPCSERVERSTATE SimServer::CurrentState() {
    if (!m_config->error.empty()) {
        return OPC_STATUS_NOCONFIG;
    }
    DWORD poll = m_statusPolls++;
    for (const SimStateStep& step : m_config->states) {
        if (step.polls == 0 || poll < step.polls) {
            return step.state;
        }
        poll -= step.polls;
    }
    return OPC_STATUS_RUNNING;
}

STDMETHODIMP SimServer::GetStatus(OPCSERVERSTATUS** ppServerStatus) {
    SimServeCall();
    ++SimLog::Counters().nGetStatus;
    if (!ppServerStatus) {
        return E_INVALIDARG;
    }
    *ppServerStatus = nullptr;
    HRESULT hr = m_config->Hook("GetStatus");
    if (FAILED(hr)) {
        SimLog::Write("GetStatus -> hr=%s", HrText(hr).c_str());
        return hr;
    }
    SimTaskArray<OPCSERVERSTATUS> status(1);
    std::wstring vendor = m_config->error.empty() ? m_config->vendor : L"ZZSim: " + Utf8ToWide(m_config->error);
    LPWSTR vendorInfo = CoTaskStrDup(vendor);
    if (!status || !vendorInfo) {
        CoTaskMemFree(vendorInfo);
        return E_OUTOFMEMORY;
    }
    OPCSERVERSTATUS& s = status[0];
    s.ftStartTime = m_ftStart;
    GetSystemTimeAsFileTime(&s.ftCurrentTime);
    s.dwServerState = CurrentState();
    s.dwGroupCount = static_cast<DWORD>(m_groups.size());
    s.dwBandWidth = 0xFFFFFFFF;  // unknown
    s.wMajorVersion = 1;
    s.wMinorVersion = 0;
    s.wBuildNumber = 1;
    s.szVendorInfo = vendorInfo;
    SimLog::Write("GetStatus -> state=%d hr=0x00000000", static_cast<int>(s.dwServerState));
    *ppServerStatus = status.release();
    return S_OK;
}

STDMETHODIMP SimServer::RemoveGroup(OPCHANDLE hServerGroup, BOOL bForce) {
    SimServeCall();
    ++SimLog::Counters().nRemoveGroup;
    HRESULT hr = m_config->Hook("RemoveGroup");
    SimGroup* found = nullptr;
    for (SimGroup* group : m_groups) {
        found = group->ServerHandle() == hServerGroup ? group : found;
    }
    if (SUCCEEDED(hr) && !found) {
        hr = E_INVALIDARG;
    }
    if (SUCCEEDED(hr)) {
        // Still referenced by the client: removed anyway, but say so unless forced.
        bool bInUse = found->HasExternalReferences();
        DropGroup(found);
        hr = bInUse && !bForce ? OPC_S_INUSE : S_OK;
    }
    SimLog::Write("RemoveGroup hServer=%lu force=%d -> hr=%s", hServerGroup, bForce ? 1 : 0, HrText(hr).c_str());
    return hr;
}

STDMETHODIMP SimServer::CreateGroupEnumerator(OPCENUMSCOPE dwScope, REFIID riid, IUnknown** ppUnk) {
    SimServeCall();
    if (!ppUnk) {
        return E_INVALIDARG;
    }
    *ppUnk = nullptr;
    if (dwScope < OPC_ENUM_PRIVATE_CONNECTIONS || dwScope > OPC_ENUM_ALL) {
        return E_INVALIDARG;
    }
    if (!IsEqualIID(riid, IID_IEnumString)) {
        return IsEqualIID(riid, IID_IEnumUnknown) ? E_NOTIMPL : E_NOINTERFACE;
    }
    // Every group is private: the simulator has no public groups.
    std::vector<std::wstring> names;
    if (dwScope != OPC_ENUM_PUBLIC_CONNECTIONS && dwScope != OPC_ENUM_PUBLIC) {
        for (const SimGroup* group : m_groups) {
            names.push_back(group->Name());
        }
    }
    bool bEmpty = names.empty();
    IEnumString* enumerator = SimStringEnum::Create(std::move(names));
    if (!enumerator) {
        return E_OUTOFMEMORY;
    }
    *ppUnk = enumerator;
    return bEmpty ? S_FALSE : S_OK;
}

STDMETHODIMP SimServer::QueryOrganization(OPCNAMESPACETYPE* pNameSpaceType) {
    SimServeCall();
    if (!pNameSpaceType) {
        return E_INVALIDARG;
    }
    HRESULT hr = m_config->Hook("QueryOrganization");
    if (SUCCEEDED(hr)) {
        *pNameSpaceType = m_browser.Organization();
    }
    SimLog::Write("QueryOrganization -> %s hr=%s", m_browser.Organization() == OPC_NS_FLAT ? "FLAT" : "HIERARCHIAL",
                  HrText(hr).c_str());
    return hr;
}

STDMETHODIMP SimServer::ChangeBrowsePosition(OPCBROWSEDIRECTION dwBrowseDirection, LPCWSTR szString) {
    SimServeCall();
    ++SimLog::Counters().nChangeBrowsePosition;
    HRESULT hr = m_config->Hook("ChangeBrowsePosition");
    if (SUCCEEDED(hr)) {
        hr = m_browser.Change(dwBrowseDirection, szString);
    }
    SimLog::Write("ChangeBrowsePosition %s \"%s\" -> hr=%s position=\"%s\"", DirectionName(dwBrowseDirection),
                  Utf8(szString).c_str(), HrText(hr).c_str(), WideToUtf8(m_browser.Position()).c_str());
    return hr;
}

STDMETHODIMP SimServer::BrowseOPCItemIDs(OPCBROWSETYPE dwBrowseFilterType,
                                         LPCWSTR szFilterCriteria,
                                         VARTYPE vtDataTypeFilter,
                                         DWORD dwAccessRightsFilter,
                                         IEnumString** ppIEnumString) {
    SimServeCall();
    ++SimLog::Counters().nBrowseOPCItemIDs;
    if (!ppIEnumString) {
        return E_INVALIDARG;
    }
    *ppIEnumString = nullptr;
    std::vector<std::wstring> names;
    HRESULT hr = m_config->Hook("BrowseOPCItemIDs");
    if (SUCCEEDED(hr)) {
        hr = m_browser.List(dwBrowseFilterType, szFilterCriteria, vtDataTypeFilter, dwAccessRightsFilter, &names);
    }
    SimLog::Write("BrowseOPCItemIDs %s filter=\"%s\" position=\"%s\" -> count=%u hr=%s",
                  BrowseTypeName(dwBrowseFilterType), Utf8(szFilterCriteria).c_str(),
                  WideToUtf8(m_browser.Position()).c_str(), static_cast<unsigned>(names.size()), HrText(hr).c_str());
    if (FAILED(hr)) {
        return hr;
    }
    // Nothing found still gives an (empty) enumerator, which clients handle more easily than NULL.
    SimEnumMode mode = m_config->bGarbageBrowse   ? SimEnumMode::Garbage
                       : m_config->bEndlessBrowse ? SimEnumMode::Endless
                                                  : SimEnumMode::Normal;
    *ppIEnumString = SimStringEnum::Create(std::move(names), mode);
    return *ppIEnumString ? hr : E_OUTOFMEMORY;
}

STDMETHODIMP SimServer::GetItemID(LPWSTR szItemDataID, LPWSTR* szItemID) {
    SimServeCall();
    ++SimLog::Counters().nGetItemID;
    if (!szItemID) {
        return E_INVALIDARG;
    }
    *szItemID = nullptr;
    std::wstring itemId;
    HRESULT hr = m_config->Hook("GetItemID");
    if (SUCCEEDED(hr)) {
        hr = m_browser.ItemId(szItemDataID, &itemId);
    }
    SimLog::Write("GetItemID \"%s\" -> \"%s\" hr=%s", Utf8(szItemDataID).c_str(), WideToUtf8(itemId).c_str(),
                  HrText(hr).c_str());
    if (FAILED(hr)) {
        return hr;
    }
    *szItemID = CoTaskStrDup(itemId);
    return *szItemID ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP SimServer::BrowseAccessPaths(LPCWSTR /*szItemID*/, IEnumString** ppIEnumString) {
    SimServeCall();
    if (ppIEnumString) {
        *ppIEnumString = nullptr;
    }
    return E_NOTIMPL;
}

STDMETHODIMP SimServer::SetLocaleID(LCID dwLcid) {
    SimServeCall();
    bool bKnown = dwLcid == LOCALE_SYSTEM_DEFAULT || dwLcid == LOCALE_USER_DEFAULT;
    for (LCID lcid : kLocales) {
        bKnown = bKnown || dwLcid == lcid;
    }
    if (!bKnown) {
        return E_INVALIDARG;
    }
    m_lcid = dwLcid;
    return S_OK;
}

STDMETHODIMP SimServer::GetLocaleID(LCID* pdwLcid) {
    SimServeCall();
    if (!pdwLcid) {
        return E_INVALIDARG;
    }
    *pdwLcid = m_lcid;
    return S_OK;
}

STDMETHODIMP SimServer::QueryAvailableLocaleIDs(DWORD* pdwCount, LCID** pdwLcid) {
    SimServeCall();
    if (!pdwCount || !pdwLcid) {
        return E_INVALIDARG;
    }
    *pdwCount = 0;
    *pdwLcid = nullptr;
    const size_t count = sizeof(kLocales) / sizeof(kLocales[0]);
    SimTaskArray<LCID> locales(count);
    if (!locales) {
        return E_OUTOFMEMORY;
    }
    for (size_t i = 0; i < count; ++i) {
        locales[i] = kLocales[i];
    }
    *pdwCount = static_cast<DWORD>(count);
    *pdwLcid = locales.release();
    return S_OK;
}

STDMETHODIMP SimServer::GetErrorString(HRESULT dwError, LPWSTR* ppString) {
    SimServeCall();
    if (!ppString) {
        return E_INVALIDARG;
    }
    *ppString = nullptr;
    std::wstring text;
    if (!SimErrorText::Lookup(dwError, &text)) {
        return E_INVALIDARG;
    }
    *ppString = CoTaskStrDup(text);
    return *ppString ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP SimServer::SetClientName(LPCWSTR szName) {
    SimServeCall();
    if (!szName) {
        return E_INVALIDARG;
    }
    m_clientName = szName;
    SimLog::Write("SetClientName \"%s\"", Utf8(szName).c_str());
    return S_OK;
}
