#include "simserver/SimNotifyWindow.h"

#include "simserver/SimModule.h"

namespace {

constexpr char kClassName[] = "ZZSimNotifyWindow";
constexpr UINT_PTR kUpdateTimer = 1;
constexpr UINT WM_SIM_WAKE = WM_APP + 1;

bool RegisterWindowClass(WNDPROC windowProc) {
    WNDCLASSA wc = {};
    if (GetClassInfoA(SimModule::Instance(), kClassName, &wc)) {
        return true;
    }
    wc.lpfnWndProc = windowProc;
    wc.hInstance = SimModule::Instance();
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) != 0;
}

}  // namespace

SimNotifyWindow::~SimNotifyWindow() {
    Destroy();
}

bool SimNotifyWindow::Create(SimNotifyTarget* pTarget) {
    if (m_hWnd) {
        return true;
    }
    if (!RegisterWindowClass(&SimNotifyWindow::WindowProc)) {
        return false;
    }
    m_pTarget = pTarget;
    m_hWnd = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, SimModule::Instance(), nullptr);
    if (!m_hWnd) {
        return false;
    }
    // Messages before this point have no target and go to the default procedure.
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

void SimNotifyWindow::Destroy() {
    if (m_hWnd) {
        StopTimer();
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }
    m_bWakePosted = false;
}

void SimNotifyWindow::StartTimer(UINT milliseconds) {
    if (m_hWnd) {
        SetTimer(m_hWnd, kUpdateTimer, milliseconds, nullptr);
        m_bTimer = true;
    }
}

void SimNotifyWindow::StopTimer() {
    if (m_hWnd && m_bTimer) {
        KillTimer(m_hWnd, kUpdateTimer);
    }
    m_bTimer = false;
}

void SimNotifyWindow::Wake() {
    if (m_hWnd && !m_bWakePosted) {
        m_bWakePosted = PostMessageA(m_hWnd, WM_SIM_WAKE, 0, 0) != FALSE;
    }
}

void SimNotifyWindow::UnregisterWindowClass() {
    UnregisterClassA(kClassName, SimModule::Instance());
}

LRESULT CALLBACK SimNotifyWindow::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<SimNotifyWindow*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (self && message == WM_TIMER && wParam == kUpdateTimer) {
        self->m_pTarget->OnUpdateTimer();
        return 0;
    }
    if (self && message == WM_SIM_WAKE) {
        self->m_bWakePosted = false;
        self->m_pTarget->OnWake();
        return 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}
