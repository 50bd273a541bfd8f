#include "variables/VariableNaming.h"

#include <algorithm>

namespace {

// Letters count in base 26 with 'a' as the zero digit and no leading zero digits: 0 "a", 25 "z",
// 26 "ba", 675 "zz", 676 "baa". Below 676 this is the classic two-letter numbering; from there on
// a third (fourth, ...) letter follows, so a longer text always means a larger number and equal
// lengths sort alphabetically.
std::string LetterNumber(int n, char zero) {
    if (n < 0) {
        return std::string();
    }
    std::string text;
    do {
        text.insert(text.begin(), static_cast<char>(zero + n % 26));
        n /= 26;
    } while (n > 0);
    return text;
}

}  // namespace

std::string VariableNaming::MakeUniqueName(const std::string& name, const RowCounter& countRows) {
    std::string result = name;
    auto counter = std::find_if(m_nameCounters.begin(), m_nameCounters.end(),
                                [&name](const NameCounter& c) { return c.name == name; });
    if (counter != m_nameCounters.end()) {
        counter->current += 1;
        result += m_numberingSeparator + FormatNumber(counter->current);
    } else if (const int rows = countRows ? countRows(name) : 0; rows > 0) {
        // The counter starts at the number handed out, so the next repeat gets a higher one even
        // when several rows already bear the name (renamed by hand).
        m_nameCounters.push_back(NameCounter{name, 0, rows});
        result += m_numberingSeparator + FormatNumber(rows);
    }
    if (result.size() > kMaxNameLength) {
        // Keep the end: it carries the number and the most specific part of an item ID.
        result.erase(0, result.size() - kMaxNameLength);
    }
    return result;
}

std::string VariableNaming::FormatNumber(int n) const {
    switch (m_numberingStyle) {
        case StyleDigits:
            return std::to_string(n);
        case StyleLower:
            return LetterNumber(n, 'a');
        case StyleUpper:
            return LetterNumber(n, 'A');
        default:
            return std::string();
    }
}

void VariableNaming::SetNumbering(int style, const std::string& separator) {
    m_numberingStyle = style;
    m_numberingSeparator = separator;
}

void VariableNaming::Rollback() {
    m_nameCounters.erase(std::remove_if(m_nameCounters.begin(), m_nameCounters.end(),
                                        [](const NameCounter& c) { return c.committed == 0; }),
                         m_nameCounters.end());
    for (NameCounter& c : m_nameCounters) {
        c.current = c.committed;
    }
}

void VariableNaming::CommitCounters() {
    for (NameCounter& c : m_nameCounters) {
        c.committed = c.current;
    }
}
