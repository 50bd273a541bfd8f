#pragma once
// Maps OPC client handles to item-list rows. Entry h holds the row of the item with client
// handle h, or -1 when that item is gone; the last entry holds the row the next item will get.
#include <vector>

class ClientHandleTable {
  public:
    ClientHandleTable() : m_handleRows{0} {}

    int NextClientHandle() const { return (int)m_handleRows.size() - 1; }
    int RowCount() const { return m_rowCount; }
    // A new row for the next handle; returns its row index.
    int AddRow();
    // The next handle is consumed without a row (the server rejected its item).
    void RetireClientHandle();
    // The row of handle, or -1 for a handle outside the table or without a row.
    int RowOf(int handle) const;
    // Row d is gone: its handles lose their row, later rows move up by one.
    void RemoveRow(int d);
    void Clear();

    const std::vector<int>& Entries() const { return m_handleRows; }

  private:
    std::vector<int> m_handleRows;
    int m_rowCount = 0;
};
