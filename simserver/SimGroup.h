#pragma once
// The OPC group object: items, state, synchronous and DA 1.0 asynchronous I/O, and the data-change
// subscription through IDataObject (or, with da2_callbacks, through IOPCDataCallback). Notifications go out from a
// window timer on the creating (client's) thread at the group's update rate; a posted wake-up sends the first values
// promptly.
#include <windows.h>
#include <memory>
#include <string>
#include <vector>

#include "opc/OpcDa.h"
#include "simserver/SimAdviseSinks.h"
#include "simserver/SimDataPoint.h"
#include "simserver/SimItemTable.h"
#include "simserver/SimModule.h"
#include "simserver/SimNotifyWindow.h"

class SimServer;

struct SimGroupState {
    std::wstring name;
    bool bActive = true;
    DWORD updateRate = 0;
    OPCHANDLE hClientGroup = 0;
    LONG timeBias = 0;
    FLOAT percentDeadband = 0.0f;
    DWORD lcid = 0;
};

class SimGroup final : public IOPCItemMgt,
                       public IOPCGroupStateMgt,
                       public IOPCSyncIO,
                       public IOPCAsyncIO,
                       public IDataObject,
                       private SimNotifyTarget {
  public:
    // The new group with one reference, the server's; NULL when out of memory.
    static SimGroup* Create(SimServer* pServer,
                            std::shared_ptr<const SimConfig> config,
                            OPCHANDLE hServerGroup,
                            const SimGroupState& state);
    // The live group with that server handle, or NULL; and every live group.
    static SimGroup* Find(OPCHANDLE hServerGroup);
    static std::vector<SimGroup*> LiveGroups();

    OPCHANDLE ServerHandle() const { return m_hServerGroup; }
    const std::wstring& Name() const { return m_state.name; }
    bool HasExternalReferences() const { return m_cRef > 1; }
    // RemoveGroup: no more notifications, sinks released, every later call fails with E_FAIL.
    void MarkRemoved();
    void DetachServer() { m_pServer = nullptr; }
    // CloneGroup: the same items with the same client handles.
    void CopyItemsFrom(SimGroup& source);
    // One update tick now, as if the timer had fired.
    void Tick();
    bool HasConnection(DWORD dwConnection) { return m_sinks.Find(dwConnection) != nullptr; }
    std::vector<DWORD> Connections() const { return m_sinks.Connections(); }
    HRESULT EmitRaw(DWORD dwConnection, CLIPFORMAT cfFormat, const void* pData, DWORD cbData);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOPCItemMgt
    STDMETHODIMP AddItems(DWORD dwCount,
                          OPCITEMDEF* pItemArray,
                          OPCITEMRESULT** ppAddResults,
                          HRESULT** ppErrors) override;
    STDMETHODIMP ValidateItems(DWORD dwCount,
                               OPCITEMDEF* pItemArray,
                               BOOL bBlobUpdate,
                               OPCITEMRESULT** ppValidationResults,
                               HRESULT** ppErrors) override;
    STDMETHODIMP RemoveItems(DWORD dwCount, OPCHANDLE* phServer, HRESULT** ppErrors) override;
    STDMETHODIMP SetActiveState(DWORD dwCount, OPCHANDLE* phServer, BOOL bActive, HRESULT** ppErrors) override;
    STDMETHODIMP SetClientHandles(DWORD dwCount, OPCHANDLE* phServer, OPCHANDLE* phClient, HRESULT** ppErrors) override;
    STDMETHODIMP SetDatatypes(DWORD dwCount,
                              OPCHANDLE* phServer,
                              VARTYPE* pRequestedDatatypes,
                              HRESULT** ppErrors) override;
    STDMETHODIMP CreateEnumerator(REFIID riid, IUnknown** ppUnk) override;

    // IOPCGroupStateMgt
    STDMETHODIMP GetState(DWORD* pUpdateRate,
                          BOOL* pActive,
                          LPWSTR* ppName,
                          LONG* pTimeBias,
                          FLOAT* pPercentDeadband,
                          DWORD* pLCID,
                          OPCHANDLE* phClientGroup,
                          OPCHANDLE* phServerGroup) override;
    STDMETHODIMP SetState(DWORD* pRequestedUpdateRate,
                          DWORD* pRevisedUpdateRate,
                          BOOL* pActive,
                          LONG* pTimeBias,
                          FLOAT* pPercentDeadband,
                          DWORD* pLCID,
                          OPCHANDLE* phClientGroup) override;
    STDMETHODIMP SetName(LPCWSTR szName) override;
    STDMETHODIMP CloneGroup(LPCWSTR szName, REFIID riid, IUnknown** ppUnk) override;

    // IOPCSyncIO
    STDMETHODIMP Read(OPCDATASOURCE dwSource,
                      DWORD dwCount,
                      OPCHANDLE* phServer,
                      OPCITEMSTATE** ppItemValues,
                      HRESULT** ppErrors) override;
    STDMETHODIMP Write(DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues, HRESULT** ppErrors) override;

    // IOPCAsyncIO
    STDMETHODIMP Read(DWORD dwConnection,
                      OPCDATASOURCE dwSource,
                      DWORD dwCount,
                      OPCHANDLE* phServer,
                      DWORD* pTransactionID,
                      HRESULT** ppErrors) override;
    STDMETHODIMP Write(DWORD dwConnection,
                       DWORD dwCount,
                       OPCHANDLE* phServer,
                       VARIANT* pItemValues,
                       DWORD* pTransactionID,
                       HRESULT** ppErrors) override;
    STDMETHODIMP Refresh(DWORD dwConnection, OPCDATASOURCE dwSource, DWORD* pTransactionID) override;
    STDMETHODIMP Cancel(DWORD dwTransactionID) override;

    // IDataObject: only DAdvise and DUnadvise do anything, as the standard allows.
    STDMETHODIMP GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) override;
    STDMETHODIMP GetDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium) override;
    STDMETHODIMP QueryGetData(FORMATETC* pformatetc) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* pformatectIn, FORMATETC* pformatetcOut) override;
    STDMETHODIMP SetData(FORMATETC* pformatetc, STGMEDIUM* pmedium, BOOL fRelease) override;
    STDMETHODIMP EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) override;
    STDMETHODIMP DAdvise(FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
    STDMETHODIMP DUnadvise(DWORD dwConnection) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** ppenumAdvise) override;

  private:
    struct Transaction {
        DWORD id;
        DWORD dwConnection;
        std::vector<OPCHANDLE> handles;  // empty: every active item (Refresh)
    };

    SimGroup(SimServer* pServer,
             std::shared_ptr<const SimConfig> config,
             OPCHANDLE hServerGroup,
             const SimGroupState& state);
    ~SimGroup();

    void OnUpdateTimer() override;
    void OnWake() override;
    void UpdateTimer();
    // Sends, to every data connection, the items that are due: all active ones for a connection that
    // was just made, else those not sent yet and (after a tick) those that moved.
    void SendDue(bool bTicked);
    void SendTransaction(const Transaction& transaction);
    HRESULT SendItems(DWORD dwConnection, DWORD dwTransactionID, const std::vector<SimGroupItem*>& items);
    bool Withholds(const char* keyword) const { return m_config->Withholds(keyword); }
    // A data advise or an IOPCDataCallback sink is there to notify.
    bool Subscribed() const { return m_sinks.HasDataConnection() || m_dataPoint.IsConnected(); }
    // E_FAIL once removed; otherwise the configured delay and failure of the method.
    HRESULT Enter(const char* method) const;
    // Spoils a correct AddItems answer as the config's broken_additems says.
    void BreakResults(OPCITEMRESULT** ppResults, HRESULT** ppErrors) const;
    HRESULT ItemResults(DWORD dwCount,
                        OPCITEMDEF* pItemArray,
                        bool bAdd,
                        OPCITEMRESULT** ppResults,
                        HRESULT** ppErrors);
    template <typename Fn>
    HRESULT ForEachHandle(DWORD dwCount, OPCHANDLE* phServer, HRESULT** ppErrors, Fn fn);

    SimLiveObject<SimObjectKind::Group> m_live;
    LONG m_cRef = 1;
    SimServer* m_pServer;
    std::shared_ptr<const SimConfig> m_config;
    OPCHANDLE m_hServerGroup;
    SimGroupState m_state;
    bool m_bRemoved = false;
    SimItemTable m_items;
    SimAdviseSinks m_sinks;
    SimDataPoint m_dataPoint;  // offered with da2_callbacks
    SimNotifyWindow m_window;
    UINT m_timerRate = 0;  // rate the timer runs at; 0 = stopped
    std::vector<Transaction> m_transactions;
};
