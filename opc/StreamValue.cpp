#include "opc/StreamValue.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <memory>

namespace {

constexpr size_t kBoundBytes = 8;
constexpr size_t kLengthBytes = 4;
constexpr size_t kTerminatorBytes = 2;

static_assert(kNativeStreamLayout.imageBytes == sizeof(VARIANT), "our own VARIANT image");
static_assert(kNativeStreamLayout.descriptorBytes == sizeof(SAFEARRAY), "our own one-bound descriptor");
static_assert(kNativeStreamLayout.boundOffset == offsetof(SAFEARRAY, rgsabound), "our own bound");

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
// With pOut null the string is only stepped over.
bool ReadBstr(StreamReader& reader, bool bNullWhenEmpty, BSTR* pOut) {
    if (pOut) {
        *pOut = nullptr;
    }
    const DWORD bytes = reader.U32();
    // The characters and their terminator must both lie inside the block.
    if (!reader.IsOk() || bytes > reader.Left() || reader.Left() - bytes < kTerminatorBytes) {
        reader.Fail();
        return false;
    }
    const BYTE* pChars = reader.Pos();
    reader.Skip(bytes + kTerminatorBytes);
    if (!pOut || (bytes == 0 && bNullWhenEmpty)) {
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

// One value's walk in one layout; without a destination it only measures.
class ValueReader {
  public:
    ValueReader(StreamReader& reader, const StreamLayout& layout) : m_reader(reader), m_layout(layout) {}
    bool Read(VARIANT* pDest, int depth);

  private:
    bool FillArray(void* pData, VARTYPE elementType, ULONG count, int depth);
    bool ReadArray(VARTYPE type, int depth, VARIANT* pDest);

    StreamReader& m_reader;
    const StreamLayout& m_layout;
};

// With pData null the elements are only stepped over.
bool ValueReader::FillArray(void* pData, VARTYPE elementType, ULONG count, int depth) {
    if (elementType == VT_BSTR) {
        BSTR* pTexts = static_cast<BSTR*>(pData);
        if (pTexts) {
            std::fill(pTexts, pTexts + count, nullptr);
        }
        for (ULONG i = 0; i < count; ++i) {
            if (!ReadBstr(m_reader, false, pTexts ? &pTexts[i] : nullptr)) {
                return false;
            }
        }
        return true;
    }
    if (elementType == VT_VARIANT) {
        VARIANT* pValues = static_cast<VARIANT*>(pData);
        for (ULONG i = 0; pValues && i < count; ++i) {
            VariantInit(&pValues[i]);
        }
        for (ULONG i = 0; i < count; ++i) {
            if (!Read(pValues ? &pValues[i] : nullptr, depth + 1)) {
                return false;
            }
        }
        return true;
    }
    const size_t bytes = count * PlainElementSize(elementType);
    return pData ? m_reader.Read(pData, bytes) : m_reader.Skip(bytes);
}

bool ValueReader::ReadArray(VARTYPE type, int depth, VARIANT* pDest) {
    const VARTYPE elementType = static_cast<VARTYPE>(type & ~VT_ARRAY);
    const BYTE* pDescriptor = m_reader.Bytes(m_layout.descriptorBytes);
    if (!pDescriptor) {
        return false;
    }
    StreamReader bound(pDescriptor + m_layout.boundOffset, kBoundBytes);
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
        minElementBytes = m_layout.imageBytes;
    }
    if (minElementBytes == 0 || count > m_reader.Left() / minElementBytes) {
        return false;
    }
    if (count != 0 && static_cast<long long>(lower) + count - 1 > LONG_MAX) {
        return false;
    }
    if (!pDest) {
        return FillArray(nullptr, elementType, count, depth);
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
        const bool filled = FillArray(pData, elementType, count, depth);
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
bool ValueReader::Read(VARIANT* pDest, int depth) {
    const BYTE* pImage = m_reader.Bytes(m_layout.imageBytes);
    if (!pImage) {
        return false;
    }
    // Type, reserved words and the 8 value bytes lie alike in both layouts; a DECIMAL fills the
    // first 16 bytes of either.
    VARIANT image;
    std::memset(&image, 0, sizeof(image));
    std::memcpy(&image, pImage, std::min(m_layout.imageBytes, sizeof(image)));
    const VARTYPE type = image.vt;
    if (type & VT_BYREF) {
        // A reference is a pointer of the server's process: the item arrives empty. What would
        // follow a referenced array is not defined, so that fails the value.
        return (type & VT_ARRAY) == 0;
    }
    if (type & VT_ARRAY) {
        return ReadArray(type, depth, pDest);
    }
    if (type == VT_BSTR) {
        BSTR text = nullptr;
        if (!ReadBstr(m_reader, true, pDest ? &text : nullptr)) {
            return false;
        }
        if (pDest) {
            pDest->vt = VT_BSTR;
            pDest->bstrVal = text;
        }
        return true;
    }
    if (pDest && (type == VT_EMPTY || type == VT_NULL || PlainElementSize(type) != 0)) {
        std::memcpy(pDest, &image, sizeof(image));
    }
    // Any other type keeps the VT_EMPTY it came with: interface and record bytes are pointers of
    // the server's process, which clearing would follow, and a bare VT_VARIANT is no value at all.
    // The value is empty, the other items of the notification still count.
    return true;
}

}  // namespace

long ReadStreamValue(VARIANT* pDest, StreamReader& reader, const StreamLayout& layout) {
    const BYTE* pStart = reader.Pos();
    if (!reader.IsOk() || !ValueReader(reader, layout).Read(pDest, 0)) {
        reader.Fail();
        return -1;
    }
    return static_cast<long>(reader.Pos() - pStart);
}
