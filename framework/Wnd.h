#pragma once
// The base of the thin window layer: a window object bound to its HWND, command routing and
// command-state updates.
#include <windows.h>
#include <commctrl.h>

#include <string>

class CCmdUI;

// Sent to the main window at idle time: update the bars' command states.
constexpr UINT WM_IDLEUPDATECMDUI = 0x0363;

// Codes passed to OnCmdMsg.
enum : int {
    CN_COMMAND = 0,             // carry out the command
    CN_UPDATE_COMMAND_UI = -1,  // answer a state request through the CCmdUI; only reads state
    CN_QUERY_HANDLER = -2,      // only say whether a handler exists
};

class CCmdTarget {
  public:
    virtual ~CCmdTarget() = default;
    // Returns TRUE when this target handled the command or the state request.
    virtual BOOL OnCmdMsg(UINT id, int code, CCmdUI* pUI) {
        (void)id, (void)code, (void)pUI;
        return FALSE;
    }
};

// State of one menu entry or tool bar button during an update request.
class CCmdUI {
  public:
    UINT m_nID = 0;
    HMENU m_hMenu = nullptr;  // menu entry: its menu and position
    UINT m_nIndex = 0;
    HWND m_hToolBar = nullptr;  // tool bar button

    virtual ~CCmdUI() = default;
    virtual void Enable(BOOL on = TRUE);
    virtual void SetCheck(int check = 1);

    // Routes the request through target; a command that no target handles is disabled.
    void DoUpdate(CCmdTarget* target);
};

class CWnd : public CCmdTarget {
  public:
    HWND m_hWnd = nullptr;

    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    operator HWND() const { return m_hWnd; }

    // Creates a window of a class registered with CWnd's procedure (or a system class, which is then
    // subclassed) and binds it to this object.
    BOOL CreateEx(DWORD exStyle,
                  const char* className,
                  const char* title,
                  DWORD style,
                  int x,
                  int y,
                  int cx,
                  int cy,
                  HWND parent,
                  HMENU idOrMenu);
    // Binds an existing window (control or dialog) to this object by subclassing it.
    BOOL SubclassWindow(HWND hWnd);
    void UnbindWindow();
    BOOL DestroyWindow();

    static CWnd* FromHandle(HWND hWnd);
    static const char* RegisterDefaultClass(UINT style = CS_DBLCLKS,
                                            HBRUSH background = nullptr,
                                            HCURSOR cursor = nullptr);

    BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessageA(m_hWnd, msg, wp, lp); }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::PostMessageA(m_hWnd, msg, wp, lp); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    std::string GetWindowText() const;
    void SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }
    void MoveWindow(const RECT& rc, BOOL repaint = TRUE) {
        ::MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, repaint);
    }

    // The message procedure of the bound object; unhandled messages go to Default().
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);
    // Gives the window a chance to handle a queued message before dispatch (accelerators, dialog keys).
    virtual BOOL PreTranslateMessage(MSG* msg) {
        (void)msg;
        return FALSE;
    }
    // A WM_NOTIFY sent to the parent comes back to the control's own object first.
    virtual BOOL OnNotifyReflect(NMHDR* hdr, LRESULT* result) {
        (void)hdr, (void)result;
        return FALSE;
    }
    // Called after WM_NCDESTROY, when the HWND is gone.
    virtual void PostNcDestroy() {}

  protected:
    // Reflects WM_NOTIFY to the sending control's object; TRUE when it handled the notification.
    static BOOL ReflectNotify(LPARAM lp, LRESULT* result);

  private:
    static LRESULT CALLBACK StaticWndProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT Dispatch(CWnd* self, HWND hWnd, UINT msg, WPARAM wp, LPARAM lp);
    void Attach(HWND hWnd);

    WNDPROC m_pfnSuper = nullptr;  // original procedure of a subclassed window
    // A dialog's defaults belong to the dialog manager: Default() only notes that it was reached.
    bool m_bDialog = false;
    bool m_bDefaultReached = false;
    friend class CDialog;
};

// The whole text of any window or control.
std::string WindowText(HWND h);
// Moves a child window unless it already has that place and size: a move that changes nothing
// still costs a round trip to the window server and a pair of position messages.
void PlaceChild(HWND child, int x, int y, int width, int height);
