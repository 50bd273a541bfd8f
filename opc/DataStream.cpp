#include "opc/DataStream.h"

#include <algorithm>
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
    // Every value takes at least its 16-byte image, so a bogus count fails before allocating.
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
    // dwValueOffset is not needed: the values follow each other from the end of the headers.
    for (DWORD i = 0; i < count; ++i) {
        if (ReadStreamValue(&m_pValues[i], reader) < 0) {
            Empty(E_FAIL);  // the values read so far are cleared with the object
            return true;
        }
    }
    return true;
}

void DataStream::Empty(HRESULT hrStatus) {
    m_header.dwSize = sizeof(OPCGROUPHEADER);
    m_header.dwItemCount = 0;
    m_header.hrStatus = hrStatus;
}
