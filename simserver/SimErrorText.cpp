#include "simserver/SimErrorText.h"

#include "opc/OpcDa.h"

namespace {

struct CodeText {
    HRESULT code;
    const wchar_t* text;
};

const CodeText kOpcTexts[] = {
    {OPC_E_INVALIDHANDLE, L"The value of the handle is invalid."},
    {OPC_E_BADTYPE, L"The server cannot convert the data between the requested data type and the canonical data type."},
    {OPC_E_PUBLIC, L"The requested operation cannot be done on a public group."},
    {OPC_E_BADRIGHTS, L"The item's access rights do not allow the operation."},
    {OPC_E_UNKNOWNITEMID, L"The item is no longer available in the server address space."},
    {OPC_E_INVALIDITEMID, L"The item definition does not conform to the server's syntax."},
    {OPC_E_INVALIDFILTER, L"The filter string was not valid."},
    {OPC_E_UNKNOWNPATH, L"The item's access path is not known to the server."},
    {OPC_E_RANGE, L"The value was out of range."},
    {OPC_E_DUPLICATENAME, L"Duplicate name not allowed."},
    {OPC_S_UNSUPPORTEDRATE,
     L"The server does not support the requested data rate but will use the closest available rate."},
    {OPC_S_CLAMP, L"A value passed to write was accepted but the output was clamped."},
    {OPC_S_INUSE, L"The operation cannot be completed because the object still has references that exist."},
    {OPC_E_INVALIDCONFIGFILE, L"The server's configuration file is an invalid format."},
    {OPC_E_NOTFOUND, L"The requested object was not found."},
    {OPC_E_INVALID_PID, L"The specified property ID is not valid for the item."},
};

}  // namespace

bool SimErrorText::Lookup(HRESULT code, std::wstring* pText) {
    for (const CodeText& entry : kOpcTexts) {
        if (entry.code == code) {
            *pText = entry.text;
            return true;
        }
    }
    wchar_t* buffer = nullptr;
    DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    if (!n || !buffer) {
        return false;
    }
    std::wstring text(buffer, n);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    *pText = text;
    return true;
}
