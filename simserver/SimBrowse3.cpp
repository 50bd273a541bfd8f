#include "simserver/SimBrowse3.h"

#include <string>
#include <vector>

#include "simserver/SimLog.h"
#include "simserver/SimTaskArray.h"
#include "simserver/SimText.h"
#include "simserver/SimWildcard.h"

namespace {
const wchar_t kPointPrefix[] = L"zzsim:";

struct Element {
    std::wstring name;
    std::wstring itemId;
    DWORD flags;
};

// The element index a continuation point stands for; false for one the server never gave out.
bool ParsePoint(const wchar_t* point, size_t* pIndex) {
    *pIndex = 0;
    if (!point || !point[0]) {
        return true;
    }
    std::wstring text = point;
    const size_t prefix = wcslen(kPointPrefix);
    if (text.compare(0, prefix, kPointPrefix) != 0 || text.size() == prefix || text.size() > prefix + 9) {
        return false;
    }
    for (size_t i = prefix; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') {
            return false;
        }
        *pIndex = *pIndex * 10 + static_cast<size_t>(text[i] - L'0');
    }
    return true;
}
}  // namespace

STDMETHODIMP SimBrowse3::GetProperties(DWORD, LPWSTR*, BOOL, DWORD, DWORD*, OPCITEMPROPERTIES** ppItemProperties) {
    if (ppItemProperties) {
        *ppItemProperties = nullptr;
    }
    return E_NOTIMPL;
}

STDMETHODIMP SimBrowse3::Browse(LPWSTR szItemID,
                                LPWSTR* pszContinuationPoint,
                                DWORD dwMaxElementsReturned,
                                OPCBROWSEFILTER dwBrowseFilter,
                                LPWSTR szElementNameFilter,
                                LPWSTR /*szVendorFilter*/,
                                BOOL /*bReturnAllProperties*/,
                                BOOL /*bReturnPropertyValues*/,
                                DWORD /*dwPropertyCount*/,
                                DWORD* /*pdwPropertyIDs*/,
                                BOOL* pbMoreElements,
                                DWORD* pdwCount,
                                OPCBROWSEELEMENT** ppBrowseElements) {
    if (!pszContinuationPoint || !pbMoreElements || !pdwCount || !ppBrowseElements) {
        return E_POINTER;
    }
    // The incoming point is ours to free; from here on the answer replaces it.
    const std::wstring point = *pszContinuationPoint ? *pszContinuationPoint : L"";
    CoTaskMemFree(*pszContinuationPoint);
    *pszContinuationPoint = nullptr;
    *pbMoreElements = FALSE;
    *pdwCount = 0;
    *ppBrowseElements = nullptr;
    const std::wstring id = szItemID ? szItemID : L"";
    const std::wstring nameFilter = szElementNameFilter ? szElementNameFilter : L"";
    HRESULT hr = m_config->Hook("Browse");
    const SimNode* node = id.empty() ? &m_config->root : nullptr;
    if (SUCCEEDED(hr) && !node) {
        auto branch = m_config->branches.find(id);
        node = branch != m_config->branches.end() ? branch->second : nullptr;
        if (!node && !m_config->leaves.count(id)) {
            hr = OPC_E_UNKNOWNITEMID;
        }
    }
    size_t start = 0;
    if (SUCCEEDED(hr) && (dwBrowseFilter < OPC_BROWSE_FILTER_ALL || dwBrowseFilter > OPC_BROWSE_FILTER_ITEMS)) {
        hr = E_INVALIDARG;
    } else if (SUCCEEDED(hr) && !SimWildcard::IsValid(nameFilter)) {
        hr = OPC_E_INVALIDFILTER;
    } else if (SUCCEEDED(hr) && !ParsePoint(point.c_str(), &start)) {
        hr = OPC_E_INVALIDCONTINUATIONPOINT;
    }
    std::vector<Element> all;
    for (size_t i = 0; SUCCEEDED(hr) && node && i < node->children.size(); ++i) {
        const SimNode& child = *node->children[i];
        const bool wanted =
            child.bBranch ? dwBrowseFilter != OPC_BROWSE_FILTER_ITEMS : dwBrowseFilter != OPC_BROWSE_FILTER_BRANCHES;
        if (wanted && SimWildcard::Match(nameFilter, child.name)) {
            const DWORD flags =
                child.bBranch ? (child.children.empty() ? 0 : OPC_BROWSE_HASCHILDREN) : OPC_BROWSE_ISITEM;
            all.push_back({child.name, child.fullId, flags});
        }
    }
    size_t page = m_config->da3BrowsePage;
    if (dwMaxElementsReturned && dwMaxElementsReturned < page) {
        page = dwMaxElementsReturned;
    }
    const bool endless = m_config->bEndlessBrowse && dwBrowseFilter != OPC_BROWSE_FILTER_BRANCHES;
    std::vector<const Element*> answer;
    std::vector<Element> extra;
    extra.reserve(page);
    for (size_t i = start; SUCCEEDED(hr) && answer.size() < page && (i < all.size() || endless); ++i) {
        if (i < all.size()) {
            answer.push_back(&all[i]);
        } else {
            std::wstring name = L"Endless" + std::to_wstring(i - all.size() + 1);
            extra.push_back({name, name, OPC_BROWSE_ISITEM});
            answer.push_back(&extra.back());
        }
    }
    const size_t next = start + answer.size();
    SimTaskArray<OPCBROWSEELEMENT> elements(answer.size());
    if (SUCCEEDED(hr) && !elements) {
        hr = E_OUTOFMEMORY;
    }
    for (size_t i = 0; SUCCEEDED(hr) && i < answer.size(); ++i) {
        elements[i].szName = CoTaskStrDup(answer[i]->name);
        elements[i].szItemID = CoTaskStrDup(answer[i]->itemId);
        elements[i].dwFlagValue = answer[i]->flags;
        if (!elements[i].szName || !elements[i].szItemID) {
            hr = E_OUTOFMEMORY;
        }
    }
    if (SUCCEEDED(hr) && (next < all.size() || endless)) {
        *pszContinuationPoint = CoTaskStrDup(kPointPrefix + std::to_wstring(next));
        hr = *pszContinuationPoint ? hr : E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        for (size_t i = 0; elements && i < answer.size(); ++i) {
            CoTaskMemFree(elements[i].szName);
            CoTaskMemFree(elements[i].szItemID);
        }
        CoTaskMemFree(*pszContinuationPoint);
        *pszContinuationPoint = nullptr;
    } else {
        *pdwCount = static_cast<DWORD>(answer.size());
        *ppBrowseElements = answer.empty() ? nullptr : elements.release();
    }
    SimLog::Write("Browse \"%s\" filter=%d point=\"%s\" max=%lu -> count=%lu next=\"%s\" hr=%s", WideToUtf8(id).c_str(),
                  static_cast<int>(dwBrowseFilter), WideToUtf8(point).c_str(), dwMaxElementsReturned, *pdwCount,
                  *pszContinuationPoint ? WideToUtf8(*pszContinuationPoint).c_str() : "", HrText(hr).c_str());
    return hr;
}
