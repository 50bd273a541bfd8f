#pragma once
// Bounded little-endian reader over a byte block that came from another process. Every read
// checks the bytes left first; a read past the end returns 0 (or null) and makes the reader fail
// for good, so callers check IsOk() once per value instead of after every field.
#include <windows.h>

#include <cstddef>

class StreamReader {
  public:
    // The bytes must outlive the reader.
    StreamReader(const BYTE* pBegin, size_t size) : m_pPos(pBegin), m_pEnd(pBegin + size) {}

    bool IsOk() const { return m_bOk; }
    size_t Left() const { return m_bOk ? static_cast<size_t>(m_pEnd - m_pPos) : 0; }
    bool Has(size_t n) const { return n <= Left(); }
    const BYTE* Pos() const { return m_pPos; }
    void Fail() { m_bOk = false; }

    WORD U16();
    DWORD U32();
    LONG I32() { return static_cast<LONG>(U32()); }
    // The next n bytes, or null (and failed) when fewer are left. Not aligned: copy out with memcpy.
    const BYTE* Bytes(size_t n);
    bool Skip(size_t n);
    // Copies n bytes into pOut; zero-fills pOut when fewer are left.
    bool Read(void* pOut, size_t n);

  private:
    const BYTE* m_pPos;
    const BYTE* m_pEnd;
    bool m_bOk = true;
};
