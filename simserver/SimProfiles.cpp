#include "simserver/SimProfiles.h"

#include <objbase.h>
#include <cctype>
#include <fstream>

#include "simserver/SimModule.h"
#include "simserver/SimText.h"
#include "simserver/SimTokenizer.h"
#include "simserver/ZZSimControl.h"

namespace {

constexpr char kProfilesFile[] = "ZZSimProfiles.cfg";
constexpr char kDefaultConfig[] = "ZZSim.cfg";

// Reads a string value of HKCU\Software\Classes\<path> (per-user registration) or else of
// HKEY_CLASSES_ROOT\<path>; Wine does not merge the two.
bool ReadClassesValue(const std::string& path, const char* valueName, std::string* pValue) {
    const std::string perUser = "Software\\Classes\\" + path;
    const struct {
        HKEY root;
        const std::string* path;
    } places[] = {{HKEY_CURRENT_USER, &perUser}, {HKEY_CLASSES_ROOT, &path}};
    for (const auto& place : places) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(place.root, place.path->c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            continue;
        }
        char buffer[MAX_PATH * 2] = {};
        DWORD size = sizeof(buffer) - 1;
        DWORD type = 0;
        LONG rc = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
            *pValue = buffer;
            return true;
        }
    }
    return false;
}

bool IsAbsolute(const std::string& path) {
    return (path.size() > 1 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

}  // namespace

std::string SimProfiles::ClsidText(REFCLSID clsid) {
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return WideToUtf8(text);
}

SimProfile SimProfiles::Make(const std::string& progId,
                             REFCLSID clsid,
                             const std::string& configFile,
                             const std::string& description) {
    SimProfile profile = {clsid, progId, progId, description, configFile};
    // "Vendor.Name.N" -> "Vendor.Name"; a ProgID without a version number stays as it is.
    size_t dot = progId.find_last_of('.');
    if (dot != std::string::npos && dot + 1 < progId.size() &&
        progId.find_first_not_of("0123456789", dot + 1) == std::string::npos) {
        profile.versionIndependentProgId = progId.substr(0, dot);
    }
    if (profile.description.empty()) {
        profile.description = "ZZSim OPC DA simulation server (" + progId + ")";
    }
    return profile;
}

std::vector<SimProfile> SimProfiles::BuiltIn() {
    return {Make(kZZSimProgId, CLSID_ZZSimOpcServer, "plant.cfg", "ZZSim OPC DA 1.0 Simulation Server"),
            Make(kZZSimFlatProgId, CLSID_ZZSimFlat, "flat.cfg", "ZZSim OPC DA 1.0 Simulation Server (flat)")};
}

std::vector<SimProfile> SimProfiles::BuiltInLocal() {
    std::vector<SimProfile> profiles = {
        Make(kZZSimExeProgId, CLSID_ZZSimOpcServerExe, "plant.cfg", "ZZSim OPC DA 1.0 Simulation Server (EXE)"),
        Make(kZZSimFlatExeProgId, CLSID_ZZSimFlatExe, "flat.cfg", "ZZSim OPC DA 1.0 Simulation Server (flat, EXE)")};
    for (SimProfile& profile : profiles) {
        profile.bLocalServer = true;
    }
    return profiles;
}

bool SimProfiles::ForRegistration(std::vector<SimProfile>* pProfiles, std::string* pError) {
    *pProfiles = BuiltIn();
    std::ifstream file(SimModule::ModuleDirectory() + kProfilesFile);
    std::string line;
    std::vector<std::string> words;
    for (int number = 1; std::getline(file, line); ++number) {
        std::string error;
        if (!SimTokenizer::Split(line, &words, &error)) {
            *pError = std::string(kProfilesFile) + "(" + std::to_string(number) + "): " + error;
            return false;
        }
        if (words.empty()) {
            continue;
        }
        CLSID clsid = {};
        bool bOk = (words.size() == 4 || words.size() == 5) && SameKeyword(words[0], "profile") &&
                   SUCCEEDED(CLSIDFromString(Utf8ToWide(words[2]).c_str(), &clsid));
        if (!bOk) {
            *pError = std::string(kProfilesFile) + "(" + std::to_string(number) +
                      "): expected: profile <ProgID> <{CLSID}> <config file> [description]";
            return false;
        }
        pProfiles->push_back(Make(words[1], clsid, words[3], words.size() == 5 ? words[4] : std::string()));
    }
    return true;
}

bool SimProfiles::Find(REFCLSID clsid, SimProfile* pProfile) {
    for (const SimProfile& profile : BuiltIn()) {
        if (IsEqualCLSID(profile.clsid, clsid)) {
            *pProfile = profile;
            return true;
        }
    }
    // Any other CLSID must be registered with this DLL and name a config.
    const std::string key = "CLSID\\" + ClsidText(clsid);
    std::string server;
    std::string config;
    std::string progId;
    if (!ReadClassesValue(key + "\\InprocServer32", nullptr, &server) ||
        lstrcmpiA(server.c_str(), SimModule::ModulePath().c_str()) != 0 || !ReadClassesValue(key, "Config", &config)) {
        return false;
    }
    ReadClassesValue(key + "\\ProgID", nullptr, &progId);
    *pProfile = Make(progId, clsid, config, std::string());
    return true;
}

std::string SimProfiles::AbsoluteConfigPath(const SimProfile& profile) {
    return IsAbsolute(profile.configFile) ? profile.configFile : SimModule::ModuleDirectory() + profile.configFile;
}

std::string SimProfiles::ConfigPath(const SimProfile& profile) {
    char buffer[MAX_PATH * 2] = {};
    DWORD n = GetEnvironmentVariableA(kZZSimConfigVariable, buffer, sizeof(buffer));
    if (n > 0 && n < sizeof(buffer)) {
        return buffer;
    }
    std::string config;
    if (ReadClassesValue("CLSID\\" + ClsidText(profile.clsid), "Config", &config) && !config.empty()) {
        return config;
    }
    return SimModule::ModuleDirectory() + kDefaultConfig;
}
