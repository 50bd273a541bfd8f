#include "opc/ServerCatalog.h"

#include <comcat.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstring>

#include "opc/OpcDa.h"
#include "opc/OpcServerLink.h"
#include "res/resource.h"

using Microsoft::WRL::ComPtr;

namespace {

// An enumerator that never ends must not hang the dialog.
constexpr ULONG kMaxClasses = 10000;

std::string Narrow(const wchar_t* text) {
    std::string out;
    if (text) {
        OpcServerLink::ToMultiByte(text, &out);
    }
    return out;
}

std::vector<CLSID> DrainClasses(IEnumGUID* classes) {
    std::vector<CLSID> found;
    CLSID clsid;
    ULONG fetched = 0;
    while (found.size() < kMaxClasses && classes->Next(1, &clsid, &fetched) == S_OK && fetched == 1) {
        found.push_back(clsid);
    }
    return found;
}

std::string TrimmedHost(const std::string& host) {
    const size_t first = host.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    return host.substr(first, host.find_last_not_of(" \t") - first + 1);
}

}  // namespace

void SortCatalog(std::vector<CatalogServer>* servers) {
    auto less = [](const CatalogServer& a, const CatalogServer& b) {
        return _stricmp(a.progId.c_str(), b.progId.c_str()) < 0;
    };
    servers->erase(
        std::remove_if(servers->begin(), servers->end(), [](const CatalogServer& s) { return s.progId.empty(); }),
        servers->end());
    std::stable_sort(servers->begin(), servers->end(), less);
    servers->erase(std::unique(servers->begin(), servers->end(),
                               [](const CatalogServer& a, const CatalogServer& b) {
                                   return _stricmp(a.progId.c_str(), b.progId.c_str()) == 0;
                               }),
                   servers->end());
}

HRESULT ListLocalServers(std::vector<CatalogServer>* servers) {
    servers->clear();
    ComPtr<ICatInformation> categories;
    HRESULT hr = CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatInformation,
                                  reinterpret_cast<void**>(categories.GetAddressOf()));
    if (FAILED(hr)) {
        return hr;
    }
    // Each category on its own, then merged: a server registered in both is listed once.
    std::vector<CLSID> found;
    for (CATID category : {CATID_OPCDAServer10, CATID_OPCDAServer20}) {
        ComPtr<IEnumGUID> classes;
        if (SUCCEEDED(categories->EnumClassesOfCategories(1, &category, static_cast<ULONG>(-1), nullptr,
                                                          classes.GetAddressOf())) &&
            classes) {
            const std::vector<CLSID> more = DrainClasses(classes.Get());
            found.insert(found.end(), more.begin(), more.end());
        }
    }
    for (const CLSID& clsid : found) {
        LPOLESTR progId = nullptr;
        if (FAILED(ProgIDFromCLSID(clsid, &progId)) || !progId) {
            continue;  // a class without a ProgID cannot go into the Connect menu
        }
        CatalogServer server;
        server.progId = Narrow(progId);
        CoTaskMemFree(progId);
        LPOLESTR userType = nullptr;
        if (SUCCEEDED(OleRegGetUserType(clsid, USERCLASSTYPE_FULL, &userType)) && userType) {
            server.description = Narrow(userType);
            CoTaskMemFree(userType);
        }
        servers->push_back(server);
    }
    SortCatalog(servers);
    return S_OK;
}

HRESULT ListRemoteServers(const std::string& host, std::vector<CatalogServer>* servers) {
    servers->clear();
    std::wstring machine;
    HRESULT hr = OpcServerLink::ToWide(TrimmedHost(host).c_str(), &machine);
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IOPCServerList> list;
    hr = OpcServerLink::OpenServerList(machine.c_str(), list.GetAddressOf());
    if (FAILED(hr)) {
        return hr;
    }
    CATID wanted[] = {CATID_OPCDAServer10, CATID_OPCDAServer20};
    ComPtr<IEnumGUID> classes;
    hr = list->EnumClassesOfCategories(2, wanted, 0, nullptr, classes.GetAddressOf());
    if (FAILED(hr) || !classes) {
        return FAILED(hr) ? hr : E_UNEXPECTED;
    }
    for (const CLSID& clsid : DrainClasses(classes.Get())) {
        LPOLESTR progId = nullptr;
        LPOLESTR userType = nullptr;
        if (FAILED(list->GetClassDetails(clsid, &progId, &userType))) {
            continue;
        }
        servers->push_back({Narrow(progId), Narrow(userType)});
        CoTaskMemFree(progId);
        CoTaskMemFree(userType);
    }
    SortCatalog(servers);
    return S_OK;
}

std::string CatalogEntryText(const std::string& host, const std::string& progId) {
    const std::string machine = TrimmedHost(host);
    return machine.empty() ? progId : "\\\\" + machine + ":" + progId;
}

UINT NextServerEntryId(const std::vector<UINT>& usedIds) {
    for (UINT id = ID_CONNECT_SERVER_FIRST; id <= ID_CONNECT_SERVER_LAST; ++id) {
        if (std::find(usedIds.begin(), usedIds.end(), id) == usedIds.end()) {
            return id;
        }
    }
    return 0;
}
