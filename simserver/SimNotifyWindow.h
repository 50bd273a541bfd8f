#pragma once
// A hidden message-only window on the thread that created it. Its timer and posted wake-ups run
// through that thread's message loop, so a group calls its client's sink from the client's own
// single-threaded apartment.
#include <windows.h>

class SimNotifyTarget {
  public:
    virtual void OnUpdateTimer() = 0;
    virtual void OnWake() = 0;

  protected:
    ~SimNotifyTarget() = default;
};

class SimNotifyWindow {
  public:
    SimNotifyWindow() = default;
    ~SimNotifyWindow();
    SimNotifyWindow(const SimNotifyWindow&) = delete;
    SimNotifyWindow& operator=(const SimNotifyWindow&) = delete;

    bool Create(SimNotifyTarget* pTarget);
    void Destroy();
    void StartTimer(UINT milliseconds);
    void StopTimer();
    // Asks for one OnWake from the message loop; several requests before it runs give one call.
    void Wake();
    static void UnregisterWindowClass();

  private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    SimNotifyTarget* m_pTarget = nullptr;
    bool m_bTimer = false;
    bool m_bWakePosted = false;
};
