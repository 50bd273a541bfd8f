// The real program connecting to the registered simulation server by itself.
#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "common/FrameHarness.h"
#include "common/ProgramRun.h"
#include "common/SimServerFixture.h"

namespace {

class ConnectE2ETest : public OnBothHosts<SimServerFixture> {};
ZZ_ON_BOTH_HOSTS(ConnectE2ETest);

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line + "\r\n") != lines.end();
}

TEST_P(ConnectE2ETest, LoneFirstSwitchConnectsAtStartAndTearsDownAtExit) {
    UseConfig("organization hierarchical\nitem Tag VT_I4 RW ramp 0 1 10\n");
    KorvaneIni ini(nullptr);
    ProgramRun run("/u1 " + Server());
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.PumpUntil([&] { return Has(run.TraceLines(), "Connect the Server:\"" + Server() + "\""); }, 30000));
    ASSERT_TRUE(run.PumpUntil([&] { return run.MainWindow() != nullptr; }, 30000));
    PostMessageA(run.MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, run.WaitForExit(30000));
    std::vector<std::string> lines = run.TraceLines();
    // The group, the browse interface and the server existed: the connect succeeded.
    EXPECT_TRUE(Has(lines, "Remove Group"));
    EXPECT_TRUE(Has(lines, "Release IOPCBrowseServerAddressSpace"));
    EXPECT_TRUE(Has(lines, "Connection Terminated"));
    EXPECT_EQ("Clipboard cleared\r\n", lines.back());
}

}  // namespace
