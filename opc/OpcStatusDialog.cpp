#include "opc/OpcStatusDialog.h"

#include "res/resource.h"

OpcStatusDialog::OpcStatusDialog(IOPCServer* server, IMalloc* malloc, DWORD state)
    : CDialog(IDD_OPC_STATUS), m_pServer(server), m_pMalloc(malloc), m_state(state) {}

std::string OpcStatusDialog::StatusText(DWORD state) {
    static const char* const texts[] = {
        "", "Status: RUNNING", "Status: FAILED", "Status: NOCONFIG", "Status: SUSPENDED", "Status: TEST"};
    if (state < ARRAYSIZE(texts))
        return texts[state];
    char buf[32];
    wsprintfA(buf, "Status: 0x%08X", state);
    return buf;
}

void OpcStatusDialog::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_STATUS_TEXT, m_statusText);
}

BOOL OpcStatusDialog::OnInitDialog() {
    // Our own timer id: KillTimer needs the id the timer really has.
    m_timerId = SetTimer(m_hWnd, 1, 1000, nullptr);
    m_progress = GetDlgItem(IDC_STATUS_PROGRESS);
    ::SendMessageA(m_progress, PBM_SETRANGE, 0, MAKELPARAM(0, kMaxTicks));
    ::SendMessageA(m_progress, PBM_SETSTEP, 1, 0);
    m_statusText = StatusText(m_state);
    return CDialog::OnInitDialog();
}

void OpcStatusDialog::StopTimer() {
    if (m_timerId) {
        KillTimer(m_hWnd, m_timerId);
        m_timerId = 0;
    }
}

void OpcStatusDialog::OnTimer() {
    // PBM_STEPIT answers the position before the step.
    int before = (int)::SendMessageA(m_progress, PBM_STEPIT, 0, 0);
    if (before >= kMaxTicks) {
        // Long enough: go on as if the server were running.
        StopTimer();
        EndDialog(IDOK);
        return;
    }
    if (m_state == OPC_STATUS_RUNNING || m_state == OPC_STATUS_TEST) {
        StopTimer();
        EndDialog(IDOK);
    } else if (m_state == OPC_STATUS_FAILED) {
        StopTimer();
        EndDialog(IDCANCEL);
    }
    OPCSERVERSTATUS* status = nullptr;
    if (SUCCEEDED(m_pServer->GetStatus(&status)) && status) {
        m_state = status->dwServerState;
        m_statusText = StatusText(m_state);
        UpdateData(FALSE);
        if (status->szVendorInfo)
            m_pMalloc->Free(status->szVendorInfo);
        m_pMalloc->Free(status);
    }
}

void OpcStatusDialog::OnCancel() {
    StopTimer();
    CDialog::OnCancel();
}

LRESULT OpcStatusDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER) {
        OnTimer();
        return 0;
    }
    return CDialog::WindowProc(msg, wp, lp);
}
