#include "simserver/SimWildcard.h"

bool SimWildcard::IsValid(const std::wstring& pattern) {
    size_t open = std::wstring::npos;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (open == std::wstring::npos && pattern[i] == L'[') {
            open = i;
        } else if (open != std::wstring::npos && pattern[i] == L']' && i > open + 1 &&
                   !(i == open + 2 && pattern[open + 1] == L'!')) {
            open = std::wstring::npos;
        }
    }
    return open == std::wstring::npos;
}

bool SimWildcard::Match(const std::wstring& pattern, const std::wstring& text) {
    return pattern.empty() || MatchAt(pattern.c_str(), text.c_str());
}

bool SimWildcard::MatchSet(const wchar_t** pp, wchar_t c) {
    const wchar_t* p = *pp + 1;  // past '['
    bool bNegate = *p == L'!';
    if (bNegate) {
        ++p;
    }
    bool bFound = false;
    bool bFirst = true;
    while (*p && (*p != L']' || bFirst)) {
        wchar_t low = *p;
        wchar_t high = low;
        if (p[1] == L'-' && p[2] && p[2] != L']') {
            high = p[2];
            p += 2;
        }
        bFound = bFound || (c >= low && c <= high);
        ++p;
        bFirst = false;
    }
    *pp = *p ? p + 1 : p;
    return bFound != bNegate;
}

bool SimWildcard::MatchAt(const wchar_t* p, const wchar_t* t) {
    while (*p) {
        switch (*p) {
            case L'*':
                while (*p == L'*') {
                    ++p;
                }
                if (!*p) {
                    return true;
                }
                for (; *t; ++t) {
                    if (MatchAt(p, t)) {
                        return true;
                    }
                }
                return false;
            case L'?':
                if (!*t) {
                    return false;
                }
                ++p;
                ++t;
                break;
            case L'#':
                if (*t < L'0' || *t > L'9') {
                    return false;
                }
                ++p;
                ++t;
                break;
            case L'[':
                if (!*t || !MatchSet(&p, *t)) {
                    return false;
                }
                ++t;
                break;
            default:
                if (*p != *t) {
                    return false;
                }
                ++p;
                ++t;
        }
    }
    return *t == 0;
}
