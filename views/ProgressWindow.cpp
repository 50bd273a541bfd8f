#include "views/ProgressWindow.h"

#include <cstdio>

#include "res/resource.h"

namespace {
// The line and the window are brought up to date at most this often: each costs calls to the
// window system, and a step usually takes one server call.
const DWORD kUpdateEveryMs = 50;
// Messages handled per pump: a window that never validates its painting must not keep it going.
const int kMaxMessagesPerPump = 64;
}  // namespace

CProgressWindow::CProgressDlg::CProgressDlg() : CDialog(IDD_PROGRESS) {}
int CProgressWindow::s_nRunning = 0;

CProgressWindow::CProgressWindow(HWND owner, const char* format)
    : m_hOwner(owner ? GetAncestor(owner, GA_ROOT) : nullptr), m_format(format), m_start(GetTickCount()) {
    ++s_nRunning;
}

CProgressWindow::~CProgressWindow() {
    --s_nRunning;
    if (!m_dlg.m_hWnd)
        return;
    // The owner first, so that it is the window activated when the progress goes.
    if (m_hOwner)
        EnableWindow(m_hOwner, TRUE);
    DestroyWindow(m_dlg.m_hWnd);
}

bool CProgressWindow::Step(unsigned done, unsigned total) {
    if (m_dlg.m_bCancelled)
        return false;
    const DWORD now = GetTickCount();
    if (!m_dlg.m_hWnd) {
        if (now - m_start < kShowAfterMs)
            return true;
        Show();
    } else if (now - m_lastUpdate < kUpdateEveryMs) {
        return true;
    }
    m_lastUpdate = now;
    if (m_dlg.m_hWnd) {
        char line[128];
        snprintf(line, sizeof(line), m_format, done, total);
        SetDlgItemTextA(m_dlg.m_hWnd, IDC_PROGRESS_TEXT, line);
    }
    Pump();
    return !m_dlg.m_bCancelled;
}

void CProgressWindow::Show() {
    if (!m_dlg.Create(m_hOwner))
        return;
    RECT owner = {}, dlg = {};
    if (m_hOwner && GetWindowRect(m_hOwner, &owner) && GetWindowRect(m_dlg.m_hWnd, &dlg)) {
        const int x = (owner.left + owner.right - (dlg.right - dlg.left)) / 2;
        const int y = (owner.top + owner.bottom - (dlg.bottom - dlg.top)) / 2;
        SetWindowPos(m_dlg.m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    if (m_hOwner)
        EnableWindow(m_hOwner, FALSE);
    ShowWindow(m_dlg.m_hWnd, SW_SHOW);
    UpdateWindow(m_dlg.m_hWnd);
}

void CProgressWindow::Pump() {
    // The window's own messages (its button, keys, painting), then painting of every window.
    // Everything else, input to the disabled main window and timers included, waits in the
    // queue until the operation is over.
    MSG msg;
    for (int n = 0; n < kMaxMessagesPerPump; ++n) {
        const HWND dlg = m_dlg.m_hWnd;
        if (dlg && PeekMessageA(&msg, dlg, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageA(dlg, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        } else if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) {
            DispatchMessageA(&msg);
        } else {
            break;
        }
    }
}
