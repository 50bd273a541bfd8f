#include "tools/TraceViewer.h"

#include <cstring>

namespace {

constexpr char kClassName[] = "DXMTraceViewerWindow";
constexpr char kTitle[] = "DXMTrace";
constexpr char kStartSeparator[] = "---- start ----";
constexpr ULONG_PTR kRecordStart = 100;
constexpr ULONG_PTR kRecordLine = 101;
constexpr UINT_PTR kExitTimer = 1;
constexpr int kListId = 100;
// Oldest rows go first beyond this, so a long run cannot fill memory.
constexpr LRESULT kMaxRows = 20000;

}  // namespace

TraceViewer::~TraceViewer() {
    if (m_file) {
        std::fclose(m_file);
    }
}

bool TraceViewer::Create(HINSTANCE hInstance, int showCommand, std::string& error) {
    if (!m_options.filePath.empty()) {
        m_file = std::fopen(m_options.filePath.c_str(), "ab");
        if (!m_file) {
            error = "cannot open " + m_options.filePath;
            return false;
        }
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &TraceViewer::StaticWindowProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc)) {
        error = "cannot register the window class";
        return false;
    }
    m_hWnd = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 800, 500,
                             nullptr, nullptr, hInstance, this);
    if (!m_hWnd) {
        error = "cannot create the window";
        return false;
    }
    if (m_options.exitAfterSeconds) {
        SetTimer(m_hWnd, kExitTimer, m_options.exitAfterSeconds * 1000, nullptr);
    }
    ShowWindow(m_hWnd, showCommand);
    return true;
}

int TraceViewer::Run() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

LRESULT CALLBACK TraceViewer::StaticWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TraceViewer*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->m_hWnd = hWnd;
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TraceViewer*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
    }
    return self ? self->WindowProc(message, wParam, lParam) : DefWindowProcA(hWnd, message, wParam, lParam);
}

LRESULT TraceViewer::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_SIZE:
            OnSize(LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_COPYDATA:
            return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        case WM_TIMER:
            if (wParam == kExitTimer) {
                DestroyWindow(m_hWnd);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(m_hWnd, message, wParam, lParam);
    }
}

void TraceViewer::OnCreate() {
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_USETABSTOPS;
    m_hList = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", nullptr, style, 0, 0, 0, 0, m_hWnd,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), nullptr, nullptr);
    SendMessageA(m_hList, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), FALSE);
    // Wide enough for long lines to be scrolled to.
    SendMessageA(m_hList, LB_SETHORIZONTALEXTENT, 4000, 0);
}

void TraceViewer::OnSize(int width, int height) {
    MoveWindow(m_hList, 0, 0, width, height, TRUE);
}

LRESULT TraceViewer::OnCopyData(const COPYDATASTRUCT* record) {
    if (record->dwData == kRecordStart) {
        AddLine(kStartSeparator);
    } else if (record->dwData == kRecordLine && record->lpData) {
        // Only the bytes counted by cbData are ours to read, and the text ends at its zero byte.
        const char* text = static_cast<const char*>(record->lpData);
        const void* zero = std::memchr(text, '\0', record->cbData);
        ShowText(text, zero ? static_cast<const char*>(zero) - text : record->cbData);
    }
    return m_options.refuseRecords ? 0 : TRUE;
}

// One record may hold several lines (the sender's machine header does): one row each.
void TraceViewer::ShowText(const char* text, size_t length) {
    if (length >= 2 && text[length - 2] == '\r' && text[length - 1] == '\n') {
        length -= 2;
    }
    size_t start = 0;
    for (;;) {
        const void* found = std::memchr(text + start, '\n', length - start);
        const size_t end = found ? static_cast<const char*>(found) - text : length;
        size_t lineEnd = end;
        if (lineEnd > start && text[lineEnd - 1] == '\r') {
            --lineEnd;
        }
        AddLine(std::string(text + start, lineEnd - start));
        if (!found) {
            break;
        }
        start = end + 1;
    }
}

void TraceViewer::AddLine(const std::string& line) {
    if (SendMessageA(m_hList, LB_GETCOUNT, 0, 0) >= kMaxRows) {
        SendMessageA(m_hList, LB_DELETESTRING, 0, 0);
    }
    const LRESULT row = SendMessageA(m_hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    if (row >= 0) {
        SendMessageA(m_hList, LB_SETTOPINDEX, static_cast<WPARAM>(row), 0);
    }
    if (m_options.toStdout) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);  // a reader on the other end of a pipe sees each line at once
    }
    if (m_file) {
        std::fwrite(line.data(), 1, line.size(), m_file);
        std::fwrite("\r\n", 1, 2, m_file);
        std::fflush(m_file);
    }
}
