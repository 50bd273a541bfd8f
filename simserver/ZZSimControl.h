#pragma once
// Test-side view of the simulator DLL: its class ids, ProgIDs and the exported control functions.
// Tests LoadLibrary the same DLL that COM loads (same path, so the same module instance) and reach
// these functions through GetProcAddress; they see the live state of every server in the process.
#include <windows.h>

// Profiles built into the DLL; DllRegisterServer registers both.
inline constexpr CLSID CLSID_ZZSimOpcServer = {0x9590B527,
                                               0x1CB4,
                                               0x4750,
                                               {0x9B, 0x1E, 0x3D, 0x5C, 0x54, 0x3E, 0xFA, 0x5E}};
inline constexpr CLSID CLSID_ZZSimFlat = {0x2FAE03A8, 0x5F49, 0x48D6, {0xBD, 0x52, 0x33, 0x38, 0xBA, 0x19, 0xD7, 0xC7}};
constexpr const char kZZSimProgId[] = "ZZSim.OpcServer.1";
constexpr const char kZZSimVersionIndependentProgId[] = "ZZSim.OpcServer";
constexpr const char kZZSimFlatProgId[] = "ZZSim.Flat.1";
constexpr const char kZZSimFlatVersionIndependentProgId[] = "ZZSim.Flat";
constexpr const char kZZSimDllName[] = "ZZSimServer.dll";

// The same profiles served out-of-process by ZZSimServer.exe (LocalServer32), and its control
// object (IZZSimControl, declared in ZZSimControl.idl) for tests in another process.
inline constexpr CLSID CLSID_ZZSimOpcServerExe = {0x290401E9,
                                                  0xB263,
                                                  0x4380,
                                                  {0x80, 0x1D, 0x61, 0x9B, 0xDB, 0xCE, 0x09, 0x6F}};
inline constexpr CLSID CLSID_ZZSimFlatExe = {0x2FE5EAFF,
                                             0xD90D,
                                             0x4B62,
                                             {0x83, 0xBF, 0xED, 0x4A, 0xBC, 0x80, 0x0D, 0x98}};
inline constexpr CLSID CLSID_ZZSimControl = {0x77271C0C,
                                             0xC69F,
                                             0x448B,
                                             {0xB2, 0x63, 0xCC, 0xC1, 0x4A, 0x25, 0xF0, 0x58}};
constexpr const char kZZSimExeProgId[] = "ZZSim.OpcServerExe.1";
constexpr const char kZZSimExeVersionIndependentProgId[] = "ZZSim.OpcServerExe";
constexpr const char kZZSimFlatExeProgId[] = "ZZSim.FlatExe.1";
constexpr const char kZZSimExeName[] = "ZZSimServer.exe";
// Environment variable naming the config file every server created afterwards reads.
constexpr const char kZZSimConfigVariable[] = "ZZSIM_CONFIG";

extern "C" {

// Live objects (what DllCanUnloadNow looks at) and call counters since the last ZZSim_ClearLog.
struct ZZSimCounters {
    DWORD cbSize;  // set by the caller to sizeof(ZZSimCounters)
    LONG nServers;
    LONG nGroups;
    LONG nEnumerators;
    LONG nClassFactories;
    LONG nLocks;
    DWORD nGetStatus;
    DWORD nAddGroup;
    DWORD nRemoveGroup;
    DWORD nAddItems;
    DWORD nRemoveItems;
    DWORD nChangeBrowsePosition;
    DWORD nBrowseOPCItemIDs;
    DWORD nGetItemID;
    DWORD nDAdvise;
    DWORD nDUnadvise;
    DWORD nNotifications;           // OnDataChange calls made, crafted ones included
    DWORD dwLastRequestedRate;      // of the last AddGroup
    DWORD dwLastRevisedRate;        // of the last AddGroup
    DWORD dwLastAdviseCookie;       // of the last successful DAdvise
    DWORD dwLastNotificationItems;  // item count of the last OnDataChange
    LONG nCallbacksUnderWay;        // OnDataChange calls made that have not returned yet
    DWORD nCalls;                   // calls served: every method but AddRef, Release, QueryInterface
};

// Copies the call log (UTF-8, one line per call, '\n' separated) into buffer (may be NULL) and
// returns the size needed including the terminator.
typedef DWORD(__cdecl* ZZSimGetLogFn)(char* buffer, DWORD cbBuffer);
// Empties the log and resets the call counters; live object counts are kept.
typedef void(__cdecl* ZZSimClearLogFn)();
typedef void(__cdecl* ZZSimGetCountersFn)(ZZSimCounters* pCounters);
// Sends the bytes as they are through OnDataChange of an advised sink, with cfFormat in the
// FORMATETC. dwConnection 0 means the most recent live advise connection.
// CONNECT_E_NOCONNECTION when there is none.
typedef HRESULT(__cdecl* ZZSimEmitStreamFn)(DWORD dwConnection, UINT cfFormat, const void* pData, DWORD cbData);
// Runs one update-rate tick now: values move by their behaviour and changes are sent.
// hServerGroup 0 means every live group. S_FALSE when no such group exists.
typedef HRESULT(__cdecl* ZZSimNotifyNowFn)(DWORD hServerGroup);
// Registers one more profile (ProgID "Vendor.Name.N", CLSID in registry form, config file) with
// this DLL, per user (HKCU\Software\Classes) or machine-wide (HKEY_CLASSES_ROOT).
typedef HRESULT(__cdecl* ZZSimRegisterProfileFn)(const char* progId,
                                                 const char* clsid,
                                                 const char* configPath,
                                                 BOOL bPerUser);
typedef HRESULT(__cdecl* ZZSimUnregisterProfileFn)(const char* progId, const char* clsid, BOOL bPerUser);
// TRUE: every server behaves as if its process had gone (calls fail with RPC_E_DISCONNECTED, no
// notifications); FALSE: back to normal. Objects stay alive and can be released as usual.
typedef void(__cdecl* ZZSimSetDisconnectedFn)(BOOL bDisconnected);
// The standard self-registration entry points, for LoadLibrary users.
typedef HRESULT(STDAPICALLTYPE* ZZSimDllRegisterFn)();
typedef HRESULT(STDAPICALLTYPE* ZZSimDllInstallFn)(BOOL bInstall, LPCWSTR pszCmdLine);
typedef HRESULT(STDAPICALLTYPE* ZZSimDllCanUnloadNowFn)();
}
