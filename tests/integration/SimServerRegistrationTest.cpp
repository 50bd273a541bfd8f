// The simulator's self-registration and class objects, seen as a COM client sees them.
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include "tests/common/SimServerFixture.h"

using Microsoft::WRL::ComPtr;

namespace {

std::string ReadValue(HKEY root, const std::string& path, const char* name = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return "<missing key>";
    }
    char buffer[MAX_PATH * 2] = {};
    DWORD size = sizeof(buffer) - 1;
    LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::string(buffer) : std::string("<missing value>");
}

bool KeyExists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::string ClsidText(REFCLSID clsid) {
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    char narrow[40] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof(narrow), nullptr, nullptr);
    return narrow;
}

std::wstring VendorInfo(IOPCServer* server) {
    OPCSERVERSTATUS* status = nullptr;
    std::wstring vendor;
    if (server && SUCCEEDED(server->GetStatus(&status)) && status) {
        vendor = status->szVendorInfo ? status->szVendorInfo : L"";
        CoTaskMemFree(status->szVendorInfo);
        CoTaskMemFree(status);
    }
    return vendor;
}

OPCNAMESPACETYPE Organization(IOPCServer* server) {
    ComPtr<IOPCBrowseServerAddressSpace> browse;
    OPCNAMESPACETYPE type = static_cast<OPCNAMESPACETYPE>(0);
    if (server && SUCCEEDED(server->QueryInterface(IID_PPV_ARGS(&browse)))) {
        browse->QueryOrganization(&type);
    }
    return type;
}

const char kPerUserClasses[] = "Software\\Classes\\";

}  // namespace

class SimServerRegistrationTest : public SimServerFixture {};

TEST_F(SimServerRegistrationTest, ProgIdsResolveToTheirProfileClasses) {
    const struct {
        const wchar_t* progId;
        CLSID clsid;
    } expected[] = {{L"ZZSim.OpcServer.1", CLSID_ZZSimOpcServer},
                    {L"ZZSim.OpcServer", CLSID_ZZSimOpcServer},
                    {L"ZZSim.Flat.1", CLSID_ZZSimFlat},
                    {L"ZZSim.Flat", CLSID_ZZSimFlat}};
    for (const auto& entry : expected) {
        CLSID clsid = {};
        EXPECT_EQ(S_OK, CLSIDFromProgID(entry.progId, &clsid));
        EXPECT_TRUE(IsEqualCLSID(entry.clsid, clsid));
    }
}

TEST_F(SimServerRegistrationTest, RegistrationWritesProgIdsClassAndCategoryKeys) {
    const std::string root = kPerUserClasses;
    const std::string clsidKey = root + "CLSID\\" + ClsidText(CLSID_ZZSimOpcServer);
    EXPECT_EQ(ClsidText(CLSID_ZZSimOpcServer), ReadValue(HKEY_CURRENT_USER, root + "ZZSim.OpcServer.1\\CLSID"));
    EXPECT_EQ("ZZSim.OpcServer.1", ReadValue(HKEY_CURRENT_USER, root + "ZZSim.OpcServer\\CurVer"));
    EXPECT_EQ(ClsidText(CLSID_ZZSimOpcServer), ReadValue(HKEY_CURRENT_USER, root + "ZZSim.OpcServer\\CLSID"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, root + "ZZSim.OpcServer.1\\OPC"));
    EXPECT_EQ(0, lstrcmpiA(DllPath().c_str(), ReadValue(HKEY_CURRENT_USER, clsidKey + "\\InprocServer32").c_str()));
    EXPECT_EQ("Apartment", ReadValue(HKEY_CURRENT_USER, clsidKey + "\\InprocServer32", "ThreadingModel"));
    EXPECT_EQ("ZZSim.OpcServer.1", ReadValue(HKEY_CURRENT_USER, clsidKey + "\\ProgID"));
    EXPECT_EQ("ZZSim.OpcServer", ReadValue(HKEY_CURRENT_USER, clsidKey + "\\VersionIndependentProgID"));
    EXPECT_TRUE(
        KeyExists(HKEY_CURRENT_USER, clsidKey + "\\Implemented Categories\\{63D5F430-CFE4-11D1-B2C8-0060083BA1FB}"));
    std::string config = ReadValue(HKEY_CURRENT_USER, clsidKey, "Config");
    ASSERT_GE(config.size(), 9u);
    EXPECT_EQ("plant.cfg", config.substr(config.size() - 9));
}

TEST_F(SimServerRegistrationTest, UnregisterRemovesTheKeys) {
    auto install = Export<ZZSimDllInstallFn>("DllInstall");
    ASSERT_EQ(S_OK, install(FALSE, L"user"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::string(kPerUserClasses) + "ZZSim.OpcServer.1"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::string(kPerUserClasses) + "ZZSim.OpcServer"));
    EXPECT_FALSE(
        KeyExists(HKEY_CURRENT_USER, std::string(kPerUserClasses) + "CLSID\\" + ClsidText(CLSID_ZZSimOpcServer)));
    if (RegisteredMachineWide()) {
        ASSERT_EQ(S_OK, Export<ZZSimDllRegisterFn>("DllUnregisterServer")());
    }
    CLSID clsid = {};
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(L"ZZSim.OpcServer.1", &clsid));
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(L"ZZSim.Flat", &clsid));
}

TEST_F(SimServerRegistrationTest, DllCanUnloadNowFollowsLiveObjectsAndLocks) {
    auto canUnload = Export<ZZSimDllCanUnloadNowFn>("DllCanUnloadNow");
    UseConfig("item A VT_I4\n");
    EXPECT_EQ(S_OK, canUnload());
    {
        ComPtr<IOPCServer> server = CreateServer();
        ASSERT_TRUE(server);
        EXPECT_EQ(S_FALSE, canUnload());
    }
    EXPECT_EQ(S_OK, canUnload());
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_ZZSimOpcServer, CLSCTX_INPROC_SERVER, nullptr, IID_PPV_ARGS(&factory)));
    ASSERT_EQ(S_OK, factory->LockServer(TRUE));
    factory.Reset();
    EXPECT_EQ(S_FALSE, canUnload());
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_ZZSimOpcServer, CLSCTX_INPROC_SERVER, nullptr, IID_PPV_ARGS(&factory)));
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(S_OK, canUnload());
}

TEST_F(SimServerRegistrationTest, EachBuiltInProfileReadsItsOwnInstalledConfig) {
    UseRegisteredConfig();
    ComPtr<IOPCServer> plant = CreateServer(L"ZZSim.OpcServer");
    ComPtr<IOPCServer> flat = CreateServer(L"ZZSim.Flat.1");
    EXPECT_EQ(OPC_NS_HIERARCHIAL, Organization(plant.Get()));
    EXPECT_EQ(OPC_NS_FLAT, Organization(flat.Get()));
    EXPECT_NE(std::wstring::npos, VendorInfo(plant.Get()).find(L"demo plant"));
    EXPECT_NE(std::wstring::npos, VendorInfo(flat.Get()).find(L"flat"));
}

TEST_F(SimServerRegistrationTest, ExtraProfileServesItsOwnConfigBesideTheOthers) {
    const char kClsid[] = "{6B1B4C2E-6F7D-4E55-9C1A-0D5E2F3A4B01}";
    UseRegisteredConfig();
    ASSERT_EQ(S_OK, RegisterProfile("ZZSim.Extra.1", kClsid, WriteTempConfig("vendor \"Extra server\"\n")));
    ComPtr<IOPCServer> extra = CreateServer(L"ZZSim.Extra.1");
    ComPtr<IOPCServer> plant = CreateServer(L"ZZSim.OpcServer.1");
    EXPECT_EQ(L"Extra server", VendorInfo(extra.Get()));
    EXPECT_NE(std::wstring::npos, VendorInfo(plant.Get()).find(L"demo plant"));
}

TEST_F(SimServerRegistrationTest, ConfigVariableOverridesTheRegisteredConfig) {
    UseConfig("vendor \"From the variable\"\n");
    ComPtr<IOPCServer> server = CreateServer(L"ZZSim.Flat.1");
    EXPECT_EQ(L"From the variable", VendorInfo(server.Get()));
}

TEST_F(SimServerRegistrationTest, ClassesNotRegisteredWithTheDllAreNotServed) {
    auto getClassObject = Export<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
    ASSERT_NE(nullptr, getClassObject);
    const CLSID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    void* factory = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(unknown, IID_IClassFactory, &factory));
    EXPECT_EQ(nullptr, factory);
}
