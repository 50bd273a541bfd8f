// The advise sink as a COM object: its interfaces, its reference count over a subscription,
// and a teardown that leaves nothing behind on the server.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <vector>

#include "AdviseSinkFakes.h"
#include "common/StreamWriter.h"
#include "opc/OpcAdviseSink.h"

namespace {

// Destroys a sink whose count is 0 (unattached, or after a failed Attach).
void Destroy(OpcAdviseSink* pSink) {
    pSink->AddRef();
    EXPECT_EQ(0u, pSink->Release());
}

ULONG Count(IUnknown* p) {
    p->AddRef();
    return p->Release();
}

void DeliverData(OpcAdviseSink* pSink, const std::vector<BYTE>& bytes) {
    HGLOBAL block = GlobalBlock(bytes);
    FORMATETC fe = {static_cast<CLIPFORMAT>(RegisterClipboardFormatA(kOpcFormatData)), nullptr, DVASPECT_CONTENT, -1,
                    TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    pSink->OnDataChange(&fe, &medium);
    GlobalFree(block);
}

}  // namespace

class AdviseSinkTest : public testing::Test {
  protected:
    void TearDown() override {
        EXPECT_EQ(0u, m_group.Refs()) << "the data object is released exactly once";
        EXPECT_EQ(0u, m_group.LiveConnections());
    }

    FakeDataObject m_group;
    RecordingCallback m_target;
};

TEST_F(AdviseSinkTest, AnswersUnknownAndAdviseSinkOnly) {
    OpcAdviseSink* pSink = new OpcAdviseSink();
    pSink->AddRef();
    void* p = nullptr;
    EXPECT_EQ(S_OK, pSink->QueryInterface(IID_IUnknown, &p));
    EXPECT_EQ(static_cast<IAdviseSink*>(pSink), p);
    EXPECT_EQ(S_OK, pSink->QueryInterface(IID_IAdviseSink, &p));
    EXPECT_EQ(static_cast<IAdviseSink*>(pSink), p);
    EXPECT_EQ(3u, Count(pSink));
    p = pSink;
    EXPECT_EQ(E_NOINTERFACE, pSink->QueryInterface(IID_IDataObject, &p));
    EXPECT_EQ(nullptr, p);
    pSink->Release();
    pSink->Release();
    EXPECT_EQ(0u, pSink->Release());
}

TEST_F(AdviseSinkTest, StartAdvisesDataFormatWithOwnReference) {
    OpcAdviseSink* pSink = nullptr;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, OpcAdviseSink::Start(&m_group, &m_target, &pSink, &cookie));
    EXPECT_EQ(7u, cookie);
    EXPECT_EQ(1, m_group.dadviseCalls);
    EXPECT_EQ(RegisterClipboardFormatA(kOpcFormatData), m_group.lastFormat.cfFormat);
    EXPECT_EQ(nullptr, m_group.lastFormat.ptd);
    EXPECT_EQ(static_cast<DWORD>(DVASPECT_CONTENT), m_group.lastFormat.dwAspect);
    EXPECT_EQ(-1, m_group.lastFormat.lindex);
    EXPECT_EQ(static_cast<DWORD>(TYMED_HGLOBAL), m_group.lastFormat.tymed);
    EXPECT_EQ(0u, m_group.lastAdvf);
    EXPECT_EQ(static_cast<IAdviseSink*>(pSink), m_group.pLastSink);
    EXPECT_EQ(2u, Count(pSink)) << "the owner's reference and the server's";
    EXPECT_EQ(1u, m_group.Refs());

    EXPECT_EQ(S_OK, pSink->Unadvise());
    EXPECT_EQ(std::vector<DWORD>{7}, m_group.unadvised);
    EXPECT_EQ(1u, Count(pSink));
    EXPECT_EQ(0u, pSink->Release());
    EXPECT_EQ(1, m_group.dunadviseCalls) << "nothing left to unadvise in the teardown";
}

TEST_F(AdviseSinkTest, PauseAndResumeAdviseAgainWithTheSameSink) {
    OpcAdviseSink* pSink = nullptr;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, OpcAdviseSink::Start(&m_group, &m_target, &pSink, &cookie));
    EXPECT_EQ(S_OK, pSink->Unadvise());
    EXPECT_EQ(S_OK, pSink->Advise(&cookie));
    EXPECT_EQ(8u, cookie);
    EXPECT_EQ(2, m_group.dadviseCalls);

    DeliverData(pSink, DataStreamBytes({{1, 0xC0, StreamWriter().I4(5).Bytes()}}));
    ASSERT_EQ(1u, m_target.notifications.size());
    EXPECT_EQ("5", m_target.notifications[0].texts.at(0).valueText);

    pSink->Unadvise();
    EXPECT_EQ(0u, pSink->Release());
}

TEST_F(AdviseSinkTest, SecondAdviseKeepsTheLiveConnection) {
    OpcAdviseSink* pSink = nullptr;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, OpcAdviseSink::Start(&m_group, &m_target, &pSink, &cookie));
    DWORD again = 0;
    EXPECT_EQ(S_OK, pSink->Advise(&again));
    EXPECT_EQ(cookie, again);
    EXPECT_EQ(1, m_group.dadviseCalls);
    pSink->Unadvise();
    pSink->Release();
}

TEST_F(AdviseSinkTest, UnadviseWhilePausedReportsServersAnswer) {
    OpcAdviseSink* pSink = nullptr;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, OpcAdviseSink::Start(&m_group, &m_target, &pSink, &cookie));
    EXPECT_EQ(S_OK, pSink->Unadvise());
    EXPECT_EQ(OLE_E_NOCONNECTION, pSink->Unadvise());
    EXPECT_EQ(0u, pSink->Release());
}

TEST_F(AdviseSinkTest, FinalReleaseUnadvisesLiveConnection) {
    m_group.bHoldSink = false;  // as a server that keeps no reference of its own
    OpcAdviseSink* pSink = nullptr;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, OpcAdviseSink::Start(&m_group, &m_target, &pSink, &cookie));
    EXPECT_EQ(0u, pSink->Release());
    EXPECT_EQ(std::vector<DWORD>{7}, m_group.unadvised);
}

TEST_F(AdviseSinkTest, TeardownSurvivesServerCallingBackDuringUnadvise) {
    m_group.bHoldSink = false;
    m_group.bTouchSinkOnUnadvise = true;
    OpcAdviseSink* pSink = nullptr;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, OpcAdviseSink::Start(&m_group, &m_target, &pSink, &cookie));
    EXPECT_EQ(0u, pSink->Release());
    EXPECT_EQ(1, m_group.dunadviseCalls);
}

TEST_F(AdviseSinkTest, StartWithoutDataObjectLeavesNothing) {
    m_group.bOfferDataObject = false;
    OpcAdviseSink* pSink = reinterpret_cast<OpcAdviseSink*>(1);
    DWORD cookie = 99;
    EXPECT_EQ(E_NOINTERFACE, OpcAdviseSink::Start(&m_group, &m_target, &pSink, &cookie));
    EXPECT_EQ(nullptr, pSink);
    EXPECT_EQ(0u, cookie);
    EXPECT_EQ(0, m_group.dadviseCalls);
}

TEST_F(AdviseSinkTest, StartWithRefusedAdviseLeavesNothing) {
    m_group.adviseResult = CONNECT_E_ADVISELIMIT;
    OpcAdviseSink* pSink = nullptr;
    DWORD cookie = 99;
    EXPECT_EQ(CONNECT_E_ADVISELIMIT, OpcAdviseSink::Start(&m_group, &m_target, &pSink, &cookie));
    EXPECT_EQ(nullptr, pSink);
    EXPECT_EQ(0u, cookie);
    EXPECT_EQ(0, m_group.dunadviseCalls);
}

TEST_F(AdviseSinkTest, FailedAttachGivesTheCountBack) {
    m_group.bOfferDataObject = false;
    OpcAdviseSink* pSink = new OpcAdviseSink();
    EXPECT_EQ(E_NOINTERFACE, pSink->Attach(&m_group, &m_target));
    EXPECT_EQ(0u, pSink->Release()) << "an unbalanced Release changes nothing";
    EXPECT_EQ(E_FAIL, pSink->Advise(nullptr));
    EXPECT_EQ(E_FAIL, pSink->Unadvise());
    Destroy(pSink);
}

TEST_F(AdviseSinkTest, AttachHappensOnce) {
    OpcAdviseSink* pSink = new OpcAdviseSink();
    EXPECT_EQ(S_OK, pSink->Attach(&m_group, &m_target));
    EXPECT_EQ(1u, Count(pSink));
    EXPECT_EQ(E_UNEXPECTED, pSink->Attach(&m_group, &m_target));
    EXPECT_EQ(E_POINTER, OpcAdviseSink::Start(&m_group, &m_target, nullptr, nullptr));
    EXPECT_EQ(1u, m_group.Refs());
    EXPECT_EQ(0u, pSink->Release());
}

TEST_F(AdviseSinkTest, UnattachedSinkDispatchesNothing) {
    OpcAdviseSink* pSink = new OpcAdviseSink();
    pSink->AddRef();
    DeliverData(pSink, DataStreamBytes({{1, 0xC0, StreamWriter().I4(5).Bytes()}}));
    EXPECT_TRUE(m_target.notifications.empty());
    pSink->Release();
}

namespace {

// Drops the subscription and the sink from inside its handler, as a disconnect would.
class ClosingCallback : public OpcDataCallback {
  public:
    OpcAdviseSink* pSink = nullptr;
    int calls = 0;
    void OnData(const OPCGROUPHEADER*, const OPCITEMHEADER2*, const VARIANT*) override {
        ++calls;
        pSink->Unadvise();
        pSink->Release();
        pSink = nullptr;
    }
};

}  // namespace

TEST_F(AdviseSinkTest, TargetMayDropTheSinkInsideItsHandler) {
    ClosingCallback closing;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, OpcAdviseSink::Start(&m_group, &closing, &closing.pSink, &cookie));
    DeliverData(closing.pSink, DataStreamBytes({{1, 0xC0, StreamWriter().Bstr(L"bye").Bytes()}}));
    EXPECT_EQ(1, closing.calls);
    EXPECT_EQ(nullptr, closing.pSink);
}
