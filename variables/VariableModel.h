#pragma once
// The rows of the variable list and their naming, without a window. Pending rows (the current
// preview) are always rows 0 to PendingCount() - 1; committed rows follow. The list view only
// shows these rows and forwards the user's gestures here.
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "variables/NameIndex.h"
#include "variables/VariableNaming.h"
#include "variables/VariableRecord.h"
#include "variables/VariableSink.h"

class ConversionSettings;

struct VariableRow {
    std::string name;     // column 0
    std::string address;  // column 1: item ID, driver object name or driver prefix
    VariableRecord record;
    uint64_t id = 0;  // never reused, so a row can be found again after rows above it changed
};

enum class EditNameResult {
    Renamed,
    NoRow,    // the row index names no row: nothing changes
    TooLong,  // the view tells the user "Variablenname zu lang!"
};

class VariableModel : public VariableSink {
  public:
    // Names typed in by hand must stay below this length.
    static constexpr size_t kEditNameLimit = 24;

    VariableModel() = default;
    VariableModel(const VariableModel&) = delete;
    VariableModel& operator=(const VariableModel&) = delete;
    virtual ~VariableModel() = default;

    int AddVariable(const std::string& name, const std::string& address, VariableRecord record) override;
    std::string MakeUniqueName(const std::string& name) override;
    int Commit() override;

    std::string FormatNumber(int n) const { return m_naming.FormatNumber(n); }
    void SetNumbering(int style, const std::string& separator) { m_naming.SetNumbering(style, separator); }

    // Re-naming of the preview after the cut settings changed: each listed pending row (row, new
    // base name; rows in ascending order) gets the name a new preview of the same rows would give
    // it. Other rows keep theirs.
    void RenamePending(const std::vector<std::pair<int, std::string>>& names);
    // One pending row alone, numbered against every other row's name as it stands. Returns -1
    // for a row that is not pending.
    void RollbackCounters();
    int RenameVariable(const std::string& name, int row);

    int DiscardPending();
    int DeleteAll();
    // Deletes the given rows (any order, duplicates and invalid indexes ignored); returns how many.
    int DeleteSelected(const std::vector<int>& rows);
    EditNameResult EditName(int row, const std::string& text);
    // Writes every row as a record line into the settings' export text and empties the list.
    // With no settings (after the run's one hand-over) nothing is written and the rows stay: -1.
    int ExportAll(ConversionSettings* settings);

    bool HasVariables() const { return !m_rows.empty(); }
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    int PendingCount() const { return m_pendingCount; }
    bool IsPending(int row) const { return row >= 0 && row < m_pendingCount; }
    // Row access for the view; row must be in 0 .. RowCount() - 1.
    const VariableRow& Row(int row) const { return m_rows[static_cast<size_t>(row)]; }
    // The current index of each row id (in the given order); -1 for an id whose row is gone.
    std::vector<int> IndexesOf(const std::vector<uint64_t>& ids) const;
    // The text of one cell; "" for a row or column outside the list.
    std::string CellText(int row, int column) const;
    const VariableNaming& Naming() const { return m_naming; }

  private:
    bool IsRow(int row) const { return row >= 0 && row < RowCount(); }
    void SetName(int row, const std::string& name);
    void EraseRows(int first, int last);

    std::deque<VariableRow> m_rows;  // new batches go in near the top
    int m_pendingCount = 0;
    uint64_t m_nextId = 1;
    VariableNaming m_naming;
    NameIndex m_names;  // the rows' names, for counting repeats
};
