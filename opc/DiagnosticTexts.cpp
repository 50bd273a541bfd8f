// QualityText, VarTypeText and ResultText; ValueTexts lives in ValueTexts.cpp.
#include "opc/DiagnosticTexts.h"

#include <cstdio>

namespace {

const char* MajorStatusText(WORD quality) {
    switch (quality & 0xC0) {
        case 0x00:
            return "Bad: ";
        case 0x40:
            return "Uncertain: ";
        case 0xC0:
            return "Good: ";
        default:
            return "N/A: ";  // 0x80 is not used by OPC
    }
}

// Masked with 0xFC, major status included: each sub-status belongs to one major status.
const char* SubStatusText(WORD quality) {
    switch (quality & 0xFC) {
        case 0x00:
        case 0x40:
        case 0xC0:
            return "Non-specific";
        case 0x04:
            return "Configuration Error";
        case 0x08:
            return "Not Connected";
        case 0x0C:
            return "Device Failure";
        case 0x10:
            return "Sensor Failure";
        case 0x14:
            return "Last Known Value";
        case 0x18:
            return "Communication failure";
        case 0x1C:
            return "Out of Service";
        case 0x44:
            return "Last Usable Value";
        case 0x50:
            return "Sensor Not Accurate";
        case 0x54:
            return "Engineering Units Exceeded";
        case 0x58:
            return "Sub-Normal";
        case 0xD8:
            return "Local Override";
        default:
            return "N/A";
    }
}

const char* LimitText(WORD quality) {
    static const char* const kLimits[] = {"Not Limited", "Low Limited", "High Limited", "Constant"};
    return kLimits[quality & 0x03];
}

const char* BaseTypeName(unsigned type) {
    static const char* const kNames[] = {
        "VT_EMPTY", "VT_NULL",     "VT_I2",    "VT_I4",   "VT_R4",      "VT_R8",      "VT_CY",      "VT_DATE",
        "VT_BSTR",  "VT_DISPATCH", "VT_ERROR", "VT_BOOL", "VT_VARIANT", "VT_UNKNOWN", "VT_DECIMAL", nullptr,
        "VT_I1",    "VT_UI1",      "VT_UI2",   "VT_UI4",  "VT_I8",      "VT_UI8",     "VT_INT",     "VT_UINT",
    };
    const char* name = type < sizeof(kNames) / sizeof(kNames[0]) ? kNames[type] : nullptr;
    return name ? name : "unknown VARTYPE";
}

struct NamedResult {
    HRESULT code;
    const char* name;
};

const NamedResult kResultNames[] = {
    {static_cast<HRESULT>(0x00000000L), "S_OK"},
    {static_cast<HRESULT>(0x00000001L), "S_FALSE"},
    {static_cast<HRESULT>(0x0004000DL), "OPC_S_UNSUPPORTEDRATE"},
    {static_cast<HRESULT>(0x0004000EL), "OPC_S_CLAMP"},
    {static_cast<HRESULT>(0x0004000FL), "OPC_S_INUSE"},
    {static_cast<HRESULT>(0x80004001L), "E_NOTIMPL"},
    {static_cast<HRESULT>(0x80004002L), "E_NOINTERFACE"},
    {static_cast<HRESULT>(0x80004005L), "E_FAIL"},
    {static_cast<HRESULT>(0x8002000CL), "DISP_E_UNKNOWNLCID"},
    {static_cast<HRESULT>(0x80040004L), "OLE_E_NOCONNECTION"},
    {static_cast<HRESULT>(0x80040064L), "DV_E_FORMATETC"},
    {static_cast<HRESULT>(0x8007000EL), "E_OUTOFMEMORY"},
    {static_cast<HRESULT>(0x80070057L), "E_INVALIDARG"},
    {static_cast<HRESULT>(0xC0040001L), "OPC_E_INVALIDHANDLE"},
    {static_cast<HRESULT>(0xC0040004L), "OPC_E_BADTYPE"},
    {static_cast<HRESULT>(0xC0040005L), "OPC_E_PUBLIC"},
    {static_cast<HRESULT>(0xC0040006L), "OPC_E_BADRIGHTS"},
    {static_cast<HRESULT>(0xC0040007L), "OPC_E_UNKNOWNITEMID"},
    {static_cast<HRESULT>(0xC0040008L), "OPC_E_INVALIDITEMID"},
    {static_cast<HRESULT>(0xC0040009L), "OPC_E_INVALIDFILTER"},
    {static_cast<HRESULT>(0xC004000AL), "OPC_E_UNKNOWNPATH"},
    {static_cast<HRESULT>(0xC004000BL), "OPC_E_RANGE"},
    {static_cast<HRESULT>(0xC004000CL), "OPC_E_DUPLICATENAME"},
    {static_cast<HRESULT>(0xC0040010L), "OPC_E_INVALIDCONFIGFILE"},
    {static_cast<HRESULT>(0xC0040011L), "OPC_E_NOTFOUND"},
    {static_cast<HRESULT>(0xC0040500L), "CALLR_E_PROGRAMSTATE"},
    {static_cast<HRESULT>(0xC0040501L), "CALLR_E_RESERVED"},
};

std::string ResultName(HRESULT hr) {
    for (const auto& entry : kResultNames) {
        if (entry.code == hr) {
            return entry.name;
        }
    }
    char text[40];
    std::snprintf(text, sizeof(text), "Function Failed : %lXh", static_cast<unsigned long>(hr));
    return text;
}

// The system's message for hr without its trailing line break; empty when it has none.
std::string SystemMessage(HRESULT hr) {
    char* buffer = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    const DWORD length =
        FormatMessageA(flags, nullptr, static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT),
                       reinterpret_cast<char*>(&buffer), 0, nullptr);
    if (length == 0 || !buffer) {
        return std::string();
    }
    std::string text(buffer, length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
        text.pop_back();
    }
    return text;
}

}  // namespace

std::string QualityText(WORD quality) {
    char hex[16];
    std::snprintf(hex, sizeof(hex), ", (%04Xh)", static_cast<unsigned>(quality));
    return std::string(MajorStatusText(quality)) + SubStatusText(quality) + ", Limit: " + LimitText(quality) + hex;
}

std::string VarTypeText(VARTYPE type) {
    std::string text;
    unsigned rest = type;
    if (rest & VT_BYREF) {
        text = "VT_BYREF | ";
        rest &= ~static_cast<unsigned>(VT_BYREF);
    }
    if (rest & VT_ARRAY) {
        text += "VT_ARRAY | ";
        rest &= ~static_cast<unsigned>(VT_ARRAY);
    }
    return text + BaseTypeName(rest);
}

std::string ResultText(HRESULT hr) {
    std::string text = ResultName(hr);
    // Interface-facility codes (the OPC ones among them) mean something different per
    // interface, so the system's text for the same number would mislead.
    if (((static_cast<unsigned long>(hr) >> 16) & 0x1FFF) != FACILITY_ITF) {
        const std::string message = SystemMessage(hr);
        if (!message.empty()) {
            text += "\n" + message;
        }
    }
    return text;
}
