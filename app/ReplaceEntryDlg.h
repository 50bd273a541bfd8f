#pragma once
// "Servereintrag ersetzen": with all five Connect-menu entries taken, the user says which one a
// server picked in the chooser replaces. Each entry is named with where it came from, so a device
// of the project is never given up unnoticed.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Dialog.h"
#include "res/resource.h"

enum class EntryOrigin {
    ProjectDevice,  // section deviceN of the project file
    Switch,         // command-line switch /uN
    Chosen,         // picked in the chooser earlier in this run
};

struct TakenEntry {
    UINT id;  // 32775..32779
    EntryOrigin origin;
    std::string name;  // the menu text
};

// How the dialog's list names an entry, e.g. "Gerät 5 des Projekts: Vendor.Da.1".
std::string TakenEntryText(const TakenEntry& entry);

class CReplaceEntryDlg : public CDialog {
  public:
    enum { IDD = IDD_REPLACE_ENTRY };

    CReplaceEntryDlg(HWND parent, const std::string& server, const std::vector<TakenEntry>& entries)
        : CDialog(IDD, parent), m_server(server), m_entries(entries) {}

    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(WPARAM wp, LPARAM lp) override;

    // After OK: the command id of the entry to replace.
    UINT m_replacedId = 0;

  private:
    std::string m_server;
    std::vector<TakenEntry> m_entries;
};
