#pragma once
// Writes and removes the registry keys of one profile under a classes root: HKEY_CLASSES_ROOT
// for machine-wide registration (regsvr32), or an opened HKCU\Software\Classes for one user.
#include <windows.h>

#include "simserver/SimProfiles.h"

class SimRegistrar {
  public:
    // Opens the classes root; per user creates HKCU\Software\Classes if needed. Close with Close().
    static HKEY OpenRoot(bool bPerUser);
    static void Close(HKEY root);
    static HRESULT Register(HKEY root, const SimProfile& profile);
    // Removes exactly what Register wrote (the shared category description stays).
    static HRESULT Unregister(HKEY root, const SimProfile& profile);
    // A class of this module that is no OPC server (the EXE's control object): CLSID key only.
    static HRESULT RegisterPlainClass(HKEY root, REFCLSID clsid, const std::string& description);
    static HRESULT UnregisterPlainClass(HKEY root, REFCLSID clsid);

  private:
    static bool SetValue(HKEY root, const std::string& path, const char* name, const std::string& value);
    static LONG DeleteTree(HKEY root, const std::string& path);
    // InprocServer32 with its threading model, or LocalServer32 with the quoted EXE path.
    static bool SetServerPath(HKEY root, const std::string& clsidKey, bool bLocalServer);
};
