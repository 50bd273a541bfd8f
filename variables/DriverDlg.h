#pragma once
// The driver selection dialog ("Treiberauswahl", 164): kind, name, access, cycle, kind-specific
// text and first element offset of a Korvane driver object, and its address, chosen as a prefix of
// the item ID with a slider and a live preview. The caller sets m_itemId, runs the dialog and reads
// the members afterwards; DoModal returns IDOK, IDCANCEL or IDC_DRV_PREVIEW (1003).
#include <string>

#include "framework/Dialog.h"
#include "res/resource.h"

class CDriverDlg : public CDialog {
  public:
    enum { IDD = IDD_DRIVER };
    static constexpr int kMaxNameChars = 18;
    static constexpr int kMaxCycle = 1000;
    static constexpr int kMaxOffset = 98;

    explicit CDriverDlg(HWND parent = nullptr) : CDialog(IDD, parent) {}

    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wp, LPARAM lp) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void DoDataExchange(CDataExchange* pDX) override;

    int m_kind = 0;  // DriverKind, the index in combo 1000
    std::string m_name = "Tr0";
    int m_cycle = 1;
    int m_access = 2;          // AccessCode, the index in combo 1045
    std::string m_labelText;   // label 1051 above the driver text
    std::string m_driverText;  // copy driver, picture name or trigger
    UINT m_firstOffset = 0;    // word offset of the first element
    std::string m_preview;     // the object's address: a prefix of m_itemId
    int m_offsetPosition = 0;  // the slider
    int m_offsetNumber = 0;    // edit 1050, kept equal to the slider
    BOOL m_bSplit = FALSE;
    std::string m_itemId;  // set by the caller: the item ID of the first selected item

  private:
    void OnOffsetMoved(bool fromNumber);
    void OnKindChanged();
    void ApplyKind();

    // Setting edit 1050 sends EN_CHANGE: true while the dialog writes its own controls.
    bool m_bFilling = false;
};
