#pragma once
// Runs the real ZIZAZOzivuvi.exe as a separate process while this process plays the trace viewer.
#include <windows.h>

#include <string>
#include <vector>

#include "common/TraceCapture.h"

class ProgramRun {
  public:
    // Starts the program with the given command line (may be empty).
    explicit ProgramRun(const std::string& cmdLine);
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool Started() const { return m_process != nullptr; }
    // Pumps this thread's messages (trace records arrive that way) until pred holds or timeout.
    template <typename Pred>
    bool PumpUntil(Pred pred, DWORD timeoutMs) {
        DWORD start = GetTickCount();
        while (!pred()) {
            if (GetTickCount() - start > timeoutMs)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            Pump();
        }
        return true;
    }
    void Pump();
    // The program's visible top-level main window (null until it shows).
    HWND MainWindow() const;
    // A visible top-level window of the program with this exact title (a dialog), or null.
    HWND WindowTitled(const char* title) const;
    // Waits for the dialog, runs fill on it, then presses its OK button. False on timeout.
    template <typename Fill>
    bool AnswerDialog(const char* title, Fill fill, DWORD timeoutMs = 20000, int button = IDOK) {
        if (!PumpUntil([&] { return WindowTitled(title) != nullptr; }, timeoutMs))
            return false;
        HWND dlg = WindowTitled(title);
        fill(dlg);
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(dlg, button));
        return PumpUntil([&] { return !IsWindow(dlg) || !IsWindowVisible(dlg); }, timeoutMs);
    }
    bool WaitForTrace(const std::string& line, DWORD timeoutMs = 20000);
    // Waits for the process to end; returns its exit code or -1 on timeout.
    int WaitForExit(DWORD timeoutMs);
    std::vector<std::string> TraceLines() const;
    const TraceCapture& Capture() const { return m_capture; }

    static std::string ProgramPath();

  private:
    TraceCapture m_capture;
    HANDLE m_process = nullptr;
    DWORD m_processId = 0;
};

// The first child window (at any depth) of the given window class, or null.
HWND ChildOfClass(HWND parent, const char* className);

// The clipboard's CF_TEXT, or "<none>" when the clipboard holds no text.
std::string ClipboardText();
void PutClipboardText(const char* text);
