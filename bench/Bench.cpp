// zz_bench [filter]: measures every figure (or those whose name contains filter) and prints each
// with its target. Console program; the frame it needs is started in-process.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "BenchTable.h"
#include "NotificationBench.h"

void AddFillTreeFigures(BenchTable& table);
void AddVariableFigures(BenchTable& table);
void AddStartupFigures(BenchTable& table);

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&icc);
    // Figures of the two builds differ (the stream carries bigger images on 64-bit): say which.
    std::printf("zz_bench, %s build\n", sizeof(void*) == 8 ? "x86_64" : "i686");
    BenchTable table;
    AddNotificationFigures(table);
    AddFillTreeFigures(table);
    AddVariableFigures(table);
    AddStartupFigures(table);
    const int missed = table.Run(argc > 1 ? argv[1] : "", stdout);
    if (missed == 0) {
        std::printf("all targets met\n");
    } else {
        std::printf("%d target(s) missed or not measured\n", missed);
    }
    // The figures are for reading: a missed target is not a failed run. The process ends here,
    // without the fixtures' teardown: after all figures in one run Wine's process exit has been
    // seen to wait without end, and the figures are complete by now.
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 0);
    return 0;
}
