#include "variables/VariableModel.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <unordered_map>

#include "variables/ConversionSettings.h"

int VariableModel::AddVariable(const std::string& name, const std::string& address, VariableRecord record) {
    if (m_pendingCount == 0) {
        // A new preview: numbers handed out to a discarded preview become free again.
        m_naming.Rollback();
    }
    try {
        const std::string unique = MakeUniqueName(name);
        // Behind the earlier pending rows, so a batch keeps its order of arrival.
        m_rows.insert(m_rows.begin() + m_pendingCount, VariableRow{unique, address, std::move(record), m_nextId++});
        ++m_pendingCount;
        m_names.Add(unique);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return 0;
}

std::string VariableModel::MakeUniqueName(const std::string& name) {
    return m_naming.MakeUniqueName(name, [this](const std::string& n) { return m_names.Count(n); });
}

int VariableModel::Commit() {
    m_naming.CommitCounters();
    if (m_pendingCount == 0) {
        return -1;
    }
    m_pendingCount = 0;
    return 0;
}

void VariableModel::RollbackCounters() {
    if (m_pendingCount > 0) {
        m_naming.Rollback();
    }
}

void VariableModel::RenamePending(const std::vector<std::pair<int, std::string>>& names) {
    if (m_pendingCount == 0) {
        return;
    }
    m_naming.Rollback();
    // Every old name leaves the index before the first new one is made: renamed one at a time, a
    // row would be numbered against another row's name of the previous cut, so the names would
    // depend on how the user moved the slider.
    for (const auto& n : names) {
        if (IsPending(n.first)) {
            m_names.Remove(m_rows[static_cast<size_t>(n.first)].name);
        }
    }
    for (const auto& n : names) {
        if (IsPending(n.first)) {
            std::string& current = m_rows[static_cast<size_t>(n.first)].name;
            current = MakeUniqueName(n.second);
            m_names.Add(current);
        }
    }
}

int VariableModel::RenameVariable(const std::string& name, int row) {
    // Only the preview is re-cut; a committed row keeps the name it was accepted under.
    if (!IsPending(row)) {
        return -1;
    }
    // The row's own name does not count against it: an unchanged name stays unchanged.
    std::string& current = m_rows[static_cast<size_t>(row)].name;
    m_names.Remove(current);
    current = MakeUniqueName(name);
    m_names.Add(current);
    return 0;
}

int VariableModel::DiscardPending() {
    // The counters stay: the next batch rolls them back.
    EraseRows(0, m_pendingCount);
    m_pendingCount = 0;
    return 0;
}

int VariableModel::DeleteAll() {
    m_rows.clear();
    m_names.Clear();
    m_naming.Clear();
    m_pendingCount = 0;
    return 0;
}

int VariableModel::DeleteSelected(const std::vector<int>& rows) {
    std::vector<int> doomed;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(doomed), [this](int row) { return IsRow(row); });
    std::sort(doomed.begin(), doomed.end());
    doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());
    // From the bottom up, so the lower indexes stay valid. Pending rows deleted by hand leave the
    // remaining pending rows at the top, so only the count shrinks.
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
        EraseRows(*it, *it + 1);
        if (*it < m_pendingCount) {
            --m_pendingCount;
        }
    }
    return static_cast<int>(doomed.size());
}

EditNameResult VariableModel::EditName(int row, const std::string& text) {
    if (!IsRow(row)) {
        return EditNameResult::NoRow;
    }
    if (text.size() >= kEditNameLimit) {
        return EditNameResult::TooLong;
    }
    // Taken as typed: the user may give a name twice on purpose, and the counters stay as they are.
    SetName(row, text);
    return EditNameResult::Renamed;
}

int VariableModel::ExportAll(ConversionSettings* settings) {
    if (!settings) {
        // The one hand-over of this run has happened; keep the rows rather than lose them.
        return -1;
    }
    for (const VariableRow& row : m_rows) {
        // Rows without a record line format are dropped with the others; the caller ignores it.
        settings->WriteRecord(row.name, row.address, row.record);
    }
    m_rows.clear();
    m_names.Clear();
    // Callers commit or discard first; with the rows gone nothing can be pending anyway.
    m_pendingCount = 0;
    return 0;
}

std::vector<int> VariableModel::IndexesOf(const std::vector<uint64_t>& ids) const {
    std::unordered_map<uint64_t, int> rows;  // the rows of the wanted ids only
    for (uint64_t id : ids) {
        rows.emplace(id, -1);
    }
    for (size_t row = 0; !rows.empty() && row < m_rows.size(); ++row) {
        const auto found = rows.find(m_rows[row].id);
        if (found != rows.end()) {
            found->second = static_cast<int>(row);
        }
    }
    std::vector<int> indexes;
    indexes.reserve(ids.size());
    for (uint64_t id : ids) {
        indexes.push_back(rows[id]);
    }
    return indexes;
}

std::string VariableModel::CellText(int row, int column) const {
    if (!IsRow(row)) {
        return std::string();
    }
    const VariableRow& r = m_rows[static_cast<size_t>(row)];
    switch (column) {
        case ColName:
            return r.name;
        case ColAddress:
            return r.address;
        default:
            return RecordColumnText(r.record, column);
    }
}

void VariableModel::SetName(int row, const std::string& name) {
    std::string& current = m_rows[static_cast<size_t>(row)].name;
    m_names.Remove(current);
    current = name;
    m_names.Add(current);
}

void VariableModel::EraseRows(int first, int last) {
    for (int row = first; row < last; ++row) {
        m_names.Remove(m_rows[static_cast<size_t>(row)].name);
    }
    m_rows.erase(m_rows.begin() + first, m_rows.begin() + last);
}
