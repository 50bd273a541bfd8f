#pragma once
// The status poll of a server in another process or on another machine, made by a thread of its
// own: a server that stops answering (its machine gone from the network) holds that thread for
// as long as the call takes, never the window.
#include <windows.h>

#include <functional>
#include <memory>

#include "opc/OpcDa.h"

class StatusPollWorker {
  public:
    // Runs on the thread that started the poll, with the result of the first call that found the
    // server gone; the poll has ended then.
    using GoneHandler = std::function<void(HRESULT)>;

    StatusPollWorker() = default;
    ~StatusPollWorker() { Stop(); }
    StatusPollWorker(const StatusPollWorker&) = delete;
    StatusPollWorker& operator=(const StatusPollWorker&) = delete;

    // Asks the server (marshalled to the thread) for its status every intervalMs. False when the
    // poll could not start; nothing runs then.
    bool Start(IOPCServer* server, UINT intervalMs, GoneHandler onGone);
    // Ends the poll without waiting for a call under way: the thread ends when that call returns,
    // and its result goes nowhere.
    void Stop();

    // What the poll and its thread share; the thread may outlive the poll while a call hangs.
    struct Shared;

  private:
    std::shared_ptr<Shared> m_shared;
};

// Whether the pointer leads through a proxy to an object of another apartment, process or
// machine (only proxies give out IClientSecurity).
bool IsProxy(IUnknown* object);
