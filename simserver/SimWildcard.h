#pragma once
// Browse filters in the usual OPC (Visual Basic LIKE) syntax: ? one character, * any run,
// # one digit, [abc] [a-z] one of a set, [!abc] one not in the set. Case-sensitive.
#include <string>

class SimWildcard {
  public:
    // False for a malformed pattern (an unclosed '[').
    static bool IsValid(const std::wstring& pattern);
    // Empty pattern matches everything.
    static bool Match(const std::wstring& pattern, const std::wstring& text);

  private:
    static bool MatchAt(const wchar_t* p, const wchar_t* t);
    static bool MatchSet(const wchar_t** pp, wchar_t c);
};
