// Seeded fuzzing of the data-change sink: mutated and random "OPCSTMFORMATDATA" blocks go through
// OnDataChange as a server would deliver them. A small independent model of the stream rules
// predicts for each block whether the notification passes as it is, arrives emptied, or is not
// dispatched at all; every prediction is checked, and the texts side runs on every value.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "AdviseSinkFakes.h"
#include "common/StreamWriter.h"
#include "opc/DataChangeTexts.h"
#include "opc/DiagnosticTexts.h"
#include "opc/OpcAdviseSink.h"

namespace {

constexpr unsigned kSeed = 20240611;
constexpr size_t kGroupHeader = sizeof(OPCGROUPHEADER);
constexpr size_t kItemHeader = sizeof(OPCITEMHEADER2);
constexpr DWORD kBoundaries[] = {0, 0xFF, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 1, 0xFFFFFFFE};
constexpr size_t kMaxReported = 5;

// Element bytes of the plain types, from the VARTYPE definitions; 0 for all others.
size_t PlainBytes(VARTYPE type) {
    switch (type) {
        case VT_I1:
        case VT_UI1:
            return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            return 2;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_ERROR:
            return 4;
        case VT_R8:
        case VT_CY:
        case VT_DATE:
        case VT_I8:
        case VT_UI8:
            return 8;
        case VT_DECIMAL:
            return 16;
        default:
            return 0;
    }
}

// kOther: a notification that is neither the stream's own nor an emptied one.
enum class Outcome { kNoCall, kEmptied, kAsIs, kOther };

const char* OutcomeName(Outcome outcome) {
    static const char* const kNames[] = {"no call", "emptied", "as is", "something else"};
    return kNames[static_cast<int>(outcome)];
}

// The documented stream rules, written apart from the program's reader so the two check each other.
class StreamModel {
  public:
    // A stream passes when its values can all be read with the images of either bitness.
    // The other bitness's smaller images count only where no value leaves a gap of the size
    // difference behind it (a cut stream of the larger images would).
    static Outcome Predict(const std::vector<BYTE>& bytes, size_t blockSize) {
        const Outcome own = Predict(bytes, blockSize, kOwnStreamImages);
        const size_t delta = kOwnStreamImages.image > kOtherStreamImages.image
                                 ? kOwnStreamImages.image - kOtherStreamImages.image
                                 : SIZE_MAX;
        return own == Outcome::kEmptied ? Predict(bytes, blockSize, kOtherStreamImages, delta) : own;
    }
    static Outcome Predict(const std::vector<BYTE>& bytes,
                           size_t blockSize,
                           const StreamImages& images,
                           size_t maxGap = SIZE_MAX) {
        if (blockSize < kGroupHeader) {
            return Outcome::kNoCall;
        }
        StreamModel model(bytes.data(), std::min<size_t>(blockSize, DwordAt(bytes, 0)), images);
        const unsigned long long count = DwordAt(bytes, 4);
        if (!model.Take(kGroupHeader) || !model.Take(count * kItemHeader)) {
            return Outcome::kEmptied;
        }
        // Room for every value's image at least (the smaller, 32-bit one), wherever the offsets put them.
        const size_t valuesStart = model.m_pos;
        if (count * kStreamImages32.image > model.m_end - valuesStart) {
            return Outcome::kEmptied;
        }
        // A value lies at its offset when that points into the value area, else right after the
        // value read before it.
        size_t next = valuesStart;
        size_t previousStart = 0;
        for (unsigned long long i = 0; i < count; ++i) {
            const DWORD offset = model.U32(kGroupHeader + static_cast<size_t>(i) * kItemHeader + 4);
            model.m_pos = offset >= valuesStart && offset < model.m_end ? offset : next;
            if (i > 0 && model.m_pos > previousStart && model.m_pos >= next && model.m_pos - next >= maxGap) {
                return Outcome::kEmptied;
            }
            previousStart = model.m_pos;
            if (!model.Value(0)) {
                return Outcome::kEmptied;
            }
            next = model.m_pos;
        }
        return count > 0 && model.m_end - next >= maxGap ? Outcome::kEmptied : Outcome::kAsIs;
    }

  private:
    StreamModel(const BYTE* p, size_t end, const StreamImages& images) : m_p(p), m_end(end), m_images(images) {}

    bool Take(unsigned long long n) {
        if (n > m_end - m_pos) {
            return false;
        }
        m_pos += static_cast<size_t>(n);
        return true;
    }
    DWORD U32(size_t offset) const {
        DWORD v = 0;
        std::memcpy(&v, m_p + offset, sizeof(v));
        return v;
    }
    bool Bstr() {
        if (!Take(4)) {
            return false;
        }
        return Take(static_cast<unsigned long long>(U32(m_pos - 4)) + 2);  // text and terminator
    }
    bool Value(int depth) {
        if (!Take(m_images.image)) {
            return false;
        }
        WORD vt = 0;
        std::memcpy(&vt, m_p + m_pos - m_images.image, sizeof(vt));
        if (vt & VT_BYREF) {
            return (vt & VT_ARRAY) == 0;  // a scalar reference passes as an empty value
        }
        if (vt & VT_ARRAY) {
            return Array(static_cast<VARTYPE>(vt & ~VT_ARRAY), depth);
        }
        if (vt == VT_BSTR) {
            return Bstr();
        }
        // Every other scalar passes: pointer-carrying and unknown ones as empty values.
        return true;
    }
    bool Array(VARTYPE element, int depth) {
        if (!Take(m_images.descriptor)) {
            return false;
        }
        const unsigned long long count = U32(m_pos - 8);  // the bound ends the descriptor
        const long long lower = static_cast<LONG>(U32(m_pos - 4));
        if (count != 0 && lower + static_cast<long long>(count) - 1 > LONG_MAX) {
            return false;
        }
        if (element == VT_BSTR || element == VT_VARIANT) {
            if (element == VT_VARIANT && depth >= 16) {
                return false;
            }
            for (unsigned long long i = 0; i < count; ++i) {
                if (!(element == VT_BSTR ? Bstr() : Value(depth + 1))) {
                    return false;
                }
            }
            return true;
        }
        return PlainBytes(element) != 0 && Take(count * PlainBytes(element));
    }

    const BYTE* m_p;
    size_t m_end;
    StreamImages m_images;
    size_t m_pos = 0;
};

// What a rebuilt value may be: never a reference, an object or a server pointer.
bool IsSafeValue(const VARIANT& value) {
    const VARTYPE vt = value.vt;
    if (vt & VT_ARRAY) {
        const VARTYPE element = static_cast<VARTYPE>(vt & ~VT_ARRAY);
        VARTYPE stored = VT_EMPTY;
        return value.parray && SafeArrayGetDim(value.parray) == 1 &&
               (PlainBytes(element) != 0 || element == VT_BSTR || element == VT_VARIANT) &&
               SUCCEEDED(SafeArrayGetVartype(value.parray, &stored)) && stored == element;
    }
    return vt == VT_EMPTY || vt == VT_NULL || vt == VT_BSTR || PlainBytes(vt) != 0;
}

// Counts the notifications and turns each into the item list's texts.
class CountingTarget : public OpcDataCallback {
  public:
    bool bAlternateHexDump = true;
    int dataCalls = 0;
    int otherCalls = 0;
    int unsafeValues = 0;
    OPCGROUPHEADER header = {};
    std::vector<DataChangeText> texts;

    void Reset() {
        dataCalls = 0;
        header = {};
        texts.clear();
    }
    void OnData(const OPCGROUPHEADER* pHeader, const OPCITEMHEADER2* pItems, const VARIANT* pValues) override {
        ++dataCalls;
        header = *pHeader;
        for (DWORD i = 0; pValues && i < pHeader->dwItemCount; ++i) {
            unsafeValues += IsSafeValue(pValues[i]) ? 0 : 1;
        }
        if (bAlternateHexDump) {
            m_bHexDump = !m_bHexDump;  // both array renderings get their share
        }
        texts = DataChangeTexts(*pHeader, pItems, pValues, m_bHexDump);
    }
    void OnDataTime(const OPCGROUPHEADER*, const OPCITEMHEADER1*, const VARIANT*) override { ++otherCalls; }
    void OnWriteComplete(const OPCGROUPHEADERWRITE*, const OPCITEMHEADERWRITE*) override { ++otherCalls; }

  private:
    bool m_bHexDump = true;
};

// Offsets of the fields worth tampering with, relative to the start of the bytes they describe.
struct Fields {
    std::vector<size_t> offsets;  // dwValueOffset of an item header
    std::vector<size_t> types;    // VARTYPE of a value image
    std::vector<size_t> bounds;   // array descriptor: element count, lower bound 4 bytes later
    std::vector<size_t> lengths;  // BSTR byte length
};

class RandomValue {
  public:
    // bTooDeep: nesting may also go past the limit of 16 levels, which fails the value.
    RandomValue(std::mt19937& rng, bool bTooDeep, const StreamImages& images)
        : m_rng(rng), m_bTooDeep(bTooDeep), m_images(images), m_writer(images) {}

    void Write(int depth) {
        switch (Below(depth < 3 ? 12 : 9)) {
            case 0:
                m_fields.types.push_back(m_writer.Size());
                m_writer.I4(static_cast<LONG>(m_rng()));
                break;
            case 1: {
                const float f = static_cast<float>(static_cast<int>(m_rng() % 20001) - 10000) / 8.0f;
                m_fields.types.push_back(m_writer.Size());
                m_writer.Image(VT_R4, &f, sizeof(f));
                break;
            }
            case 2:
                m_fields.types.push_back(m_writer.Size());
                m_fields.lengths.push_back(m_writer.Size() + m_images.image);
                m_writer.Bstr(Text());
                break;
            case 3:
                m_fields.types.push_back(m_writer.Size());
                m_writer.Bool(Below(2) == 0);
                break;
            case 4:
                m_fields.types.push_back(m_writer.Size());
                m_writer.I2(static_cast<SHORT>(m_rng()));
                break;
            case 5:
                m_fields.types.push_back(m_writer.Size());
                m_writer.R8(static_cast<double>(m_rng()) / 3.0);
                break;
            case 6:
            case 7: {
                std::vector<BYTE> bytes(Below(17));
                for (BYTE& b : bytes) {
                    b = static_cast<BYTE>(m_rng());
                }
                Head(VT_UI1, static_cast<ULONG>(bytes.size()));
                m_writer.Raw(bytes);
                break;
            }
            case 8: {
                const ULONG count = Below(4);
                Head(VT_BSTR, count);
                for (ULONG i = 0; i < count; ++i) {
                    m_fields.lengths.push_back(m_writer.Size());
                    m_writer.BstrBody(Text());
                }
                break;
            }
            case 9:
            case 10: {
                const ULONG count = Below(4);
                Head(VT_VARIANT, count);
                for (ULONG i = 0; i < count; ++i) {
                    Write(depth + 1);
                }
                break;
            }
            default:
                // Up to the nesting limit of 16 levels, counting the arrays around this value, or past it.
                for (int level = 14 - depth + static_cast<int>(Below(m_bTooDeep ? 5 : 3)); level > 0; --level) {
                    Head(VT_VARIANT, 1);
                }
                m_fields.types.push_back(m_writer.Size());
                m_writer.I4(7);
                break;
        }
    }
    const StreamWriter& Writer() const { return m_writer; }
    const Fields& FieldOffsets() const { return m_fields; }

  private:
    ULONG Below(ULONG n) { return static_cast<ULONG>(m_rng() % n); }
    void Head(VARTYPE element, ULONG count) {
        m_fields.types.push_back(m_writer.Size());
        m_fields.bounds.push_back(m_writer.Size() + m_images.image + m_images.bound);
        m_writer.ArrayHead(element, count, static_cast<LONG>(Below(5)) - 2);
    }
    std::wstring Text() {
        std::wstring text(Below(13), L' ');
        for (wchar_t& c : text) {
            c = Below(8) == 0 ? static_cast<wchar_t>(0x100 + Below(0x2F00)) : static_cast<wchar_t>(0x20 + Below(0x5F));
        }
        return text;
    }

    std::mt19937& m_rng;
    bool m_bTooDeep;
    StreamImages m_images;
    StreamWriter m_writer;
    Fields m_fields;
};

// A stream of 1 to 12 mixed items and its fields, at their offsets in the whole stream. Valid
// unless bTooDeep let a value nest too deep. One stream in three pads its values by up to 7
// bytes each, as a server that aligns them does (less than an image, so a value's padding is
// never taken for a whole value).
struct Stream {
    std::vector<BYTE> bytes;
    Fields fields;
};

Stream RandomStream(std::mt19937& rng, bool bTooDeep, const StreamImages& images = kOwnStreamImages) {
    const size_t count = 1 + rng() % 12;
    std::vector<StreamItem> items;
    Stream stream;
    const bool bPadded = rng() % 3 == 0;
    size_t offset = kGroupHeader + count * kItemHeader;
    for (size_t i = 0; i < count; ++i) {
        stream.fields.offsets.push_back(kGroupHeader + i * kItemHeader + 4);
        const size_t padding = bPadded ? rng() % 8 : 0;
        offset += padding;
        RandomValue value(rng, bTooDeep, images);
        value.Write(0);
        const Fields& inner = value.FieldOffsets();
        for (auto [from, to] :
             {std::make_pair(&inner.types, &stream.fields.types), std::make_pair(&inner.bounds, &stream.fields.bounds),
              std::make_pair(&inner.lengths, &stream.fields.lengths)}) {
            for (size_t at : *from) {
                to->push_back(offset + at);
            }
        }
        offset += value.Writer().Size();
        items.push_back(
            {static_cast<OPCHANDLE>(rng() % 6000), static_cast<WORD>(rng()), value.Writer().Bytes(), padding});
    }
    stream.bytes = DataStreamBytes(items, false, S_OK, rng());
    return stream;
}

class Mutator {
  public:
    explicit Mutator(std::mt19937& rng) : m_rng(rng) {}

    // One to three stacked mutations of a valid stream.
    void Mutate(Stream& stream) {
        for (ULONG n = 1 + Below(3); n > 0; --n) {
            MutateOnce(stream);
        }
    }

  private:
    ULONG Below(size_t n) { return n == 0 ? 0 : static_cast<ULONG>(m_rng() % n); }
    DWORD Boundary() { return kBoundaries[Below(ARRAYSIZE(kBoundaries))]; }
    // A boundary value, a small step away from the current one, or anything.
    DWORD Tampered(DWORD current) {
        switch (Below(3)) {
            case 0:
                return Boundary();
            case 1:
                return current + static_cast<DWORD>(static_cast<int>(Below(7)) - 3);
            default:
                return Below(2) ? m_rng() : Below(256);
        }
    }
    void PatchIfInside(std::vector<BYTE>& bytes, size_t offset, DWORD value) {
        if (offset + 4 <= bytes.size()) {
            PatchDword(bytes, offset, value);
        }
    }
    // A field's offset, or false when the stream has none of that kind.
    bool PickField(const std::vector<size_t>& offsets, size_t* pAt) {
        if (offsets.empty()) {
            return false;
        }
        *pAt = offsets[Below(offsets.size())];
        return true;
    }

    void MutateOnce(Stream& stream) {
        std::vector<BYTE>& bytes = stream.bytes;
        const Fields& fields = stream.fields;
        switch (Below(11)) {
            case 0:
                for (ULONG flips = 1 + Below(4); flips > 0 && !bytes.empty(); --flips) {
                    bytes[Below(bytes.size())] ^= static_cast<BYTE>(1u << Below(8));
                }
                break;
            case 1:
                if (!bytes.empty()) {
                    static const BYTE kBytes[] = {0x00, 0xFF, 0x7F, 0x80};
                    bytes[Below(bytes.size())] = kBytes[Below(ARRAYSIZE(kBytes))];
                }
                break;
            case 2:
                PatchIfInside(bytes, Below(bytes.size()), Boundary());
                break;
            case 3:
                bytes.resize(Below(bytes.size()));
                break;
            case 4: {
                for (ULONG extra = 1 + Below(64); extra > 0; --extra) {
                    bytes.push_back(static_cast<BYTE>(m_rng()));
                }
                if (Below(2)) {
                    PatchIfInside(bytes, 0, static_cast<DWORD>(bytes.size()));
                }
                break;
            }
            case 5:
                PatchIfInside(bytes, 0, Tampered(bytes.size() >= 4 ? DwordAt(bytes, 0) : 0));
                break;
            case 6:
                PatchIfInside(bytes, 4, Tampered(bytes.size() >= 8 ? DwordAt(bytes, 4) : 0));
                break;
            case 7: {
                size_t at = 0;
                WORD type = static_cast<WORD>(m_rng());
                if (Below(3) == 0) {
                    type = static_cast<WORD>(VT_ARRAY | Below(0x25));
                } else if (Below(3) == 0) {
                    type = static_cast<WORD>(VT_BYREF | Below(0x25));
                }
                if (PickField(fields.types, &at) && at + 2 <= bytes.size()) {
                    std::memcpy(bytes.data() + at, &type, sizeof(type));
                }
                break;
            }
            case 8: {
                size_t at = 0;
                if (PickField(fields.bounds, &at) && (at += Below(2) * 4) + 4 <= bytes.size()) {
                    PatchDword(bytes, at, Tampered(DwordAt(bytes, at)));
                }
                break;
            }
            case 9: {
                // Into another value, the headers, the padding, just past the end, or anywhere.
                size_t at = 0;
                size_t from = 0;
                if (PickField(fields.offsets, &at) && PickField(fields.offsets, &from) &&
                    std::max(at, from) + 4 <= bytes.size()) {
                    PatchDword(bytes, at, Below(2) ? DwordAt(bytes, from) : Tampered(DwordAt(bytes, at)));
                }
                break;
            }
            default: {
                size_t at = 0;
                if (PickField(fields.lengths, &at) && at + 4 <= bytes.size()) {
                    PatchDword(bytes, at, Tampered(DwordAt(bytes, at)));
                }
                break;
            }
        }
    }

    std::mt19937& m_rng;
};

std::string HexDump(const std::vector<BYTE>& bytes) {
    std::string text;
    char hex[4];
    for (size_t i = 0; i < bytes.size() && i < 256; ++i) {
        std::snprintf(hex, sizeof(hex), "%02X ", bytes[i]);
        text += hex;
    }
    return bytes.size() > 256 ? text + "..." : text;
}

}  // namespace

class DataStreamFuzzTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, OpcAdviseSink::Start(&m_group, &m_target, &m_pSink, &m_cookie));
        m_format = {static_cast<CLIPFORMAT>(RegisterClipboardFormatA(kOpcFormatData)), nullptr, DVASPECT_CONTENT, -1,
                    TYMED_HGLOBAL};
    }
    void TearDown() override {
        EXPECT_EQ(0, m_target.otherCalls);
        EXPECT_EQ(0, m_target.unsafeValues) << "rebuilt values must never carry references or server pointers";
        EXPECT_EQ(0u, m_mismatches) << m_report;
        m_pSink->Unadvise();
        EXPECT_EQ(0u, m_pSink->Release());
        EXPECT_EQ(0u, m_group.Refs());
    }

    // Delivers the bytes in a block of their own size, checks the notification against the model
    // and returns what actually happened.
    Outcome Deliver(const std::vector<BYTE>& bytes, size_t caseIndex) {
        HGLOBAL block = GlobalBlock(bytes);
        if (!block && bytes.empty()) {
            return Outcome::kNoCall;
        }
        if (!block) {
            Mismatch(caseIndex, bytes, "no global block");
            return Outcome::kNoCall;
        }
        const size_t blockSize = GlobalSize(block);
        STGMEDIUM medium = {};
        medium.tymed = TYMED_HGLOBAL;
        medium.hGlobal = block;
        m_target.Reset();
        m_pSink->OnDataChange(&m_format, &medium);
        if (const BYTE* p = static_cast<const BYTE*>(GlobalLock(block))) {
            if (std::memcmp(p, bytes.data(), std::min(bytes.size(), blockSize)) != 0) {
                Mismatch(caseIndex, bytes, "the caller's block was written");
            }
            GlobalUnlock(block);
        }
        GlobalFree(block);
        const Outcome outcome = Observed(bytes);
        const Outcome expected = StreamModel::Predict(bytes, blockSize);
        if (outcome != expected) {
            Mismatch(caseIndex, bytes,
                     std::string("expected ") + OutcomeName(expected) + ", got " + OutcomeName(outcome));
        }
        return outcome;
    }

    CountingTarget m_target;

  private:
    // Classifies the notification; anything neither emptied nor the stream's own header is a mismatch.
    Outcome Observed(const std::vector<BYTE>& bytes) {
        if (m_target.dataCalls == 0) {
            return Outcome::kNoCall;
        }
        const OPCGROUPHEADER& h = m_target.header;
        const DWORD count = h.dwItemCount;
        if (m_target.dataCalls == 1 && bytes.size() >= kGroupHeader &&
            std::memcmp(&h, bytes.data(), kGroupHeader) == 0 && m_target.texts.size() == count &&
            bytes.size() >= kGroupHeader + static_cast<unsigned long long>(count) * kItemHeader) {
            bool handlesMatch = true;
            for (DWORD i = 0; i < count; ++i) {
                handlesMatch =
                    handlesMatch && m_target.texts[i].hClient == DwordAt(bytes, kGroupHeader + i * kItemHeader);
            }
            if (handlesMatch) {
                return Outcome::kAsIs;
            }
        }
        // Emptied: everything of the header but the three rewritten fields stays.
        if (m_target.dataCalls == 1 && h.dwSize == kGroupHeader && count == 0 && h.hrStatus == E_FAIL &&
            m_target.texts.empty() && h.hClientGroup == DwordAt(bytes, 8) && h.dwTransactionID == DwordAt(bytes, 12)) {
            return Outcome::kEmptied;
        }
        return Outcome::kOther;
    }
    void Mismatch(size_t caseIndex, const std::vector<BYTE>& bytes, const std::string& what) {
        if (++m_mismatches <= kMaxReported) {
            m_report += "case " + std::to_string(caseIndex) + " (" + std::to_string(bytes.size()) + " bytes): " + what +
                        "\n  " + HexDump(bytes) + "\n";
        }
    }

    FakeDataObject m_group;
    OpcAdviseSink* m_pSink = nullptr;
    DWORD m_cookie = 0;
    FORMATETC m_format = {};
    size_t m_mismatches = 0;
    std::string m_report;
};

TEST_F(DataStreamFuzzTest, MutatedStreamsAreRebuiltOrEmptiedAsTheRulesSay) {
    std::mt19937 rng(kSeed);
    Mutator mutator(rng);
    size_t outcomes[4] = {};
    for (size_t i = 0; i < 80000; ++i) {
        // One stream in four as a server of the other bitness writes it.
        Stream stream = RandomStream(rng, true, i % 4 == 3 ? kOtherStreamImages : kOwnStreamImages);
        mutator.Mutate(stream);
        ++outcomes[static_cast<int>(Deliver(stream.bytes, i))];
    }
    // A fuzzer that only ever hits one branch tests little.
    EXPECT_GT(outcomes[static_cast<int>(Outcome::kAsIs)], 10000u);
    EXPECT_GT(outcomes[static_cast<int>(Outcome::kEmptied)], 10000u);
}

TEST_F(DataStreamFuzzTest, RandomBlocksAreRebuiltEmptiedOrIgnored) {
    std::mt19937 rng(kSeed + 1);
    size_t outcomes[4] = {};
    for (size_t i = 0; i < 50000; ++i) {
        std::vector<BYTE> bytes(rng() % 10 == 0 ? rng() % kGroupHeader : rng() % 300);
        for (BYTE& b : bytes) {
            b = static_cast<BYTE>(rng());
        }
        // Half get a plausible size and count, so the values themselves are read.
        if (bytes.size() >= kGroupHeader && rng() % 2) {
            PatchDword(bytes, 0, static_cast<DWORD>(bytes.size()));
            PatchDword(bytes, 4, rng() % 7);
        }
        ++outcomes[static_cast<int>(Deliver(bytes, i))];
    }
    EXPECT_GT(outcomes[static_cast<int>(Outcome::kNoCall)], 1000u);
    EXPECT_GT(outcomes[static_cast<int>(Outcome::kAsIs)], 1000u);
    EXPECT_GT(outcomes[static_cast<int>(Outcome::kEmptied)], 1000u);
}

// Cutting a stream breaks it in its own images, bytes past its declared size never change it, and
// the same values written by a server of the other bitness show the same texts.
TEST_F(DataStreamFuzzTest, CutStreamsEmptyAndTrailingBytesKeepTheTexts) {
    std::mt19937 rng(kSeed + 2);
    m_target.bAlternateHexDump = false;
    const std::string kUndecided = QualityText(OPC_QUALITY_BAD);
    size_t undecided = 0;
    for (size_t i = 0; i < 2500; ++i) {
        std::mt19937 twin = rng;
        Stream stream = RandomStream(rng, false);
        ASSERT_EQ(Outcome::kAsIs, Deliver(stream.bytes, i));
        const std::vector<DataChangeText> texts = m_target.texts;
        ASSERT_EQ(DwordAt(stream.bytes, 4), texts.size());

        // Rarely the bytes fit both bitnesses equally (an empty VARIANT array read from a one-element
        // one, say): then either side may show an item bad instead.
        ASSERT_EQ(Outcome::kAsIs, Deliver(RandomStream(twin, false, kOtherStreamImages).bytes, i));
        ASSERT_EQ(texts.size(), m_target.texts.size());
        for (size_t t = 0; t < texts.size(); ++t) {
            const DataChangeText& other = m_target.texts[t];
            if (texts[t].qualityText != other.qualityText &&
                (texts[t].qualityText == kUndecided || other.qualityText == kUndecided)) {
                ++undecided;
                continue;
            }
            EXPECT_EQ(texts[t].valueText, other.valueText) << i << " " << t;
            EXPECT_EQ(texts[t].qualityText, other.qualityText) << i << " " << t;
        }

        std::vector<BYTE> cut(stream.bytes.begin(), stream.bytes.begin() + rng() % stream.bytes.size());
        EXPECT_EQ(cut.size() < kGroupHeader ? Outcome::kNoCall : Outcome::kEmptied,
                  StreamModel::Predict(cut, cut.size(), kOwnStreamImages));
        Deliver(cut, i);

        std::vector<BYTE> longer = stream.bytes;
        for (size_t extra = 1 + rng() % 64; extra > 0; --extra) {
            longer.push_back(static_cast<BYTE>(rng()));
        }
        for (bool bDeclared : {false, true}) {
            if (bDeclared) {
                PatchDword(longer, 0, static_cast<DWORD>(longer.size()));
            }
            ASSERT_EQ(Outcome::kAsIs, Deliver(longer, i));
            ASSERT_EQ(texts.size(), m_target.texts.size());
            // Declared bytes are the stream's: where they make the other bitness's images fit too,
            // that reading may be the better one.
            const bool bOtherFits =
                bDeclared && StreamModel::Predict(longer, longer.size(), kOtherStreamImages) == Outcome::kAsIs;
            for (size_t t = 0; t < texts.size() && !bOtherFits; ++t) {
                EXPECT_EQ(texts[t].bSkipped, m_target.texts[t].bSkipped) << i << " " << t;
                EXPECT_EQ(texts[t].valueText, m_target.texts[t].valueText) << i << " " << t;
                EXPECT_EQ(texts[t].qualityText, m_target.texts[t].qualityText) << i << " " << t;
            }
        }
    }
    EXPECT_LT(undecided, 25u);
}
