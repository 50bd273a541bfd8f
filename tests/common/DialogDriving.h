#pragma once
// Gestures on a running dialog as its controls deliver them: the new state first, then the
// notification the dialog would get from the user.
#include <windows.h>
#include <commctrl.h>

#include "framework/Dialog.h"
#include "res/resource.h"

inline void ClickButton(CDialog& dlg, int id) {
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)dlg.GetDlgItem(id));
}

// Moves a track bar: new position, then the scroll notification.
inline void SlideTo(CDialog& dlg, int id, int pos) {
    HWND slider = dlg.GetDlgItem(id);
    SendMessageA(slider, TBM_SETPOS, TRUE, pos);
    dlg.SendMessage(WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, pos), (LPARAM)slider);
}

// Picks an entry of a drop-down list: selection, then the change notification.
inline void ChooseEntry(CDialog& dlg, int id, int index) {
    HWND combo = dlg.GetDlgItem(id);
    SendMessageA(combo, CB_SETCURSEL, index, 0);
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)combo);
}
