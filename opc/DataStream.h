#pragma once
// One parsed "OPCSTMFORMATDATA" or "OPCSTMFORMATDATATIME" notification: a copy of the group
// header, the item headers (where they lie in the block, or a copy with changed qualities), and
// the rebuilt values, which are cleared when the object goes.
#include <windows.h>
#include <oleauto.h>

#include <memory>

#include "opc/OpcDa.h"
#include "opc/StreamValue.h"

class DataStream {
  public:
    DataStream() = default;
    ~DataStream();
    DataStream(const DataStream&) = delete;
    DataStream& operator=(const DataStream&) = delete;

    // pBlock is the locked stream, 4-byte aligned at least (GlobalLock gives 8), so that the item
    // headers at offset 20 can be handed on in place; blockSize is what GlobalSize reports, and
    // itemHeaderSize is 12 (OPCITEMHEADER2) or 20 (OPCITEMHEADER1). The block is only read.
    //
    // Returns false when the block cannot hold a group header: there is nothing to hand on.
    // Otherwise Header() is the stream's own header, or, when the values cannot all be rebuilt,
    // an emptied copy: dwSize 20, dwItemCount 0 and hrStatus E_FAIL (E_OUTOFMEMORY when the
    // value array could not be had). The stream ends at the smaller of blockSize and dwSize.
    // Each value is read at its item header's dwValueOffset when that lies at or after the end
    // of the item headers and before the stream's end; otherwise where the previous value ended
    // (the first: at the end of the item headers).
    //
    // The values are memory images of the server's process, 32-bit or 64-bit (StreamLayout); the
    // stream says which. Both layouts are measured: one that cannot read every value, or reads a
    // value past the start of the next one, is out. Of two that remain, the one leaving fewer
    // bytes unread between the values and before the stream's end wins (a server writes them
    // back to back, or pads them a little); with the same count the stream cannot be told apart.
    // Then the values are read in our own layout, and every item whose value could differ in
    // the other one (a string or an array, or a value not read at its own offset) arrives as
    // VT_EMPTY with the quality OPC_QUALITY_BAD, rather than as a wrong value of good quality.
    // When neither layout fits, the one that reads everything is used, ours first.
    bool Parse(const BYTE* pBlock, size_t blockSize, size_t itemHeaderSize);

    const OPCGROUPHEADER& Header() const { return m_header; }
    // Header().dwItemCount entries of itemHeaderSize bytes; valid while the block stays locked
    // and the object lives.
    const BYTE* ItemHeaders() const { return m_pItemHeaders; }
    // Header().dwItemCount values in stream order; null when there are none.
    const VARIANT* Values() const { return m_pValues.get(); }

  private:
    // How the values of one layout fill the stream.
    struct Fit {
        bool bRead = true;      // every value could be read
        bool bOverlap = false;  // a value reaches past the start of the value after it
        size_t unread = 0;      // bytes between the values and after the last one
        size_t maxGap = 0;      // the largest of those gaps
        bool Usable() const { return bRead && !bOverlap; }
    };

    // The dwValueOffset of item header number item, as the server wrote it.
    DWORD ValueOffset(DWORD item) const;
    bool IsOwnOffset(DWORD offset) const { return offset >= m_valuesStart && offset < m_end; }
    // Reads (pValues null: measures) the values in stream order with the layout's images.
    Fit Walk(const StreamLayout& layout, VARIANT* pValues) const;
    // The items whose values a layout could change arrive empty and bad.
    void MarkUndecided();
    void Empty(HRESULT hrStatus);
    void Clear();

    OPCGROUPHEADER m_header = {};
    const BYTE* m_pBlock = nullptr;
    size_t m_itemHeaderSize = 0;
    size_t m_valuesStart = 0;
    size_t m_end = 0;
    const BYTE* m_pItemHeaders = nullptr;
    std::unique_ptr<BYTE[]> m_pItemHeaderCopy;
    std::unique_ptr<VARIANT[]> m_pValues;
    DWORD m_valueCount = 0;
};
