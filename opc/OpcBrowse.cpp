// Browsing the server's address space through IOPCBrowseServerAddressSpace: the browse position,
// string enumerators of branches, leaves or all item IDs, and fully qualified item IDs. A server
// with DA 3.0 IOPCBrowse instead is browsed through Da3Browser behind the same operations.
#include "opc/OpcConnection.h"

#include "framework/WinApp.h"
#include "opc/BrowseText.h"
#include "opc/Da3Browser.h"
#include "opc/TaskMemory.h"

namespace {
const char kBrowseCaption[] = "DEZOZOzidazIriduzEvuzIzuzi";
const char kNotSupportedText[] = "Funktion not Supported IOPCBrowseServerAddressSpace!";
const char kBrowseFailedText[] = "Funktion Failed: BrowseOPCItemIDs";
const HRESULT kNoBrowseInterface = -3;
const HRESULT kBrowseCallFailed = -4;
// No filter: every item of the requested kind is listed.
const wchar_t kNoFilter[] = L"";

void ShowBrowseBox(const char* text) {
    AppMessageBox(nullptr, text, kBrowseCaption, MB_OK);
}
}  // namespace

HRESULT OpcConnection::BrowseFlat(IEnumString** ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    if (!m_pBrowse && !m_pBrowse3) {
        // A connected server without either interface has its notice on the status line.
        if (!m_bNoBrowse)
            ShowBrowseBox(kNotSupportedText);
        return kNoBrowseInterface;
    }
    HRESULT hr = m_pBrowse
                     ? CallServer([&] { return m_pBrowse->BrowseOPCItemIDs(OPC_FLAT, kNoFilter, VT_EMPTY, 0, ppEnum); })
                     : m_pBrowse3->Flat(ppEnum);
    if (FAILED(hr)) {
        // A pointer written by a failing call is not a reference we own.
        *ppEnum = nullptr;
        ShowBrowseBox(kBrowseFailedText);
        return kBrowseCallFailed;
    }
    return S_OK;
}

HRESULT OpcConnection::BrowseBranches(IEnumString** ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    if (m_pBrowse3)
        return m_pBrowse3->Branches(ppEnum);
    if (!m_pBrowse)
        return E_FAIL;
    HRESULT hr = CallServer([&] { return m_pBrowse->BrowseOPCItemIDs(OPC_BRANCH, kNoFilter, VT_EMPTY, 0, ppEnum); });
    if (FAILED(hr))
        *ppEnum = nullptr;
    return hr;
}

HRESULT OpcConnection::BrowseLeavesOf(const char* branch, IEnumString** ppEnum, bool* pMoved) {
    bool moved = false;
    if (pMoved)
        *pMoved = false;
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    if (m_pBrowse3)
        return m_pBrowse3->LeavesOf(BrowseNameToWide(branch), ppEnum, pMoved ? pMoved : &moved);
    if (!m_pBrowse) {
        if (!m_bNoBrowse)
            ShowBrowseBox(kNotSupportedText);
        return kNoBrowseInterface;
    }
    std::wstring name = BrowseNameToWide(branch);
    HRESULT hr = CallServer([&] { return m_pBrowse->ChangeBrowsePosition(OPC_BROWSE_DOWN, name.c_str()); });
    if (FAILED(hr))
        return hr;
    if (pMoved)
        *pMoved = true;
    hr = CallServer([&] { return m_pBrowse->BrowseOPCItemIDs(OPC_LEAF, kNoFilter, VT_EMPTY, 0, ppEnum); });
    if (FAILED(hr))
        *ppEnum = nullptr;
    return hr;
}

HRESULT OpcConnection::BrowseUp() {
    if (m_pBrowse3)
        return m_pBrowse3->Up();
    if (!m_pBrowse)
        return E_FAIL;
    return CallServer([&] { return m_pBrowse->ChangeBrowsePosition(OPC_BROWSE_UP, L""); });
}

HRESULT OpcConnection::BrowseDown(const char* branch) {
    if (m_pBrowse3)
        return branch ? m_pBrowse3->Down(BrowseNameToWide(branch)) : E_INVALIDARG;
    if (!m_pBrowse)
        return E_FAIL;
    std::wstring name = BrowseNameToWide(branch);
    return CallServer(
        [&] { return m_pBrowse->ChangeBrowsePosition(OPC_BROWSE_DOWN, branch ? name.c_str() : nullptr); });
}

HRESULT OpcConnection::BrowseToRoot() {
    if (!m_pBrowse && !m_pBrowse3)
        return E_FAIL;
    // The server refuses OPC_BROWSE_UP at its root; the bound covers servers that never refuse.
    for (int step = 0; step < kMaxBrowseToRootSteps; ++step) {
        if (FAILED(BrowseUp()))
            break;
    }
    return S_OK;
}

std::string OpcConnection::GetFullItemId(const char* name) {
    if (m_pBrowse3) {
        const std::wstring wide = BrowseNameToWide(name);
        return BrowseNameToAnsi(m_pBrowse3->ItemId(name ? wide.c_str() : nullptr).c_str());
    }
    if (!m_pBrowse)
        return std::string();
    std::wstring wide = BrowseNameToWide(name);
    LPWSTR itemId = nullptr;
    HRESULT hr = CallServer([&] { return m_pBrowse->GetItemID(name ? wide.data() : nullptr, &itemId); });
    if (FAILED(hr) || !itemId)
        return std::string();
    std::string text = BrowseNameToAnsi(itemId);
    FreeTaskMemory(m_link.GetMalloc(), itemId);
    return text;
}

bool OpcConnection::IsFlatSpace() {
    if (m_pBrowse3)
        return m_pBrowse3->IsFlat();
    if (!m_pBrowse)
        return false;
    OPCNAMESPACETYPE type = OPC_NS_HIERARCHIAL;
    const HRESULT hr = CallServer([&] { return m_pBrowse->QueryOrganization(&type); });
    return SUCCEEDED(hr) && type == OPC_NS_FLAT;
}
