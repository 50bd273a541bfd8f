#pragma once
// What the connection needs of whoever lists its items: client handles, rows found by handle,
// and the selection of an item listed already. The item list implements it; the frame hands it
// to each connection it creates, so the OPC side knows nothing of windows above it.
#include <string>
#include <vector>

#include "opc/OpcDa.h"

class OpcItemSink {
  public:
    // The client handle the next added item gets; handles count up from 0.
    virtual int NextClientHandle() const = 0;
    // Uses up the next handle without a row (an item the server did not take).
    virtual void RetireClientHandle() = 0;
    // Selects the row of an item listed already; false when it is not listed.
    virtual bool FindAndSelect(const char* itemId) = 0;
    // FindAndSelect for many IDs at once: returns the IDs not listed yet, in their order.
    virtual std::vector<std::string> SelectListed(const std::vector<std::string>& itemIds) = 0;
    // A new row for an item the server took, under the next client handle.
    virtual int AddItem(const char* itemId, const OPCITEMRESULT& result) = 0;
    // A null value leaves the row's value as it is.
    virtual int SetItemValue(const char* value, const char* quality, int clientHandle) = 0;
    // How many rows the list shows at once.
    virtual int VisibleRowCount() const = 0;
    // While held, row changes are not drawn; letting go draws the list once.
    virtual void HoldRedraw(bool bHold) = 0;

  protected:
    ~OpcItemSink() = default;
};

// Holds a sink's drawing for a scope (when asked to and there is a sink).
class HeldRows {
  public:
    HeldRows(OpcItemSink* sink, bool bHold) : m_sink(bHold ? sink : nullptr) {
        if (m_sink)
            m_sink->HoldRedraw(true);
    }
    ~HeldRows() {
        if (m_sink)
            m_sink->HoldRedraw(false);
    }
    HeldRows(const HeldRows&) = delete;
    HeldRows& operator=(const HeldRows&) = delete;

  private:
    OpcItemSink* m_sink;
};
