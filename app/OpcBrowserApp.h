#pragma once
#include "framework/WinApp.h"

class COpcBrowserApp : public CWinApp {
  public:
    BOOL InitInstance() override;
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;

    // The text after the program name, as the platform hands it over.
    const char* m_lpCmdLine = "";
    // Set when the frame could not be created: the program ends with a failure result.
    bool m_bStartFailed = false;

  private:
    void OnAppAbout(UINT id);
};
