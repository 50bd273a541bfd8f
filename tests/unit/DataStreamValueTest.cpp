// One stream value at a time: the bytes each encoding uses, and the bounded reader under it.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/StreamWriter.h"
#include "opc/StreamReader.h"
#include "opc/StreamValue.h"

namespace {

// Reads the writer's bytes as one value; the value is cleared with the object.
class ReadValue {
  public:
    explicit ReadValue(const StreamWriter& writer, size_t cut = 0)
        : m_bytes(writer.Bytes()), m_reader(m_bytes.data(), m_bytes.size() - cut) {
        VariantInit(&m_value);
        m_used = ReadStreamValue(&m_value, m_reader);
    }
    ~ReadValue() { VariantClear(&m_value); }
    long used() const { return m_used; }
    const VARIANT& value() const { return m_value; }
    size_t left() const { return m_reader.Left(); }

  private:
    std::vector<BYTE> m_bytes;
    StreamReader m_reader;
    VARIANT m_value;
    long m_used;
};

}  // namespace

// Sizes: the image (16 bytes on 32-bit, 24 on 64-bit), for arrays then the descriptor (24 / 32).
constexpr long kImage = kStreamImageBytes;
constexpr long kArrayHead = kStreamImageBytes + kStreamDescriptorBytes;

TEST(DataStreamValueTest, StringUsesImageAndSixBytesPlusItsLength) {
    ReadValue read(StreamWriter().Bstr(L"abc"));
    EXPECT_EQ(kImage + 6 + 6, read.used());
    ASSERT_EQ(VT_BSTR, read.value().vt);
    EXPECT_STREQ(L"abc", read.value().bstrVal);
}

TEST(DataStreamValueTest, ScalarUsesItsImageOnly) {
    StreamWriter writer;
    writer.I4(-7).I4(8);
    ReadValue read(writer);
    EXPECT_EQ(kImage, read.used());
    EXPECT_EQ(-7, read.value().lVal);
    EXPECT_EQ(kStreamImageBytes, read.left());
}

TEST(DataStreamValueTest, ArraysUseDescriptorAndElements) {
    EXPECT_EQ(kArrayHead + 3, ReadValue(StreamWriter().Ui1Array({1, 2, 3})).used());
    EXPECT_EQ(kArrayHead + 2 * 4, ReadValue(StreamWriter().ArrayHead(VT_R4, 2).U32(0).U32(0)).used());
    EXPECT_EQ(kArrayHead + (2 + 6) + (0 + 6),
              ReadValue(StreamWriter().ArrayHead(VT_BSTR, 2).BstrBody(L"a").BstrBody(L"")).used());
    EXPECT_EQ(kArrayHead + kImage + (kImage + 4 + 4 + 2),
              ReadValue(StreamWriter().ArrayHead(VT_VARIANT, 2).I4(1).Bstr(L"xy")).used());
    EXPECT_EQ(kArrayHead, ReadValue(StreamWriter().ArrayHead(VT_I4, 0)).used());
}

TEST(DataStreamValueTest, FailedValueLeavesDestinationEmpty) {
    StreamWriter writer;
    writer.ArrayHead(VT_BSTR, 3).BstrBody(L"one").BstrBody(L"two");
    ReadValue read(writer);
    EXPECT_EQ(-1, read.used());
    EXPECT_EQ(VT_EMPTY, read.value().vt);
}

TEST(DataStreamValueTest, EveryCutOfAValueFails) {
    StreamWriter writer;
    writer.ArrayHead(VT_VARIANT, 3).Bstr(L"abc").ArrayHead(VT_BSTR, 1).BstrBody(L"d").Ui1Array({4, 5});
    for (size_t cut = 1; cut <= writer.Size(); ++cut) {
        ReadValue read(writer, cut);
        EXPECT_EQ(-1, read.used()) << cut;
        EXPECT_EQ(VT_EMPTY, read.value().vt) << cut;
    }
    EXPECT_EQ(static_cast<long>(writer.Size()), ReadValue(writer).used());
}

TEST(DataStreamValueTest, SpentReaderFailsEveryValue) {
    const std::vector<BYTE> bytes = StreamWriter().I4(1).Bytes();
    StreamReader reader(bytes.data(), bytes.size());
    reader.Skip(17);
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(-1, ReadStreamValue(&value, reader));
}

TEST(DataStreamValueTest, ReaderFailsForGoodPastTheEnd) {
    const BYTE bytes[6] = {1, 2, 3, 4, 5, 6};
    StreamReader reader(bytes, sizeof(bytes));
    EXPECT_EQ(0x04030201u, reader.U32());
    EXPECT_EQ(0u, reader.U32());
    EXPECT_FALSE(reader.IsOk());
    EXPECT_EQ(0, reader.U16());  // two bytes were left, but the reader stays failed
    EXPECT_EQ(0u, reader.Left());
}

TEST(DataStreamValueTest, HugeSkipDoesNotWrap) {
    const BYTE bytes[4] = {};
    StreamReader reader(bytes, sizeof(bytes));
    reader.Skip(2);
    EXPECT_FALSE(reader.Skip(SIZE_MAX - 1));
    EXPECT_EQ(nullptr, reader.Bytes(1));
    EXPECT_FALSE(reader.IsOk());
}
