#pragma once
// How many rows bear a name, ignoring case in the ANSI code page. Kept up to date with the rows,
// so numbering a name costs one lookup instead of a comparison with every row.
#include <string>
#include <unordered_map>

class NameIndex {
  public:
    void Add(const std::string& name);
    void Remove(const std::string& name);
    int Count(const std::string& name) const;
    void Clear() { m_counts.clear(); }

    // The name as the index compares it: upper case in the ANSI code page.
    static std::string Fold(const std::string& name);

  private:
    std::unordered_map<std::string, int> m_counts;  // by upper-cased name
};
