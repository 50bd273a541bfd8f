#pragma once
// Server profiles: one CLSID and ProgID per simulated server, each backed by its own config.
// Two are built in; a file ZZSimProfiles.cfg next to the DLL and ZZSim_RegisterProfile add more.
#include <windows.h>
#include <string>
#include <vector>

struct SimProfile {
    CLSID clsid;
    std::string progId;                    // "Vendor.Name.N"
    std::string versionIndependentProgId;  // "Vendor.Name"
    std::string description;
    std::string configFile;     // absolute, or relative to the DLL's folder
    bool bLocalServer = false;  // served by ZZSimServer.exe (LocalServer32), not the DLL
};

class SimProfiles {
  public:
    static std::vector<SimProfile> BuiltIn();
    // The profiles ZZSimServer.exe serves: the built-in ones under their own CLSIDs and ProgIDs.
    static std::vector<SimProfile> BuiltInLocal();
    // The built-in profiles plus those of ZZSimProfiles.cfg; false with a message for a bad file.
    static bool ForRegistration(std::vector<SimProfile>* pProfiles, std::string* pError);
    // The profile a class object is asked for: built in, or registered with this very DLL.
    static bool Find(REFCLSID clsid, SimProfile* pProfile);
    static SimProfile Make(const std::string& progId,
                           REFCLSID clsid,
                           const std::string& configFile,
                           const std::string& description);
    // ZZSIM_CONFIG if set, else the "Config" value under the profile's CLSID key, else ZZSim.cfg
    // next to the DLL.
    static std::string ConfigPath(const SimProfile& profile);
    static std::string AbsoluteConfigPath(const SimProfile& profile);
    static std::string ClsidText(REFCLSID clsid);
};
