// Data-change notifications of the simulator: the DA 1.0 streams a client's IAdviseSink receives.
// Only the stream's structure is checked here; the client's own parser has its own tests.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <wrl/client.h>
#include <cstring>

#include <gtest/gtest.h>

#include "opc/DataChangeTexts.h"
#include "opc/DataStream.h"
#include "tests/common/SimServerFixture.h"
#include "tests/common/StreamWriter.h"

using Microsoft::WRL::ComPtr;

namespace {

// A VARIANT image in the stream: the server's own VARIANT, 16 bytes on 32-bit, 24 on 64-bit.
constexpr DWORD kImage = kStreamImageBytes;

const char kConfig[] = R"(item Fixed VT_I4 RW fixed 42
item Text VT_BSTR R fixed "abc"
item Flag VT_BOOL R fixed true
item Ramp VT_I4 R ramp 0 1 1000
item Bytes VT_UI1[3] R fixed 10|255|0
item Words VT_BSTR[2] R fixed "ab|c"
item Mixed VT_VARIANT[3] R fixed 5
item Doubtful VT_I4 R fixed 1 quality 0x40
)";

DWORD Dword(const std::vector<BYTE>& bytes, size_t at) {
    DWORD value = 0;
    if (at + sizeof(value) <= bytes.size()) {
        memcpy(&value, &bytes[at], sizeof(value));
    }
    return value;
}

WORD Word(const std::vector<BYTE>& bytes, size_t at) {
    WORD value = 0;
    if (at + sizeof(value) <= bytes.size()) {
        memcpy(&value, &bytes[at], sizeof(value));
    }
    return value;
}

UINT Format(const char* name) {
    return RegisterClipboardFormatA(name);
}

FORMATETC DataFormat(const char* name) {
    return FORMATETC{static_cast<CLIPFORMAT>(Format(name)), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

}  // namespace

class SimServerDataTest : public OnBothHosts<SimServerFixture> {
  protected:
    // A running group with the items, its data object and its server handle.
    void OpenGroup(const std::vector<std::wstring>& ids, DWORD rate = 60000, const std::string& options = "") {
        UseConfig(kConfig + options);
        m_server = CreateServer();
        m_group = AddGroup(m_server.Get(), rate, &m_hGroup, 5);
        ASSERT_TRUE(m_group);
        m_handles = AddItems(m_group.Get(), ids);
        ASSERT_EQ(S_OK, m_group.As(&m_data));
    }

    DWORD Advise(const char* format = kOpcFormatData) {
        FORMATETC fe = DataFormat(format);
        DWORD cookie = 0;
        EXPECT_EQ(S_OK, m_data->DAdvise(&fe, 0, &m_sink, &cookie));
        return cookie;
    }

    bool WaitForNotifications(size_t count, DWORD timeoutMs = 2000) {
        return PumpUntil([&] { return m_sink.Notifications().size() >= count; }, timeoutMs);
    }

    void CloseGroup() {
        m_data.Reset();
        m_group.Reset();
        if (m_server) {
            m_server->RemoveGroup(m_hGroup, TRUE);
        }
        m_server.Reset();
    }

    void TearDown() override {
        CloseGroup();
        SimServerFixture::TearDown();
    }

    RecordingAdviseSink m_sink;
    ComPtr<IOPCServer> m_server;
    ComPtr<IOPCItemMgt> m_group;
    ComPtr<IDataObject> m_data;
    OPCHANDLE m_hGroup = 0;
    std::vector<OPCHANDLE> m_handles;
};
ZZ_ON_BOTH_HOSTS(SimServerDataTest);

TEST_P(SimServerDataTest, FirstNotificationCarriesEveryActiveItem) {
    OpenGroup({L"Fixed", L"Text", L"Flag"});
    DWORD cookie = Advise();
    ASSERT_TRUE(WaitForNotifications(1));
    const RecordingAdviseSink::Notification& n = m_sink.Notifications()[0];
    EXPECT_EQ(Format(kOpcFormatData), n.cfFormat);
    EXPECT_EQ(static_cast<DWORD>(TYMED_HGLOBAL), n.tymed);
    const std::vector<BYTE>& s = n.bytes;
    // Header 20, three 12-byte item headers, then I4 (image), BSTR "abc" (image + 4 + 6 + 2), BOOL.
    const DWORD size = 20 + 3 * 12 + kImage + (kImage + 12) + kImage;
    ASSERT_GE(s.size(), size);
    EXPECT_EQ(size, Dword(s, 0));
    EXPECT_EQ(3u, Dword(s, 4));
    EXPECT_EQ(5u, Dword(s, 8));   // client group handle
    EXPECT_EQ(0u, Dword(s, 12));  // subscription, no transaction
    EXPECT_EQ(static_cast<DWORD>(S_OK), Dword(s, 16));
    const DWORD offsets[] = {56, 56 + kImage, 56 + 2 * kImage + 12};
    for (DWORD i = 0; i < 3; ++i) {
        EXPECT_EQ(100 + i, Dword(s, 20 + 12 * i));
        EXPECT_EQ(offsets[i], Dword(s, 24 + 12 * i));
        EXPECT_EQ(OPC_QUALITY_GOOD, Word(s, 28 + 12 * i));
    }
    EXPECT_EQ(VT_I4, Word(s, 56));
    EXPECT_EQ(42u, Dword(s, 64));
    EXPECT_EQ(VT_BSTR, Word(s, offsets[1]));
    EXPECT_EQ(6u, Dword(s, offsets[1] + kImage));
    EXPECT_EQ(0, memcmp(&s[offsets[1] + kImage + 4], L"abc", 8));  // characters and terminator
    EXPECT_EQ(VT_BOOL, Word(s, offsets[2]));
    EXPECT_EQ(static_cast<WORD>(VARIANT_TRUE), Word(s, offsets[2] + 8));
    EXPECT_EQ(cookie, Counters().dwLastAdviseCookie);
    EXPECT_EQ(1u, LogLines("DAdvise group=" + std::to_string(m_hGroup) +
                           " format=OPCSTMFORMATDATA -> cookie=" + std::to_string(cookie))
                      .size());
    EXPECT_EQ(S_OK, m_data->DUnadvise(cookie));
}

TEST_P(SimServerDataTest, OnlyMovedItemsFollowTheFirstNotification) {
    OpenGroup({L"Fixed", L"Ramp"});
    DWORD cookie = Advise();
    ASSERT_TRUE(WaitForNotifications(1));
    EXPECT_EQ(2u, Dword(m_sink.Notifications()[0].bytes, 4));
    EXPECT_EQ(S_OK, NotifyNow(m_hGroup));
    ASSERT_EQ(2u, m_sink.Notifications().size());
    const std::vector<BYTE>& s = m_sink.Notifications()[1].bytes;
    EXPECT_EQ(1u, Dword(s, 4));
    EXPECT_EQ(101u, Dword(s, 20));    // the ramp's client handle
    EXPECT_EQ(1u, Dword(s, 32 + 8));  // moved from 0 to 1
    m_data->DUnadvise(cookie);
}

TEST_P(SimServerDataTest, ItemsAddedLaterGetTheirOwnFirstNotification) {
    OpenGroup({L"Fixed"});
    DWORD cookie = Advise();
    ASSERT_TRUE(WaitForNotifications(1));
    AddItems(m_group.Get(), {L"Text", L"Flag"}, nullptr, 200);
    ASSERT_TRUE(WaitForNotifications(2));
    const std::vector<BYTE>& s = m_sink.Notifications()[1].bytes;
    EXPECT_EQ(2u, Dword(s, 4));
    EXPECT_EQ(200u, Dword(s, 20));
    EXPECT_EQ(201u, Dword(s, 32));
    m_data->DUnadvise(cookie);
}

TEST_P(SimServerDataTest, TimerNotifiesAtTheUpdateRate) {
    OpenGroup({L"Ramp"}, 20);
    DWORD cookie = Advise();
    ASSERT_TRUE(WaitForNotifications(4, 3000));
    EXPECT_GE(Counters().nNotifications, 4u);
    m_data->DUnadvise(cookie);
    size_t count = m_sink.Notifications().size();
    PumpFor(100);
    EXPECT_EQ(count, m_sink.Notifications().size()) << "notified after DUnadvise";
}

TEST_P(SimServerDataTest, DataTimeStreamHasTwentyByteItemHeaders) {
    OpenGroup({L"Fixed", L"Flag"});
    DWORD cookie = Advise(kOpcFormatDataTime);
    ASSERT_TRUE(WaitForNotifications(1));
    const RecordingAdviseSink::Notification& n = m_sink.Notifications()[0];
    EXPECT_EQ(Format(kOpcFormatDataTime), n.cfFormat);
    EXPECT_EQ(20u + 2 * 20 + 2 * kImage, Dword(n.bytes, 0));
    EXPECT_EQ(60u, Dword(n.bytes, 24));
    EXPECT_EQ(60u + kImage, Dword(n.bytes, 44));
    EXPECT_NE(0u, Dword(n.bytes, 32) | Dword(n.bytes, 36)) << "no time stamp";
    m_data->DUnadvise(cookie);
}

TEST_P(SimServerDataTest, ArraysCarryOneBoundDescriptorAndTheirElements) {
    OpenGroup({L"Bytes", L"Words", L"Mixed"});
    DWORD cookie = Advise();
    ASSERT_TRUE(WaitForNotifications(1));
    const std::vector<BYTE>& s = m_sink.Notifications()[0].bytes;
    // Each array: its image, the descriptor (cDims, fFeatures, cbElements, ..., the bound), elements.
    const size_t head = kImage + kStreamDescriptorBytes;
    const size_t bytes = 20 + 3 * 12;
    EXPECT_EQ(VT_ARRAY | VT_UI1, Word(s, bytes));
    EXPECT_EQ(1, Word(s, bytes + kImage));                             // cDims
    EXPECT_EQ(1u, Dword(s, bytes + kImage + 4));                       // cbElements
    EXPECT_EQ(3u, Dword(s, bytes + kImage + kStreamBoundOffset));      // cElements
    EXPECT_EQ(0u, Dword(s, bytes + kImage + kStreamBoundOffset + 4));  // lLbound
    EXPECT_EQ(0, memcmp(&s[bytes + head], "\x0A\xFF\x00", 3));
    const size_t words = bytes + head + 3;
    EXPECT_EQ(words, Dword(s, 20 + 12 + 4));
    EXPECT_EQ(VT_ARRAY | VT_BSTR, Word(s, words));
    EXPECT_EQ(2u, Dword(s, words + kImage + kStreamBoundOffset));
    EXPECT_EQ(4u, Dword(s, words + head));       // "ab" in bytes
    EXPECT_EQ(2u, Dword(s, words + head + 10));  // "c"
    const size_t mixed = words + head + 10 + 8;
    EXPECT_EQ(mixed, Dword(s, 20 + 24 + 4));
    EXPECT_EQ(VT_ARRAY | VT_VARIANT, Word(s, mixed));
    EXPECT_EQ(kImage, Dword(s, mixed + kImage + 4));
    EXPECT_EQ(VT_I4, Word(s, mixed + head));
    EXPECT_EQ(VT_R8, Word(s, mixed + head + kImage));
    EXPECT_EQ(VT_BOOL, Word(s, mixed + head + 2 * kImage));
    EXPECT_EQ(mixed + head + 3 * kImage, Dword(s, 0));
    m_data->DUnadvise(cookie);
}

TEST_P(SimServerDataTest, ForeignLayoutWritesTheOtherBitnesssImagesAndTheClientReadsThem) {
    OpenGroup({L"Fixed", L"Text", L"Bytes", L"Words"}, 60000, "foreign_layout\n");
    DWORD cookie = Advise();
    ASSERT_TRUE(WaitForNotifications(1));
    const std::vector<BYTE>& s = m_sink.Notifications()[0].bytes;
    const size_t text = 20 + 4 * 12 + kOtherStreamImages.image;
    EXPECT_EQ(text, Dword(s, 20 + 12 + 4));
    EXPECT_EQ(6u, Dword(s, text + kOtherStreamImages.image));  // "abc" in bytes
    const size_t bytes = text + kOtherStreamImages.image + 12;
    EXPECT_EQ(3u, Dword(s, bytes + kOtherStreamImages.image + kOtherStreamImages.bound));

    DataStream stream;
    ASSERT_TRUE(stream.Parse(s.data(), s.size(), sizeof(OPCITEMHEADER2)));
    const std::vector<DataChangeText> texts = DataChangeTexts(
        stream.Header(), reinterpret_cast<const OPCITEMHEADER2*>(stream.ItemHeaders()), stream.Values(), true);
    ASSERT_EQ(4u, texts.size());
    const char* const expected[] = {"42", "abc", "0A FF 00 ", "ab| c"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(expected[i], texts[i].valueText) << i;
        EXPECT_EQ(OPC_QUALITY_GOOD, reinterpret_cast<const OPCITEMHEADER2*>(stream.ItemHeaders())[i].wQuality);
    }
    m_data->DUnadvise(cookie);
}

TEST_P(SimServerDataTest, QualityOtherThanGoodMakesTheStatusSFalse) {
    OpenGroup({L"Fixed", L"Doubtful"});
    DWORD cookie = Advise();
    ASSERT_TRUE(WaitForNotifications(1));
    const std::vector<BYTE>& s = m_sink.Notifications()[0].bytes;
    EXPECT_EQ(static_cast<DWORD>(S_FALSE), Dword(s, 16));
    EXPECT_EQ(0x40, Word(s, 20 + 12 + 8));
    m_data->DUnadvise(cookie);
}

TEST_P(SimServerDataTest, CraftedStreamReachesTheSinkUnchanged) {
    OpenGroup({L"Fixed"});
    DWORD cookie = Advise();
    ASSERT_TRUE(WaitForNotifications(1));
    std::vector<BYTE> crafted = {20, 0, 0, 0, 9, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xEE};
    EXPECT_EQ(S_OK, EmitStream(0, Format(kOpcFormatDataTime), crafted));
    ASSERT_EQ(2u, m_sink.Notifications().size());
    const RecordingAdviseSink::Notification& n = m_sink.Notifications()[1];
    EXPECT_EQ(Format(kOpcFormatDataTime), n.cfFormat);
    ASSERT_GE(n.bytes.size(), crafted.size());
    EXPECT_TRUE(std::equal(crafted.begin(), crafted.end(), n.bytes.begin()));
    EXPECT_EQ(9u, Counters().dwLastNotificationItems);
    EXPECT_EQ(CONNECT_E_NOCONNECTION, EmitStream(cookie + 1000, Format(kOpcFormatData), crafted));
    m_data->DUnadvise(cookie);
    EXPECT_EQ(CONNECT_E_NOCONNECTION, EmitStream(0, Format(kOpcFormatData), crafted));
}

TEST_P(SimServerDataTest, AdviseFollowsTheDataObjectRules) {
    OpenGroup({L"Fixed"});
    DWORD cookie = Advise();
    FORMATETC fe = DataFormat(kOpcFormatData);
    DWORD second = 123;
    EXPECT_EQ(CONNECT_E_ADVISELIMIT, m_data->DAdvise(&fe, 0, &m_sink, &second));
    EXPECT_EQ(0u, second);
    FORMATETC text = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_EQ(DV_E_FORMATETC, m_data->DAdvise(&text, 0, &m_sink, &second));
    EXPECT_EQ(OLE_E_NOCONNECTION, m_data->DUnadvise(cookie + 1000));
    EXPECT_EQ(S_OK, m_data->DUnadvise(cookie));
    EXPECT_EQ(OLE_E_NOCONNECTION, m_data->DUnadvise(cookie));
    EXPECT_EQ(3u, Counters().nDUnadvise);
    EXPECT_EQ(1u, LogLines("DUnadvise group=" + std::to_string(m_hGroup) + " cookie=" + std::to_string(cookie) +
                           " -> hr=0x00000000")
                      .size());
}

TEST_P(SimServerDataTest, SinkHasNoReferencesLeftAfterUnadvise) {
    OpenGroup({L"Ramp"}, 20);
    EXPECT_EQ(1, m_sink.References());
    DWORD cookie = Advise();
    EXPECT_GT(m_sink.References(), 1);
    ASSERT_TRUE(WaitForNotifications(2));
    EXPECT_EQ(S_OK, m_data->DUnadvise(cookie));
    // Through a proxy the server's release comes back as a call of its own: wait for it.
    EXPECT_TRUE(PumpUntil([&] { return m_sink.References() == 1; }, 2000)) << m_sink.References();
    CloseGroup();
    EXPECT_EQ(1, m_sink.References());
}

TEST_P(SimServerDataTest, RemovingTheGroupReleasesAStillAdvisedSink) {
    OpenGroup({L"Ramp"}, 20);
    Advise();
    ASSERT_TRUE(WaitForNotifications(1));
    CloseGroup();
    // Through a proxy the release (and a notification already on its way) arrive as calls of
    // their own: wait for the release, then nothing more may come.
    EXPECT_TRUE(PumpUntil([&] { return m_sink.References() == 1; }, 2000)) << m_sink.References();
    size_t count = m_sink.Notifications().size();
    PumpFor(100);
    EXPECT_EQ(count, m_sink.Notifications().size());
}

TEST_P(SimServerDataTest, AsyncRefreshSendsEveryActiveItemWithItsTransaction) {
    OpenGroup({L"Fixed", L"Ramp"});
    DWORD cookie = Advise();
    ASSERT_TRUE(WaitForNotifications(1));
    ComPtr<IOPCAsyncIO> asyncIo;
    ASSERT_EQ(S_OK, m_group.As(&asyncIo));
    DWORD transaction = 0;
    ASSERT_EQ(S_OK, asyncIo->Refresh(cookie, OPC_DS_CACHE, &transaction));
    EXPECT_NE(0u, transaction);
    ASSERT_TRUE(WaitForNotifications(2));
    const std::vector<BYTE>& s = m_sink.Notifications()[1].bytes;
    EXPECT_EQ(2u, Dword(s, 4));
    EXPECT_EQ(transaction, Dword(s, 12));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, asyncIo->Refresh(cookie + 1000, OPC_DS_CACHE, &transaction));
    m_data->DUnadvise(cookie);
}
