// Data-change streams delivered to the advise sink as a server delivers them: values rebuilt,
// texts as the item list gets them, and malformed streams emptied without harm.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "AdviseSinkFakes.h"
#include "common/StreamWriter.h"
#include "opc/DiagnosticTexts.h"
#include "opc/OpcAdviseSink.h"

namespace {

constexpr WORD kGood = 0xC0;

UINT Format(const char* name) {
    return RegisterClipboardFormatA(name);
}

std::vector<BYTE> Value(const StreamWriter& writer) {
    return writer.Bytes();
}

// I4, BSTR, byte array, BSTR array, VARIANT array holding a string and a nested array, BOOL;
// images of the given bitness.
std::vector<BYTE> MixedStream(const StreamImages& images = kOwnStreamImages) {
    StreamWriter variants(images);
    variants.ArrayHead(VT_VARIANT, 3).I4(5).Bstr(L"in").ArrayHead(VT_I2, 2).U16(6).U16(7);
    return DataStreamBytes(
        {{1, kGood, Value(StreamWriter(images).I4(42))},
         {2, kGood, Value(StreamWriter(images).Bstr(L"text"))},
         {3, kGood, Value(StreamWriter(images).Ui1Array({1, 2, 3}))},
         {4, kGood, Value(StreamWriter(images).ArrayHead(VT_BSTR, 2).BstrBody(L"a").BstrBody(L"bc"))},
         {5, kGood, variants.Bytes()},
         {6, kGood, Value(StreamWriter(images).Bool(true))}});
}

// Value array nested `levels` deep; the innermost holds one VT_I4.
std::vector<BYTE> NestedVariantArrays(int levels) {
    StreamWriter writer;
    for (int i = 0; i < levels; ++i) {
        writer.ArrayHead(VT_VARIANT, 1);
    }
    writer.I4(9);
    return writer.Bytes();
}

}  // namespace

class DataStreamTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(S_OK, OpcAdviseSink::Start(&m_group, &m_target, &m_pSink, &m_cookie)); }
    void TearDown() override {
        m_pSink->Unadvise();
        EXPECT_EQ(0u, m_pSink->Release());
        EXPECT_EQ(0u, m_group.Refs());
    }

    void DeliverBlock(HGLOBAL block, UINT format) {
        FORMATETC fe = {static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        medium.tymed = TYMED_HGLOBAL;
        medium.hGlobal = block;
        m_pSink->OnDataChange(&fe, &medium);
    }
    // Delivers the bytes in a block of blockSize bytes (default: exactly the bytes).
    void Deliver(const std::vector<BYTE>& bytes, UINT format = Format(kOpcFormatData), size_t blockSize = SIZE_MAX) {
        HGLOBAL block = GlobalBlock(bytes, blockSize == SIZE_MAX ? bytes.size() : blockSize);
        ASSERT_NE(nullptr, block);
        DeliverBlock(block, format);
        GlobalFree(block);
    }
    // The notification of the one delivery so far.
    const Notification& Only() {
        EXPECT_EQ(1u, m_target.notifications.size());
        if (m_target.notifications.empty()) {
            m_target.notifications.emplace_back();
        }
        return m_target.notifications.back();
    }
    void ExpectEmptied(HRESULT hrStatus = E_FAIL) {
        const Notification& n = Only();
        EXPECT_EQ(Notification::kData, n.kind);
        EXPECT_EQ(20u, n.header.dwSize);
        EXPECT_EQ(0u, n.header.dwItemCount);
        EXPECT_EQ(hrStatus, n.header.hrStatus);
        EXPECT_TRUE(n.texts.empty());
    }
    void ExpectMixedStreamValues(const char* what);
    VARTYPE OnlyType() {
        const Notification& n = Only();
        return n.values.size() == 1 ? n.values[0]->get().vt : VARTYPE(0xFFFF);
    }

    FakeDataObject m_group;
    RecordingCallback m_target;
    OpcAdviseSink* m_pSink = nullptr;
    DWORD m_cookie = 0;
};

TEST_F(DataStreamTest, IntegerStringAndBoolShow42AbcAndOn) {
    const std::vector<BYTE> bstr = Value(StreamWriter().Bstr(L"abc"));
    EXPECT_EQ(kStreamImageBytes + 12, bstr.size());
    const std::vector<BYTE> bytes = DataStreamBytes(
        {{11, kGood, Value(StreamWriter().I4(42))}, {12, 0x56, bstr}, {13, kGood, Value(StreamWriter().Bool(true))}});
    Deliver(bytes);

    const Notification& n = Only();
    EXPECT_EQ(20 + 3 * 12 + 3 * kStreamImageBytes + 12, n.header.dwSize);
    EXPECT_EQ(3u, n.header.dwItemCount);
    EXPECT_EQ(S_OK, n.header.hrStatus);
    ASSERT_EQ(3u, n.texts.size());
    EXPECT_EQ(11u, n.texts[0].hClient);
    EXPECT_EQ("42", n.texts[0].valueText);
    EXPECT_EQ("abc", n.texts[1].valueText);
    EXPECT_EQ(QualityText(0x56), n.texts[1].qualityText);
    EXPECT_EQ("On", n.texts[2].valueText);
    EXPECT_EQ(QualityText(kGood), n.texts[2].qualityText);
}

TEST_F(DataStreamTest, ByteArrayShowsHexWithHexDumpOn) {
    Deliver(DataStreamBytes({{1, kGood, Value(StreamWriter().Ui1Array({10, 255, 0}))}}));
    ASSERT_EQ(1u, Only().texts.size());
    EXPECT_EQ("0A FF 00 ", Only().texts[0].valueText);
}

TEST_F(DataStreamTest, ByteArrayJoinsDecimalsWithHexDumpOff) {
    m_target.bHexDump = false;
    Deliver(DataStreamBytes({{1, kGood, Value(StreamWriter().Ui1Array({10, 255, 0}))}}));
    ASSERT_EQ(1u, Only().texts.size());
    EXPECT_EQ("10| 255| 0", Only().texts[0].valueText);
}

TEST_F(DataStreamTest, DoubleIsShownBetweenOtherItems) {
    Deliver(DataStreamBytes({{1, kGood, Value(StreamWriter().I4(1))},
                             {2, kGood, Value(StreamWriter().R8(2.5))},
                             {3, kGood, Value(StreamWriter().I4(3))}}));
    const Notification& n = Only();
    ASSERT_EQ(3u, n.texts.size());
    EXPECT_FALSE(n.texts[0].bSkipped);
    EXPECT_EQ("2.5", n.texts[1].valueText);
    EXPECT_EQ(VT_R8, n.values[1]->get().vt);
    EXPECT_EQ(2.5, n.values[1]->get().dblVal);
    EXPECT_EQ("3", n.texts[2].valueText);
}

TEST_F(DataStreamTest, ByrefArrayEmptiesNotification) {
    Deliver(DataStreamBytes({{1, kGood, Value(StreamWriter().I4(1))},
                             {2, kGood, Value(StreamWriter().ArrayHead(VT_BYREF | VT_I4, 1).U32(2))},
                             {3, kGood, Value(StreamWriter().I4(3))}}));
    ExpectEmptied();
}

TEST_F(DataStreamTest, FailedParseLeavesCallersBlockUntouched) {
    const std::vector<BYTE> bytes =
        DataStreamBytes({{2, kGood, Value(StreamWriter().ArrayHead(VT_BYREF | VT_BSTR, 0))}});
    HGLOBAL block = GlobalBlock(bytes);
    DeliverBlock(block, Format(kOpcFormatData));
    const BYTE* p = static_cast<const BYTE*>(GlobalLock(block));
    EXPECT_EQ(0, std::memcmp(p, bytes.data(), bytes.size()));
    GlobalUnlock(block);
    GlobalFree(block);
    ExpectEmptied();
}

TEST_F(DataStreamTest, DataTimeFormatReachesOnDataTime) {
    Deliver(DataStreamBytes({{4, kGood, Value(StreamWriter().Bstr(L"t"))}, {5, 0, Value(StreamWriter().I2(-2))}}, true),
            Format(kOpcFormatDataTime));
    const Notification& n = Only();
    EXPECT_EQ(Notification::kDataTime, n.kind);
    ASSERT_EQ(2u, n.timeItems.size());
    EXPECT_EQ(5u, n.timeItems[1].hClient);
    EXPECT_EQ(1u, n.timeItems[1].ftTimeStampItem.dwLowDateTime);
    ASSERT_EQ(2u, n.values.size());
    EXPECT_STREQ(L"t", n.values[0]->get().bstrVal);
    EXPECT_EQ(-2, n.values[1]->get().iVal);
}

TEST_F(DataStreamTest, WriteCompleteFormatReachesOnWriteComplete) {
    Deliver(WriteCompleteBytes({{7, S_OK}, {8, OPC_E_BADRIGHTS}}, 3), Format(kOpcFormatWriteComplete));
    const Notification& n = Only();
    EXPECT_EQ(Notification::kWriteComplete, n.kind);
    EXPECT_EQ(3u, n.writeHeader.hClientGroup);
    ASSERT_EQ(2u, n.writeItems.size());
    EXPECT_EQ(OPC_E_BADRIGHTS, n.writeItems[1].dwError);
}

TEST_F(DataStreamTest, WriteCompleteCountBeyondBlockEmptiesIt) {
    std::vector<BYTE> bytes = WriteCompleteBytes({{7, S_OK}, {8, S_OK}});
    PatchDword(bytes, 0, 3);
    Deliver(bytes, Format(kOpcFormatWriteComplete));
    EXPECT_EQ(0u, Only().writeHeader.dwItemCount);
    EXPECT_EQ(E_FAIL, Only().writeHeader.hrStatus);
}

TEST_F(DataStreamTest, WriteCompleteShorterThanItsHeaderDispatchesNothing) {
    Deliver(WriteCompleteBytes({}), Format(kOpcFormatWriteComplete), 15);
    EXPECT_TRUE(m_target.notifications.empty());
}

TEST_F(DataStreamTest, UnknownFormatDispatchesNothing) {
    Deliver(DataStreamBytes({{1, kGood, Value(StreamWriter().I4(1))}}), CF_TEXT);
    EXPECT_TRUE(m_target.notifications.empty());
}

TEST_F(DataStreamTest, UnusableMediumDispatchesNothing) {
    const std::vector<BYTE> bytes = DataStreamBytes({{1, kGood, Value(StreamWriter().I4(1))}});
    HGLOBAL block = GlobalBlock(bytes);
    FORMATETC fe = {static_cast<CLIPFORMAT>(Format(kOpcFormatData)), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    m_pSink->OnDataChange(nullptr, &medium);
    m_pSink->OnDataChange(&fe, nullptr);
    medium.tymed = TYMED_ISTREAM;
    m_pSink->OnDataChange(&fe, &medium);
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = nullptr;
    m_pSink->OnDataChange(&fe, &medium);
    GlobalFree(block);
    EXPECT_TRUE(m_target.notifications.empty());

    Deliver(bytes, Format(kOpcFormatData), 0);
    Deliver(bytes, Format(kOpcFormatData), 19);
    EXPECT_TRUE(m_target.notifications.empty());
}

TEST_F(DataStreamTest, HeaderWithoutItemsPassesAsIs) {
    Deliver(DataStreamBytes({}, false, S_FALSE, 9));
    const Notification& n = Only();
    EXPECT_EQ(0u, n.header.dwItemCount);
    EXPECT_EQ(S_FALSE, n.header.hrStatus);
    EXPECT_EQ(9u, n.header.hClientGroup);
}

TEST_F(DataStreamTest, NestedVariantArraysAreRebuiltAndFlattened) {
    m_target.bHexDump = false;
    for (const StreamImages* pImages : {&kStreamImages32, &kStreamImages64}) {
        m_target.notifications.clear();
        Deliver(MixedStream(*pImages));
        ExpectMixedStreamValues(pImages->image == kStreamImageBytes ? "own images" : "the other bitness's images");
    }
}

// The stream's only evidence, the bytes its values use, fits both bitnesses equally: a string
// whose 64-bit image holds L + 16 where a 32-bit reader takes its length, then 8 zero bytes, and
// an I4 whose 8 bytes that a 32-bit reader leaves the string makes up for. The string's text
// depends on the guess, so it arrives bad; the I4 reads alike either way. A 64-bit reader has one
// more piece of evidence: its 32-bit reading leaves 8 bytes behind the I4, a gap no 32-bit writer
// leaves, so it reads the stream as its own and the string whole.
TEST_F(DataStreamTest, StreamThatFitsBothBitnessesShowsItsStringsBad) {
    StreamWriter text(kStreamImages64);
    text.Image(VT_BSTR).BstrBody(L"abcd").Raw(std::vector<BYTE>(8, 0));
    std::vector<BYTE> value = text.Bytes();
    PatchDword(value, 16, 8 + 16);
    Deliver(DataStreamBytes({{1, kGood, Value(StreamWriter(kStreamImages64).I4(5))}, {2, kGood, value}}));
    const Notification& n = Only();
    ASSERT_EQ(2u, n.texts.size());
    EXPECT_EQ("5", n.texts[0].valueText);
    EXPECT_EQ(QualityText(kGood), n.texts[0].qualityText);
    const bool bTold = kStreamImageBytes == kStreamImages64.image;
    EXPECT_EQ(!bTold, n.texts[1].bSkipped);
    EXPECT_EQ(QualityText(bTold ? kGood : OPC_QUALITY_BAD), n.texts[1].qualityText);
    if (bTold) {
        EXPECT_EQ("abcd", n.texts[1].valueText);
    }
}

void DataStreamTest::ExpectMixedStreamValues(const char* what) {
    const Notification& n = Only();
    ASSERT_EQ(6u, n.texts.size()) << what;
    EXPECT_EQ("42", n.texts[0].valueText) << what;
    EXPECT_EQ("text", n.texts[1].valueText) << what;
    EXPECT_EQ("1| 2| 3", n.texts[2].valueText) << what;
    EXPECT_EQ("a| bc", n.texts[3].valueText) << what;
    EXPECT_EQ("5| in| 6| 7", n.texts[4].valueText) << what;
    EXPECT_EQ("On", n.texts[5].valueText) << what;

    const VARIANT& variants = n.values[4]->get();
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, variants.vt);
    VARIANT* pElements = nullptr;
    ASSERT_EQ(S_OK, SafeArrayAccessData(variants.parray, reinterpret_cast<void**>(&pElements)));
    EXPECT_EQ(VT_BSTR, pElements[1].vt);
    EXPECT_EQ(VT_ARRAY | VT_I2, pElements[2].vt);
    SafeArrayUnaccessData(variants.parray);
}

TEST_F(DataStreamTest, SixteenNestedVariantArraysAreAccepted) {
    Deliver(DataStreamBytes({{1, kGood, NestedVariantArrays(16)}}));
    EXPECT_EQ(1u, Only().header.dwItemCount);
    EXPECT_EQ(VT_ARRAY | VT_VARIANT, OnlyType());
}

TEST_F(DataStreamTest, SeventeenNestedVariantArraysEmptyNotification) {
    Deliver(DataStreamBytes({{1, kGood, NestedVariantArrays(17)}}));
    ExpectEmptied();
}

TEST_F(DataStreamTest, TruncatedBlockAtEveryLengthEmptiesCleanly) {
    const std::vector<BYTE> bytes = MixedStream();
    for (size_t size = 1; size < bytes.size(); ++size) {
        m_target.notifications.clear();
        HGLOBAL block = GlobalBlock(bytes, size);
        if (GlobalSize(block) != size) {
            GlobalFree(block);
            GTEST_SKIP() << "this system rounds block sizes up; the declared-size sweep covers the bound";
        }
        DeliverBlock(block, Format(kOpcFormatData));
        GlobalFree(block);
        if (size < sizeof(OPCGROUPHEADER)) {
            EXPECT_TRUE(m_target.notifications.empty()) << size;
        } else {
            ASSERT_EQ(1u, m_target.notifications.size()) << size;
            EXPECT_EQ(0u, m_target.notifications[0].header.dwItemCount) << size;
            EXPECT_EQ(E_FAIL, m_target.notifications[0].header.hrStatus) << size;
        }
    }
    m_target.notifications.clear();
    Deliver(bytes);
    EXPECT_EQ(6u, Only().texts.size());
}

TEST_F(DataStreamTest, DeclaredSizeAtEveryLengthEmptiesCleanly) {
    std::vector<BYTE> bytes = MixedStream();
    const DWORD full = static_cast<DWORD>(bytes.size());
    for (DWORD size = 0; size < full; ++size) {
        m_target.notifications.clear();
        PatchDword(bytes, 0, size);
        Deliver(bytes);
        ASSERT_EQ(1u, m_target.notifications.size()) << size;
        EXPECT_EQ(0u, m_target.notifications[0].header.dwItemCount) << size;
        EXPECT_EQ(E_FAIL, m_target.notifications[0].header.hrStatus) << size;
    }
}

TEST_F(DataStreamTest, HugeItemCountEmptiesNotification) {
    for (DWORD count : {DWORD(0xFFFFFFFF), DWORD(0x15555556), DWORD(0x10000000), DWORD(2)}) {
        m_target.notifications.clear();
        std::vector<BYTE> bytes = DataStreamBytes({{1, kGood, Value(StreamWriter().I4(1))}});
        PatchDword(bytes, 4, count);
        Deliver(bytes);
        ExpectEmptied();
    }
}

TEST_F(DataStreamTest, DeclaredSizeBeyondBlockIsBoundedByBlock) {
    std::vector<BYTE> bytes = MixedStream();
    PatchDword(bytes, 0, 0xFFFFFFFF);
    Deliver(bytes);
    EXPECT_EQ(6u, Only().texts.size());
    EXPECT_EQ(0xFFFFFFFFu, Only().header.dwSize);

    m_target.notifications.clear();
    Deliver(bytes, Format(kOpcFormatData), bytes.size() - 1);
    ExpectEmptied();
}

TEST_F(DataStreamTest, BytesAfterTheLastValueAreIgnored) {
    std::vector<BYTE> bytes = MixedStream();
    bytes.resize(bytes.size() + 40, 0xAB);
    PatchDword(bytes, 0, static_cast<DWORD>(bytes.size()));
    Deliver(bytes);
    EXPECT_EQ(6u, Only().texts.size());
}

TEST_F(DataStreamTest, ValuesAreReadWhereTheirOffsetsPutThem) {
    // Padding that a reader walking the values in sequence would take for a (by-reference) value.
    Deliver(DataStreamBytes({{1, kGood, Value(StreamWriter().I4(42)), 4},
                             {2, kGood, Value(StreamWriter().Bstr(L"abc")), 7},
                             {3, kGood, Value(StreamWriter().Ui1Array({1, 2})), 1},
                             {4, kGood, Value(StreamWriter().Bool(true)), 3}}));
    const Notification& n = Only();
    ASSERT_EQ(4u, n.texts.size());
    EXPECT_EQ("42", n.texts[0].valueText);
    EXPECT_EQ("abc", n.texts[1].valueText);
    EXPECT_EQ("01 02 ", n.texts[2].valueText);
    EXPECT_EQ("On", n.texts[3].valueText);
}

TEST_F(DataStreamTest, OffsetsOutsideTheValuesFallBackToTheSequence) {
    std::vector<BYTE> bytes = MixedStream();
    const DWORD valuesStart = 20 + 6 * 12;
    const DWORD size = static_cast<DWORD>(bytes.size());
    const DWORD garbage[] = {0, 8, valuesStart - 1, size, size + 1, 0xFFFFFFFF};
    for (size_t i = 0; i < std::size(garbage); ++i) {
        PatchDword(bytes, 20 + i * 12 + 4, garbage[i]);
    }
    Deliver(bytes);
    const Notification& n = Only();
    ASSERT_EQ(6u, n.texts.size());
    EXPECT_EQ("42", n.texts[0].valueText);
    EXPECT_EQ("text", n.texts[1].valueText);
    EXPECT_EQ("On", n.texts[5].valueText);
}

TEST_F(DataStreamTest, SequenceGoesOnAfterTheValueAnOffsetPointedAt) {
    // The second value's offset points at the third; the third's is garbage, so it is read after
    // the second, which is the fourth; the fourth's offset is honoured again.
    std::vector<BYTE> bytes = DataStreamBytes({{1, kGood, Value(StreamWriter().I4(1))},
                                               {2, kGood, Value(StreamWriter().I4(2))},
                                               {3, kGood, Value(StreamWriter().I4(3))},
                                               {4, kGood, Value(StreamWriter().I4(4))}});
    PatchDword(bytes, 20 + 1 * 12 + 4, DwordAt(bytes, 20 + 2 * 12 + 4));
    PatchDword(bytes, 20 + 2 * 12 + 4, 3);
    Deliver(bytes);
    const Notification& n = Only();
    ASSERT_EQ(4u, n.texts.size());
    EXPECT_EQ("1", n.texts[0].valueText);
    EXPECT_EQ("3", n.texts[1].valueText);
    EXPECT_EQ("4", n.texts[2].valueText);
    EXPECT_EQ("4", n.texts[3].valueText);
}

TEST_F(DataStreamTest, ArrayBoundsAreCheckedBeforeAllocating) {
    struct Case {
        ULONG count;
        LONG lower;
        bool ok;
    };
    const Case cases[] = {{3, -5, true},       {3, LONG_MIN, true}, {1, LONG_MAX, true},    {2, LONG_MAX, false},
                          {0, LONG_MAX, true}, {4, 0, false},       {0xFFFFFFFF, 0, false}, {0x80000000, -1, false}};
    for (const Case& c : cases) {
        m_target.notifications.clear();
        StreamWriter value;
        value.ArrayHead(VT_UI1, c.count, c.lower).Raw(std::vector<BYTE>{1, 2, 3});
        Deliver(DataStreamBytes({{1, kGood, value.Bytes()}}));
        if (!c.ok) {
            ExpectEmptied();
            continue;
        }
        ASSERT_EQ(VT_ARRAY | VT_UI1, OnlyType()) << c.count << " " << c.lower;
        SAFEARRAY* array = Only().values[0]->get().parray;
        LONG lower = 0;
        SafeArrayGetLBound(array, 1, &lower);
        EXPECT_EQ(c.lower, lower);
        EXPECT_EQ(c.count, array->rgsabound[0].cElements);
    }
}

TEST_F(DataStreamTest, StringLengthsBeyondTheEndEmptyNotification) {
    for (DWORD length : {DWORD(8), DWORD(7), DWORD(0xFFFFFFFE), DWORD(0xFFFFFFFF)}) {
        m_target.notifications.clear();
        StreamWriter value;
        value.Image(VT_BSTR).U32(length).U16('a').U16('b');  // 4 bytes, no terminator
        Deliver(DataStreamBytes({{1, kGood, value.Bytes()}}));
        ExpectEmptied();
    }
    m_target.notifications.clear();
    StreamWriter element;
    element.ArrayHead(VT_BSTR, 2).BstrBody(L"ok").U32(0x7FFFFFFF);
    Deliver(DataStreamBytes({{1, kGood, element.Bytes()}}));
    ExpectEmptied();
}

TEST_F(DataStreamTest, OddStringLengthDropsItsLastByte) {
    StreamWriter odd;
    odd.Image(VT_BSTR).U32(7).Raw(L"abc", 6).Raw("x", 1).U16(0);
    Deliver(DataStreamBytes({{1, kGood, odd.Bytes()}, {2, kGood, Value(StreamWriter().I4(8))}}));
    const Notification& n = Only();
    ASSERT_EQ(2u, n.texts.size());
    EXPECT_EQ("abc", n.texts[0].valueText);
    EXPECT_EQ("8", n.texts[1].valueText);
}

TEST_F(DataStreamTest, StringEndsAtItsFirstZeroCharacter) {
    StreamWriter value;
    value.Image(VT_BSTR).BstrBody(std::wstring(L"ab\0cd", 5));
    Deliver(DataStreamBytes({{1, kGood, value.Bytes()}}));
    ASSERT_EQ(VT_BSTR, OnlyType());
    EXPECT_EQ(2u, SysStringLen(Only().values[0]->get().bstrVal));
}

TEST_F(DataStreamTest, EmptyScalarStringIsNullAndEmptyElementIsEmpty) {
    Deliver(DataStreamBytes({{1, kGood, Value(StreamWriter().Bstr(L""))},
                             {2, kGood, Value(StreamWriter().ArrayHead(VT_BSTR, 1).BstrBody(L""))}}));
    const Notification& n = Only();
    ASSERT_EQ(2u, n.values.size());
    EXPECT_TRUE(n.nullStrings[0]);
    EXPECT_EQ("", n.texts[0].valueText);
    BSTR* pTexts = nullptr;
    SAFEARRAY* array = n.values[1]->get().parray;
    ASSERT_EQ(S_OK, SafeArrayAccessData(array, reinterpret_cast<void**>(&pTexts)));
    EXPECT_NE(nullptr, pTexts[0]);
    SafeArrayUnaccessData(array);
}

TEST_F(DataStreamTest, InterfaceAndRecordScalarsArriveEmptyAndTheOthersStillCount) {
    for (VARTYPE type : {VARTYPE(VT_UNKNOWN), VARTYPE(VT_DISPATCH), VARTYPE(VT_RECORD), VARTYPE(VT_VARIANT),
                         VARTYPE(VT_BYREF | VT_I4)}) {
        m_target.notifications.clear();
        // The image carries a pointer of the server's process; following it would crash here.
        Deliver(DataStreamBytes({{1, kGood, Value(StreamWriter().I4(5))},
                                 {2, kGood, Value(StreamWriter().Image(type))},
                                 {3, kGood, Value(StreamWriter().I4(7))}}));
        const Notification& n = Only();
        ASSERT_EQ(3u, n.texts.size()) << type;
        EXPECT_EQ(VT_EMPTY, n.values[1]->get().vt);
        EXPECT_TRUE(n.texts[1].bSkipped);
        EXPECT_EQ("5", n.texts[0].valueText);
        EXPECT_EQ("7", n.texts[2].valueText);
    }
}

TEST_F(DataStreamTest, ArraysOfInterfacesAndRecordsEmptyNotification) {
    for (VARTYPE type : {VT_UNKNOWN, VT_DISPATCH, VT_RECORD}) {
        m_target.notifications.clear();
        StreamWriter array;
        array.ArrayHead(type, 1).Image(VT_I4);
        Deliver(DataStreamBytes({{1, kGood, array.Bytes()}}));
        ExpectEmptied();
    }
}

TEST_F(DataStreamTest, ArraysOfTypesWithoutElementsEmptyNotification) {
    for (VARTYPE type : {VARTYPE(VT_EMPTY), VARTYPE(VT_NULL), VARTYPE(15), VARTYPE(VT_VECTOR | VT_I4)}) {
        m_target.notifications.clear();
        StreamWriter array;
        array.ArrayHead(type, 1).Image(VT_I4);
        Deliver(DataStreamBytes({{1, kGood, array.Bytes()}}));
        ExpectEmptied();
    }
}

TEST_F(DataStreamTest, UnknownScalarTypeArrivesEmptyAndIsSkipped) {
    Deliver(DataStreamBytes({{1, kGood, Value(StreamWriter().Image(VT_CLSID))},
                             {2, kGood, Value(StreamWriter().Image(VT_VECTOR | VT_BSTR))},
                             {3, kGood, Value(StreamWriter().I4(3))}}));
    const Notification& n = Only();
    ASSERT_EQ(3u, n.texts.size());
    EXPECT_EQ(VT_EMPTY, n.values[0]->get().vt);
    EXPECT_EQ(VT_EMPTY, n.values[1]->get().vt);
    EXPECT_TRUE(n.texts[0].bSkipped);
    EXPECT_EQ("3", n.texts[2].valueText);
}

TEST_F(DataStreamTest, PlainArraysOfEveryWidthAreCopied) {
    DECIMAL d = {};
    d.Lo32 = 12345;
    d.scale = 2;
    const LONGLONG big = 0x123456789ALL;
    StreamWriter decimals;
    decimals.ArrayHead(VT_DECIMAL, 1).Raw(&d, sizeof(d));
    StreamWriter longs;
    longs.ArrayHead(VT_I8, 1, 3).Raw(&big, sizeof(big));
    StreamWriter bools;
    bools.ArrayHead(VT_BOOL, 2).U16(0xFFFF).U16(0);
    Deliver(DataStreamBytes({{1, kGood, decimals.Bytes()}, {2, kGood, longs.Bytes()}, {3, kGood, bools.Bytes()}}));
    const Notification& n = Only();
    ASSERT_EQ(3u, n.values.size());
    LONG index = 0;
    DECIMAL decimal = {};
    ASSERT_EQ(S_OK, SafeArrayGetElement(n.values[0]->get().parray, &index, &decimal));
    EXPECT_EQ(0, std::memcmp(&d, &decimal, sizeof(d)));
    index = 3;
    LONGLONG value = 0;
    ASSERT_EQ(S_OK, SafeArrayGetElement(n.values[1]->get().parray, &index, &value));
    EXPECT_EQ(big, value);
    EXPECT_EQ(VT_ARRAY | VT_BOOL, n.values[2]->get().vt);
    EXPECT_EQ(2u, n.values[2]->get().parray->rgsabound[0].cElements);
    EXPECT_FALSE(n.texts[2].bSkipped);
}

namespace {

// Builds the item list's texts as the connection would, and keeps only their count.
class TextingCallback : public OpcDataCallback {
  public:
    size_t texts = 0;
    void OnData(const OPCGROUPHEADER* pHeader, const OPCITEMHEADER2* pItems, const VARIANT* pValues) override {
        texts += DataChangeTexts(*pHeader, pItems, pValues, true).size();
    }
};

std::vector<BYTE> FiveThousandItems() {
    std::vector<StreamItem> items;
    for (DWORD i = 0; i < 5000; ++i) {
        StreamWriter value;
        switch (i % 4) {
            case 0:
                value.I4(static_cast<LONG>(i));
                break;
            case 1:
                value.Bstr(L"Kessel.Temperatur");
                break;
            case 2:
                value.R8(i * 0.5);
                break;
            default:
                value.Ui1Array({1, 2, 3, 4, 5, 6, 7, 8});
                break;
        }
        items.push_back({i, kGood, value.Bytes()});
    }
    return DataStreamBytes(items);
}

// Milliseconds per OnDataChange of the bytes, delivered to a fresh sink with the target.
double MillisecondsPerNotification(const std::vector<BYTE>& bytes, OpcDataCallback* pTarget) {
    FakeDataObject group;
    OpcAdviseSink* pSink = nullptr;
    DWORD cookie = 0;
    if (OpcAdviseSink::Start(&group, pTarget, &pSink, &cookie) != S_OK) {
        return -1;
    }
    HGLOBAL block = GlobalBlock(bytes);
    FORMATETC fe = {static_cast<CLIPFORMAT>(Format(kOpcFormatData)), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    constexpr int kRounds = 40;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kRounds; ++i) {
        pSink->OnDataChange(&fe, &medium);
    }
    QueryPerformanceCounter(&end);
    GlobalFree(block);
    pSink->Unadvise();
    pSink->Release();
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart) /
           kRounds;
}

}  // namespace

// Prints how long a 5,000-item notification takes; asserts nothing about time.
TEST(DataStreamTiming, FiveThousandItemNotification) {
    const std::vector<BYTE> bytes = FiveThousandItems();
    DataOnlyCallback parseOnly;
    const double parseMs = MillisecondsPerNotification(bytes, &parseOnly);
    TextingCallback withTexts;
    const double textMs = MillisecondsPerNotification(bytes, &withTexts);
    std::printf("[ timing   ] 5000 items, %u bytes: parse %.3f ms, parse and texts %.3f ms\n",
                static_cast<unsigned>(bytes.size()), parseMs, textMs);
    EXPECT_GT(parseOnly.dataCalls, 0);
    EXPECT_EQ(40u * 5000u, withTexts.texts);
}
