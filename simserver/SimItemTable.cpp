#include "simserver/SimItemTable.h"

HRESULT SimItemTable::Convert(VARIANT* pValue, VARTYPE vtRequested) {
    if (vtRequested == VT_EMPTY || vtRequested == V_VT(pValue)) {
        return S_OK;
    }
    return VariantChangeTypeEx(pValue, pValue, LOCALE_SYSTEM_DEFAULT, 0, vtRequested);
}

HRESULT SimItemTable::Validate(const OPCITEMDEF& def, OPCITEMRESULT* pResult, const SimNode** ppNode) const {
    *pResult = OPCITEMRESULT{};
    *ppNode = nullptr;
    if (!def.szItemID || !*def.szItemID) {
        return OPC_E_INVALIDITEMID;
    }
    auto reject = m_config->rejects.find(def.szItemID);
    if (reject != m_config->rejects.end()) {
        return reject->second;
    }
    auto leaf = m_config->leaves.find(def.szItemID);
    if (leaf == m_config->leaves.end()) {
        return OPC_E_UNKNOWNITEMID;
    }
    const SimNode& node = *leaf->second;
    if (def.vtRequestedDataType != VT_EMPTY) {
        // The canonical value must convert; try it on the item's first value.
        SimValue sample(node.item);
        VARIANT value;
        HRESULT hr = sample.Get(&value);
        if (SUCCEEDED(hr)) {
            hr = Convert(&value, def.vtRequestedDataType);
        }
        VariantClear(&value);
        if (FAILED(hr)) {
            return OPC_E_BADTYPE;
        }
    }
    pResult->vtCanonicalDataType = node.item.CanonicalType();
    pResult->dwAccessRights = node.item.accessRights;
    *ppNode = &node;
    return S_OK;
}

HRESULT SimItemTable::Add(const OPCITEMDEF& def, OPCITEMRESULT* pResult) {
    const SimNode* node = nullptr;
    HRESULT hr = Validate(def, pResult, &node);
    if (FAILED(hr)) {
        return hr;
    }
    // A second add of the same ID is a second item with its own handle.
    auto item = std::make_unique<SimGroupItem>(*node);
    item->hServer = m_nextHandle++;
    item->hClient = def.hClient;
    item->bActive = def.bActive != FALSE;
    item->vtRequested = def.vtRequestedDataType;
    item->accessPath = def.szAccessPath ? def.szAccessPath : L"";
    GetSystemTimeAsFileTime(&item->ftChanged);
    pResult->hServer = item->hServer;
    m_items.emplace(item->hServer, std::move(item));
    return S_OK;
}

HRESULT SimItemTable::Remove(OPCHANDLE hServer) {
    return m_items.erase(hServer) ? S_OK : OPC_E_INVALIDHANDLE;
}

SimGroupItem* SimItemTable::Find(OPCHANDLE hServer) {
    auto it = m_items.find(hServer);
    return it == m_items.end() ? nullptr : it->second.get();
}

HRESULT SimItemTable::SetDatatype(OPCHANDLE hServer, VARTYPE vtRequested) {
    SimGroupItem* item = Find(hServer);
    if (!item) {
        return OPC_E_INVALIDHANDLE;
    }
    VARIANT value;
    HRESULT hr = item->value.Get(&value);
    if (SUCCEEDED(hr)) {
        hr = Convert(&value, vtRequested);
    }
    VariantClear(&value);
    if (FAILED(hr)) {
        return OPC_E_BADTYPE;  // the old type stays
    }
    item->vtRequested = vtRequested;
    return S_OK;
}

void SimItemTable::AdvanceAll() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    for (auto& entry : m_items) {
        if (entry.second->value.Advance()) {
            entry.second->bChanged = true;
            entry.second->ftChanged = now;
        }
    }
}

void SimItemTable::MarkAllPending() {
    for (auto& entry : m_items) {
        entry.second->bPendingInitial = true;
    }
}

void SimItemTable::ClearMarks() {
    for (auto& entry : m_items) {
        entry.second->bChanged = false;
        entry.second->bPendingInitial = false;
    }
}

HRESULT SimItemTable::ReadValue(const SimGroupItem& item, VARIANT* pValue, WORD* pQuality) const {
    HRESULT hr = item.value.Get(pValue);
    if (SUCCEEDED(hr)) {
        hr = Convert(pValue, item.vtRequested);
    }
    if (FAILED(hr)) {
        VariantClear(pValue);
        *pQuality = OPC_QUALITY_BAD;
        return hr;
    }
    *pQuality = item.pNode->item.quality;
    return S_OK;
}

std::vector<SimGroupItem*> SimItemTable::Items() {
    std::vector<SimGroupItem*> items;
    items.reserve(m_items.size());
    for (auto& entry : m_items) {
        items.push_back(entry.second.get());
    }
    return items;
}
