#pragma once
// The "Item ID" dialog: the user names (or corrects) one OPC item ID to add.
#include <string>

#include "framework/Dialog.h"
#include "res/resource.h"

class CItemIdDlg : public CDialog {
  public:
    enum { IDD = IDD_ITEM_ID };
    // Item IDs typed by hand are limited to this many characters.
    static constexpr int kMaxItemIdChars = 128;

    explicit CItemIdDlg(HWND parent = nullptr) : CDialog(IDD, parent) {}

    void DoDataExchange(CDataExchange* pDX) override;

    // Shown in the edit when the dialog opens; holds the (edited) text after OK.
    std::string m_itemId;
};
