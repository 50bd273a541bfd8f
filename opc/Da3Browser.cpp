#include "opc/Da3Browser.h"

#include <cwchar>
#include <new>

#include "opc/BrowseText.h"
#include "opc/TaskMemory.h"

namespace {
// No filter, no properties: every element of the requested kind, names and item IDs only.
wchar_t kNoFilter[] = L"";

// A server string, read no further than kMaxNameChars; null gives "".
std::wstring Text(const wchar_t* text) {
    return text ? std::wstring(text, wcsnlen(text, kMaxNameChars)) : std::wstring();
}

// What the server's branch filter lists: anything that has (or may have) children, or is no item.
bool IsBranchLike(DWORD flags) {
    return (flags & OPC_BROWSE_HASCHILDREN) || !(flags & OPC_BROWSE_ISITEM);
}

// Frees what one element holds: its strings and whatever properties the server added.
void FreeElement(OPCBROWSEELEMENT& element) {
    CoTaskMemFree(element.szName);
    CoTaskMemFree(element.szItemID);
    OPCITEMPROPERTIES& props = element.ItemProperties;
    if (props.pItemProperties &&
        TaskBlockHolds(nullptr, props.pItemProperties, props.dwNumProperties, sizeof(OPCITEMPROPERTY))) {
        for (DWORD i = 0; i < props.dwNumProperties; ++i) {
            CoTaskMemFree(props.pItemProperties[i].szItemID);
            CoTaskMemFree(props.pItemProperties[i].szDescription);
            VariantClear(&props.pItemProperties[i].vValue);
        }
    }
    CoTaskMemFree(props.pItemProperties);
}

class StringEnum final : public IEnumString {
  public:
    explicit StringEnum(std::vector<std::wstring> names) : m_names(std::move(names)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IEnumString))
            return E_NOINTERFACE;
        *ppv = static_cast<IEnumString*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return (ULONG)InterlockedIncrement(&m_cRef); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG count = InterlockedDecrement(&m_cRef);
        if (count == 0)
            delete this;
        return (ULONG)count;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG celt, LPOLESTR* rgelt, ULONG* pceltFetched) override {
        if (!rgelt || (celt > 1 && !pceltFetched))
            return E_POINTER;
        ULONG fetched = 0;
        for (; fetched < celt && m_next < m_names.size(); ++fetched, ++m_next) {
            const std::wstring& name = m_names[m_next];
            const size_t bytes = (name.size() + 1) * sizeof(wchar_t);
            rgelt[fetched] = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
            if (!rgelt[fetched]) {
                for (ULONG i = 0; i < fetched; ++i)
                    CoTaskMemFree(rgelt[i]);
                fetched = 0;
                if (pceltFetched)
                    *pceltFetched = 0;
                return E_OUTOFMEMORY;
            }
            memcpy(rgelt[fetched], name.c_str(), bytes);
        }
        if (pceltFetched)
            *pceltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override {
        const size_t left = m_names.size() - m_next;
        m_next += celt < left ? celt : left;
        return celt <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        m_next = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumString** ppEnum) override {
        if (!ppEnum)
            return E_POINTER;
        StringEnum* copy = new (std::nothrow) StringEnum(m_names);
        *ppEnum = copy;
        if (!copy)
            return E_OUTOFMEMORY;
        copy->m_next = m_next;
        return S_OK;
    }

  private:
    LONG m_cRef = 1;
    std::vector<std::wstring> m_names;
    size_t m_next = 0;
};
}  // namespace

HRESULT CreateStringEnum(std::vector<std::wstring> names, IEnumString** ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = new (std::nothrow) StringEnum(std::move(names));
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

Da3Browser::Da3Browser(IOPCBrowse* pBrowse, CallServer call) : m_pBrowse(pBrowse), m_callServer(std::move(call)) {
    m_pBrowse->AddRef();
}

Da3Browser::~Da3Browser() {
    m_pBrowse->Release();
}

const std::wstring& Da3Browser::Here() const {
    static const std::wstring root;
    return m_path.empty() ? root : m_path.back();
}

HRESULT Da3Browser::Call(const std::wstring& itemId,
                         OPCBROWSEFILTER filter,
                         std::wstring* pPoint,
                         bool* pMore,
                         size_t room,
                         std::vector<Element>* pOut) {
    // The point goes in as task memory: the server (or the stub) may free it and store another.
    LPWSTR point = nullptr;
    if (!pPoint->empty()) {
        point = static_cast<LPWSTR>(CoTaskMemAlloc((pPoint->size() + 1) * sizeof(wchar_t)));
        if (!point)
            return E_OUTOFMEMORY;
        memcpy(point, pPoint->c_str(), (pPoint->size() + 1) * sizeof(wchar_t));
    }
    std::wstring id = itemId;
    DWORD noProperty = 0;  // a valid pointer even for no properties: the proxy refuses NULL
    BOOL more = FALSE;
    DWORD count = 0;
    OPCBROWSEELEMENT* elements = nullptr;
    HRESULT hr = m_callServer([&] {
        return m_pBrowse->Browse(&id[0], &point, kBrowseElementsPerCall, filter, kNoFilter, kNoFilter, FALSE, FALSE, 0,
                                 &noProperty, &more, &count, &elements);
    });
    *pPoint = SUCCEEDED(hr) ? Text(point) : std::wstring();
    *pMore = SUCCEEDED(hr) && more;
    CoTaskMemFree(point);
    if (FAILED(hr)) {
        // What a failing call wrote is not ours to trust or free.
        return hr;
    }
    if (count && (!elements || !TaskBlockHolds(nullptr, elements, count, sizeof(OPCBROWSEELEMENT)))) {
        CoTaskMemFree(elements);  // a count the array does not hold: nothing in it is read
        *pPoint = std::wstring();
        return E_FAIL;
    }
    for (DWORD i = 0; i < count; ++i) {
        if (pOut->size() < room)
            pOut->push_back({Text(elements[i].szName), Text(elements[i].szItemID), elements[i].dwFlagValue});
        FreeElement(elements[i]);
    }
    CoTaskMemFree(elements);
    return hr;
}

HRESULT Da3Browser::List(const std::wstring& itemId,
                         OPCBROWSEFILTER filter,
                         size_t maxElements,
                         std::vector<Element>* pOut) {
    pOut->clear();
    std::wstring point;
    for (size_t calls = 0; calls < kMaxBrowseCallsPerList; ++calls) {
        const std::wstring previous = point;
        const size_t before = pOut->size();
        bool more = false;
        const HRESULT hr = Call(itemId, filter, &point, &more, maxElements, pOut);
        if (FAILED(hr))
            return calls == 0 ? hr : S_OK;  // what the earlier pages gave stays
        // Done: no point. Also cut off: a list at its bound, and a point that comes back
        // unchanged with nothing new (it would never end). "More" without a point means the
        // server cannot resume; what it gave is all there is.
        if (point.empty() || pOut->size() >= maxElements || (point == previous && pOut->size() == before))
            return S_OK;
    }
    return S_OK;
}

HRESULT Da3Browser::ListHere(OPCBROWSEFILTER filter, std::map<std::wstring, NameMap>* pMaps, IEnumString** ppEnum) {
    std::vector<Element> elements;
    auto walked = m_walked.find(Here());
    if (walked != m_walked.end()) {
        // The flat walk listed this branch whole: its kind of children, as the server filters.
        for (const Element& element : walked->second) {
            if (filter == OPC_BROWSE_FILTER_ITEMS ? (element.flags & OPC_BROWSE_ISITEM) != 0
                                                  : IsBranchLike(element.flags))
                elements.push_back(element);
        }
    } else {
        HRESULT hr = List(Here(), filter, kMaxNamesPerEnumerator, &elements);
        if (FAILED(hr))
            return hr;
    }
    NameMap& ids = (*pMaps)[Here()];
    ids.clear();
    std::vector<std::wstring> names;
    names.reserve(elements.size());
    for (Element& element : elements) {
        ids.emplace(element.name, element.itemId);
        names.push_back(std::move(element.name));
    }
    return ppEnum ? CreateStringEnum(std::move(names), ppEnum) : S_OK;
}

HRESULT Da3Browser::Flat(IEnumString** ppEnum) {
    std::vector<std::wstring> ids;
    // Depth-first: the branches still to visit, each with its depth; the children of a branch
    // go in front in the server's order.
    std::vector<std::pair<std::wstring, int>> pending = {{std::wstring(), 0}};
    size_t visited = 0;
    HRESULT first = S_OK;
    m_walked.clear();
    while (!pending.empty() && ids.size() < kMaxNamesPerEnumerator && visited < kMaxTreeNodes) {
        auto [branch, depth] = pending.back();
        pending.pop_back();
        std::vector<Element> elements;
        const size_t room = kMaxNamesPerEnumerator - ids.size();
        const HRESULT hr = List(branch, OPC_BROWSE_FILTER_ALL, room, &elements);
        if (visited++ == 0)
            first = hr;
        // Kept for the tree's walk that follows, unless the listing failed or may be cut.
        if (SUCCEEDED(hr) && elements.size() < room)
            m_walked[branch] = elements;
        std::vector<std::pair<std::wstring, int>> below;
        for (Element& element : elements) {
            if ((element.flags & OPC_BROWSE_ISITEM) && !element.itemId.empty())
                ids.push_back(element.itemId);
            if (IsBranchLike(element.flags) && !element.itemId.empty() && depth < kMaxBrowseDepth &&
                element.itemId != branch)
                below.emplace_back(element.itemId, depth + 1);
        }
        pending.insert(pending.end(), below.rbegin(), below.rend());
    }
    if (FAILED(first))
        return first;
    m_flatIds.insert(ids.begin(), ids.end());
    return CreateStringEnum(std::move(ids), ppEnum);
}

HRESULT Da3Browser::Branches(IEnumString** ppEnum) {
    return ListHere(OPC_BROWSE_FILTER_BRANCHES, &m_branchIds, ppEnum);
}

HRESULT Da3Browser::LeavesOf(const std::wstring& branch, IEnumString** ppEnum, bool* pMoved) {
    HRESULT hr = Down(branch);
    if (FAILED(hr))
        return hr;
    *pMoved = true;
    return ListHere(OPC_BROWSE_FILTER_ITEMS, &m_itemIds, ppEnum);
}

HRESULT Da3Browser::Up() {
    if (m_path.empty())
        return E_FAIL;
    m_path.pop_back();
    return S_OK;
}

HRESULT Da3Browser::Down(const std::wstring& branch) {
    if (m_path.size() >= (size_t)kMaxBrowseToRootSteps)
        return E_FAIL;  // deeper than BrowseToRoot could ever leave
    auto known = m_branchIds.find(Here());
    if (known == m_branchIds.end() || !known->second.count(branch)) {
        HRESULT hr = ListHere(OPC_BROWSE_FILTER_BRANCHES, &m_branchIds, nullptr);
        if (FAILED(hr))
            return hr;
        known = m_branchIds.find(Here());
    }
    auto id = known->second.find(branch);
    if (id == known->second.end() || id->second.empty())
        return E_INVALIDARG;
    m_path.push_back(id->second);
    return S_OK;
}

std::wstring Da3Browser::ItemId(const wchar_t* name) {
    if (!name)
        return std::wstring();
    const std::wstring text = Text(name);
    if (text.empty())
        return Here();
    for (std::map<std::wstring, NameMap>* maps : {&m_itemIds, &m_branchIds}) {
        auto here = maps->find(Here());
        if (here != maps->end()) {
            auto id = here->second.find(text);
            if (id != here->second.end())
                return id->second;
        }
    }
    if (m_flatIds.count(text))
        return text;
    // Not listed here yet: one listing of the position's items tells.
    if (SUCCEEDED(ListHere(OPC_BROWSE_FILTER_ITEMS, &m_itemIds, nullptr))) {
        const NameMap& items = m_itemIds[Here()];
        auto id = items.find(text);
        if (id != items.end())
            return id->second;
    }
    return std::wstring();
}

bool Da3Browser::IsFlat() {
    std::vector<Element> branches;
    auto root = m_walked.find(std::wstring());
    if (root != m_walked.end()) {
        for (const Element& element : root->second) {
            if (IsBranchLike(element.flags))
                return false;
        }
        return true;
    }
    return SUCCEEDED(List(std::wstring(), OPC_BROWSE_FILTER_BRANCHES, 1, &branches)) && branches.empty();
}
