#pragma once
// The COM link to one OPC DA server: COM initialisation, ProgID resolution (locally through the
// registry, remotely through the server enumerator), server creation and the task allocator.
#include <windows.h>
#include <objbase.h>

#include <string>

#include "opc/OpcDa.h"

// A server class that is only reached while an instance of it is running: never started.
// {6E9A1C3B-52D4-4B8E-9F21-7A3C5D8E0B14}
extern const CLSID kRunningOnlyServerClsid;

class OpcServerLink {
  public:
    OpcServerLink() = default;
    virtual ~OpcServerLink();
    OpcServerLink(const OpcServerLink&) = delete;
    OpcServerLink& operator=(const OpcServerLink&) = delete;

    HRESULT ConnectA(const char* machine, const char* server, bool showErrors, DWORD coInitFlags);
    HRESULT ConnectW(const wchar_t* machine, const wchar_t* server, bool showErrors, DWORD coInitFlags);
    HRESULT CreateServer(const wchar_t* machine, REFCLSID clsid, bool showErrors, DWORD coInitFlags);
    HRESULT InitCom(bool showErrors, DWORD coInitFlags);
    HRESULT ResolveProgId(const char* progId, bool showErrors, CLSID* clsid);
    HRESULT ReadCurVer(const char* progId, std::wstring* versioned);
    HRESULT ResolveRemoteProgId(const wchar_t* machine, const wchar_t* progId, bool showErrors, CLSID* clsid);
    void ReleaseAll();
    // Shows message + "\n\nError : " + the system text of hr in a warning box; returns its result.
    int ReportError(const char* message, HRESULT hr);

    // The OPC server enumerator (OpcEnum) of that machine: one reference in *ppList, or NULL and
    // the failure of the activation or of its interface query.
    static HRESULT OpenServerList(const wchar_t* machine, IOPCServerList** ppList);

    // Conversions in the process's current locale; exactly one character per source character.
    static HRESULT ToWide(const char* text, std::wstring* out);
    static HRESULT ToMultiByte(const wchar_t* text, std::string* out);

    IOPCServer* GetServer() const { return m_pServer; }
    IMalloc* GetMalloc() const { return m_pMalloc; }
    bool IsComInitialized() const { return m_bComInitialized; }

  private:
    IOPCServer* m_pServer = nullptr;
    IMalloc* m_pMalloc = nullptr;
    BOOL m_bComInitialized = FALSE;
};
