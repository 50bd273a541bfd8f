// ZZSimServer.exe: the simulation server's profiles as an out-of-process (local) COM server.
// "/RegServer" and "/UnregServer" (or "-", any case) register and remove it machine-wide; COM
// starts it with "-Embedding". It ends kLingerMs after the last object and lock are gone (a client
// that connects again at once, as test after test does, finds it still running), or after
// kStartTimeoutMs when nobody connects at all (a start by hand).
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <vector>

#include "simserver/SimClassFactory.h"
#include "simserver/SimLog.h"
#include "simserver/SimModule.h"
#include "simserver/SimProfiles.h"
#include "simserver/SimRegistrar.h"
#include "simserver/exe/SimControlObject.h"

namespace {

constexpr UINT kCheckIdleMessage = WM_APP + 1;
constexpr UINT kStartTimeoutMs = 30000;
constexpr UINT kLingerMs = 1000;
constexpr char kControlDescription[] = "ZZSim simulation server control (tests)";

DWORD g_mainThread = 0;

void PostIdleCheck() {
    PostThreadMessageA(g_mainThread, kCheckIdleMessage, 0, 0);
}

bool IsSwitch(const char* word, const char* name) {
    return (word[0] == '/' || word[0] == '-') && lstrcmpiA(word + 1, name) == 0;
}

HRESULT Register(bool bRegister) {
    HKEY root = SimRegistrar::OpenRoot(false);
    HRESULT hr = S_OK;
    for (const SimProfile& profile : SimProfiles::BuiltInLocal()) {
        HRESULT one = bRegister ? SimRegistrar::Register(root, profile) : SimRegistrar::Unregister(root, profile);
        hr = FAILED(one) ? one : hr;
    }
    HRESULT control = bRegister ? SimRegistrar::RegisterPlainClass(root, CLSID_ZZSimControl, kControlDescription)
                                : SimRegistrar::UnregisterPlainClass(root, CLSID_ZZSimControl);
    SimRegistrar::Close(root);
    return FAILED(control) ? control : hr;
}

struct Registration {
    CLSID clsid;
    IClassFactory* factory;
    DWORD cookie;
};

// Registers every class object suspended, then resumes them together, so no client is served
// before all are in place.
bool RegisterClassObjects(std::vector<Registration>* pRegistrations) {
    std::vector<Registration>& registrations = *pRegistrations;
    for (const SimProfile& profile : SimProfiles::BuiltInLocal()) {
        registrations.push_back({profile.clsid, SimClassFactory::Create(profile), 0});
    }
    registrations.push_back({CLSID_ZZSimControl, SimClassFactory::Create(&SimControlObject::Create), 0});
    for (Registration& r : registrations) {
        if (!r.factory || FAILED(CoRegisterClassObject(r.clsid, r.factory, CLSCTX_LOCAL_SERVER,
                                                       REGCLS_MULTIPLEUSE | REGCLS_SUSPENDED, &r.cookie))) {
            return false;
        }
    }
    return SUCCEEDED(CoResumeClassObjects());
}

void RevokeClassObjects(std::vector<Registration>* pRegistrations) {
    for (Registration& r : *pRegistrations) {
        if (r.cookie) {
            CoRevokeClassObject(r.cookie);
        }
        if (r.factory) {
            r.factory->Release();
        }
    }
    pRegistrations->clear();
}

int Serve() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return 1;
    }
    g_mainThread = GetCurrentThreadId();
    // Make the thread's message queue before anyone can post to it.
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    SimModule::SetIdleCallback(PostIdleCheck);
    std::vector<Registration> registrations;
    int exitCode = 0;
    if (RegisterClassObjects(&registrations)) {
        // One thread timer: first the start timeout, then the linger time after each idle report.
        UINT_PTR timer = SetTimer(nullptr, 0, kStartTimeoutMs, nullptr);
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            // Thread messages only: the simulator's own windows use WM_APP numbers too.
            if (msg.hwnd == nullptr && msg.message == kCheckIdleMessage) {
                timer = SetTimer(nullptr, timer, kLingerMs, nullptr);
                continue;
            }
            if (msg.message != WM_TIMER || msg.hwnd != nullptr || msg.wParam != timer) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
                continue;
            }
            KillTimer(nullptr, timer);
            // Calls are only dispatched by this loop, so nothing can arrive between the check
            // and the suspension; later activations start a new process.
            if (SimModule::Busy() == 0) {
                CoSuspendClassObjects();
                PostQuitMessage(0);
            }
        }
    } else {
        SimLog::Write("ZZSimServer.exe: class objects could not be registered");
        exitCode = 1;
    }
    SimModule::SetIdleCallback(nullptr);
    RevokeClassObjects(&registrations);
    CoUninitialize();
    return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    SimModule::SetInstance(hInstance);
    for (int i = 1; i < __argc; ++i) {
        if (IsSwitch(__argv[i], "RegServer")) {
            return SUCCEEDED(Register(true)) ? 0 : 1;
        }
        if (IsSwitch(__argv[i], "UnregServer")) {
            return SUCCEEDED(Register(false)) ? 0 : 1;
        }
    }
    return Serve();
}
