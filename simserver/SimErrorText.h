#pragma once
// English texts for GetErrorString: the OPC codes, then whatever the system knows.
#include <windows.h>
#include <string>

class SimErrorText {
  public:
    // False (E_INVALIDARG for the caller) when neither OPC nor the system knows the code.
    static bool Lookup(HRESULT code, std::wstring* pText);
};
