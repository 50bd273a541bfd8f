#include "tests/common/LocalSimulator.h"

#include "simserver/ZZSimControl.h"

namespace {

// The exit code of the command, or an error of its own when it could not run or did not end.
HRESULT RunAndWait(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    DWORD code = 1;
    const bool bEnded = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return !bEnded ? HRESULT_FROM_WIN32(WAIT_TIMEOUT) : code == 0 ? S_OK : E_FAIL;
}

}  // namespace

HRESULT CallDllExport(const std::string& dllPath, const char* name) {
    HMODULE module = LoadLibraryA(dllPath.c_str());
    if (!module) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    auto fn = reinterpret_cast<ZZSimDllRegisterFn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    HRESULT hr = fn ? fn() : E_NOINTERFACE;
    FreeLibrary(module);
    return hr;
}

HRESULT RegisterLocalSimulator(const std::string& buildDir) {
    for (const char* proxy : {"ZZOpcProxy.dll", "ZZSimControlPS.dll"}) {
        HRESULT hr = CallDllExport(buildDir + proxy, "DllRegisterServer");
        if (FAILED(hr)) {
            return hr;
        }
    }
    return RunAndWait("\"" + buildDir + kZZSimExeName + "\" /RegServer");
}
