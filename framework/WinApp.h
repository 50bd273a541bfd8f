#pragma once
// The application object: message loop with idle processing, main window, message boxes, help.
#include "framework/Wnd.h"

#include <functional>
#include <string>

class CFrameWnd;

class CWinApp : public CCmdTarget {
  public:
    CWinApp();
    ~CWinApp() override;

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    std::string m_strHelpFile;     // "<exe dir>\<exe name>.hlp"
    std::string m_strRegistryKey;  // per-user settings key, set by SetRegistryKey

    virtual BOOL InitInstance() { return TRUE; }
    // The application's own commands: ID_APP_EXIT closes the main window, which runs its close flow.
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    // Runs the message loop until WM_QUIT; calls OnIdle whenever the queue is empty.
    virtual int Run();
    // Idle step: command-state updates of the main window's bars. Returns TRUE for more idle work.
    virtual BOOL OnIdle(LONG count);
    // Pumps pending messages without blocking (tests drive the loop with it).
    void PumpMessages();

    void SetRegistryKey(const char* company);
    // The title string of the application (string 57344).
    const char* GetAppTitle() const { return m_strTitle.c_str(); }
    // Opens the program's help: the WinHelp file when there is one, else its HTML twin.
    void WinHelp(DWORD data, UINT command);
    // The help file that WinHelp opens; empty when neither exists.
    std::string HelpTarget() const;

    // Runs one message through the main window's pre-translation and dispatches it.
    void DispatchOne(MSG& msg);

  private:
    void OnAppExit(UINT id);

    std::string m_strTitle;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetResourceHandle();
std::string LoadStringA(UINT id);

// Every message box of the program goes through here, so tests can answer them.
using MessageBoxHook = std::function<int(HWND owner, const char* text, const char* caption, UINT type)>;
void SetMessageBoxHook(MessageBoxHook hook);
int AppMessageBox(HWND owner, const char* text, const char* caption, UINT type);
// The framework's application message box: caption is the application title.
int AfxMessageBox(const char* text, UINT type = MB_OK);
int AfxMessageBox(UINT stringId, UINT type = MB_OK);
