#pragma once
// The group's DA 2.0 subscription: IConnectionPointContainer on the group with one connection
// point, for IOPCDataCallback. Both are parts of the group: their references are the group's, and
// the container answers QueryInterface as the group does. At most one sink, as the standard
// requires of a group.
#include <windows.h>
#include <ocidl.h>
#include <functional>
#include <memory>
#include <vector>

#include "opc/OpcDa.h"
#include "simserver/SimConfig.h"
#include "simserver/SimStreamWriter.h"

class SimDataPoint final : public IConnectionPointContainer {
  public:
    // pGroup: the owning group's IUnknown. onChange runs after each successful Advise or
    // Unadvise, so the group can start or stop its timer and send the first values.
    SimDataPoint(IUnknown* pGroup,
                 std::shared_ptr<const SimConfig> config,
                 OPCHANDLE hServerGroup,
                 std::function<void()> onChange);
    ~SimDataPoint() { ReleaseSink(); }
    SimDataPoint(const SimDataPoint&) = delete;
    SimDataPoint& operator=(const SimDataPoint&) = delete;

    bool IsConnected() const { return m_pSink != nullptr; }
    // True once after each Advise: the next notification carries every active item.
    bool TakeNeedsFull();
    void ReleaseSink();
    // One OnDataChange with the items; their values stay the caller's.
    HRESULT Send(OPCHANDLE hClientGroup, DWORD dwTransid, const std::vector<SimStreamItem>& items);

    // IUnknown: the group's.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return m_pGroup->QueryInterface(riid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() override { return m_pGroup->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_pGroup->Release(); }
    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

  private:
    class Point final : public IConnectionPoint {
      public:
        explicit Point(SimDataPoint& owner) : m_owner(owner) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
        STDMETHODIMP_(ULONG) AddRef() override { return m_owner.AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return m_owner.Release(); }
        STDMETHODIMP GetConnectionInterface(IID* pIID) override;
        STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
        STDMETHODIMP Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
        STDMETHODIMP Unadvise(DWORD dwCookie) override;
        STDMETHODIMP EnumConnections(IEnumConnections** ppEnum) override;

      private:
        SimDataPoint& m_owner;
    };

    IUnknown* m_pGroup;
    std::shared_ptr<const SimConfig> m_config;
    OPCHANDLE m_hServerGroup;
    std::function<void()> m_onChange;
    Point m_point{*this};
    IOPCDataCallback* m_pSink = nullptr;
    DWORD m_dwCookie = 0;
    bool m_bNeedsFull = false;
};
