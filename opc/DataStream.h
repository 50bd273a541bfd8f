#pragma once
// One parsed "OPCSTMFORMATDATA" or "OPCSTMFORMATDATATIME" notification: a copy of the group
// header, the item headers where they lie in the block, and the rebuilt values, which are
// cleared when the object goes.
#include <windows.h>
#include <oleauto.h>

#include <memory>

#include "opc/OpcDa.h"

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
    bool Parse(const BYTE* pBlock, size_t blockSize, size_t itemHeaderSize);

    const OPCGROUPHEADER& Header() const { return m_header; }
    // Header().dwItemCount entries of itemHeaderSize bytes; valid while the block stays locked.
    const BYTE* ItemHeaders() const { return m_pItemHeaders; }
    // Header().dwItemCount values in stream order; null when there are none.
    const VARIANT* Values() const { return m_pValues.get(); }

  private:
    // The dwValueOffset of item header number item, as the server wrote it.
    DWORD ValueOffset(DWORD item, size_t itemHeaderSize) const;
    void Empty(HRESULT hrStatus);
    void Clear();

    OPCGROUPHEADER m_header = {};
    const BYTE* m_pItemHeaders = nullptr;
    std::unique_ptr<VARIANT[]> m_pValues;
    DWORD m_valueCount = 0;
};
