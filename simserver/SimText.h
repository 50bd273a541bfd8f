#pragma once
// Text helpers of the simulator: UTF-8 <-> UTF-16 and task-allocator copies for COM callers.
#include <windows.h>
#include <string>

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
// A CoTaskMem copy the caller frees with CoTaskMemFree; NULL when out of memory.
LPWSTR CoTaskStrDup(const std::wstring& text);
// "0x80004005": the form every log line uses for result codes.
std::string HrText(HRESULT hr);
// Case-insensitive compare of ASCII keywords.
bool SameKeyword(const std::string& a, const char* b);
// ASCII lower case: config keywords are compared without regard to case.
std::string AsciiLower(std::string text);
