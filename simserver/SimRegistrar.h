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

  private:
    static bool SetValue(HKEY root, const std::string& path, const char* name, const std::string& value);
    static LONG DeleteTree(HKEY root, const std::string& path);
};
