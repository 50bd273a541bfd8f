#include "simserver/SimAdviseSinks.h"

#include <olectl.h>

#include "simserver/SimLog.h"
#include "simserver/SimModule.h"
#include "simserver/SimStreamWriter.h"

namespace {

// Connection numbers are unique in the whole module, so one number names one connection.
DWORD g_nextConnection = 1;

CLIPFORMAT Registered(const char* name) {
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatA(name));
}

}  // namespace

CLIPFORMAT SimAdviseSinks::DataFormat() {
    static const CLIPFORMAT s_format = Registered(kOpcFormatData);
    return s_format;
}

CLIPFORMAT SimAdviseSinks::DataTimeFormat() {
    static const CLIPFORMAT s_format = Registered(kOpcFormatDataTime);
    return s_format;
}

CLIPFORMAT SimAdviseSinks::WriteCompleteFormat() {
    static const CLIPFORMAT s_format = Registered(kOpcFormatWriteComplete);
    return s_format;
}

const char* SimAdviseSinks::FormatName(CLIPFORMAT cfFormat) {
    if (cfFormat == DataFormat()) {
        return kOpcFormatData;
    }
    if (cfFormat == DataTimeFormat()) {
        return kOpcFormatDataTime;
    }
    return cfFormat == WriteCompleteFormat() ? kOpcFormatWriteComplete : "other";
}

HRESULT SimAdviseSinks::Add(const FORMATETC& format, IAdviseSink* pSink, DWORD* pdwConnection) {
    bool bKnown = format.cfFormat == DataFormat() || format.cfFormat == DataTimeFormat() ||
                  format.cfFormat == WriteCompleteFormat();
    if (!bKnown || !(format.tymed & TYMED_HGLOBAL)) {
        return DV_E_FORMATETC;
    }
    if (FindFormat(format.cfFormat)) {
        return CONNECT_E_ADVISELIMIT;
    }
    pSink->AddRef();
    SimAdviseConnection connection = {g_nextConnection++, format.cfFormat, pSink, true};
    m_connections.push_back(connection);
    *pdwConnection = connection.dwConnection;
    return S_OK;
}

HRESULT SimAdviseSinks::Remove(DWORD dwConnection) {
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        if (it->dwConnection == dwConnection) {
            IAdviseSink* sink = it->pSink;
            m_connections.erase(it);
            sink->Release();  // last, in case the client reenters from its destructor
            return S_OK;
        }
    }
    return OLE_E_NOCONNECTION;
}

void SimAdviseSinks::ReleaseAll() {
    std::vector<SimAdviseConnection> connections;
    connections.swap(m_connections);
    for (SimAdviseConnection& connection : connections) {
        connection.pSink->Release();
    }
}

SimAdviseConnection* SimAdviseSinks::Find(DWORD dwConnection) {
    for (SimAdviseConnection& connection : m_connections) {
        if (connection.dwConnection == dwConnection) {
            return &connection;
        }
    }
    return nullptr;
}

SimAdviseConnection* SimAdviseSinks::FindData(DWORD dwConnection) {
    SimAdviseConnection* connection = Find(dwConnection);
    return connection && connection->cfFormat != WriteCompleteFormat() ? connection : nullptr;
}

SimAdviseConnection* SimAdviseSinks::FindFormat(CLIPFORMAT cfFormat) {
    for (SimAdviseConnection& connection : m_connections) {
        if (connection.cfFormat == cfFormat) {
            return &connection;
        }
    }
    return nullptr;
}

bool SimAdviseSinks::HasDataConnection() const {
    for (const SimAdviseConnection& connection : m_connections) {
        if (connection.cfFormat != WriteCompleteFormat()) {
            return true;
        }
    }
    return false;
}

std::vector<DWORD> SimAdviseSinks::Connections() const {
    std::vector<DWORD> numbers;
    for (const SimAdviseConnection& connection : m_connections) {
        numbers.push_back(connection.dwConnection);
    }
    return numbers;
}

HRESULT SimAdviseSinks::Send(OPCHANDLE hServerGroup,
                             DWORD dwConnection,
                             CLIPFORMAT cfFormat,
                             const std::vector<BYTE>& stream,
                             DWORD itemCount) {
    SimAdviseConnection* connection = Find(dwConnection);
    if (!connection) {
        return CONNECT_E_NOCONNECTION;
    }
    HGLOBAL block = SimStreamWriter::ToGlobal(stream);
    if (!block) {
        return E_OUTOFMEMORY;
    }
    // The sink may unadvise from inside the call; keep it alive until the call returns.
    IAdviseSink* sink = connection->pSink;
    sink->AddRef();
    FORMATETC format = {cfFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    ZZSimCounters& counters = SimLog::Counters();
    ++counters.nNotifications;
    counters.dwLastNotificationItems = itemCount;
    SimLog::Write("OnDataChange group=%lu cookie=%lu format=%s items=%lu bytes=%u", hServerGroup, dwConnection,
                  FormatName(cfFormat), itemCount, static_cast<unsigned>(stream.size()));
    SimModule::CallbackStarted();
    sink->OnDataChange(&format, &medium);
    SimModule::CallbackEnded();
    sink->Release();
    GlobalFree(block);  // the medium stays ours: the sink only reads it during the call
    return S_OK;
}
