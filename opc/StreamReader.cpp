#include "opc/StreamReader.h"

#include <cstring>

const BYTE* StreamReader::Bytes(size_t n) {
    // Compared by subtraction, so a huge n cannot wrap the pointer arithmetic.
    if (!Has(n)) {
        m_bOk = false;
        return nullptr;
    }
    const BYTE* p = m_pPos;
    m_pPos += n;
    return p;
}

bool StreamReader::Skip(size_t n) {
    if (!Has(n)) {
        m_bOk = false;
        return false;
    }
    m_pPos += n;
    return true;
}

bool StreamReader::Read(void* pOut, size_t n) {
    const BYTE* p = Bytes(n);
    if (!p) {
        std::memset(pOut, 0, n);
        return false;
    }
    std::memcpy(pOut, p, n);
    return true;
}

WORD StreamReader::U16() {
    const BYTE* p = Bytes(2);
    return p ? static_cast<WORD>(p[0] | (p[1] << 8)) : 0;
}

DWORD StreamReader::U32() {
    const BYTE* p = Bytes(4);
    return p ? static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
                   (static_cast<DWORD>(p[3]) << 24)
             : 0;
}
