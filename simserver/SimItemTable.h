#pragma once
// The items of one group: definitions checked against the address space, server handles in the
// order of adding, and each item's moving value.
#include <map>
#include <memory>
#include <vector>

#include "simserver/SimConfig.h"
#include "simserver/SimValue.h"

struct SimGroupItem {
    explicit SimGroupItem(const SimNode& node) : pNode(&node), value(node.item) {}

    OPCHANDLE hServer = 0;
    OPCHANDLE hClient = 0;
    bool bActive = true;
    VARTYPE vtRequested = VT_EMPTY;
    const SimNode* pNode;
    std::wstring accessPath;
    SimValue value;
    FILETIME ftChanged = {};
    bool bChanged = false;        // moved since the last notification
    bool bPendingInitial = true;  // not sent yet since it was added or activated
};

class SimItemTable {
  public:
    explicit SimItemTable(std::shared_ptr<const SimConfig> config) : m_config(std::move(config)) {}

    // Fills pResult (blob none, hServer 0) and returns the per-item code.
    HRESULT Validate(const OPCITEMDEF& def, OPCITEMRESULT* pResult, const SimNode** ppNode) const;
    HRESULT Add(const OPCITEMDEF& def, OPCITEMRESULT* pResult);
    HRESULT Remove(OPCHANDLE hServer);
    SimGroupItem* Find(OPCHANDLE hServer);
    HRESULT SetDatatype(OPCHANDLE hServer, VARTYPE vtRequested);
    // One update tick for every item; marks those whose value moved.
    void AdvanceAll();
    void MarkAllPending();
    void ClearMarks();
    // The value in the item's requested type; quality BAD and VT_EMPTY when it cannot convert.
    HRESULT ReadValue(const SimGroupItem& item, VARIANT* pValue, WORD* pQuality) const;
    std::vector<SimGroupItem*> Items();  // in the order they were added
    size_t Count() const { return m_items.size(); }

  private:
    static HRESULT Convert(VARIANT* pValue, VARTYPE vtRequested);

    std::shared_ptr<const SimConfig> m_config;
    std::map<OPCHANDLE, std::unique_ptr<SimGroupItem>> m_items;  // handles only grow: map order = add order
    OPCHANDLE m_nextHandle = 1;
};
