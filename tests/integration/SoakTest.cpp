// Resource hygiene over a long session in one process: 50 rounds of connect, 1,000 items in one
// request, 20 notifications of all of them, preview, accept, export and disconnect. Handles, GDI
// objects and private memory may not grow beyond a small bound; the figures are printed.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Globals.h"
#include "common/FrameHarness.h"
#include "common/SimServerFixture.h"
#include "opc/OpcConnection.h"
#include "res/resource.h"
#include "variables/ConversionSettings.h"
#include "variables/VariableView.h"
#include "views/ItemView.h"

namespace {

constexpr int kRounds = 50;
// Through marshalling a round costs about three times as long; after the same warm-up, fifteen
// rounds still show proxies, handles or memory that each round leaves behind.
constexpr int kLocalServerRounds = 15;
constexpr int kWarmUpRounds = 5;
constexpr int kNotificationsPerRound = 20;

struct Usage {
    DWORD handles = 0;
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    SIZE_T privateBytes = 0;
};

// Handle, GDI and USER counts where the system reports them (Windows; Wine answers 0).
Usage Measure() {
    Usage u;
    HANDLE self = GetCurrentProcess();
    GetProcessHandleCount(self, &u.handles);
    u.gdiObjects = GetGuiResources(self, GR_GDIOBJECTS);
    u.userObjects = GetGuiResources(self, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof(pmc);
    if (GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc)))
        u.privateBytes = pmc.PrivateUsage;
    if (u.privateBytes == 0)
        u.privateBytes = CommittedPrivateBytes();
    return u;
}

class SoakTest : public OnBothHosts<SimServerFixture> {
  protected:
    void TearDown() override {
        m_h.reset();
        SimServerFixture::TearDown();
    }
    void Command(UINT id) { SendMessageA(m_h->Frame()->m_hWnd, WM_COMMAND, id, 0); }

    KorvaneIni m_ini{nullptr};
    std::unique_ptr<FrameHarness> m_h;
};
ZZ_ON_BOTH_HOSTS(SoakTest);

TEST_P(SoakTest, FiftyRoundsLeaveHandlesGdiObjectsAndMemoryFlat) {
    UseConfig("organization hierarchical\ngenerate Channel 10 Tag 100 VT_I4 RW ramp\n");
    // One frame for the whole session, as in the program; the first idle connects.
    m_h.reset(new FrameHarness(("/u2 " + std::string(VersionIndependentProgId())).c_str()));
    m_h->Idle();
    std::vector<std::string> ids;
    for (int c = 1; c <= 10; ++c)
        for (int t = 1; t <= 100; ++t)
            ids.push_back("Channel" + std::to_string(c) + ".Tag" + std::to_string(t));

    const int rounds = Host() == SimHost::InProcess ? kRounds : kLocalServerRounds;
    Usage warm;
    for (int round = 0; round < rounds; ++round) {
        Command(ID_CONNECT_SERVER2);
        m_h->Idle();
        ASSERT_NE(nullptr, g_pConnection) << "round " << round;
        std::vector<std::string> request = ids;
        ASSERT_EQ(0, g_pConnection->AddItems(request)) << "round " << round;
        ASSERT_EQ(1000, g_pItemView->GetListCtrl().GetItemCount());
        for (int n = 0; n < kNotificationsPerRound; ++n) {
            NotifyNow();
            PumpFor(1);
        }
        Command(ID_EDIT_ADD_ALL);
        ASSERT_EQ(1000, g_pVariableView->PendingCount());
        Command(ID_EDIT_ACCEPT);
        g_pVariableView->ExportAll();
        Command(ID_CONNECT_DISCONNECT);
        m_h->Idle();
        ASSERT_EQ(nullptr, g_pConnection);
        ClearLog();  // in-process, the simulator's call log lives in this process too
        if (round + 1 == kWarmUpRounds)
            warm = Measure();
    }
    PumpFor(20);
    const Usage end = Measure();
    std::printf(
        "soak after %d rounds (from round %d): handles %lu -> %lu, GDI objects %lu -> %lu, "
        "USER objects %lu -> %lu, private memory %.1f -> %.1f MB\n",
        rounds, kWarmUpRounds, warm.handles, end.handles, warm.gdiObjects, end.gdiObjects, warm.userObjects,
        end.userObjects, warm.privateBytes / 1048576.0, end.privateBytes / 1048576.0);
    EXPECT_LE(end.handles, warm.handles + 10);
    EXPECT_LE(end.gdiObjects, warm.gdiObjects + 10);
    EXPECT_LE(end.userObjects, warm.userObjects + 10);
    // The export text of all rounds stays in memory until a hand-over: it is data, not a leak.
    const SIZE_T text = (SIZE_T)g_pConversionSettings->Text().Capacity() * sizeof(wchar_t);
    std::printf("export text held: %.1f MB\n", text / 1048576.0);
    EXPECT_LE(end.privateBytes, warm.privateBytes + text + 8 * 1048576);
    EXPECT_EQ(0, Counters().nGroups);
}

}  // namespace
