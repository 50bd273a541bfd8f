#pragma once
// Plain-text clipboard hand-over in the ANSI code page.
#include <windows.h>

#include <cstddef>

// Converts text to the ANSI code page and makes it the clipboard's only content, as CF_TEXT.
// The block is sized by the converted length, so multi-byte code pages fit. 0, or -1 when the
// conversion, the allocation or opening the clipboard fails (then nothing is handed over).
int PutTextOnClipboard(HWND owner, const wchar_t* text, size_t length);

// Empties the clipboard. 0, or -1 when it cannot be opened.
int EmptyClipboardFor(HWND owner);
