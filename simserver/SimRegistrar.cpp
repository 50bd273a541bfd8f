#include "simserver/SimRegistrar.h"

#include <objbase.h>
#include <olectl.h>

#include "opc/OpcDa.h"
#include "simserver/SimModule.h"

namespace {

bool ReadDefault(HKEY root, const std::string& path, std::string* pValue) {
    char buffer[MAX_PATH] = {};
    LONG size = sizeof(buffer);
    if (RegQueryValueA(root, path.c_str(), buffer, &size) != ERROR_SUCCESS) {
        return false;
    }
    *pValue = buffer;
    return true;
}

}  // namespace

HKEY SimRegistrar::OpenRoot(bool bPerUser) {
    if (!bPerUser) {
        return HKEY_CLASSES_ROOT;
    }
    HKEY key = nullptr;
    LONG rc =
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return rc == ERROR_SUCCESS ? key : nullptr;
}

void SimRegistrar::Close(HKEY root) {
    if (root && root != HKEY_CLASSES_ROOT) {
        RegCloseKey(root);
    }
}

bool SimRegistrar::SetValue(HKEY root, const std::string& path, const char* name, const std::string& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    LONG rc = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

LONG SimRegistrar::DeleteTree(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | KEY_WRITE, &key);
    if (rc != ERROR_SUCCESS) {
        return rc;
    }
    char name[256];
    for (;;) {
        DWORD size = sizeof(name);
        // Always the first child: the list shrinks as children go.
        if (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        if (DeleteTree(key, name) != ERROR_SUCCESS) {
            break;
        }
    }
    RegCloseKey(key);
    return RegDeleteKeyA(root, path.c_str());
}

bool SimRegistrar::SetServerPath(HKEY root, const std::string& clsidKey, bool bLocalServer) {
    if (bLocalServer) {
        return SetValue(root, clsidKey + "\\LocalServer32", nullptr, "\"" + SimModule::ModulePath() + "\"");
    }
    return SetValue(root, clsidKey + "\\InprocServer32", nullptr, SimModule::ModulePath()) &&
           SetValue(root, clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment");
}

HRESULT SimRegistrar::RegisterPlainClass(HKEY root, REFCLSID clsid, const std::string& description) {
    const std::string clsidKey = "CLSID\\" + SimProfiles::ClsidText(clsid);
    bool bOk = root && SetValue(root, clsidKey, nullptr, description) && SetServerPath(root, clsidKey, true);
    return bOk ? S_OK : SELFREG_E_CLASS;
}

HRESULT SimRegistrar::UnregisterPlainClass(HKEY root, REFCLSID clsid) {
    LONG rc = root ? DeleteTree(root, "CLSID\\" + SimProfiles::ClsidText(clsid)) : ERROR_INVALID_HANDLE;
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}

HRESULT SimRegistrar::Register(HKEY root, const SimProfile& profile) {
    if (!root) {
        return SELFREG_E_CLASS;
    }
    const std::string clsid = SimProfiles::ClsidText(profile.clsid);
    const std::string clsidKey = "CLSID\\" + clsid;
    const std::string& progId = profile.progId;
    const std::string& viProgId = profile.versionIndependentProgId;
    const std::string category = SimProfiles::ClsidText(CATID_OPCDAServer10);
    bool bOk = SetValue(root, progId, nullptr, profile.description) &&
               SetValue(root, progId + "\\CLSID", nullptr, clsid) &&
               // The marker by which DA 1.0 clients find servers.
               SetValue(root, progId + "\\OPC\\Vendor", nullptr, "ZZSim") &&
               SetValue(root, clsidKey, nullptr, profile.description) &&
               SetValue(root, clsidKey, "Config", SimProfiles::AbsoluteConfigPath(profile)) &&
               SetValue(root, clsidKey + "\\ProgID", nullptr, progId) &&
               SetServerPath(root, clsidKey, profile.bLocalServer) &&
               SetValue(root, clsidKey + "\\Implemented Categories\\" + category, nullptr, "");
    if (bOk && viProgId != progId) {
        // Wine's CLSIDFromProgID does not follow CurVer, so the version-independent key needs its own CLSID.
        bOk = SetValue(root, viProgId, nullptr, profile.description) &&
              SetValue(root, viProgId + "\\CLSID", nullptr, clsid) &&
              SetValue(root, viProgId + "\\CurVer", nullptr, progId) &&
              SetValue(root, clsidKey + "\\VersionIndependentProgID", nullptr, viProgId);
    }
    // The category's description is shared with other servers: written once, never removed.
    const std::string categoryKey = "Component Categories\\" + category;
    HKEY existing = nullptr;
    if (RegOpenKeyExA(root, categoryKey.c_str(), 0, KEY_READ, &existing) == ERROR_SUCCESS) {
        RegCloseKey(existing);
    } else if (bOk) {
        bOk = SetValue(root, categoryKey, "409", kOpcDaServer10CategoryText);
    }
    return bOk ? S_OK : SELFREG_E_CLASS;
}

HRESULT SimRegistrar::Unregister(HKEY root, const SimProfile& profile) {
    if (!root) {
        return SELFREG_E_CLASS;
    }
    const std::string clsid = SimProfiles::ClsidText(profile.clsid);
    std::string registered;
    // The version-independent key may meanwhile belong to a newer version; leave it then.
    if (profile.versionIndependentProgId != profile.progId &&
        ReadDefault(root, profile.versionIndependentProgId + "\\CLSID", &registered) &&
        lstrcmpiA(registered.c_str(), clsid.c_str()) == 0) {
        DeleteTree(root, profile.versionIndependentProgId);
    }
    if (ReadDefault(root, profile.progId + "\\CLSID", &registered) &&
        lstrcmpiA(registered.c_str(), clsid.c_str()) == 0) {
        DeleteTree(root, profile.progId);
    }
    LONG rc = DeleteTree(root, "CLSID\\" + clsid);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
