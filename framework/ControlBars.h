#pragma once
// Bars of the frame: tool bar, status bar, rebar and dialog bar.
#include "framework/Wnd.h"

#include <vector>

// Bar behaviour flags (not window styles).
enum : DWORD {
    CBRS_TOOLTIPS = 0x0010,  // tool tips from the text after "\n" of a command's prompt
    CBRS_FLYBY = 0x8000,     // prompts in the status bar while the mouse is over a button
    CBRS_SIZE_DYNAMIC = 0x0400,
};

class CControlBar : public CWnd {
  public:
    // The frame asks each visible bar for its state updates at idle time.
    virtual void OnUpdateCmdUI(CCmdTarget* target) { (void)target; }
};

class CToolBar : public CControlBar {
  public:
    BOOL CreateEx(HWND parent, DWORD tbStyle, DWORD style, UINT id);
    // Loads a bitmap of 16x16 images, one per command id in buttons (0 = separator).
    BOOL LoadToolBar(UINT bitmapId, const UINT* buttons, int count);
    void SetBarStyle(DWORD style) { m_dwBarStyle = style; }
    DWORD GetBarStyle() const { return m_dwBarStyle; }
    void OnUpdateCmdUI(CCmdTarget* target) override;
    SIZE GetIdealSize() const;

  private:
    DWORD m_dwBarStyle = 0;
    std::vector<UINT> m_buttons;
};

class CStatusBar : public CControlBar {
  public:
    BOOL Create(HWND parent, DWORD style, UINT id);
    // Pane 0 is the message pane; other ids name indicator strings (shown while their key is on).
    BOOL SetIndicators(const UINT* ids, int count);
    void SetPaneText(int index, const char* text);
    std::string GetPaneText(int index) const;
    void OnUpdateCmdUI(CCmdTarget* target) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void LayoutParts();

    std::vector<UINT> m_ids;
    std::vector<int> m_widths;  // indicator widths; pane 0 stretches
};

class CReBar : public CControlBar {
  public:
    BOOL Create(HWND parent, DWORD rbStyle, DWORD style, UINT id);
    BOOL AddBar(CWnd* bar, DWORD bandStyle, SIZE minSize);
    void OnUpdateCmdUI(CCmdTarget* target) override;

  private:
    std::vector<CControlBar*> m_bars;
};

// A bar made from a child dialog template; its control commands go to the frame.
class CDialogBar : public CControlBar {
  public:
    BOOL Create(HWND parent, UINT templateId, UINT style, UINT id);
    SIZE m_sizeDefault = {0, 0};
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  protected:
    // Called once the bar and its controls exist.
    virtual void OnCreated() {}

  private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
};
