#include "opc/StreamValue.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <memory>

namespace {

// The stream holds memory images of the server's process, which has this program's bitness.
constexpr size_t kImageBytes = sizeof(VARIANT);
constexpr size_t kDescriptorBytes = sizeof(SAFEARRAY);           // one bound
constexpr size_t kBoundOffset = offsetof(SAFEARRAY, rgsabound);  // element count, then lower bound
constexpr size_t kBoundBytes = 8;
constexpr size_t kLengthBytes = 4;
constexpr size_t kTerminatorBytes = 2;

struct SafeArrayDestroyer {
    void operator()(SAFEARRAY* p) const { SafeArrayDestroy(p); }
};
using UniqueSafeArray = std::unique_ptr<SAFEARRAY, SafeArrayDestroyer>;

}  // namespace

size_t PlainElementSize(VARTYPE type) {
    switch (type) {
        case VT_I1:
        case VT_UI1:
            return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            return 2;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_ERROR:
            return 4;
        case VT_R8:
        case VT_CY:
        case VT_DATE:
        case VT_I8:
        case VT_UI8:
            return 8;
        case VT_DECIMAL:
            return sizeof(DECIMAL);
        default:
            return 0;
    }
}

namespace {

// Reads L, the characters and the terminator. With bNullWhenEmpty an L of 0 gives a null BSTR.
bool ReadBstr(StreamReader& reader, bool bNullWhenEmpty, BSTR* pOut) {
    *pOut = nullptr;
    const DWORD bytes = reader.U32();
    // The characters and their terminator must both lie inside the block.
    if (!reader.IsOk() || bytes > reader.Left() || reader.Left() - bytes < kTerminatorBytes) {
        reader.Fail();
        return false;
    }
    const BYTE* pChars = reader.Pos();
    reader.Skip(bytes + kTerminatorBytes);
    if (bytes == 0 && bNullWhenEmpty) {
        return true;
    }
    // Unaligned UTF-16: the zero character is found byte-wise and the text copied with memcpy.
    const UINT count = bytes / 2;
    UINT length = 0;
    while (length < count && (pChars[2 * length] | pChars[2 * length + 1]) != 0) {
        ++length;
    }
    BSTR text = SysAllocStringLen(nullptr, length);
    if (!text) {
        return false;
    }
    std::memcpy(text, pChars, length * sizeof(WCHAR));
    *pOut = text;
    return true;
}

bool ReadValue(VARIANT* pDest, StreamReader& reader, int depth);

bool FillArray(void* pData, VARTYPE elementType, ULONG count, StreamReader& reader, int depth) {
    if (elementType == VT_BSTR) {
        BSTR* pTexts = static_cast<BSTR*>(pData);
        std::fill(pTexts, pTexts + count, nullptr);
        for (ULONG i = 0; i < count; ++i) {
            if (!ReadBstr(reader, false, &pTexts[i])) {
                return false;
            }
        }
        return true;
    }
    if (elementType == VT_VARIANT) {
        VARIANT* pValues = static_cast<VARIANT*>(pData);
        for (ULONG i = 0; i < count; ++i) {
            VariantInit(&pValues[i]);
        }
        for (ULONG i = 0; i < count; ++i) {
            if (!ReadValue(&pValues[i], reader, depth + 1)) {
                return false;
            }
        }
        return true;
    }
    return reader.Read(pData, count * PlainElementSize(elementType));
}

bool ReadArray(VARTYPE type, StreamReader& reader, int depth, VARIANT* pDest) {
    const VARTYPE elementType = static_cast<VARTYPE>(type & ~VT_ARRAY);
    const BYTE* pDescriptor = reader.Bytes(kDescriptorBytes);
    if (!pDescriptor) {
        return false;
    }
    StreamReader bound(pDescriptor + kBoundOffset, kBoundBytes);
    const ULONG count = bound.U32();
    const LONG lower = bound.I32();

    // The smallest encoding of one element bounds the count before anything is allocated.
    size_t minElementBytes = PlainElementSize(elementType);
    if (elementType == VT_BSTR) {
        minElementBytes = kLengthBytes + kTerminatorBytes;
    } else if (elementType == VT_VARIANT) {
        if (depth >= kStreamValueMaxDepth) {
            return false;
        }
        minElementBytes = kImageBytes;
    }
    if (minElementBytes == 0 || count > reader.Left() / minElementBytes) {
        return false;
    }
    if (count != 0 && static_cast<long long>(lower) + count - 1 > LONG_MAX) {
        return false;
    }

    UniqueSafeArray array(SafeArrayCreateVector(elementType, lower, count));
    if (!array) {
        return false;
    }
    const size_t plainSize = PlainElementSize(elementType);
    if (plainSize != 0 && SafeArrayGetElemsize(array.get()) != plainSize) {
        return false;  // never copy more than the system allocated per element
    }
    if (count != 0) {
        void* pData = nullptr;
        if (FAILED(SafeArrayAccessData(array.get(), &pData))) {
            return false;
        }
        const bool filled = FillArray(pData, elementType, count, reader, depth);
        SafeArrayUnaccessData(array.get());
        if (!filled) {
            return false;  // destroying the array frees the elements built so far
        }
    }
    pDest->vt = type;
    pDest->parray = array.release();
    return true;
}

// Writes *pDest only once the value is complete, so a failure leaves it VT_EMPTY.
bool ReadValue(VARIANT* pDest, StreamReader& reader, int depth) {
    VARIANT image;
    if (!reader.Read(&image, kImageBytes)) {
        return false;
    }
    const VARTYPE type = image.vt;
    if (type & VT_BYREF) {
        return false;
    }
    if (type & VT_ARRAY) {
        return ReadArray(type, reader, depth, pDest);
    }
    if (type == VT_BSTR) {
        BSTR text = nullptr;
        if (!ReadBstr(reader, true, &text)) {
            return false;
        }
        pDest->vt = VT_BSTR;
        pDest->bstrVal = text;
        return true;
    }
    if (type == VT_EMPTY || type == VT_NULL || PlainElementSize(type) != 0) {
        std::memcpy(pDest, &image, kImageBytes);
    }
    // Any other type keeps the VT_EMPTY it came with: interface and record bytes are pointers of
    // the server's process, which clearing would follow, and a bare VT_VARIANT is no value at all.
    // The value is empty, the other items of the notification still count.
    return true;
}

}  // namespace

long ReadStreamValue(VARIANT* pDest, StreamReader& reader) {
    const BYTE* pStart = reader.Pos();
    if (!reader.IsOk() || !ReadValue(pDest, reader, 0)) {
        reader.Fail();
        return -1;
    }
    return static_cast<long>(reader.Pos() - pStart);
}
