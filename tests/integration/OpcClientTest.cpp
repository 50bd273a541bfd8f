// The OPC client against the simulation server: server link, connection with the real frame and
// item list, live values, pause and hex dump, and the teardown order.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/Globals.h"
#include "common/FrameHarness.h"
#include "common/SimServerFixture.h"
#include "common/TraceCapture.h"
#include "framework/Dialog.h"
#include "framework/WinApp.h"
#include "opc/DiagnosticTexts.h"
#include "opc/OpcConnection.h"
#include "opc/OpcServerLink.h"
#include "res/resource.h"
#include "trace/Trace.h"
#include "views/ItemView.h"

namespace {

const char kSmallPlant[] =
    "organization hierarchical\n"
    "state running\n"
    "item Heartbeat VT_BOOL R toggle\n"
    "branch Line\n"
    "  item Count VT_I4 RW ramp 0 1 1000\n"
    "  item Name VT_BSTR R fixed \"abc\"\n"
    "  item Flag VT_BOOL RW fixed true\n"
    "  item Real VT_R8 RW fixed 1.5\n"
    "  item Precise VT_R8 R fixed 1234.5678901234\n"
    "  item Money VT_CY R fixed 12.34 quality 0x40\n"
    "  item When VT_DATE R fixed \"2024-03-15 08:30:00\"\n"
    "  item Bytes VT_UI1[3] R fixed 10|255|0\n"
    "  item Ramp VT_UI1[2] R ramp 0 1 200\n"
    "  item Write VT_UI2 W fixed 1\n"
    "end\n";

std::vector<std::string> Lines(const TraceCapture& capture) {
    std::vector<std::string> lines;
    for (const TraceRecord& r : capture.Records())
        lines.push_back(r.kind == kTraceRecordStart ? "<start>" : std::string(r.bytes.c_str()));
    return lines;
}

// Lines from the last one equal to `first` on.
std::vector<std::string> LinesFrom(const TraceCapture& capture, const std::string& first) {
    std::vector<std::string> all = Lines(capture);
    for (size_t i = all.size(); i-- > 0;) {
        if (all[i] == first + "\r\n")
            return std::vector<std::string>(all.begin() + i, all.end());
    }
    return {};
}

std::string Cell(int row, int col) {
    return g_pItemView->GetListCtrl().GetItemText(row, col);
}

// A connection error box: the message, then "\n\nError : " and the system's text for the code
// when the system has one (Wine has none for some COM codes).
std::string ErrorBoxText(const char* message, HRESULT hr) {
    char* system = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                   (DWORD)hr, 0x800, (LPSTR)&system, 0, nullptr);
    std::string text = message;
    if (system && system[0])
        text += std::string("\n\nError : ") + system;
    LocalFree(system);
    return text;
}

class ServerLinkTest : public SimServerFixture {
  protected:
    void SetUp() override {
        SimServerFixture::SetUp();
        UseConfig(kSmallPlant);
        SetMessageBoxHook([this](HWND, const char* text, const char*, UINT) {
            m_boxes.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override {
        SetMessageBoxHook(nullptr);
        SimServerFixture::TearDown();
    }
    std::vector<std::string> m_boxes;
};

TEST_F(ServerLinkTest, VersionIndependentProgIdFollowsCurVer) {
    OpcServerLink link;
    std::wstring versioned;
    ASSERT_EQ(S_OK, link.ReadCurVer("ZZSim.OpcServer", &versioned));
    EXPECT_EQ(L"ZZSim.OpcServer.1", versioned);
    ASSERT_EQ(S_OK, link.ReadCurVer("ZZSim.OpcServer.1", &versioned));
    EXPECT_EQ(L"ZZSim.OpcServer.1", versioned);
    ASSERT_EQ(S_OK, link.ConnectA(nullptr, "ZZSim.OpcServer", true, COINIT_APARTMENTTHREADED));
    EXPECT_NE(nullptr, link.GetServer());
    EXPECT_NE(nullptr, link.GetMalloc());
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(ServerLinkTest, SecondConnectFailsAndKeepsTheFirst) {
    OpcServerLink link;
    ASSERT_EQ(S_OK, link.ConnectA(nullptr, "ZZSim.OpcServer", true, COINIT_APARTMENTTHREADED));
    IOPCServer* first = link.GetServer();
    EXPECT_EQ(E_FAIL, link.ConnectA(nullptr, "ZZSim.OpcServer", true, COINIT_APARTMENTTHREADED));
    EXPECT_EQ(first, link.GetServer());
    ASSERT_EQ(1u, m_boxes.size());
    EXPECT_EQ(ErrorBoxText("Already connected to an OPC Server!", E_FAIL), m_boxes[0]);
    EXPECT_NE(std::string::npos, m_boxes[0].find("\n\nError : "));
    // A second link in the same process succeeds although process security is set already.
    OpcServerLink second;
    EXPECT_EQ(S_OK, second.ConnectA(nullptr, "ZZSim.OpcServer.1", true, COINIT_APARTMENTTHREADED));
}

TEST_F(ServerLinkTest, UnknownProgIdReportsAndLeavesTheLinkIdle) {
    OpcServerLink link;
    const HRESULT hr = link.ConnectA(nullptr, "No.Such.Server", true, COINIT_APARTMENTTHREADED);
    EXPECT_TRUE(FAILED(hr));
    ASSERT_EQ(1u, m_boxes.size());
    EXPECT_EQ(ErrorBoxText("Function 'CLSIDFromProgID' failed !", hr), m_boxes[0]);
    EXPECT_EQ(nullptr, link.GetServer());
    EXPECT_FALSE(link.IsComInitialized());
}

TEST_F(ServerLinkTest, RemoteLookupOnlyForProgIdsUnknownHere) {
    OpcServerLink local;
    // Registered here: resolved here, the remote enumerator is never asked.
    EXPECT_EQ(S_OK, local.ConnectA("\\\\nohost", "ZZSim.OpcServer", true, COINIT_APARTMENTTHREADED));
    EXPECT_TRUE(m_boxes.empty());
    OpcServerLink remote;
    const HRESULT hr = remote.ConnectA("\\\\nohost", "Not.Registered.Here", true, COINIT_APARTMENTTHREADED);
    EXPECT_TRUE(FAILED(hr));
    // The local miss is silent; only the enumerator's failure is shown.
    ASSERT_EQ(1u, m_boxes.size());
    EXPECT_EQ(ErrorBoxText("Cannot connect to OPCBrowser on remote machine !", hr), m_boxes[0]);
    EXPECT_FALSE(remote.IsComInitialized());
}

TEST_F(ServerLinkTest, RunningOnlyServerIsNeverStarted) {
    OpcServerLink link;
    LONG before = Counters().nServers;
    EXPECT_TRUE(FAILED(link.CreateServer(nullptr, kRunningOnlyServerClsid, false, COINIT_APARTMENTTHREADED)));
    EXPECT_EQ(nullptr, link.GetServer());
    EXPECT_FALSE(link.IsComInitialized());
    EXPECT_EQ(before, Counters().nServers);
}

class ConnectionTest : public OnEveryKind<SimServerFixture> {
  protected:
    void SetUp() override {
        SimServerFixture::SetUp();
        UseConfig(m_config);
    }
    void TearDown() override {
        m_frame.reset();
        SimServerFixture::TearDown();
    }
    // Starts the frame; a lone /u1 connects at the first idle update.
    void Start(const std::string& cmdLine = std::string()) {
        const std::string line = cmdLine.empty() ? "/u1 " + Server() : cmdLine;
        m_frame.reset(new FrameHarness(line.c_str()));
        m_frame->Idle();
    }
    void Notify() {
        EXPECT_EQ(S_OK, NotifyNow()) << "no group of the program's was ticked";
        m_frame->Idle();
    }

    std::string m_config = kSmallPlant;
    TraceCapture m_capture;
    KorvaneIni m_ini{nullptr};
    std::unique_ptr<FrameHarness> m_frame;
};
ZZ_ON_EVERY_KIND(ConnectionTest, SimKind::Da10, SimKind::Da20Callbacks, SimKind::Da30Browse);

TEST_P(ConnectionTest, AutoConnectCreatesTheGroupAndClearsTheList) {
    Start();
    ASSERT_NE(nullptr, g_pConnection);
    EXPECT_TRUE(g_pConnection->HasServer());
    EXPECT_EQ(Server(), g_pConnection->ServerText());
    EXPECT_EQ(100u, Counters().dwLastRequestedRate);
    EXPECT_EQ(0, g_pItemView->GetListCtrl().GetItemCount());
    EXPECT_EQ(1, (int)LogLines("AddGroup name=\"VORUVEvozevuradeVivid\"").size()) << Log();
    EXPECT_TRUE(m_frame->Frame()->m_bConnected);
    EXPECT_TRUE(m_frame->Boxes().empty());
}

TEST_P(ConnectionTest, AddedItemsShowTypeAccessAndLiveValues) {
    Start();
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Count"));
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Name"));
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Flag"));
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Write"));
    EXPECT_EQ(1u, Counters().nDAdvise);
    EXPECT_EQ("Line.Count", Cell(0, 0));
    EXPECT_EQ("VT_I4", Cell(0, 1));
    EXPECT_EQ("R/W", Cell(0, 2));
    EXPECT_EQ("R", Cell(1, 2));
    EXPECT_EQ("W", Cell(3, 2));
    EXPECT_EQ("", CItemView::AccessText(0));
    Notify();
    EXPECT_NE("?", Cell(0, 3));
    EXPECT_EQ("abc", Cell(1, 3));
    EXPECT_EQ("On", Cell(2, 3));
    EXPECT_EQ(QualityText(OPC_QUALITY_GOOD), Cell(0, 4));
}

TEST_P(ConnectionTest, DuplicateIdSelectsTheRowAndRequestsNothing) {
    Start();
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Count"));
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Name"));
    DWORD requests = Counters().nAddItems;
    EXPECT_EQ(E_FAIL, g_pConnection->AddItem("LINE.COUNT"));
    EXPECT_EQ(requests, Counters().nAddItems);
    EXPECT_EQ(2, g_pItemView->GetListCtrl().GetItemCount());
    EXPECT_TRUE(g_pItemView->GetListCtrl().GetItemState(0, LVIS_SELECTED));
}

TEST_P(ConnectionTest, RejectedItemOfABatchKeepsLaterHandlesOnTheirRows) {
    m_config += "reject Line.Name\n";
    UseConfig(m_config);
    Start();
    std::vector<std::string> ids = {"Line.Count", "Line.Name", "Line.Flag", "Line.Bytes", "Heartbeat"};
    g_pConnection->AddItems(ids);
    ASSERT_EQ(4, g_pItemView->GetListCtrl().GetItemCount());
    EXPECT_EQ("Line.Flag", Cell(1, 0));
    EXPECT_EQ("Heartbeat", Cell(3, 0));
    Notify();
    EXPECT_EQ("On", Cell(1, 3));
    EXPECT_EQ("0A FF 00 ", Cell(2, 3));
    EXPECT_NE("?", Cell(3, 3));
}

TEST_P(ConnectionTest, OfflinePausesValuesAndResumesWithoutReAdding) {
    Start();
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Count"));
    Notify();
    std::string first = Cell(0, 3);
    SendMessageA(m_frame->Frame()->m_hWnd, WM_COMMAND, ID_OPTIONS_OFFLINE, 0);
    EXPECT_FALSE(m_frame->Frame()->m_bLiveData);
    EXPECT_EQ(1u, Counters().nDUnadvise);
    Notify();
    Notify();
    EXPECT_EQ(first, Cell(0, 3));
    DWORD adds = Counters().nAddItems;
    SendMessageA(m_frame->Frame()->m_hWnd, WM_COMMAND, ID_OPTIONS_OFFLINE, 0);
    EXPECT_EQ(2u, Counters().nDAdvise);
    Notify();
    EXPECT_NE(first, Cell(0, 3));
    EXPECT_EQ(adds, Counters().nAddItems);
}

// The types of most real process values: a double keeps its precision, currency and dates read
// as the system writes them for the user; each row shows its own quality.
TEST_P(ConnectionTest, DoubleCurrencyAndDateShowValueAndQuality) {
    Start();
    std::vector<std::string> ids = {"Line.Precise", "Line.Money", "Line.When"};
    ASSERT_EQ(0, g_pConnection->AddItems(ids));
    Notify();
    EXPECT_EQ("1234.5678901234", Cell(0, 3));
    EXPECT_EQ(QualityText(OPC_QUALITY_GOOD), Cell(0, 4));
    EXPECT_EQ("12.34", Cell(1, 3));
    EXPECT_EQ(QualityText(0x40), Cell(1, 4));
    EXPECT_NE(std::string::npos, Cell(2, 3).find("2024")) << Cell(2, 3);
    EXPECT_NE(std::string::npos, Cell(2, 3).find("30")) << Cell(2, 3);
    EXPECT_EQ(QualityText(OPC_QUALITY_GOOD), Cell(2, 4));
}

// A server that aligns its values to 8 bytes leaves gaps that only the item headers' offsets
// tell; read one after the other, the values would be misread from the first gap on.
TEST_P(ConnectionTest, PaddedValuesAreReadAtTheirOffsets) {
    m_config += "pad_values\n";
    UseConfig(m_config);
    Start();
    std::vector<std::string> ids = {"Line.Name", "Line.Flag", "Line.Bytes", "Line.Precise", "Line.Money"};
    ASSERT_EQ(0, g_pConnection->AddItems(ids));
    Notify();
    EXPECT_EQ("abc", Cell(0, 3));
    EXPECT_EQ("On", Cell(1, 3));
    EXPECT_EQ("0A FF 00 ", Cell(2, 3));
    EXPECT_EQ("1234.5678901234", Cell(3, 3));
    EXPECT_EQ("12.34", Cell(4, 3));
    EXPECT_EQ(QualityText(0x40), Cell(4, 4));
}

// A server that notifies from threads of its own (or any server, through a proxy, when the
// answer is slower than the notification) can deliver the first values while the client still
// waits for the AddItems answer: values that never change would otherwise never be shown.
TEST_P(ConnectionTest, FirstValuesThatComeBeforeTheAddItemsAnswerReachTheirRows) {
    m_config += "early_values\n";
    UseConfig(m_config);
    Start();
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Name"));
    std::vector<std::string> ids = {"Line.Flag", "Line.Bytes", "Line.Money"};
    ASSERT_EQ(0, g_pConnection->AddItems(ids));
    EXPECT_EQ("abc", Cell(0, 3));
    EXPECT_EQ("On", Cell(1, 3));
    EXPECT_EQ("0A FF 00 ", Cell(2, 3));
    EXPECT_EQ("12.34", Cell(3, 3));
    EXPECT_EQ(QualityText(0x40), Cell(3, 4));
    EXPECT_EQ(QualityText(OPC_QUALITY_GOOD), Cell(0, 4));
}

TEST_P(ConnectionTest, HexDumpSwitchesByteArrayTexts) {
    Start();
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Bytes"));
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Real"));
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Ramp"));
    Notify();
    EXPECT_EQ("0A FF 00 ", Cell(0, 3));
    EXPECT_EQ("1.5", Cell(1, 3));
    EXPECT_EQ(6u, Cell(2, 3).size());
    SendMessageA(m_frame->Frame()->m_hWnd, WM_COMMAND, ID_OPTIONS_HEXDUMP, 0);
    EXPECT_FALSE(g_pConnection->m_hexDump);
    Notify();
    EXPECT_NE(std::string::npos, Cell(2, 3).find("| "));
}

TEST_P(ConnectionTest, DisconnectTearsDownInOrder) {
    Start();
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Count"));
    SendMessageA(m_frame->Frame()->m_hWnd, WM_COMMAND, ID_CONNECT_DISCONNECT, 0);
    EXPECT_EQ(nullptr, g_pConnection);
    std::vector<std::string> expected = {"Delete all Items from OPC Item View\r\n",
                                         "Inactivate Advise Data\r\n",
                                         "Release AdviseSink\r\n",
                                         "Release IOPCAsyncIO\r\n",
                                         "Remove Group\r\n",
                                         "Release IOPCItemMgt\r\n",
                                         "Release IOPCBrowseServerAddressSpace\r\n",
                                         "Disconnect from Server\r\n",
                                         "Connection Terminated\r\n",
                                         "Disconnect from the Server\r\n"};
    // A newer server's stand-ins go the same way in the same place.
    if (Kind() == SimKind::Da20Callbacks)
        expected.erase(expected.begin() + 3);
    if (Kind() == SimKind::Da30Browse)
        expected[6] = "Release IOPCBrowse\r\n";
    EXPECT_EQ(expected, LinesFrom(m_capture, "Delete all Items from OPC Item View"));
    EXPECT_EQ(0, LiveObjects());
}

TEST_P(ConnectionTest, FailedServerStateClosesWithItsMessage) {
    UseConfig(std::string(kSmallPlant) + "state failed\n");
    Start();
    ASSERT_NE(nullptr, g_pConnection);
    EXPECT_FALSE(g_pConnection->HasServer());
    ASSERT_EQ(1u, m_frame->Boxes().size());
    EXPECT_EQ("Der Server konnte nicht richtig getartet werden", m_frame->Boxes()[0].text);
    EXPECT_FALSE(m_frame->Frame()->m_bConnected);
}

TEST_P(ConnectionTest, UnknownServerStateAsksAndCancelFails) {
    UseConfig(std::string(kSmallPlant) + "state 9\n");
    FrameHarness h(("/u2 " + Server()).c_str());
    h.QueueAnswers({IDCANCEL});
    SendMessageA(h.Frame()->m_hWnd, WM_COMMAND, ID_CONNECT_SERVER2, 0);
    ASSERT_EQ(1u, h.Boxes().size());
    EXPECT_EQ("Unbekannter Status: '9'!", h.Boxes()[0].text);
    EXPECT_EQ((UINT)MB_OKCANCEL, h.Boxes()[0].type);
    EXPECT_FALSE(g_pConnection->HasServer());
    SendMessageA(h.Frame()->m_hWnd, WM_COMMAND, ID_CONNECT_SERVER2, 0);  // OK this time
    EXPECT_TRUE(g_pConnection->HasServer());
}

TEST_P(ConnectionTest, SuspendedServerIsWaitedForUntilOneTickAfterItRuns) {
    UseConfig(std::string(kSmallPlant) + "state suspended 1 running\n");
    std::string shown;
    std::vector<int> results;
    CDialog::SetNextInitHook([&](CDialog& dlg) {
        shown = dlg.GetWindowText();
        // The first tick polls and sees the server running; the second ends the wait.
        for (int tick = 0; tick < 2; ++tick) {
            dlg.SendMessage(WM_TIMER, 1);
            results.push_back(dlg.m_nModalResult);
        }
    });
    Start();
    EXPECT_EQ("Status OPC - Server", shown);
    EXPECT_EQ((std::vector<int>{-1, IDOK}), results);
    EXPECT_TRUE(g_pConnection->HasServer());
    EXPECT_EQ(1u, Counters().nAddGroup);
}

TEST_P(ConnectionTest, ServerThatStaysSuspendedIsTakenAsRunningOnThe51stTick) {
    UseConfig(std::string(kSmallPlant) + "state suspended\n");
    int after50 = 0, after51 = 0;
    std::string status;
    CDialog::SetNextInitHook([&](CDialog& dlg) {
        for (int tick = 0; tick < 50; ++tick)
            dlg.SendMessage(WM_TIMER, 1);
        after50 = dlg.m_nModalResult;
        char text[64] = {};
        GetDlgItemTextA(dlg.m_hWnd, IDC_STATUS_TEXT, text, sizeof(text));
        status = text;
        dlg.SendMessage(WM_TIMER, 1);
        after51 = dlg.m_nModalResult;
    });
    Start();
    EXPECT_EQ(-1, after50);
    EXPECT_EQ(IDOK, after51);
    EXPECT_EQ("Status: SUSPENDED", status);
    EXPECT_TRUE(g_pConnection->HasServer());
}

TEST_P(ConnectionTest, CancelledWaitFailsTheConnect) {
    UseConfig(std::string(kSmallPlant) + "state suspended\n");
    CDialog::SetNextInitHook([](CDialog& dlg) { dlg.PostMessage(WM_COMMAND, IDCANCEL); });
    Start();
    EXPECT_FALSE(g_pConnection->HasServer());
    EXPECT_EQ(0u, Counters().nAddGroup);
}

TEST_P(ConnectionTest, RevisedRateIsOfferedForTheProjectFile) {
    UseConfig(std::string(kSmallPlant) + "revise_rate 250\n");
    TempFile project("zz_rate.kri", "[device2]\r\nname=" + Server() + "\r\nOPCServer=1\r\nScanTime=40\r\n");
    FrameHarness h(project.Path().c_str());
    SendMessageA(h.Frame()->m_hWnd, WM_COMMAND, ID_CONNECT_SERVER2, 0);
    EXPECT_EQ(40u, Counters().dwLastRequestedRate);
    ASSERT_EQ(1u, h.Boxes().size());
    EXPECT_EQ(
        "Angeforderte Aktualtisierungsrate: 40\r\nAktualisierungsrate in dem Server: 250\r\n"
        "Sollen die Einstllungen in die schnittstellenkonfiguration \xfc"
        "bernommen werden?",
        h.Boxes()[0].text);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, project.Path().c_str());
    EXPECT_EQ(250u, GetPrivateProfileIntA("device2", "ScanTime", 0, project.Path().c_str()));
}

TEST_P(ConnectionTest, RecentProjectReadsAndKeepsTheRevisedRate) {
    UseConfig(std::string(kSmallPlant) + "revise_rate 250\n");
    TempFile project("zz_recent_rate.kri", "[device2]\r\nname=" + Server() + "\r\nOPCServer=1\r\nScanTime=40\r\n");
    KorvaneIni ini(project.Path().c_str());
    FrameHarness h("");
    SendMessageA(h.Frame()->m_hWnd, WM_COMMAND, ID_CONNECT_SERVER2, 0);
    EXPECT_EQ(40u, Counters().dwLastRequestedRate);
    ASSERT_EQ(1u, h.Boxes().size());
    EXPECT_EQ(0u, h.Boxes()[0].text.find("Angeforderte Aktualtisierungsrate: 40\r\n"));
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, project.Path().c_str());
    EXPECT_EQ(250u, GetPrivateProfileIntA("device2", "ScanTime", 0, project.Path().c_str()));
}

TEST_P(ConnectionTest, ServerSwitchesNeverAskAboutTheRate) {
    UseConfig(std::string(kSmallPlant) + "revise_rate 250\n");
    Start();
    EXPECT_TRUE(g_pConnection->HasServer());
    EXPECT_TRUE(m_frame->Boxes().empty());
}

TEST_P(ConnectionTest, ConnectEntriesAndNewItemFollowTheServer) {
    Start();
    CMainFrame* f = m_frame->Frame();
    HMENU edit = GetSubMenu(f->m_hMenu, 1);
    HMENU connect = GetSubMenu(f->m_hMenu, 2);
    f->UpdateMenuPopup(edit);
    f->UpdateMenuPopup(connect);
    EXPECT_TRUE(GetMenuState(f->m_hMenu, ID_CONNECT_SERVER1, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(f->m_hMenu, ID_EDIT_NEW_ITEM, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(f->m_hMenu, ID_CONNECT_DISCONNECT, MF_BYCOMMAND) & MF_GRAYED);
}

// Without IOPCAsyncIO the connect goes on: values come through IOPCDataCallback where the group
// has it, else they stay "?" and the status line says why.
TEST_P(ConnectionTest, WithheldAsyncInterfaceStillConnectsAndAddsItems) {
    UseConfig(std::string(kSmallPlant) + "withhold asyncio\n");
    Start();
    ASSERT_NE(nullptr, g_pConnection);
    EXPECT_TRUE(m_frame->Frame()->m_bConnected);
    ASSERT_EQ(0, g_pConnection->AddItem("Line.Name"));
    Notify();
    const bool callbacks = Kind() == SimKind::Da20Callbacks;
    EXPECT_EQ(callbacks ? "abc" : "?", Cell(0, 3));
    EXPECT_EQ(callbacks, g_pConnection->Notice().empty()) << g_pConnection->Notice();
    if (!callbacks) {
        EXPECT_EQ(g_pConnection->Notice(), m_frame->Frame()->GetMessageText());
    }
    EXPECT_EQ(callbacks, LinesFrom(m_capture, "Server sends no Data changes").empty());
}

TEST_P(ConnectionTest, AcceptDeleteToggleTracesAndFlipsTheFlag) {
    Start();
    HWND f = m_frame->Frame()->m_hWnd;
    SendMessageA(f, WM_COMMAND, ID_OPTIONS_ACCEPT_DELETE, 0);
    EXPECT_FALSE(g_pItemView->m_deleteOnAccept);
    EXPECT_FALSE(GetMenuState(m_frame->Frame()->m_hMenu, ID_OPTIONS_ACCEPT_DELETE, MF_BYCOMMAND) & MF_CHECKED);
    SendMessageA(f, WM_COMMAND, ID_OPTIONS_ACCEPT_DELETE, 0);
    EXPECT_TRUE(g_pItemView->m_deleteOnAccept);
    EXPECT_TRUE(GetMenuState(m_frame->Frame()->m_hMenu, ID_OPTIONS_ACCEPT_DELETE, MF_BYCOMMAND) & MF_CHECKED);
    std::vector<std::string> lines = LinesFrom(m_capture, "Verify the Items on Accept");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ("Delete the Items on Accept\r\n", lines[1]);
}

}  // namespace
