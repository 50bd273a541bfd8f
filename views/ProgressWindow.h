#pragma once
// The progress of a long operation that works call by call on the user-interface thread (reading
// the address space, adding many items). Once it has run kShowAfterMs, the modeless window
// "Bitte warten" shows what it has done so far and offers "Abbrechen". Between the operation's
// steps only painting and the window's own messages are dispatched, and the main window is
// disabled: no other command starts in the middle. COM keeps serving the apartment during each
// call, so servers in this apartment and in other processes work alike (no second thread).
#include <string>

#include "framework/Dialog.h"

class CProgressWindow {
  public:
    static constexpr unsigned kShowAfterMs = 500;

    // owner: any window of the main window; format: the progress line, printf-style with
    // two unsigned numbers at most (done, total).
    CProgressWindow(HWND owner, const char* format);
    ~CProgressWindow();
    CProgressWindow(const CProgressWindow&) = delete;
    CProgressWindow& operator=(const CProgressWindow&) = delete;

    // How far the operation is. False once the user has cancelled: the operation stops then.
    bool Step(unsigned done, unsigned total = 0);
    bool Cancelled() const { return m_dlg.m_bCancelled; }
    // An operation with progress runs: commands of the program wait for its end.
    static bool IsRunning() { return s_nRunning > 0; }

  private:
    class CProgressDlg : public CDialog {
      public:
        CProgressDlg();
        // "Abbrechen", Enter or Escape: the operation stops at its next step.
        void OnCancel() override { m_bCancelled = true; }
        bool m_bCancelled = false;
    };
    void Show();
    void Pump();

    HWND m_hOwner;
    const char* m_format;
    DWORD m_start;
    DWORD m_lastUpdate = 0;
    CProgressDlg m_dlg;
    static int s_nRunning;
};
