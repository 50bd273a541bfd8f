#pragma once
// Setting up ZZSimServer.exe, the out-of-process simulator, for tests and the bench: both of its
// proxy/stubs and the EXE itself registered machine-wide (in the build's own Wine prefix).
#include <windows.h>

#include <string>

// Loads the DLL, calls its export (a DllRegisterServer-like entry point) and unloads it again.
HRESULT CallDllExport(const std::string& dllPath, const char* name);
// buildDir: the folder of ZZSimServer.exe, ZZOpcProxy.dll and ZZSimControlPS.dll, with its
// trailing separator. The first failure, or S_OK.
HRESULT RegisterLocalSimulator(const std::string& buildDir);
