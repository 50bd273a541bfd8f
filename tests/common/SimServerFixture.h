#pragma once
// Test access to the simulation OPC server ZZSimServer.dll: a fixture that loads and registers it
// around each test and points it at a config the test writes, plus a recording advise sink.
#include <windows.h>
#include <ole2.h>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include "SimControlInterface.h"
#include "opc/OpcDa.h"
#include "simserver/ZZSimControl.h"

// Where the simulator runs: as ZZSimServer.dll in the test's process, or as ZZSimServer.exe, a
// local server reached through the proxies of ZZOpcProxy.dll.
enum class SimHost { InProcess, LocalServer };
std::string SimHostName(const ::testing::TestParamInfo<SimHost>& info);

// The kind of server the simulator plays with the same address space: the DA 1.0 one, one that
// sends values only through IOPCDataCallback, one that browses only through IOPCBrowse, and one
// that neither browses nor sends values the 1.0 way or another.
enum class SimKind { Da10, Da20Callbacks, Da30Browse, NoDataNoBrowse };
struct SimSetup {
    SimHost host;
    SimKind kind;
};
std::string SimSetupName(const ::testing::TestParamInfo<SimSetup>& info);

// SetUp, in-process: COM apartment-threaded, the DLL loaded from the build directory and
// registered per user (HKCU\Software\Classes). Wine 8 does not look there when resolving classes,
// so when the ProgID does not resolve afterwards the fixture registers machine-wide as well (the
// Wine prefix is the build tree's own). TearDown checks that no simulator object is left alive,
// then undoes it all, leaving a machine-wide registration that existed before the test as it was.
// As a local server: the proxy/stub DLLs and the EXE are registered machine-wide once per test
// program, and the fixture holds the EXE's control object for the test; releasing it at
// TearDown lets the EXE end.
class SimServerFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    virtual SimHost Host() const { return SimHost::InProcess; }
    virtual SimKind Kind() const { return SimKind::Da10; }
    // The plant profile's ProgIDs on this host.
    const char* ProgId() const;
    const char* VersionIndependentProgId() const;
    std::wstring ProgIdW() const;
    // What the program is given to connect to: the version-independent ProgID.
    std::string Server() const { return VersionIndependentProgId(); }
    // Local server only: ends the server process the hard way, as a crash would, and waits for it.
    void KillServerProcess();
    // The same in two steps, for a kill made from another thread: the process id (0 when there
    // is none), and what follows the end of the process.
    DWORD ServerProcessId();
    void ForgetKilledServer();
    // Local server only: takes hold of the running server process (starting one if none runs),
    // as SetUp does; after KillServerProcess the next process is checked at TearDown this way.
    void AttachLocalServer();
    // Writes the config text (with the words of Kind()) to a temporary file and makes every server
    // created afterwards read it.
    void UseConfig(const std::string& text);
    // Every server created afterwards reads this file (which need not exist).
    void UseConfigFile(const std::string& path);
    // A temporary config file, removed at TearDown; for profiles registered with their own file.
    std::string WriteTempConfig(const std::string& text);
    // Servers read the config named in the registry again (ZZSIM_CONFIG unset); for a kind other
    // than Da10, the plant profile's file with the kind's words.
    void UseRegisteredConfig();

    std::string Log() const;
    // Lines of the log that start with the prefix, in order.
    std::vector<std::string> LogLines(const std::string& prefix) const;
    void ClearLog() const;
    ZZSimCounters Counters() const;
    // Live objects once the last releases have reached the server (out of process that may take
    // a moment); 0 is what a test expects after the client let go.
    LONG LiveObjects() const;
    HRESULT EmitStream(DWORD dwConnection, UINT cfFormat, const std::vector<BYTE>& bytes) const;
    // Ticks the group (0: every group). Returns once every notification the server has sent so
    // far has been served here: out of process, one that a timer or wake-up sent just before can
    // still be on its way when the tick's own are done.
    HRESULT NotifyNow(DWORD hServerGroup = 0) const;
    // The servers act as gone (every call fails with RPC_E_DISCONNECTED) or back; reset at TearDown.
    void SetDisconnected(bool bDisconnected) const;
    HRESULT RegisterProfile(const char* progId, const char* clsid, const std::string& configPath);
    HRESULT UnregisterProfile(const char* progId, const char* clsid);

    // Runs the thread's message loop until the condition holds or the time is up; the result of
    // the last check.
    static bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);
    static void PumpFor(DWORD milliseconds);

    // Client-side shortcuts; failures are reported through gtest and give null/empty results.
    // progId NULL: the plant profile on this host.
    Microsoft::WRL::ComPtr<IOPCServer> CreateServer(const wchar_t* progId = nullptr);
    Microsoft::WRL::ComPtr<IOPCItemMgt> AddGroup(IOPCServer* server,
                                                 DWORD rate,
                                                 OPCHANDLE* phServerGroup,
                                                 OPCHANDLE hClientGroup = 1);
    // Adds the IDs with client handles first, first + 1, ...; returns the server handles (0 for
    // rejected items) and the per-item codes.
    std::vector<OPCHANDLE> AddItems(IOPCItemMgt* group,
                                    const std::vector<std::wstring>& ids,
                                    std::vector<HRESULT>* pErrors = nullptr,
                                    OPCHANDLE firstClientHandle = 100);

    const std::string& DllPath() const { return m_dllPath; }
    HMODULE Dll() const { return m_hDll; }
    bool RegisteredMachineWide() const { return m_bMachineWide; }
    template <typename Fn>
    Fn Export(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m_hDll, name)));
    }

  private:
    // A file of the build directory (test programs live in <build>/tests).
    static std::string FindBuildFile(const char* name);
    void RegisterServer();
    ZZSimCounters SettledCounters() const;
    void UnregisterServer();

    Microsoft::WRL::ComPtr<IZZSimControl> m_control;
    bool m_bComInitialized = false;
    HMODULE m_hDll = nullptr;
    std::string m_dllPath;
    bool m_bRegistered = false;
    bool m_bMachineWide = false;
    bool m_bWasRegistered = false;  // machine-wide before the test: restored afterwards
    std::vector<std::string> m_tempFiles;
    struct ExtraProfile {
        std::string progId;
        std::string clsid;
    };
    std::vector<ExtraProfile> m_extraProfiles;
};

// A client-side IAdviseSink that keeps a copy of every stream it receives and counts its
// references. It is owned by the test (starts with one reference) and never deletes itself.
class RecordingAdviseSink : public IAdviseSink {
  public:
    struct Notification {
        UINT cfFormat;
        DWORD tymed;
        SIZE_T globalSize;
        std::vector<BYTE> bytes;
    };

    RecordingAdviseSink() = default;
    RecordingAdviseSink(const RecordingAdviseSink&) = delete;
    RecordingAdviseSink& operator=(const RecordingAdviseSink&) = delete;
    virtual ~RecordingAdviseSink() = default;

    LONG References() const { return m_cRef; }
    const std::vector<Notification>& Notifications() const { return m_notifications; }
    void Clear() { m_notifications.clear(); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP_(void) OnDataChange(FORMATETC* pFormatetc, STGMEDIUM* pStgmed) override;
    STDMETHODIMP_(void) OnViewChange(DWORD, LONG) override {}
    STDMETHODIMP_(void) OnRename(IMoniker*) override {}
    STDMETHODIMP_(void) OnSave() override {}
    STDMETHODIMP_(void) OnClose() override {}

  private:
    LONG m_cRef = 1;
    std::vector<Notification> m_notifications;
};

// A fixture whose tests run once per host: TEST_P, then ZZ_ON_BOTH_HOSTS(Fixture).
template <class Base>
class OnBothHosts : public Base, public ::testing::WithParamInterface<SimHost> {
  protected:
    SimHost Host() const override { return this->GetParam(); }
};
#define ZZ_ON_BOTH_HOSTS(fixture) \
    INSTANTIATE_TEST_SUITE_P(, fixture, ::testing::Values(SimHost::InProcess, SimHost::LocalServer), SimHostName)

// The same per kind of server as well: TEST_P, then ZZ_ON_EVERY_KIND(Fixture, kinds...).
template <class Base>
class OnEveryKind : public Base, public ::testing::WithParamInterface<SimSetup> {
  protected:
    SimHost Host() const override { return this->GetParam().host; }
    SimKind Kind() const override { return this->GetParam().kind; }
};
std::vector<SimSetup> SimSetups(std::vector<SimKind> kinds);
#define ZZ_ON_EVERY_KIND(fixture, ...) \
    INSTANTIATE_TEST_SUITE_P(, fixture, ::testing::ValuesIn(SimSetups({__VA_ARGS__})), SimSetupName)
