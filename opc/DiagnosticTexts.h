#pragma once
// English texts for OPC qualities, variant types, values and result codes, as shown in the item
// list. Every function returns new strings that the caller owns.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

// "Good: Non-specific, Limit: Not Limited, (00C0h)": major status, sub-status, limit and the
// whole word in hex.
std::string QualityText(WORD quality);

// "VT_BYREF | VT_ARRAY | VT_BSTR"; "unknown VARTYPE" for a base type without a name or with
// flag bits other than VT_BYREF and VT_ARRAY.
std::string VarTypeText(VARTYPE type);

// One text per scalar: a scalar gives one text, a one-dimensional array one per element,
// flattened through nested VARIANT arrays. Each text is the prefix followed by the value as the
// system converts it to text, or by ResultText of the failed conversion.
//
// The prefix may hold one integer placeholder (%d, %u, %x, %X, %i, %o with flags and a width of
// at most two digits), filled with the index of the outermost element; "%%" gives "%". Any
// other '%' is copied as it stands, so a prefix can never make the formatter read past it.
// An empty outermost array gives one text, the bare prefix.
//
// The value is only read: the caller keeps owning it and clears it as usual.
//
// Bounds, so that a server's huge or deeply nested value cannot build megabytes of text:
// - the texts together hold at most kValueTextBudget bytes (each text counting one more);
//   where the budget runs out the text is cut, the remaining elements are left out, and one
//   last text, the prefix followed by "...", marks the cut;
// - nested arrays deeper than kValueTextMaxDepth are cut the same way;
// - text conversion stops at a string's first zero character, as the list shows no more;
// - interface and record values (VT_UNKNOWN, VT_DISPATCH, VT_RECORD) are never called into:
//   their text is the prefix and ResultText(DISP_E_TYPEMISMATCH);
// - an array whose SAFEARRAY does not hold elements of the VARIANT's element type gives one
//   text, the prefix and ResultText(DISP_E_BADVARTYPE), instead of reading a wrong layout.
// Of a multi-dimensional array, the last dimension is listed, with the other indexes at their
// lower bounds. VT_BYREF arrays are followed through their pointer.
constexpr size_t kValueTextBudget = 64 * 1024;
constexpr int kValueTextMaxDepth = 16;
std::vector<std::string> ValueTexts(const VARIANT& value, const char* prefix);

// The code's name ("E_FAIL", "OPC_E_BADTYPE", otherwise "Function Failed : %Xh"); outside the
// interface facility followed by "\n" and the system's message text when it has one.
std::string ResultText(HRESULT hr);
