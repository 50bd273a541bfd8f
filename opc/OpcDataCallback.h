#pragma once
// Receiver of the group's parsed data-change notifications. The advise sink calls these on the
// user-interface thread; everything handed over is valid only during the call.
#include "opc/OpcDa.h"

class OpcDataCallback {
  public:
    virtual ~OpcDataCallback() {}

    // "OPCSTMFORMATDATA": header->dwItemCount item headers and values, in stream order. A stream
    // that failed to parse arrives with an item count of 0 and a failed hrStatus.
    virtual void OnData(const OPCGROUPHEADER* /*pHeader*/,
                        const OPCITEMHEADER2* /*pItems*/,
                        const VARIANT* /*pValues*/) {}

    // "OPCSTMFORMATDATATIME": the same with time-stamped item headers.
    virtual void OnDataTime(const OPCGROUPHEADER* /*pHeader*/,
                            const OPCITEMHEADER1* /*pItems*/,
                            const VARIANT* /*pValues*/) {}

    // "OPCSTMFORMATWRITECOMPLETE": one result per written item.
    virtual void OnWriteComplete(const OPCGROUPHEADERWRITE* /*pHeader*/, const OPCITEMHEADERWRITE* /*pItems*/) {}
};
