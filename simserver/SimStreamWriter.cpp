#include "simserver/SimStreamWriter.h"

#include <cstring>

void SimStreamWriter::Put(const void* data, size_t size) {
    if (size == 0) {
        return;
    }
    size_t at = m_pOut->size();
    m_pOut->resize(at + size);
    memcpy(m_pOut->data() + at, data, size);
}

void SimStreamWriter::PutString(BSTR text) {
    // Byte count without the terminator, the UTF-16 characters, then a 2-byte terminator; a NULL
    // BSTR goes out as an empty one.
    DWORD bytes = text ? SysStringByteLen(text) : 0;
    PutDword(bytes);
    Put(text, bytes);
    const WCHAR terminator = 0;
    Put(&terminator, sizeof(terminator));
}

void SimStreamWriter::PutImage(const VARIANT& value) {
    // Type, reserved words and 8 value bytes (a DECIMAL: 16 bytes) lie alike in both bitnesses;
    // the rest of a 64-bit image holds nothing for these types.
    BYTE image[24] = {};
    memcpy(image, &value, 16);
    // Pointers mean nothing to the reader; zero them so streams are reproducible.
    if (V_VT(&value) == VT_BSTR || (V_VT(&value) & VT_ARRAY)) {
        memset(image + 8, 0, 8);
    }
    Put(image, ImageBytes());
}

void SimStreamWriter::PutValue(const VARIANT& value) {
    PutImage(value);
    if (V_VT(&value) & VT_ARRAY) {
        PutArray(value);
    } else if (V_VT(&value) == VT_BSTR) {
        PutString(V_BSTR(&value));
    }
}

void SimStreamWriter::PutArray(const VARIANT& value) {
    SAFEARRAY* array = V_ARRAY(&value);
    const VARTYPE element = static_cast<VARTYPE>(V_VT(&value) & ~VT_ARRAY);
    // The one-bound descriptor: cDims (only one-dimensional arrays exist in the stream),
    // fFeatures, cbElements, then cLocks and the data pointer as 0, then the bound (24 bytes on
    // 32-bit with the bound at 16; 32 on 64-bit with the bound at 24).
    BYTE descriptor[32] = {};
    const USHORT dims = 1;
    memcpy(descriptor, &dims, sizeof(dims));
    LONG count = 0;
    if (array) {
        const ULONG elementBytes = element == VT_VARIANT ? static_cast<ULONG>(ImageBytes()) : array->cbElements;
        memcpy(descriptor + 2, &array->fFeatures, sizeof(array->fFeatures));
        memcpy(descriptor + 4, &elementBytes, sizeof(elementBytes));
        memcpy(descriptor + (m_b64 ? 24 : 16), &array->rgsabound[0], sizeof(SAFEARRAYBOUND));
        count = static_cast<LONG>(array->rgsabound[0].cElements);
    }
    Put(descriptor, m_b64 ? 32 : 24);
    void* data = nullptr;
    if (!array || count == 0 || FAILED(SafeArrayAccessData(array, &data))) {
        return;
    }
    for (LONG i = 0; i < count && element == VT_BSTR; ++i) {
        PutString(static_cast<BSTR*>(data)[i]);
    }
    // VARIANT elements go out as bare images, as other servers write them.
    for (LONG i = 0; i < count && element == VT_VARIANT; ++i) {
        PutImage(static_cast<VARIANT*>(data)[i]);
    }
    if (element != VT_BSTR && element != VT_VARIANT) {
        Put(data, static_cast<size_t>(count) * array->cbElements);
    }
    SafeArrayUnaccessData(array);
}

std::vector<BYTE> SimStreamWriter::DataStream(bool bWithTime,
                                              OPCHANDLE hClientGroup,
                                              DWORD dwTransactionID,
                                              const std::vector<SimStreamItem>& items,
                                              size_t valueAlignment,
                                              bool b64) {
    std::vector<BYTE> values;
    std::vector<DWORD> offsets;
    const size_t headerSize = bWithTime ? sizeof(OPCITEMHEADER1) : sizeof(OPCITEMHEADER2);
    const size_t valuesStart = sizeof(OPCGROUPHEADER) + items.size() * headerSize;
    SimStreamWriter valueWriter(&values, b64);
    HRESULT hrStatus = S_OK;
    for (const SimStreamItem& item : items) {
        if (valueAlignment > 1) {
            const size_t misalignment = (valuesStart + values.size()) % valueAlignment;
            values.resize(values.size() + (misalignment ? valueAlignment - misalignment : 0), 0);
        }
        offsets.push_back(static_cast<DWORD>(valuesStart + values.size()));
        valueWriter.PutValue(*item.pValue);
        if ((item.wQuality & OPC_QUALITY_MASK) != OPC_QUALITY_GOOD) {
            hrStatus = S_FALSE;
        }
    }
    std::vector<BYTE> stream;
    stream.reserve(valuesStart + values.size());
    SimStreamWriter writer(&stream, b64);
    OPCGROUPHEADER header = {static_cast<DWORD>(valuesStart + values.size()), static_cast<DWORD>(items.size()),
                             hClientGroup, dwTransactionID, hrStatus};
    writer.Put(&header, sizeof(header));
    for (size_t i = 0; i < items.size(); ++i) {
        if (bWithTime) {
            OPCITEMHEADER1 h = {items[i].hClient, offsets[i], items[i].wQuality, 0, items[i].ftTimeStamp};
            writer.Put(&h, sizeof(h));
        } else {
            OPCITEMHEADER2 h = {items[i].hClient, offsets[i], items[i].wQuality, 0};
            writer.Put(&h, sizeof(h));
        }
    }
    writer.Put(values.data(), values.size());
    return stream;
}

std::vector<BYTE> SimStreamWriter::WriteCompleteStream(OPCHANDLE hClientGroup,
                                                       DWORD dwTransactionID,
                                                       const std::vector<OPCITEMHEADERWRITE>& items) {
    std::vector<BYTE> stream;
    SimStreamWriter writer(&stream, false);
    HRESULT hrStatus = S_OK;
    for (const OPCITEMHEADERWRITE& item : items) {
        if (item.dwError != S_OK) {
            hrStatus = S_FALSE;
        }
    }
    OPCGROUPHEADERWRITE header = {static_cast<DWORD>(items.size()), hClientGroup, dwTransactionID, hrStatus};
    writer.Put(&header, sizeof(header));
    writer.Put(items.data(), items.size() * sizeof(OPCITEMHEADERWRITE));
    return stream;
}

HGLOBAL SimStreamWriter::ToGlobal(const std::vector<BYTE>& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size());
    if (!block) {
        return nullptr;
    }
    void* target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return nullptr;
    }
    if (!bytes.empty()) {
        memcpy(target, bytes.data(), bytes.size());
    }
    GlobalUnlock(block);
    return block;
}
