#pragma once
// "OPC-Server auswählen": the OPC DA servers of this machine, or of the machine named under
// "Rechner", to pick one for the Connect menu.
#include <string>
#include <vector>

#include "framework/Dialog.h"
#include "opc/ServerCatalog.h"
#include "res/resource.h"

class CServerChooserDlg : public CDialog {
  public:
    enum { IDD = IDD_SERVER_CHOOSER };

    explicit CServerChooserDlg(HWND parent = nullptr) : CDialog(IDD, parent) {}

    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(WPARAM wp, LPARAM lp) override;

    // Fills the list from the machine named in the "Rechner" field (empty: this machine).
    void Search();

    // After OK: the Connect-menu text of the chosen server.
    std::string m_entryText;
    // The list as shown, and the machine it came from.
    std::vector<CatalogServer> m_servers;
    std::string m_listedHost;

  private:
    void ShowList();
};
