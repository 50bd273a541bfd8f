#pragma once
// The Korvane variable list (lower right pane). The rows and their naming live in VariableModel;
// the view shows them (a virtual list), draws pending rows blue and forwards the user's gestures.
#include "framework/Views.h"
#include "variables/VariableModel.h"

class CVariableView : public CListView, public VariableSink {
  public:
    CVariableView() = default;

    void OnInitialUpdate() override;

    // VariableSink: the conversion adds pending rows through the view.
    int AddVariable(const std::string& name, const std::string& address, VariableRecord record) override;
    std::string MakeUniqueName(const std::string& name) override;
    int Commit() override;

    std::string FormatNumber(int n) const { return m_model.FormatNumber(n); }
    void RenamePending(const std::vector<std::pair<int, std::string>>& names);
    int DiscardPending();
    int DeleteAll();
    int DeleteSelected();
    void EditName();
    int ExportAll();
    bool HasVariables() const { return m_model.HasVariables(); }
    void SetNumbering(int style, const std::string& separator) { m_model.SetNumbering(style, separator); }
    int PendingCount() const { return m_model.PendingCount(); }
    const VariableModel& Model() const { return m_model; }

    // Row changes made while a batch is open reach the control once, when the outermost batch
    // closes: each update of the list's row count redraws its scroll bar at once, which costs
    // milliseconds a row in a preview of thousands.
    class Batch {
      public:
        explicit Batch(CVariableView* view) : m_view(view) {
            if (m_view)
                ++m_view->m_batchDepth;
        }
        ~Batch() {
            if (m_view && --m_view->m_batchDepth == 0 && m_view->m_bStale)
                m_view->Refresh();
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

      private:
        CVariableView* m_view;
    };

    BOOL OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    BOOL OnNotifyReflect(NMHDR* hdr, LRESULT* result) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  protected:
    DWORD GetControlStyle() const override { return LVS_REPORT | LVS_OWNERDATA; }

  private:
    // Notes which variables are selected, focused and marked before rows change, unless a change
    // not yet shown already did; Refresh puts the marks back on the same variables, wherever their
    // rows went. An owner-data list keeps its marks by index only.
    void NoteSelection();
    void RestoreSelection();
    // Shows the model's rows again (count and texts).
    void Refresh();
    // Around every change of the model's rows: the selection is noted before, the rows are shown
    // again after.
    class RowChange {
      public:
        explicit RowChange(CVariableView* view) : m_view(view) { m_view->NoteSelection(); }
        ~RowChange() { m_view->Refresh(); }
        RowChange(const RowChange&) = delete;
        RowChange& operator=(const RowChange&) = delete;

      private:
        CVariableView* m_view;
    };
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw);
    void OnDelete(UINT id);
    void OnEditName(UINT id);
    void OnRightClick();
    UINT DeleteCommand() const override;
    UINT RowMenu() const override;

    VariableModel m_model;
    int m_batchDepth = 0;
    bool m_bStale = false;  // rows changed inside a batch
    struct Selection {
        bool noted = false;
        std::vector<uint64_t> selected;
        uint64_t focused = 0;  // 0: no row
        uint64_t mark = 0;
    } m_selection;
    std::string m_dispText;  // keeps the text handed out by LVN_GETDISPINFO alive
};
