#pragma once
// Unique names for the variable list: per-name counters with a committed and a running count,
// and the numbering style chosen in the numbering dialog.
#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"

struct NameCounter {
    std::string name;
    int committed = 0;  // count accepted by the user; survives discarded previews
    int current = 0;    // count including the pending rows
};

class VariableNaming {
  public:
    // The numbering dialog's radio button ids double as the style codes.
    enum Style {
        StyleDigits = IDC_NUMBERING_DIGITS,
        StyleLower = IDC_NUMBERING_LOWER,
        StyleUpper = IDC_NUMBERING_UPPER,
    };
    // Generated names keep only their last characters up to this length.
    static constexpr size_t kMaxNameLength = 18;

    // Counts the list rows bearing a name, ignoring case. Only asked when no counter exists yet.
    using RowCounter = std::function<int(const std::string& name)>;

    std::string MakeUniqueName(const std::string& name, const RowCounter& countRows);
    std::string FormatNumber(int n) const;
    void SetNumbering(int style, const std::string& separator);

    // Start of a batch or of a re-naming: drop counters never committed, rewind the others.
    void Rollback();
    void CommitCounters();
    void Clear() { m_nameCounters.clear(); }

    int NumberingStyle() const { return m_numberingStyle; }
    const std::string& Separator() const { return m_numberingSeparator; }
    const std::vector<NameCounter>& Counters() const { return m_nameCounters; }

  private:
    std::vector<NameCounter> m_nameCounters;
    std::string m_numberingSeparator = "_";
    int m_numberingStyle = StyleDigits;
};
