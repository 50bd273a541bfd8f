#include "StreamWriter.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr DWORD kGarbagePointer = 0xDEADBEEF;
constexpr size_t kValueOffset = 8;
constexpr size_t kMaxImageBytes = 24;

}  // namespace

StreamWriter& StreamWriter::U16(WORD value) {
    return Raw(&value, sizeof(value));
}

StreamWriter& StreamWriter::U32(DWORD value) {
    return Raw(&value, sizeof(value));
}

StreamWriter& StreamWriter::Raw(const void* pData, size_t size) {
    const BYTE* p = static_cast<const BYTE*>(pData);
    m_bytes.insert(m_bytes.end(), p, p + size);
    return *this;
}

StreamWriter& StreamWriter::Image(VARTYPE type, const void* pValue, size_t valueSize) {
    BYTE image[kMaxImageBytes] = {};
    std::memcpy(image, &type, sizeof(type));
    if (type == VT_BSTR || (type & (VT_ARRAY | VT_BYREF)) || type == VT_UNKNOWN || type == VT_DISPATCH) {
        std::memcpy(image + kValueOffset, &kGarbagePointer, sizeof(kGarbagePointer));
    }
    if (pValue) {
        std::memcpy(image + kValueOffset, pValue, std::min(valueSize, m_images.image - kValueOffset));
    }
    return Raw(image, m_images.image);
}

StreamWriter& StreamWriter::Bool(bool value) {
    const VARIANT_BOOL b = value ? VARIANT_TRUE : VARIANT_FALSE;
    return Image(VT_BOOL, &b, sizeof(b));
}

StreamWriter& StreamWriter::Bstr(const std::wstring& text) {
    return Image(VT_BSTR).BstrBody(text);
}

StreamWriter& StreamWriter::BstrBody(const std::wstring& text) {
    U32(static_cast<DWORD>(text.size() * sizeof(WCHAR)));
    Raw(text.data(), text.size() * sizeof(WCHAR));
    return U16(0);
}

StreamWriter& StreamWriter::ArrayHead(VARTYPE elementType, ULONG count, LONG lower) {
    Image(static_cast<VARTYPE>(VT_ARRAY | elementType));
    BYTE descriptor[32] = {};
    descriptor[0] = 1;  // cDims
    std::memcpy(descriptor + m_images.dataPointer, &kGarbagePointer, sizeof(kGarbagePointer));
    std::memcpy(descriptor + m_images.bound, &count, sizeof(count));
    std::memcpy(descriptor + m_images.bound + 4, &lower, sizeof(lower));
    return Raw(descriptor, m_images.descriptor);
}

StreamWriter& StreamWriter::Ui1Array(const std::vector<BYTE>& bytes, LONG lower) {
    return ArrayHead(VT_UI1, static_cast<ULONG>(bytes.size()), lower).Raw(bytes);
}

std::vector<BYTE> DataStreamBytes(const std::vector<StreamItem>& items,
                                  bool bWithTime,
                                  HRESULT hrStatus,
                                  OPCHANDLE hClientGroup) {
    const size_t headerSize = bWithTime ? sizeof(OPCITEMHEADER1) : sizeof(OPCITEMHEADER2);
    size_t offset = sizeof(OPCGROUPHEADER) + items.size() * headerSize;
    size_t total = offset;
    for (const StreamItem& item : items) {
        total += item.padding + item.value.size();
    }
    StreamWriter writer;
    const OPCGROUPHEADER header = {static_cast<DWORD>(total), static_cast<DWORD>(items.size()), hClientGroup, 0,
                                   hrStatus};
    writer.Raw(&header, sizeof(header));
    for (size_t i = 0; i < items.size(); ++i) {
        offset += items[i].padding;
        if (bWithTime) {
            const OPCITEMHEADER1 h = {
                items[i].hClient, static_cast<DWORD>(offset), items[i].wQuality, 0, {static_cast<DWORD>(i), 1}};
            writer.Raw(&h, sizeof(h));
        } else {
            const OPCITEMHEADER2 h = {items[i].hClient, static_cast<DWORD>(offset), items[i].wQuality, 0};
            writer.Raw(&h, sizeof(h));
        }
        offset += items[i].value.size();
    }
    for (const StreamItem& item : items) {
        writer.Raw(std::vector<BYTE>(item.padding, kStreamFiller));
        writer.Raw(item.value);
    }
    return writer.Bytes();
}

std::vector<BYTE> WriteCompleteBytes(const std::vector<OPCITEMHEADERWRITE>& items, OPCHANDLE hClientGroup) {
    StreamWriter writer;
    const OPCGROUPHEADERWRITE header = {static_cast<DWORD>(items.size()), hClientGroup, 5, S_OK};
    writer.Raw(&header, sizeof(header));
    writer.Raw(items.data(), items.size() * sizeof(OPCITEMHEADERWRITE));
    return writer.Bytes();
}

void PatchDword(std::vector<BYTE>& bytes, size_t offset, DWORD value) {
    std::memcpy(bytes.data() + offset, &value, sizeof(value));
}

DWORD DwordAt(const std::vector<BYTE>& bytes, size_t offset) {
    DWORD value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof(value));
    return value;
}

HGLOBAL GlobalBlock(const std::vector<BYTE>& bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block || size == 0) {
        return block;
    }
    void* p = GlobalLock(block);
    std::memcpy(p, bytes.data(), std::min(size, bytes.size()));
    GlobalUnlock(block);
    return block;
}
