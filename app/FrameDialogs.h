#pragma once
// The frame's numbering and separator dialogs. Both live as long as the frame, so the choices
// saved in them carry over from one opening to the next.
#include <string>

#include "framework/Dialog.h"

class CNumberingDlg : public CDialog {
  public:
    CNumberingDlg();
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wp, LPARAM lp) override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;

    CWnd m_editSeparator;
    BOOL m_bUseSeparator = TRUE;
    std::string m_separator = "_";
    int m_style = 0;  // 0 digits, 1 lower-case letters, 2 upper-case letters

  private:
    void EnableSeparator();
};

class CSeparatorDlg : public CDialog {
  public:
    CSeparatorDlg();
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wp, LPARAM lp) override;
    void DoDataExchange(CDataExchange* pDX) override;

    // The separator set in the fixed order "/", ".", other character.
    std::string SeparatorSet() const;

    CWnd m_editOther;
    BOOL m_bDot = TRUE;
    BOOL m_bSlash = FALSE;
    BOOL m_bOther = FALSE;
    std::string m_other;

  private:
    void EnableOther();
};
