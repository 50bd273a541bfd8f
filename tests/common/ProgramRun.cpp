#include "common/ProgramRun.h"

#include <cstring>
#include <utility>

std::string ProgramRun::ProgramPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    // Test executables live in <build>\tests, the program in <build>.
    for (int cut = 0; cut < 2; ++cut) {
        if (char* slash = strrchr(path, '\\'))
            *slash = '\0';
    }
    return std::string(path) + "\\ZIZAZOzivuvi.exe";
}

ProgramRun::ProgramRun(const std::string& cmdLine) {
    std::string line = "\"" + ProgramPath() + "\"";
    if (!cmdLine.empty())
        line += " " + cmdLine;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        m_process = pi.hProcess;
        m_processId = pi.dwProcessId;
        CloseHandle(pi.hThread);
    }
}

ProgramRun::~ProgramRun() {
    if (m_process) {
        if (WaitForExit(0) == -1) {
            TerminateProcess(m_process, 99);
            WaitForSingleObject(m_process, 5000);
        }
        CloseHandle(m_process);
    }
}

void ProgramRun::Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

namespace {
struct FindMain {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND h, LPARAM lp) {
    auto* f = reinterpret_cast<FindMain*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == f->pid && IsWindowVisible(h) && !GetWindow(h, GW_OWNER)) {
        f->found = h;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

namespace {
struct FindTitled {
    DWORD pid;
    const char* title;
    HWND found;
};

BOOL CALLBACK FindTitledWindow(HWND h, LPARAM lp) {
    auto* f = reinterpret_cast<FindTitled*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    char text[256] = {};
    if (pid == f->pid && IsWindowVisible(h) && GetWindowTextA(h, text, sizeof(text)) && !strcmp(text, f->title)) {
        f->found = h;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND ProgramRun::WindowTitled(const char* title) const {
    FindTitled f = {m_processId, title, nullptr};
    EnumWindows(FindTitledWindow, (LPARAM)&f);
    return f.found;
}

bool ProgramRun::WaitForTrace(const std::string& line, DWORD timeoutMs) {
    return PumpUntil(
        [&] {
            for (const std::string& l : TraceLines())
                if (l == line + "\r\n")
                    return true;
            return false;
        },
        timeoutMs);
}

HWND ProgramRun::MainWindow() const {
    FindMain f = {m_processId, nullptr};
    EnumWindows(FindMainWindow, (LPARAM)&f);
    return f.found;
}

int ProgramRun::WaitForExit(DWORD timeoutMs) {
    if (!m_process)
        return -1;
    bool done = PumpUntil([&] { return WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0; }, timeoutMs);
    if (!done)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(m_process, &code);
    return (int)code;
}

std::vector<std::string> ProgramRun::TraceLines() const {
    std::vector<std::string> lines;
    for (const TraceRecord& r : m_capture.Records())
        lines.push_back(r.kind == 100 ? std::string("<start>") : std::string(r.bytes.c_str()));
    return lines;
}

namespace {
BOOL CALLBACK FindChildOfClass(HWND h, LPARAM lp) {
    auto* found = reinterpret_cast<std::pair<const char*, HWND>*>(lp);
    char name[64] = {};
    GetClassNameA(h, name, sizeof(name));
    if (lstrcmpiA(name, found->first) != 0)
        return TRUE;
    found->second = h;
    return FALSE;
}
}  // namespace

HWND ChildOfClass(HWND parent, const char* className) {
    std::pair<const char*, HWND> found(className, nullptr);
    EnumChildWindows(parent, FindChildOfClass, (LPARAM)&found);
    return found.second;
}

std::string ClipboardText() {
    std::string text = "<none>";
    if (!OpenClipboard(nullptr))
        return "<busy>";
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(h))) {
            text.assign(p, strnlen(p, GlobalSize(h)));
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return text;
}

void PutClipboardText(const char* text) {
    if (!OpenClipboard(nullptr))
        return;
    EmptyClipboard();
    size_t n = strlen(text) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, n);
    if (block) {
        memcpy(GlobalLock(block), text, n);
        GlobalUnlock(block);
        if (!SetClipboardData(CF_TEXT, block))
            GlobalFree(block);
    }
    CloseClipboard();
}
