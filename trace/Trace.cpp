#include "trace/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <new>

namespace {

constexpr char kViewerTitle[] = "DXMTrace";
constexpr size_t kLineBufferSize = 260;  // 257 characters, "\r\n" and the zero byte
constexpr size_t kLineTail = 3;          // "\r\n" and the zero byte

// A viewer that does not answer within this time is taken as gone: a hung viewer must not hang
// the program, its exit included.
constexpr UINT kViewerTimeoutMs = 1000;

// Searched once at start-up; set back to null for good when the viewer refuses a record.
HWND g_hTraceViewer = nullptr;

void SendRecord(ULONG_PTR kind, char* data, size_t size) {
    COPYDATASTRUCT record = {kind, static_cast<DWORD>(size), data};
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(g_hTraceViewer, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record),
                             SMTO_NORMAL | SMTO_ABORTIFHUNG, kViewerTimeoutMs, &answer) ||
        answer == 0) {
        g_hTraceViewer = nullptr;
    }
}

void SendLine(char* text, size_t length) {
    text[length] = '\r';
    text[length + 1] = '\n';
    text[length + 2] = '\0';
    SendRecord(kTraceRecordLine, text, length + kLineTail);
}

}  // namespace

HWND TraceInit() {
    g_hTraceViewer = FindWindowA(nullptr, kViewerTitle);
    return g_hTraceViewer;
}

void TraceBegin() {
    if (g_hTraceViewer) {
        SendRecord(kTraceRecordStart, nullptr, 0);
    }
}

void Trace(const char* format, ...) {
    if (!g_hTraceViewer) {
        return;
    }
    char line[kLineBufferSize];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int formatted = std::vsnprintf(line, sizeof(line) - 2, format, args);
    va_end(args);
    if (formatted < 0) {  // not a valid format: there is no line to send
        va_end(again);
        return;
    }
    const size_t length = static_cast<size_t>(formatted);
    if (length + kLineTail <= sizeof(line)) {
        va_end(again);
        SendLine(line, length);
        return;
    }
    // Too long for the stack buffer: send it whole rather than cut, so no trace text is lost.
    std::unique_ptr<char[]> longLine(new (std::nothrow) char[length + kLineTail]);
    if (longLine) {
        std::vsnprintf(longLine.get(), length + 1, format, again);
        va_end(again);
        SendLine(longLine.get(), length);
        return;
    }
    va_end(again);
    SendLine(line, sizeof(line) - kLineTail);  // out of memory: the cut line is better than none
}
