#include "opc/DataChangeTexts.h"

#include <algorithm>

#include "opc/DiagnosticTexts.h"

namespace {

constexpr char kElementPrefix[] = "| ";
constexpr size_t kElementPrefixLength = sizeof(kElementPrefix) - 1;

bool IsScalarWithText(VARTYPE type) {
    switch (type) {
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DATE:
        case VT_BSTR:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_BSTR | VT_BYREF:
            return true;
        default:
            return false;
    }
}

// False when the array is not a one-dimensional array of bytes; the caller then lists it as
// any other array.
bool HexDump(SAFEARRAY* array, std::string* pText) {
    static const char kDigits[] = "0123456789ABCDEF";
    if (!array || SafeArrayGetDim(array) != 1 || SafeArrayGetElemsize(array) != 1) {
        return false;
    }
    pText->clear();
    // The element count itself, not upper - lower + 1: an empty array with the lowest lower
    // bound has an upper bound that wraps around to LONG_MAX.
    const size_t count = array->rgsabound[0].cElements;
    if (count == 0) {
        return true;
    }
    void* pData = nullptr;
    if (FAILED(SafeArrayAccessData(array, &pData))) {
        return false;
    }
    const BYTE* pBytes = static_cast<const BYTE*>(pData);
    pText->reserve(count * 3);
    for (size_t i = 0; i < count; ++i) {
        *pText += kDigits[pBytes[i] >> 4];
        *pText += kDigits[pBytes[i] & 0x0F];
        *pText += ' ';
    }
    SafeArrayUnaccessData(array);
    return true;
}

std::string JoinedElementTexts(const VARIANT& value) {
    const std::vector<std::string> texts = ValueTexts(value, kElementPrefix);
    std::string text;
    for (size_t i = 0; i < texts.size(); ++i) {
        // Every text starts with the prefix; only the first loses it, so the bars fall between.
        text += i == 0 ? texts[i].substr(std::min(kElementPrefixLength, texts[i].size())) : texts[i];
    }
    return text;
}

}  // namespace

bool ItemValueText(const VARIANT& value, bool bHexDump, std::string* pText) {
    const VARTYPE type = value.vt;
    if (type == VT_BOOL) {
        *pText = value.boolVal != VARIANT_FALSE ? "On" : "Off";
        return true;
    }
    if (IsScalarWithText(type)) {
        const std::vector<std::string> texts = ValueTexts(value, "");
        *pText = texts.empty() ? std::string() : texts.front();
        return true;
    }
    if (type & VT_ARRAY) {
        if (bHexDump && (type & ~VT_ARRAY) == VT_UI1 && HexDump(value.parray, pText)) {
            return true;
        }
        *pText = JoinedElementTexts(value);
        return true;
    }
    return false;
}

std::vector<DataChangeText> DataChangeTexts(const OPCGROUPHEADER& header,
                                            const OPCITEMHEADER2* pItems,
                                            const VARIANT* pValues,
                                            bool bHexDump) {
    std::vector<DataChangeText> result;
    if (!pItems || !pValues) {
        return result;
    }
    result.resize(header.dwItemCount);
    for (DWORD i = 0; i < header.dwItemCount; ++i) {
        DataChangeText& item = result[i];
        item.hClient = pItems[i].hClient;
        item.bSkipped = !ItemValueText(pValues[i], bHexDump, &item.valueText);
        // Every value of a dispatched notification was readable, so its quality stands even
        // where the type has no text.
        item.qualityText = QualityText(pItems[i].wQuality);
    }
    return result;
}
