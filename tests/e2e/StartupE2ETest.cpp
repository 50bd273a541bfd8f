// The real program as a separate process: start-up header, Connect menu and close.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/FrameHarness.h"
#include "common/ProgramRun.h"

namespace {

TEST(StartupE2ETest, StartAndCloseTracesHeaderAndEmptiesClipboard) {
    KorvaneIni ini(nullptr);
    PutClipboardText("left over from before");
    ProgramRun run("/u2 ZZSim.OpcServer /u3 <remote>Other.Server");
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.PumpUntil([&] { return run.MainWindow() != nullptr; }, 30000));
    HWND main = run.MainWindow();
    char title[256] = {};
    GetWindowTextA(main, title, sizeof(title));
    EXPECT_STREQ("ZIZAZOzivuvi", title);

    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, run.WaitForExit(30000));

    std::vector<std::string> lines = run.TraceLines();
    ASSERT_EQ(12u, lines.size());
    EXPECT_EQ("<start>", lines[0]);
    EXPECT_NE(std::string::npos, lines[1].find("KB RAM \r\n"));
    EXPECT_EQ(std::string(56, '=') + "\r\n", lines[2]);
    EXPECT_EQ("Created two splitterwindows with three views\r\n", lines[3]);
    EXPECT_EQ("Append MenuItem \"ZZSim.OpcServer\"\r\n", lines[4]);
    EXPECT_EQ("Append MenuItem \"<remote>Other.Server\"\r\n", lines[5]);
    EXPECT_EQ("Init the OPC-Item ListCtrl\r\n", lines[6]);
    EXPECT_EQ("Add OPC-Item S7:[S7-Verbindung_1]DB2,W0,1 to List\r\n", lines[7]);
    EXPECT_EQ("Delete all Items from OPC Item View\r\n", lines[8]);
    EXPECT_EQ("Close Application\r\n", lines[9]);
    EXPECT_EQ("Delete all Items from OPC Item View\r\n", lines[10]);
    EXPECT_EQ("Clipboard cleared\r\n", lines[11]);
    EXPECT_EQ("<none>", ClipboardText());
}

TEST(StartupE2ETest, OverlongCommandLineStartsWithCutEntry) {
    KorvaneIni ini(nullptr);
    std::string name(10000, 'N');
    ProgramRun run("/u2 " + name);
    ASSERT_TRUE(run.PumpUntil([&] { return run.MainWindow() != nullptr; }, 30000));
    PostMessageA(run.MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, run.WaitForExit(30000));
    std::vector<std::string> lines = run.TraceLines();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ("Append MenuItem \"" + std::string(129, 'N') + "\"\r\n", lines[4]);
}

}  // namespace
