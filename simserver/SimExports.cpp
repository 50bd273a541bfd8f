// The DLL's entry points: the COM self-registration and class-object exports, and the control
// functions tests use (see ZZSimControl.h). Exported undecorated through ZZSimServer.def.
#include <windows.h>
#include <olectl.h>
#include <cstring>
#include <vector>

#include "simserver/SimClassFactory.h"
#include "simserver/SimControl.h"
#include "simserver/SimLog.h"
#include "simserver/SimModule.h"
#include "simserver/SimNotifyWindow.h"
#include "simserver/SimProfiles.h"
#include "simserver/SimRegistrar.h"
#include "simserver/SimText.h"

namespace {

HRESULT RegisterAll(bool bRegister, bool bPerUser) {
    std::vector<SimProfile> profiles;
    std::string error;
    if (!SimProfiles::ForRegistration(&profiles, &error)) {
        SimLog::Write("Registration failed: %s", error.c_str());
        OutputDebugStringA(error.c_str());
        return SELFREG_E_CLASS;
    }
    HKEY root = SimRegistrar::OpenRoot(bPerUser);
    HRESULT hr = S_OK;
    for (const SimProfile& profile : profiles) {
        HRESULT one = bRegister ? SimRegistrar::Register(root, profile) : SimRegistrar::Unregister(root, profile);
        hr = FAILED(one) ? one : hr;
    }
    SimRegistrar::Close(root);
    return hr;
}

bool IsPerUser(LPCWSTR pszCmdLine) {
    return pszCmdLine && lstrcmpiW(pszCmdLine, L"user") == 0;
}

SimProfile ExtraProfile(const char* progId, const char* clsid, const char* configPath, HRESULT* pResult) {
    CLSID id = {};
    *pResult =
        progId && *progId && clsid && SUCCEEDED(CLSIDFromString(Utf8ToWide(clsid).c_str(), &id)) ? S_OK : E_INVALIDARG;
    return SimProfiles::Make(progId ? progId : "", id, configPath ? configPath : "", std::string());
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        SimModule::SetInstance(hInstance);
        DisableThreadLibraryCalls(hInstance);
    } else if (reason == DLL_PROCESS_DETACH) {
        SimNotifyWindow::UnregisterWindowClass();
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    *ppv = nullptr;
    SimProfile profile;
    if (!SimProfiles::Find(rclsid, &profile)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    SimClassFactory* factory = SimClassFactory::Create(profile);
    if (!factory) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

STDAPI DllCanUnloadNow() {
    return SimModule::CanUnload() ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    return RegisterAll(true, false);
}

STDAPI DllUnregisterServer() {
    return RegisterAll(false, false);
}

// "regsvr32 /n /i:user ZZSimServer.dll" registers for the current user only.
STDAPI DllInstall(BOOL bInstall, LPCWSTR pszCmdLine) {
    return RegisterAll(bInstall != FALSE, IsPerUser(pszCmdLine));
}

DWORD __cdecl ZZSim_GetLog(char* buffer, DWORD cbBuffer) {
    std::string text = SimControl::Log();
    if (buffer && cbBuffer > 0) {
        size_t n = text.size() < cbBuffer - 1 ? text.size() : cbBuffer - 1;
        memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<DWORD>(text.size() + 1);
}

void __cdecl ZZSim_ClearLog() {
    SimControl::ClearLog();
}

void __cdecl ZZSim_GetCounters(ZZSimCounters* pCounters) {
    SimControl::GetCounters(pCounters);
}

HRESULT __cdecl ZZSim_EmitStream(DWORD dwConnection, UINT cfFormat, const void* pData, DWORD cbData) {
    return SimControl::EmitStream(dwConnection, cfFormat, pData, cbData);
}

HRESULT __cdecl ZZSim_NotifyNow(DWORD hServerGroup) {
    return SimControl::NotifyNow(hServerGroup);
}

HRESULT __cdecl ZZSim_RegisterProfile(const char* progId, const char* clsid, const char* configPath, BOOL bPerUser) {
    HRESULT hr = S_OK;
    SimProfile profile = ExtraProfile(progId, clsid, configPath, &hr);
    if (FAILED(hr) || !configPath || !*configPath) {
        return E_INVALIDARG;
    }
    HKEY root = SimRegistrar::OpenRoot(bPerUser != FALSE);
    hr = SimRegistrar::Register(root, profile);
    SimRegistrar::Close(root);
    return hr;
}

HRESULT __cdecl ZZSim_UnregisterProfile(const char* progId, const char* clsid, BOOL bPerUser) {
    HRESULT hr = S_OK;
    SimProfile profile = ExtraProfile(progId, clsid, nullptr, &hr);
    if (FAILED(hr)) {
        return hr;
    }
    HKEY root = SimRegistrar::OpenRoot(bPerUser != FALSE);
    hr = SimRegistrar::Unregister(root, profile);
    SimRegistrar::Close(root);
    return hr;
}

void __cdecl ZZSim_SetDisconnected(BOOL bDisconnected) {
    SimControl::SetDisconnected(bDisconnected != FALSE);
}

}  // extern "C"
