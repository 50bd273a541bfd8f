#pragma once
// DXMTrace: a window titled "DXMTrace" that shows the trace records programs send it by
// WM_COPYDATA (100: start of a run, 101: text lines), and may copy them to stdout or a file.
#include <windows.h>

#include <cstdio>
#include <string>

struct ViewerOptions {
    bool toStdout = false;          // /stdout
    std::string filePath;           // /file <path>: lines appended
    unsigned exitAfterSeconds = 0;  // /exitafter <seconds>: 0 runs until closed
    bool refuseRecords = false;     // /return0: answer 0, as a viewer going away does
};

class TraceViewer {
  public:
    explicit TraceViewer(const ViewerOptions& options) : m_options(options) {}
    ~TraceViewer();
    TraceViewer(const TraceViewer&) = delete;
    TraceViewer& operator=(const TraceViewer&) = delete;

    // Opens the output file and creates the window; false with a reason in error otherwise.
    bool Create(HINSTANCE hInstance, int showCommand, std::string& error);
    int Run();

  private:
    static LRESULT CALLBACK StaticWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    void OnSize(int width, int height);
    LRESULT OnCopyData(const COPYDATASTRUCT* record);
    void ShowText(const char* text, size_t length);
    void AddLine(const std::string& line);

    ViewerOptions m_options;
    HWND m_hWnd = nullptr;
    HWND m_hList = nullptr;
    FILE* m_file = nullptr;
};
