#pragma once
// The program's only diagnostic output: one-line texts handed to an external viewer window
// titled "DXMTrace" by WM_COPYDATA. Without a viewer every call returns at once.
//
// Records: dwData 100 (start, no data) and 101 (one text in the ANSI code page ending with
// "\r\n" and a zero byte; cbData counts both). wParam is 0, the send is synchronous with a
// timeout of about a second, and the first send answered with 0, or not answered in time, makes
// the channel forget the viewer for the rest of the run.
#include <windows.h>

enum : ULONG_PTR {
    kTraceRecordStart = 100,
    kTraceRecordLine = 101,
};

// Looks for the viewer window once and remembers it (null when there is none). Calling it
// again searches again; the program calls it once at start-up, tests call it per case.
HWND TraceInit();

// Sends the start record when a viewer is known.
void TraceBegin();

// Formats one line printf-style, appends "\r\n" and sends it when a viewer is known. Nothing is
// formatted without a viewer. A line longer than the 257 characters of the usual stack buffer
// is formatted into a heap buffer and sent whole, never cut. gnu_printf: MinGW's C99 formatter
// does the work, so %llu and friends are checked and honoured.
void Trace(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// Describes the machine (operating system, processors, memory, current drive) in several
// "\r\n"-separated lines without a final line break. The text is allocated with new[]; the
// caller frees it with delete[]. Never null.
char* GetSystemInfoText();
