#pragma once
// Builds the DA 1.0 notification streams: a group header, the item headers, then every value as
// its 16-byte VARIANT image followed by its out-of-line data (BSTR characters, array descriptor and
// elements). Everything is packed with no padding, little-endian.
#include <windows.h>
#include <oaidl.h>
#include <vector>

#include "opc/OpcDa.h"

struct SimStreamItem {
    OPCHANDLE hClient;
    WORD wQuality;
    FILETIME ftTimeStamp;
    const VARIANT* pValue;
};

class SimStreamWriter {
  public:
    // "OPCSTMFORMATDATA" (bWithTime false) or "OPCSTMFORMATDATATIME" (true).
    static std::vector<BYTE> DataStream(bool bWithTime,
                                        OPCHANDLE hClientGroup,
                                        DWORD dwTransactionID,
                                        const std::vector<SimStreamItem>& items);
    // "OPCSTMFORMATWRITECOMPLETE".
    static std::vector<BYTE> WriteCompleteStream(OPCHANDLE hClientGroup,
                                                 DWORD dwTransactionID,
                                                 const std::vector<OPCITEMHEADERWRITE>& items);
    // A movable global block holding the bytes; NULL when out of memory. The caller frees it.
    static HGLOBAL ToGlobal(const std::vector<BYTE>& bytes);

  private:
    explicit SimStreamWriter(std::vector<BYTE>* pOut) : m_pOut(pOut) {}
    void Put(const void* data, size_t size);
    void PutDword(DWORD value) { Put(&value, sizeof(value)); }
    void PutString(BSTR text);
    void PutValue(const VARIANT& value);
    void PutArray(const VARIANT& value);

    std::vector<BYTE>* m_pOut;
};
