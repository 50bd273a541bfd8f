// ValueTexts (declared in DiagnosticTexts.h): the texts of a VARIANT value, one per scalar.
#include "opc/DiagnosticTexts.h"

#include "opc/StreamValue.h"

#include "framework/Handles.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

constexpr char kCutMarker[] = "...";

// What one outermost ValueTexts call shares across its nested arrays.
struct ValueTextContext {
    const char* prefix;
    int depth = 0;
    int index = 0;  // the outermost element being listed
    size_t budget = kValueTextBudget;
    bool cut = false;
    std::vector<std::string> texts;
};

// Copies the caller's prefix, filling its one integer placeholder with index. Only a narrow
// integer conversion is handed to snprintf, so the prefix cannot make it read arguments that
// are not there.
std::string FormatPrefix(const char* prefix, int index) {
    std::string text;
    bool filled = false;
    for (const char* p = prefix; *p; ++p) {
        if (*p != '%') {
            text += *p;
            continue;
        }
        if (p[1] == '%') {
            text += '%';
            ++p;
            continue;
        }
        const char* end = p + 1;
        end += std::strspn(end, "-+ #0");
        for (int digits = 0; digits < 2 && *end >= '0' && *end <= '9'; ++digits) {
            ++end;
        }
        if (filled || !*end || !std::strchr("diuxXo", *end)) {
            text += '%';  // not a placeholder this function fills: copied as it stands
            continue;
        }
        const std::string spec(p, end + 1);
        char number[48];
        std::snprintf(number, sizeof(number), spec.c_str(), index);
        text += number;
        filled = true;
        p = end;
    }
    return text;
}

void AddText(ValueTextContext& context, std::string text) {
    if (context.budget == 0) {
        context.cut = true;
        return;
    }
    if (text.size() + 1 > context.budget) {
        text.resize(context.budget - 1);
        context.cut = true;
    }
    context.budget -= text.size() + 1;
    context.texts.push_back(std::move(text));
}

void AddFailure(ValueTextContext& context, HRESULT hr) {
    AddText(context, FormatPrefix(context.prefix, context.index) + ResultText(hr));
}

// The ANSI form of a BSTR up to its first zero character and at most maxChars characters.
std::string AnsiText(BSTR text, size_t maxChars) {
    if (!text) {
        return std::string();
    }
    size_t length = 0;
    const size_t stored = SysStringLen(text);
    while (length < stored && length < maxChars && text[length] != L'\0') {
        ++length;
    }
    if (length == 0) {
        return std::string();
    }
    const int wide = static_cast<int>(length);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return std::string();
    }
    std::string ansi(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, wide, &ansi[0], bytes, nullptr, nullptr);
    return ansi;
}

bool IsObjectType(VARTYPE type) {
    return type == VT_UNKNOWN || type == VT_DISPATCH || type == VT_RECORD;
}

// A DECIMAL with a scale beyond 28 or a sign byte other than 0 and DECIMAL_NEG is no number; some
// system conversions index their tables by the scale and read far outside them.
bool IsValidDecimal(const VARIANT& value) {
    const DECIMAL* decimal = value.vt == VT_DECIMAL ? &value.decVal : value.pdecVal;
    return decimal && decimal->scale <= 28 && (decimal->sign == 0 || decimal->sign == DECIMAL_NEG);
}

// SafeArrayGetElement writes the array's element size into a VARIANT-sized target and copies
// what BSTR and VARIANT elements own: the array must really hold what the VARIANT's type says.
bool ArrayHoldsType(SAFEARRAY* array, VARTYPE elementType) {
    const size_t plainSize = PlainElementSize(elementType);
    VARTYPE stored = VT_EMPTY;
    if (SUCCEEDED(SafeArrayGetVartype(array, &stored))) {
        // Same-sized plain types (VT_I4 and VT_INT, say) read each other's bytes harmlessly.
        return stored == elementType || (plainSize != 0 && PlainElementSize(stored) == plainSize);
    }
    // No recorded type: only an array of plain data whose element size matches will do.
    const USHORT owning = FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH | FADF_VARIANT | FADF_RECORD | FADF_HAVEIID;
    return plainSize != 0 && (array->fFeatures & owning) == 0 && SafeArrayGetElemsize(array) == plainSize;
}

HRESULT FetchElement(SAFEARRAY* array, LONG* indexes, VARTYPE elementType, VARIANT* element) {
    if (elementType == VT_VARIANT) {
        return SafeArrayGetElement(array, indexes, element);
    }
    // A DECIMAL fills the whole VARIANT, its type field included; other values sit in the union.
    void* target = elementType == VT_DECIMAL ? static_cast<void*>(&element->decVal) : &element->llVal;
    const HRESULT hr = SafeArrayGetElement(array, indexes, target);
    if (SUCCEEDED(hr)) {
        element->vt = elementType;
    }
    return hr;
}

void AddValueTexts(ValueTextContext& context, const VARIANT& value);

void AddArrayTexts(ValueTextContext& context, const VARIANT& value) {
    const VARTYPE elementType = value.vt & ~(VT_ARRAY | VT_BYREF);
    SAFEARRAY* array = (value.vt & VT_BYREF) ? (value.pparray ? *value.pparray : nullptr) : value.parray;
    const UINT dims = array ? SafeArrayGetDim(array) : 0;
    std::vector<LONG> indexes(dims);
    LONG lower = 0;
    LONG upper = -1;
    for (UINT dim = 1; dim <= dims; ++dim) {
        LONG low = 0;
        LONG high = -1;
        // Bounds are stored last dimension first. An empty dimension is told by its count: with
        // the lowest lower bound its upper bound wraps around to LONG_MAX.
        if (array->rgsabound[dims - dim].cElements == 0 || FAILED(SafeArrayGetLBound(array, dim, &low)) ||
            FAILED(SafeArrayGetUBound(array, dim, &high)) || high < low) {
            lower = 0;  // one empty dimension empties the whole array
            upper = -1;
            break;
        }
        indexes[dim - 1] = low;
        lower = low;
        upper = high;
    }
    if (upper < lower) {
        if (context.depth == 1) {
            AddText(context, FormatPrefix(context.prefix, context.index));
        }
        return;
    }
    if (IsObjectType(elementType)) {
        AddFailure(context, DISP_E_TYPEMISMATCH);
        return;
    }
    if (!ArrayHoldsType(array, elementType)) {
        AddFailure(context, DISP_E_BADVARTYPE);
        return;
    }
    // 64-bit counter: an upper bound of LONG_MAX must still end the loop.
    for (long long i = lower; i <= upper && !context.cut; ++i) {
        indexes[dims - 1] = static_cast<LONG>(i);
        ScopedVariant element;
        const HRESULT hr = FetchElement(array, indexes.data(), elementType, element.get());
        if (SUCCEEDED(hr)) {
            AddValueTexts(context, *element.get());
        } else {
            AddFailure(context, hr);
        }
        if (context.depth == 1) {
            ++context.index;
        }
    }
}

void AddScalarText(ValueTextContext& context, const VARIANT& value) {
    const VARTYPE baseType = value.vt & ~VT_BYREF;
    // Values from another process never carry live objects; calling into one would crash.
    if (IsObjectType(baseType)) {
        AddFailure(context, DISP_E_TYPEMISMATCH);
        return;
    }
    if ((value.vt & VT_BYREF) && !value.byref) {
        AddFailure(context, E_INVALIDARG);
        return;
    }
    if (baseType == VT_DECIMAL && !IsValidDecimal(value)) {
        AddFailure(context, DISP_E_OVERFLOW);
        return;
    }
    ScopedVariant converted;
    // The source is only read: the result goes to its own VARIANT.
    const HRESULT hr = VariantChangeType(converted.get(), const_cast<VARIANT*>(&value), 0, VT_BSTR);
    if (FAILED(hr)) {
        AddFailure(context, hr);
        return;
    }
    AddText(context, FormatPrefix(context.prefix, context.index) + AnsiText(converted.get()->bstrVal, context.budget));
}

void AddValueTexts(ValueTextContext& context, const VARIANT& value) {
    ++context.depth;
    if (context.depth > kValueTextMaxDepth) {
        context.cut = true;
    } else if (value.vt & VT_ARRAY) {
        AddArrayTexts(context, value);
    } else {
        AddScalarText(context, value);
    }
    --context.depth;
}

}  // namespace

std::vector<std::string> ValueTexts(const VARIANT& value, const char* prefix) {
    ValueTextContext context;
    context.prefix = prefix ? prefix : "";
    AddValueTexts(context, value);
    if (context.cut) {
        context.texts.push_back(FormatPrefix(context.prefix, context.index) + kCutMarker);
    }
    return std::move(context.texts);
}
