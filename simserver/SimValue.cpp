#include "simserver/SimValue.h"

#include <cmath>
#include <cstdio>

namespace {

// Integer types take the rounded value wrapped to their width, so any ramp stays representable.
long long Whole(double number) {
    return std::isfinite(number) && std::fabs(number) < 9.0e18 ? std::llround(number) : 0;
}

std::wstring NumberText(double number) {
    wchar_t text[64];
    swprintf(text, 64, L"%g", number);
    return text;
}

}  // namespace

SimValue::SimValue(const SimItemDef& def) : m_pDef(&def), m_dValue(def.behaviour.start), m_nRandom(def.behaviour.seed) {
    if (def.behaviour.kind == SimValueKind::Toggle) {
        m_dValue = 0.0;
    } else if (def.behaviour.kind == SimValueKind::Random) {
        m_dValue = NextRandom();
    }
}

double SimValue::NextRandom() {
    // Park-Miller style LCG: the same seed gives the same sequence on every run.
    m_nRandom = m_nRandom * 1103515245u + 12345u;
    double unit = static_cast<double>((m_nRandom >> 8) & 0xFFFFFF) / static_cast<double>(0x1000000);
    const SimBehaviour& b = m_pDef->behaviour;
    double value = b.low + (b.high - b.low) * unit;
    bool bWhole = m_pDef->vt != VT_R4 && m_pDef->vt != VT_R8 && m_pDef->vt != VT_DATE && m_pDef->vt != VT_CY;
    return bWhole ? std::floor(value) : value;
}

bool SimValue::Advance() {
    const SimBehaviour& b = m_pDef->behaviour;
    double old = m_dValue;
    if (m_bWritten) {
        return false;
    }
    switch (b.kind) {
        case SimValueKind::Fixed:
            break;
        case SimValueKind::Ramp:
            m_dValue += b.step;
            if ((b.step >= 0.0 && m_dValue > b.limit) || (b.step < 0.0 && m_dValue < b.limit)) {
                m_dValue = b.start;
            }
            break;
        case SimValueKind::Toggle:
            m_dValue = m_dValue == 0.0 ? 1.0 : 0.0;
            break;
        case SimValueKind::Random:
            m_dValue = NextRandom();
            break;
    }
    return m_dValue != old;
}

double SimValue::Element(DWORD index) const {
    const std::vector<double>& parts = m_pDef->behaviour.partValues;
    return parts.empty() ? m_dValue + index : parts[index % parts.size()];
}

HRESULT SimValue::Get(VARIANT* pValue) const {
    VariantInit(pValue);
    if (m_pDef->bArray) {
        return Array(pValue);
    }
    const SimBehaviour& b = m_pDef->behaviour;
    const std::wstring* pText = nullptr;
    if (m_pDef->vt == VT_BSTR && m_bWritten) {
        pText = &m_writtenText;
    } else if (m_pDef->vt == VT_BSTR && b.kind == SimValueKind::Fixed) {
        pText = &b.text;
    }
    return Scalar(m_pDef->vt, m_dValue, pText, pValue);
}

HRESULT SimValue::Write(const VARIANT& value) {
    if (m_pDef->bArray) {
        return OPC_E_BADTYPE;
    }
    VARIANT converted;
    VariantInit(&converted);
    VARTYPE vt = m_pDef->vt == VT_BSTR ? VT_BSTR : VT_R8;
    HRESULT hr = VariantChangeTypeEx(&converted, const_cast<VARIANT*>(&value), LOCALE_SYSTEM_DEFAULT, 0, vt);
    if (FAILED(hr)) {
        return hr;
    }
    if (vt == VT_BSTR) {
        m_writtenText.assign(V_BSTR(&converted), SysStringLen(V_BSTR(&converted)));
    } else {
        // A written boolean keeps its meaning under the odd-is-TRUE rule.
        m_dValue = m_pDef->vt == VT_BOOL ? (V_R8(&converted) != 0.0 ? 1.0 : 0.0) : V_R8(&converted);
    }
    VariantClear(&converted);
    m_bWritten = true;
    return S_OK;
}

HRESULT SimValue::Scalar(VARTYPE vt, double number, const std::wstring* pText, VARIANT* pValue) const {
    long long whole = Whole(number);
    V_VT(pValue) = vt;
    switch (vt) {
        case VT_I1:
            V_I1(pValue) = static_cast<CHAR>(whole);
            break;
        case VT_UI1:
            V_UI1(pValue) = static_cast<BYTE>(whole);
            break;
        case VT_I2:
            V_I2(pValue) = static_cast<SHORT>(whole);
            break;
        case VT_UI2:
            V_UI2(pValue) = static_cast<USHORT>(whole);
            break;
        case VT_I4:
            V_I4(pValue) = static_cast<LONG>(whole);
            break;
        case VT_UI4:
            V_UI4(pValue) = static_cast<ULONG>(whole);
            break;
        case VT_R4:
            V_R4(pValue) = static_cast<FLOAT>(number);
            break;
        case VT_R8:
            V_R8(pValue) = number;
            break;
        case VT_DATE:
            V_DATE(pValue) = number;
            break;
        case VT_CY:
            V_CY(pValue).int64 = Whole(number * 10000.0);
            break;
        // Moving booleans alternate: odd is TRUE.
        case VT_BOOL:
            V_BOOL(pValue) = (whole & 1) ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case VT_BSTR: {
            std::wstring text = pText ? *pText : NumberText(number);
            V_BSTR(pValue) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            if (!V_BSTR(pValue)) {
                V_VT(pValue) = VT_EMPTY;
                return E_OUTOFMEMORY;
            }
            break;
        }
        default:
            V_VT(pValue) = VT_EMPTY;
            return OPC_E_BADTYPE;
    }
    return S_OK;
}

HRESULT SimValue::Array(VARIANT* pValue) const {
    const SimBehaviour& b = m_pDef->behaviour;
    SAFEARRAY* array = SafeArrayCreateVector(m_pDef->vt, 0, m_pDef->arrayLength);
    if (!array) {
        return E_OUTOFMEMORY;
    }
    // Elements of VARIANT arrays cycle through plain scalar types, which every stream reader sees
    // the same way (raw 16-byte images).
    static const VARTYPE kVariantElementTypes[] = {VT_I4, VT_R8, VT_BOOL};
    HRESULT hr = S_OK;
    for (LONG i = 0; SUCCEEDED(hr) && i < static_cast<LONG>(m_pDef->arrayLength); ++i) {
        VARIANT element;
        VariantInit(&element);
        DWORD index = static_cast<DWORD>(i);
        if (m_pDef->vt == VT_BSTR) {
            const std::wstring* pText = nullptr;
            if (b.kind == SimValueKind::Fixed) {
                pText = b.parts.empty() ? &b.text : &b.parts[index % b.parts.size()];
            }
            hr = Scalar(VT_BSTR, Element(index), pText, &element);
            if (SUCCEEDED(hr)) {
                hr = SafeArrayPutElement(array, &i, V_BSTR(&element));  // copies the string
            }
        } else if (m_pDef->vt == VT_VARIANT) {
            hr = Scalar(kVariantElementTypes[index % 3], Element(index), nullptr, &element);
            if (SUCCEEDED(hr)) {
                hr = SafeArrayPutElement(array, &i, &element);
            }
        } else {
            hr = Scalar(m_pDef->vt, Element(index), nullptr, &element);
            if (SUCCEEDED(hr)) {
                hr = SafeArrayPutElement(array, &i, &V_UI1(&element));  // the union's first byte
            }
        }
        VariantClear(&element);
    }
    if (FAILED(hr)) {
        SafeArrayDestroy(array);
        return hr;
    }
    V_VT(pValue) = static_cast<VARTYPE>(VT_ARRAY | m_pDef->vt);
    V_ARRAY(pValue) = array;
    return S_OK;
}
