#include "views/ClientHandleTable.h"

int ClientHandleTable::AddRow() {
    int r = m_rowCount++;
    m_handleRows.push_back(r + 1);
    return r;
}

void ClientHandleTable::RetireClientHandle() {
    m_handleRows.back() = -1;
    m_handleRows.push_back(m_rowCount);
}

int ClientHandleTable::RowOf(int handle) const {
    if (handle < 0 || handle >= (int)m_handleRows.size())
        return -1;
    return m_handleRows[handle];
}

void ClientHandleTable::RemoveRow(int d) {
    for (int& r : m_handleRows) {
        if (r == d)
            r = -1;
        else if (r > d)
            --r;
    }
    if (m_rowCount > 0)
        --m_rowCount;
}

void ClientHandleTable::Clear() {
    m_handleRows.assign(1, 0);
    m_rowCount = 0;
}
