// Figures of the variable list: a preview of 2,000 items converted into a list of 20,000 rows of
// the real main frame, and the export of 50,000 rows as text on the clipboard.
#include <windows.h>

#include <memory>
#include <string>

#include "BenchTable.h"
#include "app/Globals.h"
#include "common/FrameHarness.h"
#include "common/Records.h"
#include "opc/OpcDa.h"
#include "variables/ConversionSettings.h"
#include "variables/OpcItemData.h"
#include "variables/VariableModel.h"
#include "variables/VariableView.h"
#include "views/ItemView.h"

void AddVariableFigures(BenchTable& table);

namespace {

constexpr int kRuns = 5;
constexpr int kListRows = 20000;
constexpr int kPreviewRows = 2000;
constexpr int kExportRows = 50000;
constexpr double kPreviewTargetMs = 1000;
constexpr double kExportTargetMs = 1000;

VariableRecord SingleLong(int n) {
    VariableRecord r = SingleRecord(KrLong);
    r.cycle = 1 + n % 7;
    return r;
}

// The item list's preview of kPreviewRows selected items (each converted, named and numbered)
// into kListRows committed rows, accepted, and the variable list repainted.
double PreviewMs() {
    KorvaneIni ini(nullptr);
    FrameHarness harness("/u2 X");
    if (!g_pVariableView || !g_pItemView || !g_pConversionSettings)
        return -1;
    {
        CVariableView::Batch batch(g_pVariableView);
        for (int i = 0; i < kListRows; ++i)
            g_pVariableView->AddVariable("Old" + std::to_string(i), "Area.Old" + std::to_string(i), SingleLong(i));
        g_pVariableView->Commit();
    }
    g_pItemView->DeleteAllItems();
    OPCITEMRESULT result = {};
    result.vtCanonicalDataType = VT_I4;
    result.dwAccessRights = OPC_READABLE | OPC_WRITEABLE;
    {
        CListCtrl items = g_pItemView->GetListCtrl();
        CRedrawOff quiet(g_pItemView->m_hWnd);
        for (int i = 0; i < kPreviewRows; ++i) {
            result.hServer = static_cast<OPCHANDLE>(i + 1);
            // Every tenth name repeats, so numbering takes part.
            const std::string id = "Area.Line" + std::to_string(i / 100) + ".Tag" + std::to_string(i % 10 == 0 ? 0 : i);
            g_pItemView->AddItem(id.c_str(), result);
            items.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
        }
    }
    harness.Idle();
    StopWatch watch;
    g_pItemView->PreviewItems(false);
    g_pVariableView->Commit();
    UpdateWindow(g_pVariableView->m_hWnd);
    const double ms = watch.ElapsedMs();
    const bool whole = g_pVariableView->Model().RowCount() == kListRows + kPreviewRows;
    return whole ? ms : -1;
}

// ExportAll of kExportRows rows and the copy of the text to the clipboard.
double ExportMs() {
    VariableModel model;
    for (int i = 0; i < kExportRows; ++i)
        model.AddVariable("Var" + std::to_string(i), "Channel1.Device1.Var" + std::to_string(i), SingleLong(i));
    model.Commit();
    ConversionSettings settings;
    StopWatch watch;
    model.ExportAll(&settings);
    const int copied = settings.CopyToClipboard(nullptr);
    const double ms = watch.ElapsedMs();
    return copied == 0 && model.RowCount() == 0 ? ms : -1;
}

}  // namespace

void AddVariableFigures(BenchTable& table) {
    table.Add("preview of 2,000 items into a list of 20,000 variables, accepted and drawn", kPreviewTargetMs,
              [] { return MedianMs(kRuns, PreviewMs); });
    table.Add("export of 50,000 variables to the clipboard", kExportTargetMs, [] { return MedianMs(kRuns, ExportMs); });
}
