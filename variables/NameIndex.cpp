#include "variables/NameIndex.h"

#include <windows.h>

void NameIndex::Add(const std::string& name) {
    ++m_counts[Fold(name)];
}

void NameIndex::Remove(const std::string& name) {
    auto it = m_counts.find(Fold(name));
    if (it != m_counts.end() && --it->second <= 0) {
        m_counts.erase(it);
    }
}

int NameIndex::Count(const std::string& name) const {
    auto it = m_counts.find(Fold(name));
    return it != m_counts.end() ? it->second : 0;
}

std::string NameIndex::Fold(const std::string& name) {
    // The code page's own case mapping, as the list control's case-blind search uses it.
    std::string folded = name;
    if (!folded.empty()) {
        CharUpperBuffA(&folded[0], static_cast<DWORD>(folded.size()));
    }
    return folded;
}
