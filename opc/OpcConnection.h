#pragma once
// The program's one live link to an OPC server: connection, server state check, the group
// "VORUVEvozevuradeVivid", items, the data-change subscription and browsing.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <ocidl.h>

#include "opc/EarlyValues.h"
#include "opc/OpcDa.h"
#include "opc/OpcDataCallback.h"
#include "opc/OpcItemSink.h"
#include "opc/OpcServerLink.h"
#include "opc/StatusPollWorker.h"

class Da3Browser;
class OpcAdviseSink;
class OpcCallbackSink;

class OpcConnection : public OpcDataCallback {
  public:
    OpcConnection();
    ~OpcConnection() override;
    OpcConnection(const OpcConnection&) = delete;
    OpcConnection& operator=(const OpcConnection&) = delete;

    // deviceNumber: the project section "device1".."device5" whose "ScanTime" the group asks for
    // and a revised rate may be stored in; 0 for a server that is no device of the project (one
    // picked in the chooser), which, like a server of a command-line switch, leaves the project
    // file alone.
    HRESULT Open(const char* serverText, int deviceNumber);
    HRESULT Close();
    HRESULT AddItem(const char* itemId);
    // Duplicates of listed items are removed from itemIds and skipped.
    HRESULT AddItems(std::vector<std::string>& itemIds);
    HRESULT RemoveItem(OPCHANDLE hServer);
    // Removes many items with one call per kRemoveItemsPerCall of them; the last failure.
    HRESULT RemoveItems(const std::vector<OPCHANDLE>& hServers);

    HRESULT StartDataChange();
    void PauseDataChange();
    void ResumeDataChange();

    // ---- Server status poll (OpcConnectionStatus.cpp) ----
    // A server whose process or machine has gone sends nothing more; only a call tells. While
    // connected, the server is asked for its status every intervalMs (Open starts it with
    // kStatusPollMs); starting it again replaces the interval. A server in another process or on
    // another machine is asked by a thread of its own, so a call that hangs never holds the
    // window; one in this apartment, which cannot vanish on its own, by a timer of this thread.
    void StartStatusPoll(UINT intervalMs);
    void StopStatusPoll();
    // The poll interval in use; 0 when not polling.
    UINT StatusPollMs() const { return m_statusPollMs; }
    // One GetStatus call, as a tick of the timer makes it; its result.
    HRESULT PollServerStatus();
    // True once a call found the server gone: every row then shows "not connected".
    bool IsServerLost() const { return m_bServerLost; }
    // ---- end of status poll ----

    void OnData(const OPCGROUPHEADER* header, const OPCITEMHEADER2* items, const VARIANT* values) override;

    // ---- Address-space browsing (OpcBrowse.cpp) ----
    // The server keeps one browse position; every move down must be undone by one move up. Names
    // are ANSI text here and UTF-16 at the server. Enumerators handed out belong to the caller.
    // BrowseFlat: 0; -3 without browse interface, -4 when the server fails (each after a box).
    HRESULT BrowseFlat(IEnumString** ppEnum);
    HRESULT BrowseBranches(IEnumString** ppEnum);
    // Moves down into branch, then lists its leaves. pMoved (optional) tells whether the move
    // succeeded, i.e. whether the caller has to move up again.
    HRESULT BrowseLeavesOf(const char* branch, IEnumString** ppEnum, bool* pMoved = nullptr);
    HRESULT BrowseUp();
    HRESULT BrowseDown(const char* branch);
    // Moves up until the server refuses, at most kMaxBrowseToRootSteps times.
    HRESULT BrowseToRoot();
    // The fully qualified item ID of a name at the current position; "" on any failure.
    std::string GetFullItemId(const char* name);
    // False also when the server cannot tell: the tree then tries the hierarchy.
    bool IsFlatSpace();
    // ---- end of browsing ----

    // ---- Servers without the DA 1.0 interfaces (OpcNewerServer.cpp) ----
    // Without IOPCBrowseServerAddressSpace the address space comes from DA 3.0 IOPCBrowse behind
    // the browse operations above; without IOPCAsyncIO (or when its IDataObject refuses the
    // advise) values come through the group's IOPCDataCallback connection point. What a server
    // lacks altogether is said once on the status line: the text, "" when nothing is missing.
    const std::string& Notice() const { return m_notice; }
    // Shows a notice; set by the frame (nothing is shown without it).
    std::function<void(const std::string&)> m_showNotice;
    // ---- end of newer servers ----

    // The connection holds a server.
    bool HasServer() const { return m_link.GetServer() != nullptr; }
    const std::string& ServerText() const { return m_serverText; }
    IOPCBrowseServerAddressSpace* Browser() const { return m_pBrowse; }
    OpcServerLink& Link() { return m_link; }

    // Where the connection lists its items and writes their values; set before the first item.
    void SetItemSink(OpcItemSink* sink) { m_pItems = sink; }
    OpcItemSink* ItemSink() const { return m_pItems; }
    // The project file holding the devices' "ScanTime" ("" for none), and whether a rate the
    // server revised may be offered for it; the opener sets both before Open.
    std::string m_projectPath;
    bool m_bOfferRevisedRate = true;
    std::string m_serverText;
    bool m_hexDump = true;

  private:
    HRESULT CheckServerState();
    // Ends the subscription and drops the sink (first steps of Close).
    void StopDataChange();
    // Notes the result of a call to the server: the first one telling that the server has gone
    // shows every row's quality as "not connected", traces once and ends the poll. Returns hr.
    HRESULT Checked(HRESULT hr);
    // One call to the server, noted by Checked. Once the server is known to be gone nothing more
    // goes to it (against a machine off the network each call would wait out the transport's
    // timeout): the call fails at once with the result that told of the loss.
    template <typename Call>
    HRESULT CallServer(Call call) {
        return m_bServerLost ? m_hrLost : Checked(call());
    }
    static void CALLBACK OnStatusPollTimer(HWND, UINT, UINT_PTR id, DWORD);
    // Writes one item's texts into its row (a skipped value leaves the Value column as it is).
    void ShowText(const DataChangeText& text);
    // After an AddItems call that held values (bHeld): shows what arrived before the rows existed.
    void ShowEarlyValues(bool bHeld);
    // Newer servers (OpcNewerServer.cpp): IOPCBrowse when the server has no
    // IOPCBrowseServerAddressSpace; the IOPCDataCallback connection point when the group has no
    // IOPCAsyncIO; the DA 2.0 subscription; a missing mechanism noted and traced.
    void OpenDa3Browse();
    void OpenDataCallbacks();
    HRESULT StartCallbacks();
    void AddNotice(const char* text);
    // Neither data mechanism works: values stay "?", and the trace and status line say so.
    void SendsNoValues();
    // The item definition for one ID; the BSTR in it is the caller's to free.
    void FillItemDef(OPCITEMDEF* def, const char* itemId, OPCHANDLE clientHandle, BSTR accessPath);

    OpcItemSink* m_pItems = nullptr;
    OpcServerLink m_link;
    IOPCBrowseServerAddressSpace* m_pBrowse = nullptr;
    IOPCAsyncIO* m_pAsyncIO = nullptr;
    IOPCItemMgt* m_pItemMgt = nullptr;
    OpcAdviseSink* m_pSink = nullptr;
    std::unique_ptr<Da3Browser> m_pBrowse3;      // DA 3.0 browsing, without m_pBrowse
    IConnectionPoint* m_pDataPoint = nullptr;    // DA 2.0 data changes, without m_pAsyncIO
    OpcCallbackSink* m_pCallbackSink = nullptr;  // advised on m_pDataPoint
    bool m_bNoBrowse = false;                    // the server has neither browse interface
    bool m_bNoValues = false;                    // neither data mechanism works: values stay "?"
    std::string m_notice;
    EarlyValues m_earlyValues;
    OPCHANDLE m_hGroup = 0;
    BSTR m_groupName = nullptr;
    DWORD m_adviseCookie = 0;
    UINT_PTR m_statusPollTimer = 0;
    StatusPollWorker m_pollWorker;
    UINT m_statusPollMs = 0;
    bool m_bPolling = false;  // a poll is under way (a COM call may pump messages)
    bool m_bServerLost = false;
    HRESULT m_hrLost = S_OK;  // the result that told of the loss
};

// Items removed per RemoveItems call when many rows go at once (a disconnect, a multi-row delete):
// one round trip for them instead of one each.
constexpr size_t kRemoveItemsPerCall = 1000;
// How often a connection asks its server for its status.
constexpr UINT kStatusPollMs = 3000;
// The quality every row shows once the server has gone: Bad, Not Connected.
constexpr WORD kQualityNotConnected = 0x0008;
// Whether a call's result says that the server's process or machine is gone.
bool IsServerGone(HRESULT hr);

// The requested update rate of a device: "ScanTime" of section "device%d" in the project file
// (ProjectPath: the command line's, else the most recent project); 100 ms without one.
int ReadScanTime(const char* projectPath, int deviceNumber);
void WriteScanTime(const char* projectPath, int deviceNumber, int rate);
