#include "opc/OpcServerLink.h"

#include <cstdlib>
#include <vector>

#include "framework/Handles.h"
#include "framework/WinApp.h"

const CLSID kRunningOnlyServerClsid = {0x6E9A1C3B, 0x52D4, 0x4B8E, {0x9F, 0x21, 0x7A, 0x3C, 0x5D, 0x8E, 0x0B, 0x14}};

namespace {
struct ComReleaser {
    void operator()(IUnknown* p) const { p->Release(); }
};
template <typename T>
using ComHolder = UniqueHandle<T*, ComReleaser>;
}  // namespace

OpcServerLink::~OpcServerLink() {
    ReleaseAll();
}

HRESULT OpcServerLink::ToWide(const char* text, std::wstring* out) {
    out->clear();
    size_t len = strlen(text);
    std::vector<wchar_t> buf;
    try {
        buf.resize(4 * (len + 1));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    size_t n = mbstowcs(buf.data(), text, len + 1);
    if (n != len)
        return E_FAIL;
    out->assign(buf.data(), n);
    return S_OK;
}

HRESULT OpcServerLink::ToMultiByte(const wchar_t* text, std::string* out) {
    out->clear();
    size_t len = wcslen(text);
    std::vector<char> buf;
    try {
        buf.resize(len + 1);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    size_t n = wcstombs(buf.data(), text, len + 1);
    if (n != len)
        return E_FAIL;
    out->assign(buf.data(), n);
    return S_OK;
}

int OpcServerLink::ReportError(const char* message, HRESULT hr) {
    std::string text = message;
    char* system = nullptr;
    DWORD n =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                       nullptr, (DWORD)hr, 0x800, (LPSTR)&system, 0, nullptr);
    if (n && system) {
        text += "\n\nError : ";
        text += system;
    }
    if (system)
        LocalFree(system);
    if (text.size() > 511)
        text.resize(511);
    HWND active = GetActiveWindow();
    char caption[260] = {};
    if (active)
        GetWindowTextA(active, caption, sizeof(caption));
    return AppMessageBox(active, text.c_str(), caption, MB_ICONWARNING | MB_OK);
}

HRESULT OpcServerLink::ConnectA(const char* machine, const char* server, bool showErrors, DWORD coInitFlags) {
    std::wstring wServer, wMachine;
    HRESULT hr = ToWide(server, &wServer);
    if (FAILED(hr)) {
        if (showErrors)
            ReportError("Cannot convert Server Name to wide-character string !", hr);
        return hr;
    }
    bool remote = machine && machine[0];
    if (remote) {
        hr = ToWide(machine, &wMachine);
        if (FAILED(hr)) {
            if (showErrors)
                ReportError("Cannot convert Machine Name to wide-character string !", hr);
            return hr;
        }
    }
    return ConnectW(remote ? wMachine.c_str() : nullptr, wServer.c_str(), showErrors, coInitFlags);
}

HRESULT OpcServerLink::ConnectW(const wchar_t* machine, const wchar_t* server, bool showErrors, DWORD coInitFlags) {
    if (m_pServer) {
        if (showErrors)
            ReportError("Already connected to an OPC Server!", E_FAIL);
        return E_FAIL;
    }
    std::string server8;
    HRESULT hr = ToMultiByte(server, &server8);
    if (FAILED(hr)) {
        if (showErrors)
            ReportError("Cannot convert Server Name to multi-byte string !", hr);
        return hr;
    }
    CLSID clsid = CLSID_NULL;
    if (machine && machine[0]) {
        // A ProgID registered here is resolved here, silently; only others go to the remote enumerator.
        hr = ResolveProgId(server8.c_str(), false, &clsid);
        if (FAILED(hr)) {
            hr = InitCom(showErrors, coInitFlags);
            if (SUCCEEDED(hr))
                hr = ResolveRemoteProgId(machine, server, showErrors, &clsid);
            ReleaseAll();
        }
    } else {
        hr = ResolveProgId(server8.c_str(), showErrors, &clsid);
    }
    if (FAILED(hr)) {
        ReleaseAll();
        return hr;
    }
    return CreateServer(machine, clsid, showErrors, coInitFlags);
}

HRESULT OpcServerLink::ReadCurVer(const char* progId, std::wstring* versioned) {
    std::string name = progId;
    UniqueHKey key;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, progId, key.put()) == ERROR_SUCCESS) {
        char value[256] = {};
        LONG size = sizeof(value);
        if (RegQueryValueA(key.get(), "CurVer", value, &size) == ERROR_SUCCESS && value[0])
            name.assign(value, strnlen(value, sizeof(value)));
    }
    return ToWide(name.c_str(), versioned);
}

HRESULT OpcServerLink::ResolveProgId(const char* progId, bool showErrors, CLSID* clsid) {
    std::wstring wide;
    HRESULT hr = ReadCurVer(progId, &wide);
    if (FAILED(hr)) {
        if (showErrors)
            ReportError("Cannot read full Server Name from the Registry !", hr);
        return hr;
    }
    hr = CLSIDFromProgID(wide.c_str(), clsid);
    if (FAILED(hr) && showErrors)
        ReportError("Function 'CLSIDFromProgID' failed !", hr);
    return hr;
}

HRESULT OpcServerLink::OpenServerList(const wchar_t* machine, IOPCServerList** ppList) {
    *ppList = nullptr;
    COSERVERINFO info = {0, const_cast<wchar_t*>(machine), nullptr, 0};
    MULTI_QI qi = {&__uuidof(IOPCServerList), nullptr, S_OK};
    HRESULT hr =
        CoCreateInstanceEx(CLSID_OpcServerList, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER, &info, 1, &qi);
    if (SUCCEEDED(hr) && (FAILED(qi.hr) || !qi.pItf))
        hr = FAILED(qi.hr) ? qi.hr : E_NOINTERFACE;
    if (FAILED(hr)) {
        if (qi.pItf)
            qi.pItf->Release();
        return hr;
    }
    *ppList = static_cast<IOPCServerList*>(qi.pItf);
    return S_OK;
}

HRESULT OpcServerLink::ResolveRemoteProgId(const wchar_t* machine,
                                           const wchar_t* progId,
                                           bool showErrors,
                                           CLSID* clsid) {
    IOPCServerList* opened = nullptr;
    HRESULT hr = OpenServerList(machine, &opened);
    if (FAILED(hr)) {
        if (showErrors)
            ReportError("Cannot connect to OPCBrowser on remote machine !", hr);
        return hr;
    }
    ComHolder<IOPCServerList> list(opened);
    hr = list.get()->CLSIDFromProgID(progId, clsid);
    list.reset();
    if (FAILED(hr) && showErrors)
        ReportError("Function 'IOPCServerList::CLSIDFromProgID' on remote machine failed !", hr);
    return hr;
}

HRESULT OpcServerLink::InitCom(bool showErrors, DWORD coInitFlags) {
    if (m_bComInitialized)
        return S_OK;
    HRESULT hr = CoInitializeEx(nullptr, coInitFlags);
    if (FAILED(hr)) {
        if (showErrors)
            ReportError("Function 'CoInitializeEx' failed !", hr);
        return hr;
    }
    m_bComInitialized = TRUE;
    hr = CoGetMalloc(1, &m_pMalloc);
    if (FAILED(hr)) {
        ReleaseAll();
        if (showErrors)
            ReportError("Function 'CoGetMalloc' failed !", hr);
        return hr;
    }
    hr = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_NONE, RPC_C_IMP_LEVEL_IMPERSONATE,
                              nullptr, EOAC_NONE, nullptr);
    // Security is process-wide: every connection after the first finds it set already.
    if (hr == RPC_E_TOO_LATE)
        hr = S_OK;
    return hr;
}

HRESULT OpcServerLink::CreateServer(const wchar_t* machine, REFCLSID clsid, bool showErrors, DWORD coInitFlags) {
    if (m_pServer) {
        if (showErrors)
            ReportError("Already connected to an OPC Server!", E_FAIL);
        return E_FAIL;
    }
    HRESULT hr = InitCom(showErrors, coInitFlags);
    if (FAILED(hr))
        return hr;
    bool remote = machine && machine[0];
    COSERVERINFO info = {0, const_cast<wchar_t*>(machine), nullptr, 0};

    if (IsEqualCLSID(clsid, kRunningOnlyServerClsid)) {
        // Only a running instance may serve: nothing is started on this path.
        ComHolder<IUnknown> active;
        hr = GetActiveObject(clsid, nullptr, active.put());
        if (FAILED(hr)) {
            ReleaseAll();
            if (showErrors)
                ReportError("Function 'GetActiveObject' failed !", hr);
            return hr;
        }
        ComHolder<IClassFactory> factory;
        hr = CoGetClassObject(clsid,
                              CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                              nullptr, IID_IClassFactory, (void**)factory.put());
        if (SUCCEEDED(hr))
            hr = factory.get()->CreateInstance(nullptr, __uuidof(IOPCServer), (void**)&m_pServer);
        if (FAILED(hr)) {
            m_pServer = nullptr;
            ReleaseAll();
            if (showErrors)
                ReportError("Function 'CoGetClassObject' failed !", hr);
            return hr;
        }
        return S_OK;
    }

    MULTI_QI qi = {&__uuidof(IOPCServer), nullptr, S_OK};
    DWORD context = remote ? CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER
                           : CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;
    hr = CoCreateInstanceEx(clsid, nullptr, context, remote ? &info : nullptr, 1, &qi);
    if (SUCCEEDED(hr) && SUCCEEDED(qi.hr)) {
        m_pServer = static_cast<IOPCServer*>(qi.pItf);
        return S_OK;
    }
    if (qi.pItf)
        qi.pItf->Release();
    if (SUCCEEDED(hr))
        hr = qi.hr;
    ReleaseAll();
    if (showErrors)
        ReportError("Function 'CoCreateInstanceEx' failed !", hr);
    return hr;
}

void OpcServerLink::ReleaseAll() {
    if (m_pServer) {
        m_pServer->Release();
        m_pServer = nullptr;
    }
    if (m_pMalloc) {
        m_pMalloc->Release();
        m_pMalloc = nullptr;
    }
    if (m_bComInitialized) {
        CoUninitialize();
        m_bComInitialized = FALSE;
    }
}
