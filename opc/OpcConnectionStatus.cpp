// The server status poll of OpcConnection: a server that has gone (its process killed, its machine
// unreachable) sends no more notifications, and its rows would go on showing good values. A
// cheap GetStatus every few seconds finds out, as any failing call does. Servers behind a proxy
// are polled by StatusPollWorker; the timer here serves servers in this apartment.
#include <map>

#include "opc/DiagnosticTexts.h"
#include "opc/OpcConnection.h"
#include "opc/TaskMemory.h"
#include "trace/Trace.h"

namespace {

// Thread timers carry no object: each timer's connection, by timer id. Only the user-interface
// thread sets, kills and receives them.
std::map<UINT_PTR, OpcConnection*>& PollingConnections() {
    static std::map<UINT_PTR, OpcConnection*> connections;
    return connections;
}

}  // namespace

bool IsServerGone(HRESULT hr) {
    return hr == RPC_E_DISCONNECTED || hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) || hr == CO_E_OBJNOTCONNECTED;
}

void OpcConnection::StartStatusPoll(UINT intervalMs) {
    StopStatusPoll();
    if (m_bServerLost || !HasServer() || intervalMs == 0)
        return;
    if (IsProxy(m_link.GetServer()) &&
        m_pollWorker.Start(m_link.GetServer(), intervalMs, [this](HRESULT hr) { Checked(hr); })) {
        m_statusPollMs = intervalMs;
        return;
    }
    m_statusPollTimer = SetTimer(nullptr, 0, intervalMs, &OpcConnection::OnStatusPollTimer);
    if (!m_statusPollTimer)
        return;  // no timer left: the calls the user makes still tell when the server is gone
    m_statusPollMs = intervalMs;
    PollingConnections()[m_statusPollTimer] = this;
}

void OpcConnection::StopStatusPoll() {
    // A call under way on the poll's thread is not waited for.
    m_pollWorker.Stop();
    m_statusPollMs = 0;
    if (!m_statusPollTimer)
        return;
    KillTimer(nullptr, m_statusPollTimer);
    // A tick already queued finds no connection under its id and does nothing.
    PollingConnections().erase(m_statusPollTimer);
    m_statusPollTimer = 0;
}

void CALLBACK OpcConnection::OnStatusPollTimer(HWND, UINT, UINT_PTR id, DWORD) {
    auto found = PollingConnections().find(id);
    if (found != PollingConnections().end())
        found->second->PollServerStatus();
}

HRESULT OpcConnection::PollServerStatus() {
    IOPCServer* server = m_link.GetServer();
    if (!server || m_bServerLost)
        return E_FAIL;
    // A call to a server in another process may pump messages while it waits; a tick arriving
    // then does not call again.
    if (m_bPolling)
        return S_FALSE;
    m_bPolling = true;
    OPCSERVERSTATUS* status = nullptr;
    const HRESULT hr = server->GetStatus(&status);
    m_bPolling = false;
    if (status) {
        FreeTaskMemory(m_link.GetMalloc(), status->szVendorInfo);
        FreeTaskMemory(m_link.GetMalloc(), status);
    }
    // Other failures and the state itself say nothing about the link: the server answered.
    return Checked(hr);
}

HRESULT OpcConnection::Checked(HRESULT hr) {
    if (m_bServerLost || !IsServerGone(hr))
        return hr;
    m_bServerLost = true;
    m_hrLost = hr;
    StopStatusPoll();
    Trace("Connection to Server lost (0x%08lX): all Items not connected", (unsigned long)hr);
    if (m_pItems) {
        // The values stay as last seen; their quality says they are no longer current.
        const std::string quality = QualityText(kQualityNotConnected);
        for (int handle = 0; handle < m_pItems->NextClientHandle(); ++handle)
            m_pItems->SetItemValue(nullptr, quality.c_str(), handle);
    }
    return hr;
}
