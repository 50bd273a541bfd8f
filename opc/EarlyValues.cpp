#include "opc/EarlyValues.h"

#include <utility>

bool EarlyValues::Open(OPCHANDLE first, size_t count) {
    if (m_bOpen)
        return false;
    m_bOpen = true;
    m_first = first;
    m_count = count;
    return true;
}

bool EarlyValues::Keep(const DataChangeText& text) {
    if (!m_bOpen || text.hClient < m_first || text.hClient - m_first >= m_count)
        return false;
    if (m_texts.empty()) {
        m_texts.resize(m_count);
        m_kept.assign(m_count, false);
    }
    const size_t i = text.hClient - m_first;
    DataChangeText& kept = m_texts[i];
    if (!text.bSkipped || !m_kept[i]) {
        kept = text;
    } else {
        kept.qualityText = text.qualityText;  // the row keeps the value it was given before
    }
    m_kept[i] = true;
    return true;
}

std::vector<DataChangeText> EarlyValues::Take() {
    std::vector<DataChangeText> taken;
    for (size_t i = 0; i < m_texts.size(); ++i) {
        if (m_kept[i])
            taken.push_back(std::move(m_texts[i]));
    }
    m_bOpen = false;
    m_texts.clear();
    m_kept.clear();
    return taken;
}
