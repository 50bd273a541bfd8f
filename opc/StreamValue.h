#pragma once
// Rebuilds one VARIANT from its OPC Data Access 1.0 stream encoding. The stream carries memory
// images of the server's process, so their sizes follow the server's bitness, not ours (sizes
// below: 32-bit / 64-bit):
// - a VARIANT image, 16 / 24 bytes (its pointer fields mean nothing here);
// - VT_BSTR: then a DWORD byte length L, L bytes of UTF-16 and a 2-byte terminator;
// - VT_ARRAY | t: then a one-bound SAFEARRAY descriptor, 24 / 32 bytes, whose only trusted fields
//   are the element count and the lower bound of its bound (at +16 / +24), then the elements:
//   plain types packed, BSTRs each as above, VARIANTs each as a complete value of this encoding.
#include <windows.h>
#include <oleauto.h>

#include "opc/StreamReader.h"

// The sizes of one bitness's memory images in a stream.
struct StreamLayout {
    size_t imageBytes;       // a VARIANT
    size_t descriptorBytes;  // a SAFEARRAY with one bound
    size_t boundOffset;      // that bound (element count, lower bound) within the descriptor
};
constexpr StreamLayout kStreamLayout32 = {16, 24, 16};
constexpr StreamLayout kStreamLayout64 = {24, 32, 24};
constexpr bool kIs64Bit = sizeof(void*) == 8;
constexpr StreamLayout kNativeStreamLayout = kIs64Bit ? kStreamLayout64 : kStreamLayout32;
constexpr StreamLayout kForeignStreamLayout = kIs64Bit ? kStreamLayout32 : kStreamLayout64;

// Nested VT_ARRAY | VT_VARIANT levels below a value; one more fails it.
constexpr int kStreamValueMaxDepth = 16;

// Bytes of one element of a type that holds no pointers and has a fixed size; 0 for every
// other type.
size_t PlainElementSize(VARTYPE type);

// Reads the value at the reader's position, written with the layout's images, into *pDest, which
// must be VT_EMPTY on entry. Returns the bytes used (the reader has moved past them) or -1 when
// the value cannot be rebuilt; *pDest is then VT_EMPTY, nothing is left allocated, and the reader
// is spent. With pDest null the value is only measured: nothing is allocated, and the result is
// what a read would give unless memory runs out. Of a foreign image only the type and the first
// 8 value bytes count (a DECIMAL: its 16 bytes), which is all an OPC value holds.
//
// Failed values:
// - anything reaching past the reader's end, including element counts and BSTR lengths that
//   cannot fit in the bytes left (checked before anything is allocated);
// - VT_BYREF arrays: their bytes are a pointer of the server's process, and what follows them is
//   not defined;
// - arrays of any element type other than plain data, VT_BSTR and VT_VARIANT (so also arrays of
//   interfaces, records or bare VARIANTs);
// - arrays whose last index would not fit a LONG, or nested deeper than kStreamValueMaxDepth;
// - allocation failures.
// Tolerated:
// - an odd BSTR byte length: its last byte is dropped (the position still moves by L + 6);
// - a text ends at its first zero character; a scalar with L = 0 gives a null BSTR, an array
//   element with L = 0 an empty one;
// - a scalar type this reader does not know arrives as VT_EMPTY, one VARIANT image used; so do
//   VT_UNKNOWN, VT_DISPATCH, VT_RECORD, a bare VT_VARIANT and any scalar VT_BYREF, whose pointers
//   are never followed.
long ReadStreamValue(VARIANT* pDest, StreamReader& reader, const StreamLayout& layout = kNativeStreamLayout);
