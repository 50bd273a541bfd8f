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
    m_pItemHeaderCopy.reset();
}

bool DataStream::Parse(const BYTE* pBlock, size_t blockSize, size_t itemHeaderSize) {
    Clear();
    if (!pBlock || blockSize < sizeof(OPCGROUPHEADER) || itemHeaderSize == 0) {
        return false;
    }
    // The caller's block is never written: a failed parse rewrites this copy.
    std::memcpy(&m_header, pBlock, sizeof(m_header));
    m_pBlock = pBlock;
    m_itemHeaderSize = itemHeaderSize;
    m_pItemHeaders = pBlock + sizeof(OPCGROUPHEADER);

    // GlobalSize may be rounded up and dwSize is the server's word: the smaller one bounds.
    StreamReader reader(pBlock, std::min<size_t>(blockSize, m_header.dwSize));
    const DWORD count = m_header.dwItemCount;
    if (!reader.Skip(sizeof(OPCGROUPHEADER)) || count > reader.Left() / itemHeaderSize) {
        Empty(E_FAIL);
        return true;
    }
    reader.Skip(count * itemHeaderSize);
    m_valuesStart = static_cast<size_t>(reader.Pos() - pBlock);
    m_end = m_valuesStart + reader.Left();
    // Every value takes at least a 32-bit VARIANT image, so a bogus count fails before allocating.
    if (count > reader.Left() / kStreamLayout32.imageBytes) {
        Empty(E_FAIL);
        return true;
    }
    if (count == 0) {
        return true;
    }
    // Which bitness wrote the images: see the header.
    const Fit own = Walk(kNativeStreamLayout, nullptr);
    Fit other = Walk(kForeignStreamLayout, nullptr);
    // Smaller images read almost any bytes: a stream of our own layout that is cut or broken, read
    // with them, leaves a gap of at least the size difference after each value. Only a reading
    // without such gaps tells of a writer with the smaller layout.
    constexpr size_t kImageDelta = kNativeStreamLayout.imageBytes > kForeignStreamLayout.imageBytes
                                       ? kNativeStreamLayout.imageBytes - kForeignStreamLayout.imageBytes
                                       : 0;
    if (kImageDelta > 0 && other.maxGap >= kImageDelta) {
        other.bRead = false;
    }
    const StreamLayout* pLayout = &kNativeStreamLayout;
    bool bUndecided = false;
    if (own.Usable() && other.Usable()) {
        bUndecided = own.unread == other.unread;
        pLayout = other.unread < own.unread ? &kForeignStreamLayout : &kNativeStreamLayout;
    } else if (own.Usable() != other.Usable()) {
        pLayout = own.Usable() ? &kNativeStreamLayout : &kForeignStreamLayout;
    } else if (!own.bRead) {
        if (!other.bRead) {
            Empty(E_FAIL);
            return true;
        }
        pLayout = &kForeignStreamLayout;
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
    if (!Walk(*pLayout, m_pValues.get()).bRead) {
        Empty(E_FAIL);  // out of memory; the values read so far are cleared with the object
        return true;
    }
    if (bUndecided) {
        MarkUndecided();
    }
    return true;
}

DataStream::Fit DataStream::Walk(const StreamLayout& layout, VARIANT* pValues) const {
    // Each value is read where its item header puts it, as the standard says; a server may align
    // or pad its values. An offset outside the value area (before it, or at or past the end) is
    // taken as garbage: the value is then read where the previous one ended, which is where
    // servers that write their values back to back put it.
    Fit fit;
    size_t next = m_valuesStart;
    size_t previousStart = 0;
    size_t previousEnd = 0;
    for (DWORD i = 0; i < m_header.dwItemCount; ++i) {
        const DWORD offset = ValueOffset(i);
        const size_t start = IsOwnOffset(offset) ? offset : next;
        StreamReader reader(m_pBlock + start, m_end - start);
        const long used = ReadStreamValue(pValues ? &pValues[i] : nullptr, reader, layout);
        if (used < 0) {
            fit.bRead = false;
            return fit;
        }
        // Only a value that lies after the previous one tells how far that one may reach.
        if (i > 0 && start > previousStart) {
            fit.bOverlap = fit.bOverlap || start < previousEnd;
            const size_t gap = start > previousEnd ? start - previousEnd : 0;
            fit.unread += gap;
            fit.maxGap = std::max(fit.maxGap, gap);
        }
        previousStart = start;
        previousEnd = next = start + static_cast<size_t>(used);
    }
    fit.unread += m_end - previousEnd;
    fit.maxGap = std::max(fit.maxGap, m_end - previousEnd);
    return fit;
}

void DataStream::MarkUndecided() {
    const DWORD count = m_header.dwItemCount;
    const size_t bytes = count * m_itemHeaderSize;
    m_pItemHeaderCopy.reset(new (std::nothrow) BYTE[bytes]);
    if (!m_pItemHeaderCopy) {
        Empty(E_OUTOFMEMORY);
        return;
    }
    std::memcpy(m_pItemHeaderCopy.get(), m_pItemHeaders, bytes);
    m_pItemHeaders = m_pItemHeaderCopy.get();
    // A plain scalar read at its own offset is the same in both layouts: type and value bytes lie
    // alike. Strings and arrays start their extra data after the image, whose size is the question.
    const WORD bad = OPC_QUALITY_BAD;
    for (DWORD i = 0; i < count; ++i) {
        VARIANT& value = m_pValues[i];
        if (IsOwnOffset(ValueOffset(i)) && value.vt != VT_BSTR && (value.vt & VT_ARRAY) == 0) {
            continue;
        }
        VariantClear(&value);
        std::memcpy(m_pItemHeaderCopy.get() + i * m_itemHeaderSize + offsetof(OPCITEMHEADER2, wQuality), &bad,
                    sizeof(bad));
    }
}

DWORD DataStream::ValueOffset(DWORD item) const {
    static_assert(offsetof(OPCITEMHEADER1, dwValueOffset) == offsetof(OPCITEMHEADER2, dwValueOffset),
                  "one place in both item header layouts");
    static_assert(offsetof(OPCITEMHEADER1, wQuality) == offsetof(OPCITEMHEADER2, wQuality),
                  "one place in both item header layouts");
    // The headers lie inside the block, which Parse checked, but need not be aligned.
    DWORD offset = 0;
    std::memcpy(&offset, m_pItemHeaders + item * m_itemHeaderSize + offsetof(OPCITEMHEADER2, dwValueOffset),
                sizeof(offset));
    return offset;
}

void DataStream::Empty(HRESULT hrStatus) {
    m_header.dwSize = sizeof(OPCGROUPHEADER);
    m_header.dwItemCount = 0;
    m_header.hrStatus = hrStatus;
}
