#include "opc/StatusPollWorker.h"

#include <map>

#include "opc/OpcConnection.h"

namespace {

constexpr UINT kGoneMessage = WM_APP + 1;  // wParam: poll id, lParam: the call's result

// Started polls by id; only the user-interface thread touches them. A result posted after its
// poll was stopped finds nothing here.
std::map<UINT_PTR, StatusPollWorker::GoneHandler>& Handlers() {
    static std::map<UINT_PTR, StatusPollWorker::GoneHandler> handlers;
    return handlers;
}

LRESULT CALLBACK ResultWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != kGoneMessage)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    auto found = Handlers().find(wParam);
    if (found != Handlers().end()) {
        // Out of the table first: the handler stops the poll that owns it.
        StatusPollWorker::GoneHandler handler = std::move(found->second);
        Handlers().erase(found);
        handler(static_cast<HRESULT>(lParam));
    }
    return 0;
}

// A message-only window of the user-interface thread that receives the threads' results:
// unlike thread messages, its messages are not lost in the loop of a modal dialog.
HWND ResultWindow() {
    static HWND window = nullptr;
    if (window && IsWindow(window))
        return window;
    static const char kClass[] = "ZZStatusPollResult";
    WNDCLASSA wc = {};
    if (!GetClassInfoA(GetModuleHandleA(nullptr), kClass, &wc)) {
        wc.lpfnWndProc = ResultWndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
    }
    window = CreateWindowExA(0, kClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
    return window;
}

}  // namespace

struct StatusPollWorker::Shared {
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    IStream* stream = nullptr;  // the marshalled server until the thread takes it
    UINT intervalMs = 0;
    HWND target = nullptr;
    UINT_PTR id = 0;

    ~Shared() {
        if (stream) {
            CoReleaseMarshalData(stream);
            stream->Release();
        }
        if (stop)
            CloseHandle(stop);
    }
    bool Stopped() const { return WaitForSingleObject(stop, 0) == WAIT_OBJECT_0; }
};

namespace {

DWORD WINAPI PollThread(void* param) {
    const std::unique_ptr<std::shared_ptr<StatusPollWorker::Shared>> held(
        static_cast<std::shared_ptr<StatusPollWorker::Shared>*>(param));
    StatusPollWorker::Shared& shared = **held;
    IStream* stream = shared.stream;
    shared.stream = nullptr;
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        stream->Release();
        return 0;
    }
    IOPCServer* server = nullptr;
    if (SUCCEEDED(CoGetInterfaceAndReleaseStream(stream, __uuidof(IOPCServer), reinterpret_cast<void**>(&server)))) {
        while (WaitForSingleObject(shared.stop, shared.intervalMs) == WAIT_TIMEOUT) {
            OPCSERVERSTATUS* status = nullptr;
            const HRESULT hr = server->GetStatus(&status);
            if (status) {
                CoTaskMemFree(status->szVendorInfo);
                CoTaskMemFree(status);
            }
            // Other failures and the state itself say nothing about the link: the server answered.
            if (IsServerGone(hr)) {
                if (!shared.Stopped())
                    PostMessageA(shared.target, kGoneMessage, shared.id, static_cast<LPARAM>(hr));
                break;
            }
        }
        server->Release();
    }
    CoUninitialize();
    return 0;
}

}  // namespace

bool StatusPollWorker::Start(IOPCServer* server, UINT intervalMs, GoneHandler onGone) {
    Stop();
    static UINT_PTR lastId = 0;
    auto shared = std::make_shared<Shared>();
    shared->intervalMs = intervalMs;
    shared->target = ResultWindow();
    shared->id = ++lastId;
    if (!shared->stop || !shared->target ||
        FAILED(CoMarshalInterThreadInterfaceInStream(__uuidof(IOPCServer), server, &shared->stream))) {
        shared->stream = nullptr;
        return false;
    }
    auto* param = new std::shared_ptr<Shared>(shared);
    HANDLE thread = CreateThread(nullptr, 0, PollThread, param, 0, nullptr);
    if (!thread) {
        delete param;
        return false;
    }
    // Never joined: a thread held by a call that hangs ends on its own when the call returns.
    CloseHandle(thread);
    Handlers()[shared->id] = std::move(onGone);
    m_shared = std::move(shared);
    return true;
}

void StatusPollWorker::Stop() {
    if (!m_shared)
        return;
    SetEvent(m_shared->stop);
    Handlers().erase(m_shared->id);
    m_shared.reset();
}

bool IsProxy(IUnknown* object) {
    IClientSecurity* security = nullptr;
    if (!object || FAILED(object->QueryInterface(IID_IClientSecurity, reinterpret_cast<void**>(&security))) ||
        !security)
        return false;
    security->Release();
    return true;
}
