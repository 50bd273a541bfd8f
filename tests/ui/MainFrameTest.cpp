// The real main frame started with various command lines and settings files.
#include <windows.h>
#include <commctrl.h>

#include <set>

#include <gtest/gtest.h>

#include "app/Globals.h"
#include "common/FrameHarness.h"
#include "common/TraceCapture.h"
#include "framework/Handles.h"
#include "res/resource.h"
#include "trace/Trace.h"
#include "variables/VariableView.h"
#include "views/BrowseView.h"
#include "views/ItemView.h"

namespace {

std::vector<std::string> TraceLines(const TraceCapture& capture) {
    std::vector<std::string> lines;
    for (const TraceRecord& r : capture.Records()) {
        if (r.kind == kTraceRecordStart)
            lines.push_back("<start>");
        else
            lines.push_back(std::string(r.bytes.c_str()));
    }
    return lines;
}

int CountLine(const TraceCapture& capture, const std::string& line) {
    int n = 0;
    for (const std::string& l : TraceLines(capture))
        n += l == line;
    return n;
}

HMENU ConnectMenu(CMainFrame* frame) {
    return GetSubMenu(frame->m_hMenu, 2);
}

std::vector<std::pair<UINT, std::string>> ServerEntries(CMainFrame* frame) {
    std::vector<std::pair<UINT, std::string>> entries;
    HMENU menu = ConnectMenu(frame);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        UINT id = GetMenuItemID(menu, i);
        if (id >= ID_CONNECT_SERVER1 && id <= ID_CONNECT_SERVER5) {
            char text[256] = {};
            GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
            entries.emplace_back(id, text);
        }
    }
    return entries;
}

using Entries = std::vector<std::pair<UINT, std::string>>;

class MainFrameStartTest : public ::testing::Test {
  protected:
    KorvaneIni m_ini{nullptr};
};

TEST_F(MainFrameStartTest, EmptyCommandLineWithoutRecentProjectGivesBareTitle) {
    FrameHarness h("");
    ASSERT_TRUE(h.IsOpen());
    EXPECT_EQ("ZIZAZOzivuvi - .kri", h.Frame()->GetWindowText());
    EXPECT_TRUE(ServerEntries(h.Frame()).empty());
    EXPECT_FALSE(h.Frame()->m_bProjectKnown);
    EXPECT_FALSE(h.Frame()->m_bServerSwitches);
}

TEST_F(MainFrameStartTest, SingleSwitchConnectsOnceAtFirstIdleUpdate) {
    TraceCapture capture;
    FrameHarness h("/u1 ServerA");
    EXPECT_EQ("ZIZAZOzivuvi", h.Frame()->GetWindowText());
    EXPECT_EQ((Entries{{32775, "ServerA"}}), ServerEntries(h.Frame()));
    EXPECT_EQ(0, CountLine(capture, "Connect the Server:\"ServerA\"\r\n"));
    h.Idle();
    h.Idle();
    EXPECT_EQ(1, CountLine(capture, "Connect the Server:\"ServerA\"\r\n"));
    EXPECT_EQ(0u, h.Frame()->m_nAutoConnectId);
    // No such server here: the connect reports its failing step, once.
    ASSERT_EQ(1u, h.Boxes().size()) << (h.Boxes().empty() ? "" : h.Boxes()[0].text);
    EXPECT_EQ(0u, h.Boxes()[0].text.find("Function 'CLSIDFromProgID' failed !"));
    EXPECT_EQ((UINT)(MB_ICONWARNING | MB_OK), h.Boxes()[0].type);
}

TEST_F(MainFrameStartTest, SwitchCombinationsFillTheConnectMenu) {
    struct Case {
        const char* cmdLine;
        Entries entries;
        UINT autoConnect;
    };
    const Case cases[] = {
        {"/u1 ServerA /u2 ServerB", {{32775, "ServerA"}, {32776, "ServerB"}}, 0},
        {"/u2 ServerB", {{32776, "ServerB"}}, 0},
        {"/u1ServerA", {{32775, "erverA"}}, 32775},
        {"/u1 Manu2x", {{32775, "Manu2x"}, {32776, ""}}, 0},
        {"/u5 <host>ZZSim.OpcServer", {{32779, "<host>ZZSim.OpcServer"}}, 0},
    };
    for (const Case& c : cases) {
        FrameHarness h(c.cmdLine);
        EXPECT_EQ(c.entries, ServerEntries(h.Frame())) << c.cmdLine;
        EXPECT_EQ(c.autoConnect, h.Frame()->m_nAutoConnectId) << c.cmdLine;
        EXPECT_EQ("ZIZAZOzivuvi", h.Frame()->GetWindowText()) << c.cmdLine;
    }
}

TEST_F(MainFrameStartTest, ProjectPathOnCommandLineNamesTitleAndDevices) {
    TempFile project("zz_project_a.kri",
                     "[device1]\r\nname=ServerOne\r\nOPCServer=1\r\n"
                     "[device2]\r\nname=NotOpc\r\nOPCServer=0\r\n"
                     "[device3]\r\nname=\r\nOPCServer=1\r\n"
                     "[device4]\r\nname=Garbage\r\nOPCServer=abc\r\n"
                     "[device5]\r\nname=Five\r\nOPCServer=7\r\n");
    FrameHarness h(project.Path().c_str());
    EXPECT_EQ("ZIZAZOzivuvi - " + project.Path() + ".kri", h.Frame()->GetWindowText());
    EXPECT_EQ((Entries{{32775, "ServerOne"}, {32779, "Five"}}), ServerEntries(h.Frame()));
    EXPECT_FALSE(h.Frame()->m_bProjectKnown);
    EXPECT_EQ(0u, h.Frame()->m_nAutoConnectId);
}

TEST_F(MainFrameStartTest, RecentProjectFromKorvaneIniEnablesCopyAndKeepsEntryNumbers) {
    TempFile project("zz_project_b.kri", "[device3]\r\nname=OnlyThree\r\nOPCServer=1\r\n");
    KorvaneIni ini(project.Path().c_str());
    FrameHarness h("");
    EXPECT_TRUE(h.Frame()->m_bProjectKnown);
    EXPECT_EQ((Entries{{32777, "OnlyThree"}}), ServerEntries(h.Frame()));
    EXPECT_EQ("ZIZAZOzivuvi - " + project.Path() + ".kri", h.Frame()->GetWindowText());
}

TEST_F(MainFrameStartTest, MissingProjectFileAddsNoEntries) {
    KorvaneIni ini("C:\\does\\not\\exist.kri");
    FrameHarness h("");
    EXPECT_TRUE(h.Frame()->m_bProjectKnown);
    EXPECT_TRUE(ServerEntries(h.Frame()).empty());
}

TEST(MainFrameTraceTest, StartupHeaderComesInOrder) {
    KorvaneIni ini(nullptr);
    TraceCapture capture;
    {
        FrameHarness h("/u1 ServerA /u3 ServerC");
        std::vector<std::string> lines = TraceLines(capture);
        ASSERT_EQ(8u, lines.size());
        EXPECT_EQ("<start>", lines[0]);
        // The system description is one record spanning several lines.
        EXPECT_NE(std::string::npos, lines[1].find("\r\n"));
        EXPECT_LT(lines[1].find("\r\n"), lines[1].size() - 2);
        EXPECT_EQ(std::string(56, '=') + "\r\n", lines[2]);
        EXPECT_EQ("Created two splitterwindows with three views\r\n", lines[3]);
        EXPECT_EQ("Append MenuItem \"ServerA\"\r\n", lines[4]);
        EXPECT_EQ("Append MenuItem \"ServerC\"\r\n", lines[5]);
        EXPECT_EQ("Init the OPC-Item ListCtrl\r\n", lines[6]);
        EXPECT_EQ("Add OPC-Item S7:[S7-Verbindung_1]DB2,W0,1 to List\r\n", lines[7]);
    }
    std::vector<std::string> lines = TraceLines(capture);
    // The close flow clears the list, the destroyed list view clears it once more.
    std::vector<std::string> closing(lines.begin() + 8, lines.end());
    EXPECT_EQ((std::vector<std::string>{"Delete all Items from OPC Item View\r\n", "Close Application\r\n",
                                        "Delete all Items from OPC Item View\r\n", "Clipboard cleared\r\n"}),
              closing);
}

TEST(MainFrameTraceTest, ViewerAnsweringZeroGetsOnlyTheStartRecord) {
    KorvaneIni ini(nullptr);
    TraceCapture capture(true);
    FrameHarness h("/u1 ServerA");
    h.Idle();
    ASSERT_EQ(1u, capture.Records().size());
    EXPECT_EQ(kTraceRecordStart, capture.Records()[0].kind);
}

class MainFrameWindowTest : public ::testing::Test {
  protected:
    KorvaneIni m_ini{nullptr};
    FrameHarness m_h{"/u1 ServerA"};
};

TEST_F(MainFrameWindowTest, MenuBarHasTheGermanPopupsAndInitialChecks) {
    HMENU menu = m_h.Frame()->m_hMenu;
    const wchar_t* popups[] = {L"&Datei", L"&Bearbeiten", L"&Verbinden", L"Optionen", L"&Ansicht", L"&?"};
    ASSERT_EQ(6, GetMenuItemCount(menu));
    for (int i = 0; i < 6; ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(popups[i], text);
    }
    EXPECT_TRUE(GetMenuState(menu, ID_OPTIONS_ACCEPT_DELETE, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(menu, ID_OPTIONS_HEXDUMP, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(menu, ID_VIEW_CUTBAR, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(MainFrameWindowTest, UpdateRulesDisableCommandsWithoutHandlers) {
    HMENU menu = m_h.Frame()->m_hMenu;
    HMENU edit = GetSubMenu(menu, 1);
    HMENU connect = GetSubMenu(menu, 2);
    m_h.Frame()->UpdateMenuPopup(edit);
    m_h.Frame()->UpdateMenuPopup(connect);
    EXPECT_TRUE(GetMenuState(menu, ID_EDIT_UNDO, MF_BYCOMMAND) & MF_GRAYED);
    // The server chooser is always there, connected or not.
    EXPECT_FALSE(GetMenuState(menu, ID_CONNECT_BROWSE_SERVER, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu, ID_EDIT_NEW_ITEM, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(menu, ID_CONNECT_SERVER1, MF_BYCOMMAND) & MF_GRAYED);
    HMENU view = GetSubMenu(menu, 4);
    m_h.Frame()->UpdateMenuPopup(view);
    EXPECT_TRUE(GetMenuState(menu, ID_VIEW_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(menu, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED);
}

// The command ids of a menu and all its pop-ups.
void CollectMenuIds(HMENU menu, std::set<UINT>* ids) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (HMENU popup = GetSubMenu(menu, i))
            CollectMenuIds(popup, ids);
        else if (UINT id = GetMenuItemID(menu, i); id != 0 && id != (UINT)-1)
            ids->insert(id);
    }
}

std::set<UINT> ResourceMenuIds(UINT menuId) {
    std::set<UINT> ids;
    UniqueHMenu menu(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(menuId)));
    CollectMenuIds(menu.get(), &ids);
    return ids;
}

TEST_F(MainFrameWindowTest, EveryMenuAndToolBarCommandReachesAHandler) {
    // Left without a handler on purpose: these entries stay disabled.
    const std::set<UINT> dead = {ID_EDIT_UNDO, ID_CONNECT_SELECT_PROJECT};
    CMainFrame* f = m_h.Frame();
    std::set<UINT> ids = ResourceMenuIds(IDR_MAINFRAME);
    CollectMenuIds(f->m_hMenu, &ids);  // with the appended server entry
    ASSERT_TRUE(ids.count(ID_CONNECT_SERVER1));
    int buttons = (int)SendMessageA(f->m_wndToolBar.m_hWnd, TB_BUTTONCOUNT, 0, 0);
    for (int i = 0; i < buttons; ++i) {
        TBBUTTON b = {};
        SendMessageA(f->m_wndToolBar.m_hWnd, TB_GETBUTTON, i, (LPARAM)&b);
        if (!(b.fsStyle & BTNS_SEP))
            ids.insert((UINT)b.idCommand);
    }
    ASSERT_GE(ids.size(), 25u);
    for (UINT id : ids)
        EXPECT_EQ(dead.count(id) == 0, f->OnCmdMsg(id, CN_QUERY_HANDLER, nullptr) != FALSE) << id;
    // Context menus: their commands go to the view that opened them.
    const std::pair<UINT, CCmdTarget*> contexts[] = {
        {IDR_MENU_OPC_ITEM, g_pItemView}, {IDR_MENU_KR_VARIABLE, g_pVariableView}, {IDR_MENU_NODE, f->m_pBrowseView}};
    for (const auto& [menuId, owner] : contexts) {
        std::set<UINT> contextIds = ResourceMenuIds(menuId);
        EXPECT_FALSE(contextIds.empty()) << menuId;
        for (UINT id : contextIds)
            EXPECT_TRUE(owner->OnCmdMsg(id, CN_QUERY_HANDLER, nullptr)) << menuId << ": " << id;
    }
}

TEST_F(MainFrameWindowTest, BarsAndPanesAreLaidOut) {
    CMainFrame* f = m_h.Frame();
    EXPECT_EQ(3, (int)SendMessageA(f->m_wndToolBar.m_hWnd, TB_BUTTONCOUNT, 0, 0));
    TBBUTTON b = {};
    const int order[] = {ID_EDIT_DELETE_ALL, ID_EDIT_ADD_ALL, ID_EDIT_ACCEPT};
    for (int i = 0; i < 3; ++i) {
        SendMessageA(f->m_wndToolBar.m_hWnd, TB_GETBUTTON, i, (LPARAM)&b);
        EXPECT_EQ(order[i], b.idCommand);
    }
    EXPECT_EQ(2, (int)SendMessageA(f->m_wndReBar.m_hWnd, RB_GETBANDCOUNT, 0, 0));
    EXPECT_EQ(4, (int)SendMessageA(f->m_wndStatusBar.m_hWnd, SB_GETPARTS, 0, 0));
    wchar_t idle[128] = {};
    SendMessageW(f->m_wndStatusBar.m_hWnd, SB_GETTEXTW, 0, (LPARAM)idle);
    EXPECT_STREQ(L"Dr\u00fccken Sie F1, um Hilfe zu erhalten.", idle);

    RECT client;
    GetClientRect(f->m_hWnd, &client);
    EXPECT_EQ(client.right / 3, f->m_wndSplitter.GetColumnWidth(0));
    EXPECT_EQ(client.bottom / 2, f->m_wndRightSplitter.GetRowHeight(0));
    ASSERT_NE(nullptr, g_pItemView);
    EXPECT_EQ((CView*)g_pItemView, f->GetActiveView());

    // Panes between bars spanning the client: also laid out hidden (before the first show) and after a resize.
    auto fitsBetweenBars = [f] {
        RECT area, panes, rebar, status;
        GetClientRect(f->m_hWnd, &area);
        MapWindowPoints(f->m_hWnd, nullptr, reinterpret_cast<POINT*>(&area), 2);
        GetWindowRect(f->m_wndSplitter.m_hWnd, &panes);
        GetWindowRect(f->m_wndReBar.m_hWnd, &rebar);
        GetWindowRect(f->m_wndStatusBar.m_hWnd, &status);
        return rebar.bottom == panes.top && status.top == panes.bottom && status.bottom == area.bottom &&
               rebar.right == area.right && status.right == area.right;
    };
    ShowWindow(f->m_hWnd, SW_HIDE);
    f->RecalcLayout();
    EXPECT_TRUE(fitsBetweenBars());
    ShowWindow(f->m_hWnd, SW_SHOW);
    for (UINT bar : {ID_VIEW_STATUS_BAR, ID_VIEW_TOOLBAR})
        SendMessageA(f->m_hWnd, WM_COMMAND, bar, 0);
    SetWindowPos(f->m_hWnd, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
    for (UINT bar : {ID_VIEW_STATUS_BAR, ID_VIEW_TOOLBAR})
        SendMessageA(f->m_hWnd, WM_COMMAND, bar, 0);
    EXPECT_TRUE(fitsBetweenBars());
}

TEST_F(MainFrameWindowTest, MenuPromptsShowInTheStatusBar) {
    CMainFrame* f = m_h.Frame();
    SendMessageA(f->m_hWnd, WM_MENUSELECT, MAKEWPARAM(ID_EDIT_DELETE_ALL, MF_STRING), (LPARAM)f->m_hMenu);
    EXPECT_EQ("Alle Items L\xf6schen", f->GetMessageText());
    SendMessageA(f->m_hWnd, WM_MENUSELECT, MAKEWPARAM(ID_VIEW_TOOLBAR, MF_STRING), (LPARAM)f->m_hMenu);
    EXPECT_EQ("Blendet die Symbolleiste ein oder aus.", f->GetMessageText());
    SendMessageA(f->m_hWnd, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(
        "Dr\xfc"
        "cken Sie F1, um Hilfe zu erhalten.",
        f->GetMessageText());
}

TEST_F(MainFrameWindowTest, ToolBarCommandHidesAndShowsTheBand) {
    CMainFrame* f = m_h.Frame();
    SendMessageA(f->m_hWnd, WM_COMMAND, ID_VIEW_TOOLBAR, 0);
    EXPECT_FALSE(f->m_wndToolBar.IsWindowVisible());
    SendMessageA(f->m_hWnd, WM_COMMAND, ID_VIEW_TOOLBAR, 0);
    EXPECT_TRUE(f->m_wndToolBar.IsWindowVisible());
}

TEST(MainFrameCommandTest, EditCommandsTraceAndTheSeparatorCheckOutlivesTheHandOver) {
    KorvaneIni ini("C:\\does\\not\\exist.kri");  // a recent project enables "K&opieren"
    TraceCapture capture;
    FrameHarness h("");
    CMainFrame* f = h.Frame();
    // With the item list active, "\xdc&bernehmen" would go to its own handler, which traces nothing.
    f->SetActiveView(g_pVariableView);
    for (UINT id : {ID_EDIT_DELETE_ALL, ID_EDIT_ACCEPT, ID_EDIT_DELETE_ALL_VARIABLES})
        SendMessageA(f->m_hWnd, WM_COMMAND, id, 0);
    EXPECT_EQ(1, CountLine(capture, "Remove all OPC - Items\r\n"));
    EXPECT_EQ(1, CountLine(capture, "Accept the Selected Items as KorvaneObjects\r\n"));
    EXPECT_EQ(1, CountLine(capture, "Delete all Variables\r\n"));

    HMENU options = GetSubMenu(f->m_hMenu, 3);
    auto checked = [&] {
        f->UpdateMenuPopup(options);
        return (GetMenuState(f->m_hMenu, ID_OPTIONS_USE_SEPARATOR, MF_BYCOMMAND) & MF_CHECKED) != 0;
    };
    EXPECT_TRUE(checked());
    SendMessageA(f->m_hWnd, WM_COMMAND, ID_OPTIONS_USE_SEPARATOR, 0);
    EXPECT_FALSE(checked());
    SendMessageA(f->m_hWnd, WM_COMMAND, ID_FILE_COPY, 0);
    ASSERT_EQ(nullptr, g_pConversionSettings);
    EXPECT_FALSE(checked());
    SendMessageA(f->m_hWnd, WM_COMMAND, ID_OPTIONS_USE_SEPARATOR, 0);
    EXPECT_FALSE(checked());
    EXPECT_FALSE(GetMenuState(f->m_hMenu, ID_OPTIONS_USE_SEPARATOR, MF_BYCOMMAND) & MF_GRAYED);
}

TEST(MainFrameExitTest, ExitEntryRunsTheCloseFlowAndThePanePointersGoWithTheViews) {
    KorvaneIni ini(nullptr);
    TraceCapture capture;
    FrameHarness h("/u2 X");
    CMainFrame* f = h.Frame();
    f->UpdateMenuPopup(GetSubMenu(f->m_hMenu, 0));
    EXPECT_FALSE(GetMenuState(f->m_hMenu, ID_APP_EXIT, MF_BYCOMMAND) & MF_GRAYED);
    VariableRecord record;
    record.kind = KindSingle;
    g_pVariableView->AddVariable("A", "X.A", record);
    h.QueueAnswers({IDNO});
    SendMessageA(f->m_hWnd, WM_COMMAND, ID_APP_EXIT, 0);
    h.Idle();
    EXPECT_FALSE(h.IsOpen());
    EXPECT_EQ(1, CountLine(capture, "Close Application\r\n"));
    std::vector<std::pair<std::string, std::string>> boxes;
    for (const FrameHarness::Box& b : h.Boxes())
        boxes.emplace_back(b.text, b.caption);
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{{"Alle blau markierten Variablen \xfc"
                                                                 "bernehmen?",
                                                                 "ZIZAZ Ozivuvi"}}),
              boxes);
    // Nothing can reach a view that is gone, not even a late notification during the teardown.
    h.Close();
    EXPECT_EQ(nullptr, g_pItemView);
    EXPECT_EQ(nullptr, g_pVariableView);
}

TEST(MainFrameExitTest, ClosingEmptiesTheClipboard) {
    KorvaneIni ini(nullptr);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 6);
    memcpy(GlobalLock(block), "stale", 6);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
    ASSERT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    {
        FrameHarness h("/u2 X");
        h.Close();
    }
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
}

}  // namespace

namespace {

TEST(HelpFileTest, WinHelpFileFirstThenItsHtmlTwin) {
    CWinApp app;
    TempFile html("zz_help_probe.htm", "<html></html>");
    app.m_strHelpFile = html.Path().substr(0, html.Path().size() - 4) + ".hlp";
    EXPECT_EQ(html.Path(), app.HelpTarget());
    {
        TempFile hlp("zz_help_probe.hlp", "?_");
        EXPECT_EQ(hlp.Path(), app.HelpTarget());
    }
    app.m_strHelpFile = "C:\\no\\such\\help.hlp";
    EXPECT_EQ("", app.HelpTarget());
}

}  // namespace
