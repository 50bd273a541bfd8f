#include "opc/DataStream.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

#include "opc/StreamReader.h"
#include "opc/StreamValue.h"

DataStream::~DataStream() {
    Clear();
}

void DataStream::Clear() {
    for (DWORD i = 0; i < m_valueCount; ++i) {
        VariantClear(&m_pValues[i]);
    }
    m_pValues.reset();
    m_valueCount = 0;
}

bool DataStream::Parse(const BYTE* pBlock, size_t blockSize, size_t itemHeaderSize) {
    Clear();
    if (!pBlock || blockSize < sizeof(OPCGROUPHEADER) || itemHeaderSize == 0) {
        return false;
    }
    // The caller's block is never written: a failed parse rewrites this copy.
    std::memcpy(&m_header, pBlock, sizeof(m_header));
    m_pItemHeaders = pBlock + sizeof(OPCGROUPHEADER);

    // GlobalSize may be rounded up and dwSize is the server's word: the smaller one bounds.
    StreamReader reader(pBlock, std::min<size_t>(blockSize, m_header.dwSize));
    const DWORD count = m_header.dwItemCount;
    if (!reader.Skip(sizeof(OPCGROUPHEADER)) || count > reader.Left() / itemHeaderSize) {
        Empty(E_FAIL);
        return true;
    }
    reader.Skip(count * itemHeaderSize);
    const BYTE* const pValuesStart = reader.Pos();
    const BYTE* const pEnd = pValuesStart + reader.Left();
    // Every value takes at least its VARIANT image, so a bogus count fails before allocating.
    if (count > reader.Left() / sizeof(VARIANT)) {
        Empty(E_FAIL);
        return true;
    }
    if (count == 0) {
        return true;
    }
    m_pValues.reset(new (std::nothrow) VARIANT[count]);
    if (!m_pValues) {
        Empty(E_OUTOFMEMORY);
        return true;
    }
    m_valueCount = count;
    for (DWORD i = 0; i < count; ++i) {
        VariantInit(&m_pValues[i]);
    }
    // Each value is read where its item header puts it, as the standard says; a server may align
    // or pad its values. An offset outside the value area (before it, or at or past the end) is
    // taken as garbage: the value is then read where the previous one ended, which is where
    // servers that write their values back to back put it.
    const BYTE* pNext = pValuesStart;
    for (DWORD i = 0; i < count; ++i) {
        const DWORD offset = ValueOffset(i, itemHeaderSize);
        const BYTE* pValue = pNext;
        if (offset >= static_cast<size_t>(pValuesStart - pBlock) && offset < static_cast<size_t>(pEnd - pBlock)) {
            pValue = pBlock + offset;
        }
        StreamReader valueReader(pValue, static_cast<size_t>(pEnd - pValue));
        if (ReadStreamValue(&m_pValues[i], valueReader) < 0) {
            Empty(E_FAIL);  // the values read so far are cleared with the object
            return true;
        }
        pNext = valueReader.Pos();
    }
    return true;
}

DWORD DataStream::ValueOffset(DWORD item, size_t itemHeaderSize) const {
    static_assert(offsetof(OPCITEMHEADER1, dwValueOffset) == offsetof(OPCITEMHEADER2, dwValueOffset),
                  "one place in both item header layouts");
    // The headers lie inside the block, which Parse checked, but need not be aligned.
    DWORD offset = 0;
    std::memcpy(&offset, m_pItemHeaders + item * itemHeaderSize + offsetof(OPCITEMHEADER2, dwValueOffset),
                sizeof(offset));
    return offset;
}

void DataStream::Empty(HRESULT hrStatus) {
    m_header.dwSize = sizeof(OPCGROUPHEADER);
    m_header.dwItemCount = 0;
    m_header.hrStatus = hrStatus;
}
