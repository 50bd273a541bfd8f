#pragma once
// A stand-in trace viewer for tests: a hidden top-level window titled "DXMTrace" on the calling
// thread that keeps every WM_COPYDATA record it receives. Trace sends synchronously, so records
// arrive inside the Trace call when both run on the same thread.
#include <windows.h>

#include <string>
#include <vector>

struct TraceRecord {
    ULONG_PTR kind = 0;    // dwData
    DWORD size = 0;        // cbData
    bool hasData = false;  // lpData was not null
    std::string bytes;     // the cbData bytes, zero byte included
};

class TraceCapture {
  public:
    // refuseRecords: answer every record with 0, as a viewer that is going away does.
    explicit TraceCapture(bool refuseRecords = false);
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    HWND Window() const { return m_hWnd; }
    const std::vector<TraceRecord>& Records() const { return m_records; }

  private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCopyData(const COPYDATASTRUCT* record);

    HWND m_hWnd = nullptr;
    bool m_bRefuseRecords;
    std::vector<TraceRecord> m_records;
};
