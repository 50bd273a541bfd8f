// Figures of the program as a whole: start-up of ZIZAZOzivuvi.exe to its first idle moment, and
// the private memory of a main frame holding 20,000 listed items and 50,000 variables.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BenchTable.h"
#include "app/Globals.h"
#include "common/FrameHarness.h"
#include "common/Records.h"
#include "opc/OpcDa.h"
#include "variables/VariableView.h"
#include "views/ItemView.h"

void AddStartupFigures(BenchTable& table);

namespace {

constexpr int kRuns = 5;
constexpr double kStartupTargetMs = 500;
constexpr int kRatioRuns = 9;
constexpr double kStartupMaxRatio = 1.3;
constexpr double kMemoryTargetMb = 150;
constexpr int kListedItems = 20000;
constexpr int kVariables = 50000;

// CreateProcess to WaitForInputIdle of a program of the build (path relative to the build
// folder) with its arguments.
double StartupMs(const char* program, const char* args) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string exe = path;
    exe = exe.substr(0, exe.find_last_of('\\'));  // <build>\bench
    exe = exe.substr(0, exe.find_last_of('\\') + 1) + program;
    std::string cmdLine = "\"" + exe + "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    StopWatch watch;
    if (!CreateProcessA(exe.c_str(), &cmdLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    const DWORD idle = WaitForInputIdle(pi.hProcess, 20000);
    const double ms = watch.ElapsedMs();
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return idle == 0 ? ms : -1;
}

// The whole process (this bench included) with the frame holding its large lists.
double LoadedFrameMb() {
    KorvaneIni ini(nullptr);
    FrameHarness harness("/u2 X");
    if (!g_pItemView || !g_pVariableView)
        return -1;
    g_pItemView->DeleteAllItems();
    {
        CRedrawOff quiet(g_pItemView->m_hWnd);
        OPCITEMRESULT result = {};
        result.vtCanonicalDataType = VT_R8;
        result.dwAccessRights = OPC_READABLE | OPC_WRITEABLE;
        for (int i = 0; i < kListedItems; ++i) {
            result.hServer = static_cast<OPCHANDLE>(i + 1);
            const std::string id = "Plant.Area" + std::to_string(i / 100) + ".Device.Tag" + std::to_string(i);
            g_pItemView->AddItem(id.c_str(), result);
            g_pItemView->SetItemValue("1234.5678", "Good: Non-specific", i);
        }
    }
    {
        CVariableView::Batch batch(g_pVariableView);
        const VariableRecord record = SingleRecord(KrFloat);
        for (int i = 0; i < kVariables; ++i)
            g_pVariableView->AddVariable("Var" + std::to_string(i), "Plant.Area.Device.Var" + std::to_string(i),
                                         record);
        g_pVariableView->Commit();
    }
    harness.Idle();
    const bool whole =
        g_pItemView->GetListCtrl().GetItemCount() == kListedItems && g_pVariableView->Model().RowCount() == kVariables;
    return whole ? CommittedPrivateBytes() / 1048576.0 : -1;
}

// Start-up of the program over that of the minimal window program, each the median of runs that
// alternate between the two, so a machine that is busier for a while weighs on both alike.
double StartupRatio() {
    std::vector<double> program, minimal;
    for (int i = 0; i < kRatioRuns; ++i) {
        minimal.push_back(StartupMs("tools\\DXMTrace.exe", "/exitafter 30"));
        program.push_back(StartupMs("ZIZAZOzivuvi.exe", "/u2 X"));
        if (minimal.back() <= 0 || program.back() <= 0)
            return -1;
    }
    std::sort(program.begin(), program.end());
    std::sort(minimal.begin(), minimal.end());
    return program[kRatioRuns / 2] / minimal[kRatioRuns / 2];
}

}  // namespace

void AddStartupFigures(BenchTable& table) {
    // A minimal window program started the same way: what Wine's process start costs alone.
    table.Add("start-up of DXMTrace.exe (a minimal window program) to its first idle moment", 0,
              [] { return MedianMs(kRuns, [] { return StartupMs("tools\\DXMTrace.exe", "/exitafter 30"); }); });
    table.Add("start-up of ZIZAZOzivuvi.exe to its first idle moment", kStartupTargetMs,
              [] { return MedianMs(kRuns, [] { return StartupMs("ZIZAZOzivuvi.exe", "/u2 X"); }); });
    table.AddFigure("start-up of ZIZAZOzivuvi.exe / of the minimal window program", kStartupMaxRatio, "x",
                    [] { return StartupRatio(); });
    table.AddFigure("private memory with 20,000 listed items and 50,000 variables", kMemoryTargetMb, "MB",
                    [] { return LoadedFrameMb(); });
}
