#pragma once
// Dialogs from templates with data exchange between controls and members, and the standard
// validation messages.
#include "framework/Wnd.h"

#include <functional>
#include <string>

class CDialog;

class CDataExchange {
  public:
    CDataExchange(CDialog* dlg, bool save) : m_pDlgWnd(dlg), m_bSaveAndValidate(save) {}
    HWND PrepareCtrl(int id);
    HWND PrepareEditCtrl(int id);
    // Shows nothing itself: puts the focus on the last prepared control and aborts the exchange.
    [[noreturn]] void Fail();

    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;
    HWND m_hWndLastControl = nullptr;
    bool m_bEditLastControl = false;
};

void DDX_Text(CDataExchange* pDX, int id, std::string& value);
void DDX_Text(CDataExchange* pDX, int id, int& value);
void DDX_Text(CDataExchange* pDX, int id, UINT& value);
void DDX_Check(CDataExchange* pDX, int id, BOOL& value);
void DDX_Radio(CDataExchange* pDX, int firstId, int& value);
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int maxChars);
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);

// Replaces %1 and %2 in a string-table text.
std::string AfxFormatString(UINT id, const char* arg1, const char* arg2 = nullptr);

class CDialog : public CWnd {
  public:
    explicit CDialog(UINT templateId, HWND parent = nullptr) : m_nIDTemplate(templateId), m_hParent(parent) {}

    virtual INT_PTR DoModal();
    // Modeless creation from the same template (tests drive dialogs this way too).
    BOOL Create(HWND parent);
    void EndDialog(int result);
    BOOL UpdateData(BOOL save = TRUE);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX) { (void)pDX; }
    // Control notifications and commands; TRUE when handled.
    virtual BOOL OnCommand(WPARAM wp, LPARAM lp);

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL PreTranslateMessage(MSG* msg) override;

    // Test hook: runs once, posted after the next dialog of any class finished its initialisation.
    using InitHook = std::function<void(CDialog&)>;
    static void SetNextInitHook(InitHook hook);

    UINT m_nIDTemplate;
    int m_nModalResult = -1;

  protected:
    HWND m_hParent;

  private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp);
    bool m_bModal = false;
};
