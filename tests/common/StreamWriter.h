#pragma once
// Test-side writer of OPC Data Access 1.0 streams, the counterpart of the program's reader:
// values as VARIANT images with their extra data, and whole notifications around them.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "opc/OpcDa.h"

// Memory images in a DA 1.0 stream are those of the server's process, written down here for
// each bitness rather than taken from sizeof: a VARIANT image, then for arrays the one-bound
// SAFEARRAY descriptor with its data pointer and its bound (element count, lower bound).
struct StreamImages {
    size_t image;
    size_t descriptor;
    size_t dataPointer;
    size_t bound;
};
constexpr StreamImages kStreamImages32 = {16, 24, 12, 16};
constexpr StreamImages kStreamImages64 = {24, 32, 16, 24};
#ifdef _WIN64
constexpr StreamImages kOwnStreamImages = kStreamImages64;
constexpr StreamImages kOtherStreamImages = kStreamImages32;
#else
constexpr StreamImages kOwnStreamImages = kStreamImages32;
constexpr StreamImages kOtherStreamImages = kStreamImages64;
#endif
constexpr size_t kStreamImageBytes = kOwnStreamImages.image;
constexpr size_t kStreamDescriptorBytes = kOwnStreamImages.descriptor;
constexpr size_t kStreamDataPointerOffset = kOwnStreamImages.dataPointer;
constexpr size_t kStreamBoundOffset = kOwnStreamImages.bound;

class StreamWriter {
  public:
    // Images as a server of the given bitness writes them (default: our own).
    explicit StreamWriter(const StreamImages& images = kOwnStreamImages) : m_images(images) {}

    StreamWriter& U16(WORD value);
    StreamWriter& U32(DWORD value);
    StreamWriter& Raw(const void* pData, size_t size);
    StreamWriter& Raw(const std::vector<BYTE>& bytes) { return Raw(bytes.data(), bytes.size()); }

    // A VARIANT image: the type, six reserved bytes, then up to 8 value bytes (zero-padded up to
    // the image's size).
    // The pointer bytes of strings and arrays are filled with a recognisable garbage address.
    StreamWriter& Image(VARTYPE type, const void* pValue = nullptr, size_t valueSize = 0);
    StreamWriter& I2(SHORT value) { return Image(VT_I2, &value, sizeof(value)); }
    StreamWriter& I4(LONG value) { return Image(VT_I4, &value, sizeof(value)); }
    StreamWriter& R8(double value) { return Image(VT_R8, &value, sizeof(value)); }
    StreamWriter& Bool(bool value);
    // A VT_BSTR value; its length prefix is the text's byte count.
    StreamWriter& Bstr(const std::wstring& text);
    // Length, characters and terminator of one string, as after a VT_BSTR image or per element.
    StreamWriter& BstrBody(const std::wstring& text);
    // A VT_ARRAY | elementType image and its descriptor (element count and lower bound); the
    // elements follow with further calls.
    StreamWriter& ArrayHead(VARTYPE elementType, ULONG count, LONG lower = 0);
    StreamWriter& Ui1Array(const std::vector<BYTE>& bytes, LONG lower = 0);

    const std::vector<BYTE>& Bytes() const { return m_bytes; }
    size_t Size() const { return m_bytes.size(); }

  private:
    StreamImages m_images;
    std::vector<BYTE> m_bytes;
};

struct StreamItem {
    OPCHANDLE hClient;
    WORD wQuality;
    std::vector<BYTE> value;  // one encoded value
    size_t padding = 0;       // filler bytes before the value (kStreamFiller), which its offset skips
};

// Padding a reader must not take for a value: as a type it carries VT_BYREF.
constexpr BYTE kStreamFiller = 0xCC;

// A whole DATA stream (DATATIME with bWithTime): the group header with dwSize the total, the
// item headers with the values' real offsets, then the values, each after its padding.
std::vector<BYTE> DataStreamBytes(const std::vector<StreamItem>& items,
                                  bool bWithTime = false,
                                  HRESULT hrStatus = S_OK,
                                  OPCHANDLE hClientGroup = 1);
// A WRITECOMPLETE stream: its 16-byte header and one result per item.
std::vector<BYTE> WriteCompleteBytes(const std::vector<OPCITEMHEADERWRITE>& items, OPCHANDLE hClientGroup = 1);

void PatchDword(std::vector<BYTE>& bytes, size_t offset, DWORD value);
DWORD DwordAt(const std::vector<BYTE>& bytes, size_t offset);

// A movable global block of exactly size bytes, filled from the front of bytes.
HGLOBAL GlobalBlock(const std::vector<BYTE>& bytes, size_t size);
inline HGLOBAL GlobalBlock(const std::vector<BYTE>& bytes) {
    return GlobalBlock(bytes, bytes.size());
}
