#include "tests/common/SimServerFixture.h"

#include "opc/OpcConnection.h"
#include "tests/common/LocalSimulator.h"

#include <tlhelp32.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Folder(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool ProgIdResolves(const wchar_t* progId) {
    CLSID clsid = {};
    return SUCCEEDED(CLSIDFromProgID(progId, &clsid));
}

}  // namespace

std::string SimHostName(const ::testing::TestParamInfo<SimHost>& info) {
    return info.param == SimHost::InProcess ? "InProcess" : "LocalServer";
}

std::string SimSetupName(const ::testing::TestParamInfo<SimSetup>& info) {
    const char* const kinds[] = {"Da10", "Da20Callbacks", "Da30Browse", "NoDataNoBrowse"};
    return std::string(info.param.host == SimHost::InProcess ? "InProcess" : "LocalServer") + "_" +
           kinds[static_cast<int>(info.param.kind)];
}

std::vector<SimSetup> SimSetups(std::vector<SimKind> kinds) {
    std::vector<SimSetup> setups;
    for (SimKind kind : kinds)
        for (SimHost host : {SimHost::InProcess, SimHost::LocalServer})
            setups.push_back({host, kind});
    return setups;
}

namespace {
// What makes the simulator each kind of server.
const char* KindWords(SimKind kind) {
    switch (kind) {
        case SimKind::Da20Callbacks:
            return "\nhide IOPCAsyncIO\nda2_callbacks\n";
        case SimKind::Da30Browse:
            return "\nhide IOPCBrowseServerAddressSpace\nda3_browse 2\n";
        case SimKind::NoDataNoBrowse:
            return "\nhide IOPCAsyncIO\nhide IOPCBrowseServerAddressSpace\n";
        default:
            return "";
    }
}
}  // namespace

std::string SimServerFixture::FindBuildFile(const char* name) {
    char buffer[MAX_PATH] = {};
    if (strcmp(name, kZZSimDllName) == 0 && GetEnvironmentVariableA("ZZSIM_DLL", buffer, MAX_PATH) > 0 &&
        FileExists(buffer)) {
        return buffer;
    }
    GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::string folder = Folder(buffer);
    std::string parent = Folder(folder.substr(0, folder.size() - 1));
    for (const std::string& candidate : {parent + name, folder + name}) {
        if (FileExists(candidate)) {
            return candidate;
        }
    }
    return std::string();
}

const char* SimServerFixture::ProgId() const {
    return Host() == SimHost::InProcess ? kZZSimProgId : kZZSimExeProgId;
}

const char* SimServerFixture::VersionIndependentProgId() const {
    return Host() == SimHost::InProcess ? kZZSimVersionIndependentProgId : kZZSimExeVersionIndependentProgId;
}

std::wstring SimServerFixture::ProgIdW() const {
    const std::string progId = ProgId();
    return std::wstring(progId.begin(), progId.end());
}

void SimServerFixture::SetUp() {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(SUCCEEDED(hr)) << "CoInitializeEx: 0x" << std::hex << hr;
    m_bComInitialized = true;
    if (Host() == SimHost::LocalServer) {
        AttachLocalServer();
        return;
    }
    m_dllPath = FindBuildFile(kZZSimDllName);
    ASSERT_FALSE(m_dllPath.empty()) << kZZSimDllName << " not found next to the test program's folder";
    m_hDll = LoadLibraryA(m_dllPath.c_str());
    ASSERT_NE(nullptr, m_hDll) << "LoadLibrary " << m_dllPath << ": " << GetLastError();
    ClearLog();
    SetEnvironmentVariableA(kZZSimConfigVariable, nullptr);
    RegisterServer();
}

namespace {

// Windows' service control manager notices that a local server died and starts a new one for
// the next client. Wine's RpcSs keeps handing out the dead process's class objects instead
// (RPC_S_SERVER_UNAVAILABLE for every later activation), so under Wine the test ends RpcSs,
// which Wine starts afresh, without registrations, at the next COM call that needs it.
void ForgetDeadClassRegistrations() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) {
        return;
    }
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "rpcss.exe") != 0) {
            continue;
        }
        HANDLE rpcss = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (rpcss && TerminateProcess(rpcss, 1)) {
            WaitForSingleObject(rpcss, 5000);
        }
        if (rpcss) {
            CloseHandle(rpcss);
        }
    }
    CloseHandle(snapshot);
}

}  // namespace

void SimServerFixture::AttachLocalServer() {
    // Once per test program: the registrations stay in the build's own Wine prefix.
    static bool s_bRegistered = false;
    if (!s_bRegistered) {
        const std::string exe = FindBuildFile(kZZSimExeName);
        ASSERT_FALSE(exe.empty()) << kZZSimExeName << " not found";
        ASSERT_EQ(S_OK, RegisterLocalSimulator(Folder(exe))) << "proxy/stubs and " << exe;
        s_bRegistered = true;
    }
    // The process of the previous test may be ending just now (it lingers a second after its last
    // object): an activation that meets it on its way out fails, and the next one starts a new
    // process.
    HRESULT hr = E_FAIL;
    for (int attempt = 0; attempt < 3; ++attempt) {
        hr = CoCreateInstance(CLSID_ZZSimControl, nullptr, CLSCTX_LOCAL_SERVER, __uuidof(IZZSimControl),
                              reinterpret_cast<void**>(m_control.ReleaseAndGetAddressOf()));
        if (!IsServerGone(hr) && hr != HRESULT_FROM_WIN32(RPC_S_CALL_FAILED) && hr != CO_E_SERVER_STOPPING) {
            break;
        }
        PumpFor(500);
    }
    ASSERT_EQ(S_OK, hr) << "the simulator's control object";
    ClearLog();
    UseRegisteredConfig();
}

void SimServerFixture::KillServerProcess() {
    ASSERT_TRUE(m_control) << "only a local server has a process of its own";
    DWORD pid = 0;
    ASSERT_EQ(S_OK, m_control->GetProcessId(&pid));
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    ASSERT_NE(nullptr, process);
    EXPECT_TRUE(TerminateProcess(process, 3));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 10000));
    CloseHandle(process);
    ForgetKilledServer();
}

DWORD SimServerFixture::ServerProcessId() {
    DWORD pid = 0;
    return m_control && m_control->GetProcessId(&pid) == S_OK ? pid : 0;
}

void SimServerFixture::ForgetKilledServer() {
    // Releasing a proxy of a dead process must neither hang nor crash.
    m_control.Reset();
    ForgetDeadClassRegistrations();
}

void SimServerFixture::RegisterServer() {
    // A machine-wide registration made for running the program (scripts/register-simserver.sh)
    // must survive the tests.
    m_bWasRegistered = ProgIdResolves(L"ZZSim.OpcServer.1");
    auto install = Export<ZZSimDllInstallFn>("DllInstall");
    ASSERT_NE(nullptr, install);
    ASSERT_EQ(S_OK, install(TRUE, L"user"));
    m_bRegistered = true;
    if (m_bWasRegistered || !ProgIdResolves(L"ZZSim.OpcServer.1")) {
        auto registerServer = Export<ZZSimDllRegisterFn>("DllRegisterServer");
        ASSERT_NE(nullptr, registerServer);
        ASSERT_EQ(S_OK, registerServer());
        m_bMachineWide = true;
    }
}

void SimServerFixture::UnregisterServer() {
    for (const ExtraProfile& profile : m_extraProfiles) {
        UnregisterProfile(profile.progId.c_str(), profile.clsid.c_str());
    }
    m_extraProfiles.clear();
    if (m_bRegistered) {
        auto install = Export<ZZSimDllInstallFn>("DllInstall");
        EXPECT_EQ(S_OK, install(FALSE, L"user"));
        if (m_bWasRegistered) {
            EXPECT_EQ(S_OK, Export<ZZSimDllRegisterFn>("DllRegisterServer")());
        } else if (m_bMachineWide) {
            EXPECT_EQ(S_OK, Export<ZZSimDllRegisterFn>("DllUnregisterServer")());
        }
    }
    m_bRegistered = false;
    m_bMachineWide = false;
}

void SimServerFixture::TearDown() {
    if (m_control || m_hDll) {
        SetDisconnected(false);
        // Timers and wake-ups still queued for objects already gone must find nothing to do.
        PumpFor(20);
        ZZSimCounters counters = SettledCounters();
        EXPECT_EQ(0, counters.nServers) << "servers left alive";
        EXPECT_EQ(0, counters.nGroups) << "groups left alive";
        EXPECT_EQ(0, counters.nEnumerators) << "enumerators left alive";
        if (m_hDll) {
            UnregisterServer();
        }
    }
    m_control.Reset();
    SetEnvironmentVariableA(kZZSimConfigVariable, nullptr);
    for (const std::string& file : m_tempFiles) {
        DeleteFileA(file.c_str());
    }
    m_tempFiles.clear();
    if (m_bComInitialized) {
        CoUninitialize();
        m_bComInitialized = false;
    }
    if (m_hDll) {
        FreeLibrary(m_hDll);
        m_hDll = nullptr;
    }
}

std::string SimServerFixture::WriteTempConfig(const std::string& text) {
    char folder[MAX_PATH] = {};
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "zzs", 0, path);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    m_tempFiles.push_back(path);
    return path;
}

void SimServerFixture::UseConfig(const std::string& text) {
    UseConfigFile(WriteTempConfig(text + KindWords(Kind())));
}

void SimServerFixture::UseConfigFile(const std::string& path) {
    SetEnvironmentVariableA(kZZSimConfigVariable, path.c_str());
    if (m_control) {
        EXPECT_EQ(S_OK, m_control->SetConfigPath(path.c_str()));
    }
}

void SimServerFixture::UseRegisteredConfig() {
    if (Kind() != SimKind::Da10) {
        std::ifstream file(FindBuildFile("plant.cfg"), std::ios::binary);
        UseConfig(std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
        return;
    }
    SetEnvironmentVariableA(kZZSimConfigVariable, nullptr);
    if (m_control) {
        EXPECT_EQ(S_OK, m_control->SetConfigPath(""));
    }
}

std::string SimServerFixture::Log() const {
    if (m_control) {
        LPWSTR text = nullptr;
        EXPECT_EQ(S_OK, m_control->GetLog(&text));
        std::string copy;
        const int n = text ? WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr) : 0;
        if (n > 1) {
            copy.resize(n - 1);
            WideCharToMultiByte(CP_UTF8, 0, text, -1, &copy[0], n, nullptr, nullptr);
        }
        CoTaskMemFree(text);
        return copy;
    }
    auto getLog = Export<ZZSimGetLogFn>("ZZSim_GetLog");
    DWORD size = getLog(nullptr, 0);
    std::string text(size, '\0');
    getLog(&text[0], size);
    text.resize(size ? size - 1 : 0);
    return text;
}

std::vector<std::string> SimServerFixture::LogLines(const std::string& prefix) const {
    std::vector<std::string> lines;
    std::string text = Log();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line.compare(0, prefix.size(), prefix) == 0) {
            lines.push_back(line);
        }
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

void SimServerFixture::ClearLog() const {
    if (m_control) {
        m_control->ClearLog();
        return;
    }
    Export<ZZSimClearLogFn>("ZZSim_ClearLog")();
}

ZZSimCounters SimServerFixture::Counters() const {
    ZZSimCounters counters;
    memset(&counters, 0, sizeof(counters));
    counters.cbSize = sizeof(counters);
    if (m_control) {
        EXPECT_EQ(S_OK, m_control->GetCounters(sizeof(counters), reinterpret_cast<BYTE*>(&counters)));
        return counters;
    }
    Export<ZZSimGetCountersFn>("ZZSim_GetCounters")(&counters);
    return counters;
}

ZZSimCounters SimServerFixture::SettledCounters() const {
    // Out of process, a notification the server sent just before the client let go still holds
    // its group until the reply is back there, which can be after our next call is served.
    ZZSimCounters counters{};
    PumpUntil(
        [&] {
            counters = Counters();
            return counters.nServers == 0 && counters.nGroups == 0 && counters.nEnumerators == 0;
        },
        Host() == SimHost::LocalServer ? 2000 : 0);
    return counters;
}

LONG SimServerFixture::LiveObjects() const {
    ZZSimCounters counters = SettledCounters();
    // The EXE's class objects are registered for its whole life; the DLL's exist only while used.
    const LONG factories = Host() == SimHost::InProcess ? counters.nClassFactories : 0;
    return counters.nServers + counters.nGroups + counters.nEnumerators + factories;
}

HRESULT SimServerFixture::EmitStream(DWORD dwConnection, UINT cfFormat, const std::vector<BYTE>& bytes) const {
    if (m_control) {
        return m_control->EmitStream(dwConnection, cfFormat, static_cast<DWORD>(bytes.size()), bytes.data());
    }
    return Export<ZZSimEmitStreamFn>("ZZSim_EmitStream")(dwConnection, cfFormat, bytes.data(),
                                                         static_cast<DWORD>(bytes.size()));
}

HRESULT SimServerFixture::NotifyNow(DWORD hServerGroup) const {
    if (m_control) {
        const HRESULT hr = m_control->NotifyNow(hServerGroup);
        EXPECT_TRUE(PumpUntil([this] { return Counters().nCallbacksUnderWay == 0; }, 5000))
            << "a notification of the server's was not served";
        return hr;
    }
    return Export<ZZSimNotifyNowFn>("ZZSim_NotifyNow")(hServerGroup);
}

void SimServerFixture::SetDisconnected(bool bDisconnected) const {
    if (m_control) {
        m_control->SetDisconnected(bDisconnected ? TRUE : FALSE);
        return;
    }
    Export<ZZSimSetDisconnectedFn>("ZZSim_SetDisconnected")(bDisconnected ? TRUE : FALSE);
}

HRESULT SimServerFixture::RegisterProfile(const char* progId, const char* clsid, const std::string& configPath) {
    if (!m_hDll) {
        return E_NOTIMPL;  // profiles belong to the in-process simulator
    }
    auto registerProfile = Export<ZZSimRegisterProfileFn>("ZZSim_RegisterProfile");
    HRESULT hr = registerProfile(progId, clsid, configPath.c_str(), !m_bMachineWide);
    if (SUCCEEDED(hr)) {
        m_extraProfiles.push_back({progId, clsid});
    }
    return hr;
}

HRESULT SimServerFixture::UnregisterProfile(const char* progId, const char* clsid) {
    if (!m_hDll) {
        return E_NOTIMPL;
    }
    return Export<ZZSimUnregisterProfileFn>("ZZSim_UnregisterProfile")(progId, clsid, !m_bMachineWide);
}

Microsoft::WRL::ComPtr<IOPCServer> SimServerFixture::CreateServer(const wchar_t* progId) {
    Microsoft::WRL::ComPtr<IOPCServer> server;
    CLSID clsid = {};
    const std::wstring ownProgId = ProgIdW();
    HRESULT hr = CLSIDFromProgID(progId ? progId : ownProgId.c_str(), &clsid);
    EXPECT_EQ(S_OK, hr) << "CLSIDFromProgID";
    if (SUCCEEDED(hr)) {
        const DWORD context = Host() == SimHost::InProcess ? CLSCTX_INPROC_SERVER : CLSCTX_LOCAL_SERVER;
        hr = CoCreateInstance(clsid, nullptr, context, IID_PPV_ARGS(&server));
        EXPECT_EQ(S_OK, hr) << "CoCreateInstance";
    }
    return server;
}

Microsoft::WRL::ComPtr<IOPCItemMgt> SimServerFixture::AddGroup(IOPCServer* server,
                                                               DWORD rate,
                                                               OPCHANDLE* phServerGroup,
                                                               OPCHANDLE hClientGroup) {
    Microsoft::WRL::ComPtr<IOPCItemMgt> group;
    DWORD revised = 0;
    *phServerGroup = 0;
    if (!server) {
        return group;
    }
    HRESULT hr = server->AddGroup(L"", TRUE, rate, hClientGroup, nullptr, nullptr, LOCALE_SYSTEM_DEFAULT, phServerGroup,
                                  &revised, IID_IOPCItemMgt, reinterpret_cast<IUnknown**>(group.GetAddressOf()));
    EXPECT_TRUE(SUCCEEDED(hr)) << "AddGroup: 0x" << std::hex << hr;
    return group;
}

std::vector<OPCHANDLE> SimServerFixture::AddItems(IOPCItemMgt* group,
                                                  const std::vector<std::wstring>& ids,
                                                  std::vector<HRESULT>* pErrors,
                                                  OPCHANDLE firstClientHandle) {
    std::vector<OPCHANDLE> handles(ids.size(), 0);
    std::vector<std::wstring> idCopies = ids;
    std::vector<OPCITEMDEF> defs(ids.size());
    for (size_t i = 0; i < ids.size(); ++i) {
        defs[i] = OPCITEMDEF{const_cast<LPWSTR>(L""),
                             &idCopies[i][0],
                             TRUE,
                             firstClientHandle + static_cast<OPCHANDLE>(i),
                             0,
                             nullptr,
                             VT_EMPTY,
                             0};
    }
    OPCITEMRESULT* results = nullptr;
    HRESULT* errors = nullptr;
    HRESULT hr = group ? group->AddItems(static_cast<DWORD>(defs.size()), defs.data(), &results, &errors) : E_POINTER;
    EXPECT_TRUE(SUCCEEDED(hr)) << "AddItems: 0x" << std::hex << hr;
    if (pErrors) {
        pErrors->assign(ids.size(), hr);
    }
    for (size_t i = 0; results && errors && i < ids.size(); ++i) {
        handles[i] = SUCCEEDED(errors[i]) ? results[i].hServer : 0;
        if (pErrors) {
            (*pErrors)[i] = errors[i];
        }
        CoTaskMemFree(results[i].pBlob);
    }
    CoTaskMemFree(results);
    CoTaskMemFree(errors);
    return handles;
}

bool SimServerFixture::PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (condition()) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return condition();
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void SimServerFixture::PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

STDMETHODIMP RecordingAdviseSink::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IAdviseSink)) {
        *ppv = static_cast<IAdviseSink*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) RecordingAdviseSink::AddRef() {
    return static_cast<ULONG>(++m_cRef);
}

STDMETHODIMP_(ULONG) RecordingAdviseSink::Release() {
    return static_cast<ULONG>(--m_cRef);
}

STDMETHODIMP_(void) RecordingAdviseSink::OnDataChange(FORMATETC* pFormatetc, STGMEDIUM* pStgmed) {
    Notification notification = {pFormatetc ? pFormatetc->cfFormat : 0u, pStgmed ? pStgmed->tymed : 0u, 0, {}};
    if (pStgmed && pStgmed->tymed == TYMED_HGLOBAL && pStgmed->hGlobal) {
        notification.globalSize = GlobalSize(pStgmed->hGlobal);
        const BYTE* data = static_cast<const BYTE*>(GlobalLock(pStgmed->hGlobal));
        if (data) {
            notification.bytes.assign(data, data + notification.globalSize);
            GlobalUnlock(pStgmed->hGlobal);
        }
    }
    m_notifications.push_back(std::move(notification));
}
