// Server faults met by the real frame: a server that goes away in the middle of a session, slow
// calls, and item requests the server fails. The program stays usable: it can disconnect and
// connect again, and leaves no server object alive.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/Globals.h"
#include "common/FrameHarness.h"
#include "common/SimServerFixture.h"
#include "common/TraceCapture.h"
#include "framework/Dialog.h"
#include "opc/DiagnosticTexts.h"
#include "opc/OpcConnection.h"
#include "res/resource.h"
#include "views/BrowseView.h"
#include "variables/VariableView.h"
#include "views/ItemView.h"

namespace {

const char kPlant[] =
    "organization hierarchical\n"
    "branch Line\n"
    "  item Count VT_I4 RW ramp 0 1 1000\n"
    "  item Level VT_R4 R fixed 2.5\n"
    "end\n";

class ServerFaultTest : public SimServerFixture {
  protected:
    void TearDown() override {
        m_h.reset();
        SimServerFixture::TearDown();
    }
    void Start(const std::string& config = kPlant) {
        UseConfig(config);
        m_h.reset(new FrameHarness(("/u1 " + Server()).c_str()));
        m_h->Idle();
    }
    void Command(UINT id) { SendMessageA(m_h->Frame()->m_hWnd, WM_COMMAND, id, 0); }
    std::string Cell(int row, int col) { return g_pItemView->GetListCtrl().GetItemText(row, col); }
    int Rows() { return g_pItemView->GetListCtrl().GetItemCount(); }
    UINT TreeNodes() { return TreeView_GetCount(m_h->Frame()->m_pBrowseView->m_hWnd); }
    // "Trennen" while the server is gone releases everything; with the server back, connecting
    // again works as before.
    void DisconnectAndConnectAgain() {
        Command(ID_CONNECT_DISCONNECT);
        EXPECT_EQ(nullptr, g_pConnection);
        EXPECT_EQ(0u, TreeNodes());
        PumpFor(20);
        EXPECT_EQ(0, LiveObjects());
        SetDisconnected(false);
        Command(ID_CONNECT_SERVER1);
        m_h->Idle();
        ASSERT_NE(nullptr, g_pConnection);
    }

    TraceCapture m_capture;
    KorvaneIni m_ini{nullptr};
    std::unique_ptr<FrameHarness> m_h;
};

// The faults a server can show in-process and through marshalling alike.
class ServerFaultOnBothHostsTest : public OnBothHosts<ServerFaultTest> {};
ZZ_ON_BOTH_HOSTS(ServerFaultOnBothHostsTest);

TEST_P(ServerFaultOnBothHostsTest, ServerGoneMidSessionCanBeLeftAndConnectedAgain) {
    Start();
    ASSERT_NE(nullptr, g_pConnection);
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Count"));
    NotifyNow();
    PumpFor(50);
    ASSERT_NE("?", Cell(0, 3));

    SetDisconnected(true);
    ClearLog();
    NotifyNow();
    PumpFor(50);
    EXPECT_EQ(0u, Counters().nNotifications);
    // Every request now fails with the server's error and lists nothing.
    EXPECT_EQ(RPC_E_DISCONNECTED, g_pConnection->AddItem("Line.Level"));
    EXPECT_EQ(1, Rows());
    // "Neues Item" with a server that is gone: the ID is refused, and the user gives up.
    m_h->QueueAnswers({IDCANCEL});
    CDialog::SetNextInitHook([](CDialog& dlg) {
        SetDlgItemTextA(dlg.m_hWnd, IDC_ITEMID_EDIT, "Line.Level");
        dlg.PostMessage(WM_COMMAND, IDOK);
    });
    Command(ID_EDIT_NEW_ITEM);
    CDialog::SetNextInitHook(nullptr);
    EXPECT_EQ(1, Rows());
    ASSERT_FALSE(m_h->Boxes().empty());
    EXPECT_EQ("Ung\xfcltige ItemID!", m_h->Boxes().back().text);

    // The teardown calls fail, yet the connection and its objects go.
    ASSERT_NO_FATAL_FAILURE(DisconnectAndConnectAgain());
    EXPECT_LT(0u, TreeNodes());
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Level"));
    NotifyNow();
    PumpFor(50);
    EXPECT_EQ("2.5", Cell(Rows() - 1, 3));
}

// Killed mid-session, the server sends nothing more; the status poll finds out and every row
// says so, once, instead of showing its last value as good for ever.
TEST_P(ServerFaultOnBothHostsTest, ServerGoneShowsEveryRowNotConnected) {
    Start();
    ASSERT_NE(nullptr, g_pConnection);
    EXPECT_EQ(kStatusPollMs, g_pConnection->StatusPollMs());
    std::vector<std::string> ids = {"Line.Count", "Line.Level"};
    ASSERT_EQ(0, g_pConnection->AddItems(ids));
    NotifyNow();
    PumpFor(50);
    ASSERT_EQ("2.5", Cell(1, 3));
    ASSERT_EQ(QualityText(OPC_QUALITY_GOOD), Cell(1, 4));
    // While the server answers, the poll is silent.
    const size_t records = m_capture.Records().size();
    EXPECT_EQ(S_OK, g_pConnection->PollServerStatus());
    EXPECT_EQ(records, m_capture.Records().size());

    SetDisconnected(true);
    g_pConnection->StartStatusPoll(20);  // the timer as in use, only faster
    PumpFor(300);
    EXPECT_TRUE(g_pConnection->IsServerLost());
    EXPECT_EQ(0u, g_pConnection->StatusPollMs());
    const std::string notConnected = QualityText(kQualityNotConnected);
    EXPECT_EQ("Bad: Not Connected, Limit: Not Limited, (0008h)", notConnected);
    EXPECT_EQ(notConnected, Cell(0, 4));
    EXPECT_EQ(notConnected, Cell(1, 4));
    EXPECT_EQ("2.5", Cell(1, 3));  // the last value stays, marked as no longer current
    // Traced once, however many calls fail afterwards.
    EXPECT_EQ(RPC_E_DISCONNECTED, g_pConnection->AddItem("Line.Missing"));
    g_pConnection->PollServerStatus();
    size_t lost = 0;
    for (size_t i = records; i < m_capture.Records().size(); ++i)
        lost += m_capture.Records()[i].bytes.find("Connection to Server lost") == 0 ? 1 : 0;
    EXPECT_EQ(1u, lost);

    ASSERT_NO_FATAL_FAILURE(DisconnectAndConnectAgain());
    EXPECT_FALSE(g_pConnection->IsServerLost());
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Level"));
    NotifyNow();
    PumpFor(50);
    EXPECT_EQ(QualityText(OPC_QUALITY_GOOD), Cell(0, 4));
}

// Any call that finds the server gone marks the rows, not only the poll.
TEST_P(ServerFaultOnBothHostsTest, FailingCallToAGoneServerMarksTheRows) {
    Start();
    ASSERT_NE(nullptr, g_pConnection);
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Count"));
    NotifyNow();
    PumpFor(50);
    SetDisconnected(true);
    EXPECT_EQ(RPC_E_DISCONNECTED, g_pConnection->AddItem("Line.Level"));
    EXPECT_EQ(QualityText(kQualityNotConnected), Cell(0, 4));
}

// The call of a row's deletion finds the server gone: every row left is marked, each its own.
// "Trennen" then lets go without a call (to a machine off the network each would wait out the
// transport's timeout).
TEST_P(ServerFaultOnBothHostsTest, RowDeletedAsTheServerGoesThenDisconnectWithoutACall) {
    Start();
    std::vector<std::string> ids = {"Line.Count", "Line.Level"};
    ASSERT_EQ(0, g_pConnection->AddItems(ids));
    NotifyNow();
    PumpFor(50);
    ASSERT_EQ(QualityText(OPC_QUALITY_GOOD), Cell(1, 4));
    SetDisconnected(true);
    g_pItemView->GetListCtrl().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetSelectionMark(g_pItemView->m_hWnd, 0);
    g_pItemView->SendMessage(WM_COMMAND, ID_DELETE_SELECTED, 0);
    ASSERT_EQ(1, Rows());
    EXPECT_EQ(QualityText(kQualityNotConnected), Cell(0, 4));
    ClearLog();
    Command(ID_CONNECT_DISCONNECT);
    EXPECT_EQ("", Log());
    PumpFor(20);
    EXPECT_EQ(0, LiveObjects());
}

TEST_P(ServerFaultOnBothHostsTest, SlowServerCallsDelayButDoNotBreakTheSession) {
    Start(std::string(kPlant) + "slow AddItems 300\nslow BrowseOPCItemIDs 20\n");
    ASSERT_NE(nullptr, g_pConnection);
    EXPECT_LT(0u, TreeNodes());
    const DWORD start = GetTickCount();
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Count"));
    EXPECT_GE(GetTickCount() - start, 250u);
    EXPECT_EQ(1, Rows());
}

TEST_P(ServerFaultOnBothHostsTest, FailingItemIdLookupAddsNothingFromTheTree) {
    Start(std::string(kPlant) + "fail GetItemID\n");
    ASSERT_NE(nullptr, g_pConnection);
    CBrowseView* view = m_h->Frame()->m_pBrowseView;
    HTREEITEM hierarchy =
        TreeView_GetNextSibling(view->m_hWnd, TreeView_GetChild(view->m_hWnd, TreeView_GetRoot(view->m_hWnd)));
    HTREEITEM line = TreeView_GetChild(view->m_hWnd, hierarchy);
    ASSERT_NE(nullptr, line);
    TreeView_SelectItem(view->m_hWnd, line);
    SendMessageA(view->m_hWnd, WM_COMMAND, ID_NODE_ADD_ITEMS, 0);
    EXPECT_EQ(0, Rows());
    EXPECT_NE(nullptr, g_pConnection);
}

// A server process killed in the middle of a session: the program finds out within the status
// poll, marks every row, keeps the variables, and "Trennen" and a new connect work without any
// call hanging.
class KilledServerTest : public ServerFaultTest {
  protected:
    SimHost Host() const override { return SimHost::LocalServer; }
};

TEST_F(KilledServerTest, ProgramSaysSoDisconnectsAndConnectsAgain) {
    Start();
    ASSERT_NE(nullptr, g_pConnection);
    std::vector<std::string> ids = {"Line.Count", "Line.Level"};
    ASSERT_EQ(0, g_pConnection->AddItems(ids));
    NotifyNow();
    PumpFor(50);
    ASSERT_EQ("2.5", Cell(1, 3));
    CListCtrl list = g_pItemView->GetListCtrl();
    list.SetItemState(-1, 0, LVIS_SELECTED);
    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    g_pItemView->PreviewItems(false);
    g_pVariableView->Commit();
    ASSERT_TRUE(g_pVariableView->HasVariables());
    const int variables = g_pVariableView->GetListCtrl().GetItemCount();
    const size_t records = m_capture.Records().size();

    KillServerProcess();
    const DWORD start = GetTickCount();
    g_pConnection->StartStatusPoll(20);
    EXPECT_TRUE(PumpUntil([] { return g_pConnection->IsServerLost(); }, 10000));
    EXPECT_EQ(QualityText(kQualityNotConnected), Cell(0, 4));
    EXPECT_EQ(QualityText(kQualityNotConnected), Cell(1, 4));
    EXPECT_TRUE(IsServerGone(g_pConnection->AddItem("Line.Missing")));
    size_t lost = 0;
    for (size_t i = records; i < m_capture.Records().size(); ++i)
        lost += m_capture.Records()[i].bytes.find("Connection to Server lost") == 0 ? 1 : 0;
    EXPECT_EQ(1u, lost);

    Command(ID_CONNECT_DISCONNECT);
    EXPECT_EQ(nullptr, g_pConnection);
    EXPECT_EQ(0u, TreeNodes());
    EXPECT_LT(GetTickCount() - start, 10000u) << "a call to the dead server hung";
    EXPECT_EQ(variables, g_pVariableView->GetListCtrl().GetItemCount());

    // A new connect starts a new server process; the fixture follows it to check its objects.
    ASSERT_NO_FATAL_FAILURE(AttachLocalServer());
    UseConfig(kPlant);
    Command(ID_CONNECT_SERVER1);
    m_h->Idle();
    ASSERT_NE(nullptr, g_pConnection);
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Level"));
    NotifyNow();
    PumpFor(50);
    EXPECT_EQ(QualityText(OPC_QUALITY_GOOD), Cell(Rows() - 1, 4));
    EXPECT_EQ(variables, g_pVariableView->GetListCtrl().GetItemCount());
}

// A server that stops answering (its machine gone) holds only the poll's thread: every message
// of the window is served at once meanwhile.
TEST_F(KilledServerTest, HangingStatusCallLeavesTheWindowAnswering) {
    Start(std::string(kPlant) + "slow GetStatus 800\n");
    ASSERT_NE(nullptr, g_pConnection);
    g_pConnection->StartStatusPoll(20);
    DWORD slowest = 0;
    for (const DWORD end = GetTickCount() + 1000; GetTickCount() < end;) {
        const DWORD start = GetTickCount();
        PumpFor(10);
        slowest = std::max(slowest, GetTickCount() - start);
    }
    EXPECT_LT(slowest, 400u);
    EXPECT_FALSE(g_pConnection->IsServerLost());
}

class BrokenAddItemsTest : public ServerFaultTest, public ::testing::WithParamInterface<const char*> {};

// Answers that claim success but lack arrays, or hold one entry for two items, list nothing and
// are not read past their end; the handles they took stay taken. Without the error array the
// call's own result stands for every item.
TEST_P(BrokenAddItemsTest, ArraysAreReadOnlyAsFarAsTheyReach) {
    const std::string how = GetParam();
    Start(std::string(kPlant) + "broken_additems " + how + "\n");
    ASSERT_NE(nullptr, g_pConnection);
    const int handle = g_pItemView->NextClientHandle();
    std::vector<std::string> ids = {"Line.Count", "Line.Level"};
    const HRESULT hr = g_pConnection->AddItems(ids);
    if (how == "noerrors") {
        EXPECT_EQ(0, hr);
        EXPECT_EQ(2, Rows());
        EXPECT_EQ(handle + 2, g_pItemView->NextClientHandle());
        return;
    }
    EXPECT_EQ(E_FAIL, hr);
    EXPECT_EQ(0, Rows());
    EXPECT_EQ(handle + 2, g_pItemView->NextClientHandle());
    // Values for the items the server holds all the same reach no row.
    NotifyNow();
    PumpFor(50);
    EXPECT_EQ(0, Rows());
    if (how == "null") {
        EXPECT_EQ(E_FAIL, g_pConnection->AddItem("Line.Count"));
        EXPECT_EQ(handle + 3, g_pItemView->NextClientHandle());
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, BrokenAddItemsTest, ::testing::Values("null", "short", "noerrors"));

// Long operations against a server that answers like one on another machine: the progress window
// appears, the main window keeps answering, and what ends the operation early (the user, a server
// killed meanwhile) leaves what was done, marked, and a program that goes on.
const char kRemotePlant[] = "call_delay_ms 2\norganization hierarchical\ngenerate Area 60 Tag 1000 VT_I4 RW fixed 1\n";
const UINT kRemotePlantNodes = 3 + 60000 + 60 + 60000;
const char kCancelledNote[] = "Adressraum unvollst\xe4ndig: Lesen abgebrochen";

// Waits on a thread of its own for "Bitte warten", checks that the main window answers and drops
// a "Trennen" sent meanwhile, reads the progress line, then acts (cancels, or ends the server).
class ProgressWatcher {
  public:
    explicit ProgressWatcher(std::function<void(HWND)> act) : m_act(std::move(act)), m_thread([this] { Run(); }) {}
    ~ProgressWatcher() { Join(); }
    // Stops waiting for a window that never came.
    void Join() {
        m_bDone = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    std::atomic<bool> m_bDone{false};
    std::atomic<bool> m_bSeen{false};
    std::atomic<bool> m_bMainAnswered{false};
    std::string m_line;

  private:
    void Run() {
        for (DWORD start = GetTickCount(); !m_bDone && GetTickCount() - start < 60000; Sleep(20)) {
            HWND dlg = FindWindowA(nullptr, "Bitte warten");
            if (!dlg || !IsWindowVisible(dlg))
                continue;
            m_bSeen = true;
            DWORD_PTR result = 0;
            HWND main = GetWindow(dlg, GW_OWNER);
            m_bMainAnswered = SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
            SendMessageTimeoutA(main, WM_COMMAND, ID_CONNECT_DISCONNECT, 0, SMTO_ABORTIFHUNG, 5000, &result);
            char line[128] = {};
            GetDlgItemTextA(dlg, IDC_PROGRESS_TEXT, line, sizeof(line));
            m_line = line;
            m_act(dlg);
            return;
        }
    }
    std::function<void(HWND)> m_act;
    std::thread m_thread;
};

void ClickCancel(HWND dlg) {
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

class LongOperationTest : public KilledServerTest {
  protected:
    bool Traced(const char* start) {
        for (const TraceRecord& record : m_capture.Records())
            if (record.bytes.find(start) == 0)
                return true;
        return false;
    }
    std::string StatusLine() { return m_h->Frame()->GetMessageText(); }
};

TEST_F(LongOperationTest, CancelledFillAndAddItemsKeepWhatWasDone) {
    ProgressWatcher fill(ClickCancel);
    Start(kRemotePlant);
    fill.Join();
    EXPECT_TRUE(fill.m_bMainAnswered);
    EXPECT_EQ(0u, fill.m_line.find("Lese Adressraum: ")) << fill.m_line;
    ASSERT_NE(nullptr, g_pConnection);  // the "Trennen" sent during the fill was dropped
    EXPECT_LT(3u, TreeNodes());
    EXPECT_GT(kRemotePlantNodes, TreeNodes());
    EXPECT_EQ(kCancelledNote, StatusLine());
    EXPECT_TRUE(Traced("Browse tree cancelled by the user after "));
    EXPECT_TRUE(IsWindowEnabled(m_h->Frame()->m_hWnd));
    EXPECT_EQ(nullptr, FindWindowA(nullptr, "Bitte warten"));
    // The position is the root again: the first branch can be entered from there.
    IEnumString* leaves = nullptr;
    bool bMoved = false;
    g_pConnection->BrowseLeavesOf("Area1", &leaves, &bMoved);
    EXPECT_TRUE(bMoved);
    if (leaves)
        leaves->Release();
    g_pConnection->BrowseToRoot();

    Command(ID_CONNECT_DISCONNECT);
    EXPECT_EQ(0u, TreeNodes());
    EXPECT_NE(kCancelledNote, StatusLine());
    UseConfig("call_delay_ms 2\norganization hierarchical\ngenerate Area 1 Tag 3000 VT_I4 RW fixed 1\n");
    Command(ID_CONNECT_SERVER1);
    ASSERT_NE(nullptr, g_pConnection);
    CBrowseView* view = m_h->Frame()->m_pBrowseView;
    TreeView_SelectItem(view->m_hWnd, FindTreeNode(view->m_hWnd, {"Hierarchial Items", "Area1"}));
    ProgressWatcher add(ClickCancel);
    SendMessageA(view->m_hWnd, WM_COMMAND, ID_NODE_ADD_ITEMS, 0);
    add.Join();
    EXPECT_TRUE(add.m_bMainAnswered);
    EXPECT_EQ(0u, add.m_line.find("F\xfcge Items hinzu: ")) << add.m_line;
    EXPECT_LT(0, Rows());
    EXPECT_GT(3000, Rows());
    EXPECT_TRUE(Traced("AddItems of Node\"Area1\" cancelled by the user after "));
    Command(ID_CONNECT_DISCONNECT);
    EXPECT_EQ(nullptr, g_pConnection);
}

TEST_F(LongOperationTest, ServerKilledDuringTheFillLeavesAMarkedPartialTree) {
    const DWORD pid = ServerProcessId();
    ASSERT_NE(0u, pid);
    ProgressWatcher watcher([pid](HWND) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        TerminateProcess(process, 3);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
    });
    Start(kRemotePlant);
    watcher.Join();
    ForgetKilledServer();
    EXPECT_TRUE(watcher.m_bSeen);
    EXPECT_LT(3u, TreeNodes());
    EXPECT_GT(kRemotePlantNodes, TreeNodes());
    EXPECT_EQ("Adressraum unvollst\xe4ndig: Server antwortet nicht mehr", StatusLine());
    EXPECT_TRUE(m_h->Boxes().empty());
    Command(ID_CONNECT_DISCONNECT);
    EXPECT_EQ(nullptr, g_pConnection);
    // A new server process, as the next test will need one; the fixture checks it at the end.
    ASSERT_NO_FATAL_FAILURE(AttachLocalServer());
}

}  // namespace
