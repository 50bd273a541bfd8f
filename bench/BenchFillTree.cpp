// Figures of filling the browse tree of the real main frame from the simulation server: 200
// branches of 100 leaves (20,000 items) plus the flat list of the same 20,000 item IDs, and the
// same browse calls made alone, without a tree, for comparison. The connection figures are
// measured against the simulator in-process (ZZSimServer.dll) and out-of-process
// (ZZSimServer.exe, through ZZOpcProxy.dll). Hooked in by calling AddFillTreeFigures(table) from main.
#include <windows.h>
#include <ole2.h>

#include <memory>
#include <string>
#include <vector>

#include "BenchTable.h"
#include "app/Globals.h"
#include "app/MainFrame.h"
#include "common/FrameHarness.h"
#include "common/LocalSimulator.h"
#include "opc/OpcConnection.h"
#include "SimControlInterface.h"
#include "simserver/ZZSimControl.h"
#include "res/resource.h"
#include "views/BrowseView.h"
#include "views/ItemView.h"

void AddFillTreeFigures(BenchTable& table);

namespace {

constexpr int kRuns = 3;
constexpr double kFillTargetMs = 1500;
constexpr double kMaxRatio = 3;
constexpr UINT kExpectedNodes = 3 + 20000 + 200 + 20000;  // fixed nodes, flat list, branches, leaves
const char kSpace[] = "organization hierarchical\ngenerate Channel 200 Tag 100 VT_I4 RW ramp\n";
constexpr double kAddItemsTargetMs = 2000;
constexpr int kBranchLeaves = 5000;
constexpr UINT kBranchNodes = 3 + kBranchLeaves + 1 + kBranchLeaves;
const char kBranch[] = "organization hierarchical\ngenerate Area 1 Tag 5000 VT_I4 RW fixed 1\n";
// Every value changes at every tick, so each tick notifies all 5,000 items. The ticks are the
// bench's own: out of process the server's update timer would run beside them (every 100 ms,
// while the program is still busy with the last notification) and add a second notification to
// most timed ones.
const char kMoving[] = "organization hierarchical\ngenerate Area 1 Tag 5000 VT_I4 RW ramp\nrevise_rate 3600000\n";
constexpr double kConnectTargetMs = 0;
// Out of process every call crosses to the other process and back.
constexpr double kRemoteFillTargetMs = 2500;
// A plant as a new user tries it: 300 branches of 100 leaves (60,303 nodes with the flat list).
const char kBigPlant[] = "organization hierarchical\ngenerate Area 300 Tag 100 VT_I4 RW fixed 1\n";
constexpr UINT kBigPlantNodes = 3 + 30000 + 300 + 30000;
constexpr double kBigPlantTargetMs = 4000;
// Names the tree's walk reads of the bench plant: flat list, branches and leaves.
constexpr double kNamesRead = 20000 + 200 + 20000;
// A server on another machine: every call costs this much more.
const char kCallDelay[] = "call_delay_ms 2\n";
constexpr double kNotifyTargetMs = 100;

enum class Host { InProcess, LocalServer };

const char* HostName(Host host) {
    return host == Host::InProcess ? "in-process" : "out-of-process";
}

std::string BuildDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    dir = dir.substr(0, dir.find_last_of('\\'));       // <build>\bench
    return dir.substr(0, dir.find_last_of('\\') + 1);  // <build>\ (ends with the separator)
}

// ZZSimServer.exe registered with the proxy/stubs it needs, and started: the control object
// held here keeps it running for the figures, and names the config its servers read.
bool StartLocalServer(const std::string& config, IZZSimControl** ppControl) {
    return SUCCEEDED(RegisterLocalSimulator(BuildDirectory())) &&
           SUCCEEDED(CoCreateInstance(CLSID_ZZSimControl, nullptr, CLSCTX_LOCAL_SERVER, __uuidof(IZZSimControl),
                                      reinterpret_cast<void**>(ppControl))) &&
           SUCCEEDED((*ppControl)->SetConfigPath(config.c_str()));
}

// Every string of the enumerator, fetched ten at a time, handed to use and freed; the
// enumerator is released.
template <typename Use>
void ForEachName(IEnumString* names, Use use) {
    if (!names)
        return;
    names->Reset();
    LPOLESTR batch[10];
    ULONG fetched = 0;
    HRESULT hr;
    do {
        fetched = 0;
        hr = names->Next(10, batch, &fetched);
        for (ULONG i = 0; SUCCEEDED(hr) && i < fetched && i < 10; ++i) {
            use(batch[i]);
            CoTaskMemFree(batch[i]);
        }
    } while (hr == S_OK && fetched > 0);
    names->Release();
}

void Drain(IEnumString* names) {
    ForEachName(names, [](const wchar_t*) {});
}

// The tree's walk of the hierarchy as browse calls only: a level's branches are listed before
// any of them is entered.
void WalkBranches(OpcConnection& c) {
    IEnumString* branches = nullptr;
    c.BrowseBranches(&branches);
    std::vector<std::string> names;
    ForEachName(branches, [&](const wchar_t* name) {
        char ansi[256] = {};
        WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, sizeof(ansi), nullptr, nullptr);
        names.push_back(ansi);
    });
    for (const std::string& name : names) {
        IEnumString* leaves = nullptr;
        bool moved = false;
        c.BrowseLeavesOf(name.c_str(), &leaves, &moved);
        Drain(leaves);
        if (moved) {
            WalkBranches(c);
            c.BrowseUp();
        }
    }
}

// The simulator registered with the generated space and the frame connected to it (which fills
// the tree once). Stays for all figures: starting it costs more than they do.
class FillFixture {
  public:
    explicit FillFixture(const char* space = kSpace, UINT expectedNodes = kExpectedNodes, Host host = Host::InProcess)
        : m_expectedNodes(expectedNodes), m_host(host) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        m_hDll = LoadLibraryA((BuildDirectory() + kZZSimDllName).c_str());
        auto registerServer =
            reinterpret_cast<ZZSimDllRegisterFn>(reinterpret_cast<void*>(GetProcAddress(m_hDll, "DllRegisterServer")));
        if (!registerServer || FAILED(registerServer()))
            return;
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        m_config = std::string(temp) + "zz_bench_filltree.cfg";
        if (FILE* f = fopen(m_config.c_str(), "wb")) {
            fputs(space, f);
            fclose(f);
        }
        SetEnvironmentVariableA(kZZSimConfigVariable, m_config.c_str());
        if (host == Host::LocalServer && !StartLocalServer(m_config, &m_control))
            return;
        m_harness.reset(new FrameHarness(host == Host::InProcess ? "/u1 ZZSim.OpcServer" : "/u1 ZZSim.OpcServerExe"));
        m_harness->Idle();
    }
    ~FillFixture() {
        m_harness.reset();
        if (m_control)
            m_control->Release();
        SetEnvironmentVariableA(kZZSimConfigVariable, nullptr);
        if (!m_config.empty())
            DeleteFileA(m_config.c_str());
        // The registration stays, as scripts/register-simserver.sh leaves it.
        if (m_hDll)
            FreeLibrary(m_hDll);
        CoUninitialize();
    }
    FillFixture(const FillFixture&) = delete;
    FillFixture& operator=(const FillFixture&) = delete;

    CBrowseView* View() const { return m_harness && m_harness->Frame() ? m_harness->Frame()->m_pBrowseView : nullptr; }
    bool IsOk() const { return View() && g_pConnection && TreeView_GetCount(View()->m_hWnd) == m_expectedNodes; }
    // One fill from an empty tree, as at a connect: a disconnect empties the tree before.
    double FillMs() {
        Empty();
        StopWatch watch;
        int result = View()->FillTree();
        double ms = watch.ElapsedMs();
        m_bComplete = m_bComplete && result == 0 && TreeView_GetCount(View()->m_hWnd) == m_expectedNodes;
        return ms;
    }
    // Emptying the filled tree, as a disconnect does; the tree is filled again afterwards, untimed.
    double EmptyMs() {
        StopWatch watch;
        Empty();
        const double ms = watch.ElapsedMs();
        const bool bEmpty = TreeView_GetCount(View()->m_hWnd) == 0;
        View()->FillTree();
        return bEmpty ? ms : -1;
    }
    double CallsMs() {
        StopWatch watch;
        IEnumString* flat = nullptr;
        g_pConnection->BrowseFlat(&flat);
        Drain(flat);
        if (!g_pConnection->IsFlatSpace())
            WalkBranches(*g_pConnection);
        return watch.ElapsedMs();
    }
    bool Complete() const { return m_bComplete; }
    // Calls the out-of-process server has served so far (enumerator releases included).
    double ServedCalls() const {
        ZZSimCounters counters = {};
        counters.cbSize = sizeof(counters);
        if (!m_control || FAILED(m_control->GetCounters(sizeof(counters), reinterpret_cast<BYTE*>(&counters))))
            return -1;
        return counters.nCalls;
    }
    // Calls to the server per 1,000 names of one fill.
    double CallsPerThousandNames() {
        const double before = ServedCalls();
        FillMs();
        const double after = ServedCalls();
        return before >= 0 && after >= 0 && m_bComplete ? (after - before) * 1000 / kNamesRead : -1;
    }

    // "Add Items" of the NODE menu on the first branch below "Hierarchial Items". With bRepeat the
    // rows stay from the previous run, so every ID is a duplicate that selects its row.
    double AddItemsMs(bool bRepeat, int expectedRows) {
        HWND tree = View()->m_hWnd;
        HTREEITEM top = TreeView_GetNextSibling(tree, TreeView_GetChild(tree, TreeView_GetRoot(tree)));
        HTREEITEM branch = TreeView_GetChild(tree, top);
        if (!bRepeat)
            g_pItemView->DeleteAllItems();
        m_harness->Idle();
        TreeView_SelectItem(tree, branch);
        StopWatch watch;
        SendMessageA(tree, WM_COMMAND, ID_NODE_ADD_ITEMS, 0);
        const double ms = watch.ElapsedMs();
        return g_pItemView->GetListCtrl().GetItemCount() == expectedRows ? ms : -1;
    }

    // A new connection to the same server: created, checked, its group added and advised.
    double ConnectMs() {
        OpcConnection connection;
        StopWatch watch;
        HRESULT hr = connection.Open(m_host == Host::InProcess ? "ZZSim.OpcServer" : "ZZSim.OpcServerExe", 2);
        const double ms = watch.ElapsedMs();
        connection.Close();
        return SUCCEEDED(hr) ? ms : -1;
    }
    // The cost of one call to the server and back: the status poll's GetStatus.
    double CallMs() {
        constexpr int kCalls = 100;
        StopWatch watch;
        for (int i = 0; i < kCalls; ++i)
            if (FAILED(g_pConnection->PollServerStatus()))
                return -1;
        return watch.ElapsedMs() / kCalls;
    }
    // One server tick that changes every value of the list's items, from the server's side to
    // the updated rows: the same tick the simulator's timer makes, started at once.
    double NotifyMs() {
        StopWatch watch;
        HRESULT hr = E_FAIL;
        if (m_control) {
            hr = m_control->NotifyNow(0);
        } else if (auto notify = reinterpret_cast<ZZSimNotifyNowFn>(
                       reinterpret_cast<void*>(GetProcAddress(m_hDll, "ZZSim_NotifyNow")))) {
            hr = notify(0);
        }
        return hr == S_OK ? watch.ElapsedMs() : -1;
    }

  private:
    void Empty() { SendMessageA(View()->m_hWnd, TVM_DELETEITEM, 0, (LPARAM)TVI_ROOT); }

    UINT m_expectedNodes;
    Host m_host;
    IZZSimControl* m_control = nullptr;
    HMODULE m_hDll = nullptr;
    std::string m_config;
    std::unique_ptr<FrameHarness> m_harness;
    bool m_bComplete = true;
};

struct FillState {
    Host host = Host::InProcess;
    std::unique_ptr<FillFixture> fixture;
    double callsMs = -1;
    double fillMs = -1;

    FillFixture* Fixture() {
        if (!fixture)
            fixture.reset(new FillFixture(kSpace, kExpectedNodes, host));
        return fixture->IsOk() ? fixture.get() : nullptr;
    }
    double Calls() {
        if (callsMs < 0 && Fixture())
            callsMs = MedianMs(kRuns, [this] { return fixture->CallsMs(); });
        return callsMs;
    }
};

// The figures a plant sees differ most between an in-process and an out-of-process server, each
// measured against both: connect, filling the tree, "Add Items" and a notification of 5,000 items.
// The targets are the in-process ones; out-of-process every call crosses to the other process
// and back (the first figure), so those figures are shown beside them without a target. The
// notification is one call whatever the item count: it has its target on both hosts.
void AddHostFigures(BenchTable& table, Host host) {
    const std::string on = std::string(" (") + HostName(host) + ")";
    const bool bTargets = host == Host::InProcess;
    table.Add("one call to the server and back" + on, 0, [host] {
        FillFixture fixture(kBranch, kBranchNodes, host);
        return fixture.IsOk() ? MedianMs(kRuns, [&] { return fixture.CallMs(); }) : -1.0;
    });
    table.Add("connect" + on, kConnectTargetMs, [host] {
        FillFixture fixture(kBranch, kBranchNodes, host);
        return fixture.IsOk() ? MedianMs(kRuns, [&] { return fixture.ConnectMs(); }) : -1.0;
    });
    table.Add("fill tree, 200 x 100 items + flat list" + on, bTargets ? kFillTargetMs : kRemoteFillTargetMs, [host] {
        FillFixture fixture(kSpace, kExpectedNodes, host);
        return fixture.IsOk() ? MedianMs(kRuns, [&] { return fixture.FillMs(); }) : -1.0;
    });
    if (host == Host::LocalServer) {
        table.AddFigure("fill tree: calls to the server per 1,000 names" + on, 0, "", [host] {
            FillFixture fixture(kSpace, kExpectedNodes, host);
            return fixture.IsOk() ? fixture.CallsPerThousandNames() : -1.0;
        });
        table.Add("fill tree, 300 x 100 items + flat list" + on, kBigPlantTargetMs, [host] {
            FillFixture fixture(kBigPlant, kBigPlantNodes, host);
            return fixture.IsOk() ? MedianMs(kRuns, [&] { return fixture.FillMs(); }) : -1.0;
        });
        table.Add("fill tree, 200 x 100 items + flat list, 2 ms more per call" + on, 0, [host] {
            FillFixture fixture((std::string(kCallDelay) + kSpace).c_str(), kExpectedNodes, host);
            return fixture.IsOk() ? MedianMs(1, [&] { return fixture.FillMs(); }) : -1.0;
        });
        table.Add("Add Items of a branch of 5,000 leaves, 2 ms more per call" + on, 0, [host] {
            FillFixture fixture((std::string(kCallDelay) + kBranch).c_str(), kBranchNodes, host);
            return fixture.IsOk() ? MedianMs(1, [&] { return fixture.AddItemsMs(false, kBranchLeaves); }) : -1.0;
        });
    }
    table.Add("Add Items of a branch of 5,000 leaves" + on, bTargets ? kAddItemsTargetMs : 0, [host] {
        FillFixture fixture(kBranch, kBranchNodes, host);
        return fixture.IsOk() ? MedianMs(kRuns, [&] { return fixture.AddItemsMs(false, kBranchLeaves); }) : -1.0;
    });
    // A DA 3.0 server browsed through IOPCBrowse: whole lists per call, item IDs from the listing.
    static const std::string space3 = std::string(kSpace) + "hide IOPCBrowseServerAddressSpace\nda3_browse\n";
    static const std::string branch3 = std::string(kBranch) + "hide IOPCBrowseServerAddressSpace\nda3_browse\n";
    table.Add("fill tree, 200 x 100 items + flat list, IOPCBrowse" + on, 0, [host] {
        FillFixture fixture(space3.c_str(), kExpectedNodes, host);
        return fixture.IsOk() ? MedianMs(kRuns, [&] { return fixture.FillMs(); }) : -1.0;
    });
    table.Add("Add Items of a branch of 5,000 leaves, IOPCBrowse" + on, 0, [host] {
        FillFixture fixture(branch3.c_str(), kBranchNodes, host);
        return fixture.IsOk() ? MedianMs(kRuns, [&] { return fixture.AddItemsMs(false, kBranchLeaves); }) : -1.0;
    });
    table.Add("notification of 5,000 items to the updated list" + on, kNotifyTargetMs, [host] {
        FillFixture fixture(kMoving, kBranchNodes, host);
        if (!fixture.IsOk() || fixture.AddItemsMs(false, kBranchLeaves) < 0)
            return -1.0;
        return MedianMs(kRuns, [&] { return fixture.NotifyMs(); });
    });
}

}  // namespace

void AddFillTreeFigures(BenchTable& table) {
    table.Add("Add Items of a branch of 5,000 leaves", kAddItemsTargetMs, [] {
        FillFixture fixture(kBranch, kBranchNodes);
        return fixture.IsOk() ? MedianMs(kRuns, [&] { return fixture.AddItemsMs(false, kBranchLeaves); }) : -1.0;
    });
    table.Add("Add Items of the same 5,000 leaves again (all duplicates)", kAddItemsTargetMs, [] {
        FillFixture fixture(kBranch, kBranchNodes);
        if (!fixture.IsOk() || fixture.AddItemsMs(false, kBranchLeaves) < 0)
            return -1.0;
        return MedianMs(kRuns, [&] { return fixture.AddItemsMs(true, kBranchLeaves); });
    });
    auto state = std::make_shared<FillState>();
    table.Add("fill tree: browse calls alone, 200 x 100 items + flat list", 0, [state] { return state->Calls(); });
    table.Add("emptying that tree (40,203 nodes), as at a disconnect", 0, [state] {
        FillFixture* fixture = state->Fixture();
        return fixture ? MedianMs(kRuns, [fixture] { return fixture->EmptyMs(); }) : -1.0;
    });
    table.Add("fill tree, 200 x 100 items + flat list", kFillTargetMs, [state] {
        FillFixture* fixture = state->Fixture();
        double calls = state->Calls();
        if (!fixture || calls <= 0)
            return -1.0;
        double ms = MedianMs(kRuns, [fixture] { return fixture->FillMs(); });
        bool complete = fixture->Complete();
        // The frame goes now: the main frames of other figures must not meet it.
        state->fixture.reset();
        state->fillMs = complete ? ms : -1;
        return state->fillMs;
    });
    table.AddFigure("fill tree / browse calls alone", kMaxRatio, "x", [state] {
        return state->fillMs > 0 && state->callsMs > 0 ? state->fillMs / state->callsMs : -1.0;
    });
    AddHostFigures(table, Host::InProcess);
    AddHostFigures(table, Host::LocalServer);
}
