#pragma once
// The IDataObject advise connections of one group: at most one per stream format, each holding a
// reference on the client's sink until DUnadvise or the group's end.
#include <windows.h>
#include <objidl.h>
#include <vector>

#include "opc/OpcDa.h"

struct SimAdviseConnection {
    DWORD dwConnection;
    CLIPFORMAT cfFormat;
    IAdviseSink* pSink;
    bool bNeedsFull;  // the first notification after advising carries every active item
};

class SimAdviseSinks {
  public:
    SimAdviseSinks() = default;
    ~SimAdviseSinks() { ReleaseAll(); }
    SimAdviseSinks(const SimAdviseSinks&) = delete;
    SimAdviseSinks& operator=(const SimAdviseSinks&) = delete;

    static CLIPFORMAT DataFormat();
    static CLIPFORMAT DataTimeFormat();
    static CLIPFORMAT WriteCompleteFormat();
    static const char* FormatName(CLIPFORMAT cfFormat);

    // DV_E_FORMATETC for anything but the three OPC formats on TYMED_HGLOBAL,
    // CONNECT_E_ADVISELIMIT for a second connection of a format.
    HRESULT Add(const FORMATETC& format, IAdviseSink* pSink, DWORD* pdwConnection);
    HRESULT Remove(DWORD dwConnection);  // OLE_E_NOCONNECTION when unknown
    void ReleaseAll();
    SimAdviseConnection* Find(DWORD dwConnection);
    // The connection if it carries data changes (either data format), else NULL.
    SimAdviseConnection* FindData(DWORD dwConnection);
    SimAdviseConnection* FindFormat(CLIPFORMAT cfFormat);
    bool HasDataConnection() const;
    std::vector<DWORD> Connections() const;
    // Hands the bytes to the connection's sink in a global block that is freed when the call returns.
    HRESULT Send(OPCHANDLE hServerGroup,
                 DWORD dwConnection,
                 CLIPFORMAT cfFormat,
                 const std::vector<BYTE>& stream,
                 DWORD itemCount);

  private:
    std::vector<SimAdviseConnection> m_connections;
};
