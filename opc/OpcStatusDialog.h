#pragma once
// "Status OPC - Server": waits while a server reports that it is still starting, polling its
// state once a second for at most 50 seconds.
#include "framework/Dialog.h"
#include "opc/OpcDa.h"

class OpcStatusDialog : public CDialog {
  public:
    OpcStatusDialog(IOPCServer* server, IMalloc* malloc, DWORD state);

    // "Status: RUNNING" and so on; "Status: 0x%08X" for states the table does not know.
    static std::string StatusText(DWORD state);

    BOOL OnInitDialog() override;
    void OnCancel() override;
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

    DWORD LastState() const { return m_state; }
    static const int kMaxTicks = 50;

  private:
    void OnTimer();
    void StopTimer();

    IOPCServer* m_pServer;  // borrowed from the connection
    IMalloc* m_pMalloc;     // borrowed from the connection
    DWORD m_state;
    HWND m_progress = nullptr;
    std::string m_statusText;
    UINT_PTR m_timerId = 0;
};
