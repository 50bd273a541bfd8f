#pragma once
// The dialogs of the type mapping and the item conversion: the mapping display (134), the
// question for a type without a Korvane type (161) and the array size question (162).
#include "framework/Dialog.h"

#include <cstdint>
#include <string>

class CTypeConversionDlg : public CDialog {
  public:
    CTypeConversionDlg();
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

class CUnknownTypeDlg : public CDialog {
  public:
    explicit CUnknownTypeDlg(std::string varTypeText);
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wp, LPARAM lp) override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;

    // The chosen radio button's id until OK, then its KorvaneType code; -1 without a choice.
    int m_choice = -1;
    std::string m_question;
    std::string m_varTypeText;
};

class CArrayDlg : public CDialog {
  public:
    CArrayDlg();
    void DoDataExchange(CDataExchange* pDX) override;

    UINT m_size = 0;
    BOOL m_asDriverObject = FALSE;
};

// KorvaneType code of an unknown-type radio button; -1 for other ids.
int KorvaneTypeOfChoice(int controlId);
