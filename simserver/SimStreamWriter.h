#pragma once
// Builds the DA 1.0 notification streams: a group header, the item headers, then every value as
// its VARIANT image followed by its out-of-line data (BSTR characters, array descriptor and
// elements). Little-endian and packed with no padding, unless values are to be aligned: then zero
// bytes go before each value up to the alignment, and the item headers' offsets point past them.
// The images are those of a 32-bit process (VARIANT 16 bytes, one-bound SAFEARRAY 24) or of a
// 64-bit one (24 and 32), whichever this process is not, too, so both can be tested.
#include <windows.h>
#include <oaidl.h>
#include <vector>

#include "opc/OpcDa.h"

// The alignment of the config's pad_values.
constexpr size_t kPaddedValueAlignment = 8;

struct SimStreamItem {
    OPCHANDLE hClient;
    WORD wQuality;
    FILETIME ftTimeStamp;
    const VARIANT* pValue;
};

class SimStreamWriter {
  public:
    // "OPCSTMFORMATDATA" (bWithTime false) or "OPCSTMFORMATDATATIME" (true); every value starts at
    // a multiple of valueAlignment bytes from the stream's start; b64 chooses the images.
    static std::vector<BYTE> DataStream(bool bWithTime,
                                        OPCHANDLE hClientGroup,
                                        DWORD dwTransactionID,
                                        const std::vector<SimStreamItem>& items,
                                        size_t valueAlignment = 1,
                                        bool b64 = sizeof(void*) == 8);
    // "OPCSTMFORMATWRITECOMPLETE".
    static std::vector<BYTE> WriteCompleteStream(OPCHANDLE hClientGroup,
                                                 DWORD dwTransactionID,
                                                 const std::vector<OPCITEMHEADERWRITE>& items);
    // A movable global block holding the bytes; NULL when out of memory. The caller frees it.
    static HGLOBAL ToGlobal(const std::vector<BYTE>& bytes);

  private:
    SimStreamWriter(std::vector<BYTE>* pOut, bool b64) : m_pOut(pOut), m_b64(b64) {}
    void Put(const void* data, size_t size);
    void PutDword(DWORD value) { Put(&value, sizeof(value)); }
    void PutString(BSTR text);
    void PutImage(const VARIANT& value);
    void PutValue(const VARIANT& value);
    void PutArray(const VARIANT& value);
    size_t ImageBytes() const { return m_b64 ? 24 : 16; }

    std::vector<BYTE>* m_pOut;
    bool m_b64;
};
