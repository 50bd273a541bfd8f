#pragma once
// Main frame: menu, accelerators, bars at top and bottom, the pane window in between, command
// routing (active view, frame, application), menu prompts and command-state updates.
#include "framework/CommandTable.h"
#include "framework/ControlBars.h"

class CView;

class CFrameWnd : public CWnd {
  public:
    CFrameWnd() = default;
    ~CFrameWnd() override;

    // Loads menu, accelerators, icon and title with resId and creates the window.
    BOOL LoadFrame(UINT resId, DWORD style, HWND parent = nullptr);

    CView* GetActiveView() const { return m_pActiveView; }
    void SetActiveView(CView* view);
    void RecalcLayout();
    // Lays the frame out and gives every view its initial update (once, after showing).
    void InitialUpdateFrame();
    // Shows the prompt of a command (the string-table text before "\n") in the message pane.
    void SetMessageText(UINT promptId);
    void SetMessageText(const char* text);
    // A note that stands in the status line instead of the idle message while it is set ("":
    // the idle message again); shown at once.
    void SetIdleNote(const std::string& note);
    std::string GetMessageText() const;
    // Runs the command-state updates of the bars (tool bar buttons, status indicators).
    void UpdateBars();
    void UpdateMenuPopup(HMENU popup);

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    // Standard routing: active view, then the frame's own handlers, then the application.
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    virtual BOOL OnCommand(WPARAM wp, LPARAM lp);

    bool m_bAutoDelete = true;

  protected:
    virtual int OnCreate(CREATESTRUCTA* cs);
    virtual BOOL OnCreateClient(CREATESTRUCTA* cs);
    // The frame's own commands; derived frames add theirs and call the base.
    virtual BOOL OnOwnCmdMsg(UINT id, int code, CCmdUI* pUI);
    virtual void OnClose() { DestroyWindow(); }
    void PostNcDestroy() override;

    HACCEL m_hAccel = nullptr;
    UINT m_nIdleMessage = 0;
    // What the rebar and the status bar were last laid out for (client width, client size): a
    // layout that keeps it, as at the first show, spares them a relayout and a repaint.
    int m_nRebarWidth = -1;
    SIZE m_statusSized = {-1, -1};

  private:
    CWnd* FindBar(UINT id) const;
    void ToggleBar(UINT id);
    CommandState BarShown(UINT id) const;
    void OnHelpFinder(UINT id);
    void OnContextHelp(UINT id);
    void OnMenuSelect(UINT item, UINT flags, HMENU menu);
    BOOL OnNotify(NMHDR* hdr, LRESULT* result);

    CView* m_pActiveView = nullptr;
    bool m_bHelpMode = false;
    char m_tipText[256] = {};
    std::string m_idleNote;
};
