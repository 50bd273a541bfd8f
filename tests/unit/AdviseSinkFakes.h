#pragma once
// Hand-written fakes around the advise sink: a group data object that counts its references and
// advise calls, and a target that records every notification it gets.
#include <windows.h>
#include <ole2.h>

#include <memory>
#include <set>
#include <vector>

#include "opc/DataChangeTexts.h"
#include "opc/OpcDataCallback.h"

// Lives on the test's stack: references are only counted, never deleted.
class FakeDataObject : public IDataObject {
  public:
    bool bOfferDataObject = true;       // answer the IDataObject query
    HRESULT adviseResult = S_OK;        // a failure makes DAdvise refuse
    bool bHoldSink = true;              // AddRef the sink on DAdvise, Release it on DUnadvise
    bool bTouchSinkOnUnadvise = false;  // AddRef and Release the sink inside DUnadvise

    int dadviseCalls = 0;
    int dunadviseCalls = 0;
    FORMATETC lastFormat = {};
    DWORD lastAdvf = 0xFFFFFFFF;
    IAdviseSink* pLastSink = nullptr;
    std::vector<DWORD> unadvised;

    ULONG Refs() const { return m_cRef; }
    size_t LiveConnections() const { return m_live.size(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || (bOfferDataObject && IsEqualIID(riid, IID_IDataObject))) {
            *ppv = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_cRef; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_cRef; }

    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* pFormat, DWORD advf, IAdviseSink* pSink, DWORD* pConnection) override {
        ++dadviseCalls;
        lastFormat = *pFormat;
        lastAdvf = advf;
        pLastSink = pSink;
        *pConnection = 0;
        if (FAILED(adviseResult)) {
            return adviseResult;
        }
        if (bHoldSink) {
            pSink->AddRef();
        }
        *pConnection = m_nextConnection++;
        m_live.insert(*pConnection);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override {
        ++dunadviseCalls;
        unadvised.push_back(connection);
        if (m_live.erase(connection) == 0) {
            return OLE_E_NOCONNECTION;
        }
        if (bTouchSinkOnUnadvise) {
            pLastSink->AddRef();
            pLastSink->Release();
        }
        if (bHoldSink) {
            pLastSink->Release();
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

  private:
    ULONG m_cRef = 0;
    DWORD m_nextConnection = 7;
    std::set<DWORD> m_live;
};

// A VARIANT copy kept after the notification's own values are gone.
class KeptVariant {
  public:
    explicit KeptVariant(const VARIANT& value) {
        VariantInit(&m_value);
        VariantCopy(&m_value, const_cast<VARIANT*>(&value));
    }
    ~KeptVariant() { VariantClear(&m_value); }
    KeptVariant(const KeptVariant&) = delete;
    KeptVariant& operator=(const KeptVariant&) = delete;
    const VARIANT& get() const { return m_value; }

  private:
    VARIANT m_value;
};

struct Notification {
    enum Kind { kData, kDataTime, kWriteComplete } kind;
    OPCGROUPHEADER header = {};
    OPCGROUPHEADERWRITE writeHeader = {};
    std::vector<OPCITEMHEADER2> items;
    std::vector<OPCITEMHEADER1> timeItems;
    std::vector<OPCITEMHEADERWRITE> writeItems;
    std::vector<std::unique_ptr<KeptVariant>> values;
    std::vector<bool> nullStrings;      // VT_BSTR values with a null BSTR (copies would not show it)
    std::vector<DataChangeText> texts;  // what the item list would be given (data format only)
};

class RecordingCallback : public OpcDataCallback {
  public:
    bool bHexDump = true;
    std::vector<Notification> notifications;

    void OnData(const OPCGROUPHEADER* pHeader, const OPCITEMHEADER2* pItems, const VARIANT* pValues) override {
        Notification& n = Add(Notification::kData, *pHeader);
        n.items.assign(pItems, pItems + pHeader->dwItemCount);
        KeepValues(n, pValues, pHeader->dwItemCount);
        n.texts = DataChangeTexts(*pHeader, pItems, pValues, bHexDump);
    }
    void OnDataTime(const OPCGROUPHEADER* pHeader, const OPCITEMHEADER1* pItems, const VARIANT* pValues) override {
        Notification& n = Add(Notification::kDataTime, *pHeader);
        n.timeItems.assign(pItems, pItems + pHeader->dwItemCount);
        KeepValues(n, pValues, pHeader->dwItemCount);
    }
    void OnWriteComplete(const OPCGROUPHEADERWRITE* pHeader, const OPCITEMHEADERWRITE* pItems) override {
        Notification& n = Add(Notification::kWriteComplete, OPCGROUPHEADER{});
        n.writeHeader = *pHeader;
        n.writeItems.assign(pItems, pItems + pHeader->dwItemCount);
    }

  private:
    Notification& Add(Notification::Kind kind, const OPCGROUPHEADER& header) {
        notifications.emplace_back();
        notifications.back().kind = kind;
        notifications.back().header = header;
        return notifications.back();
    }
    static void KeepValues(Notification& n, const VARIANT* pValues, DWORD count) {
        for (DWORD i = 0; i < count; ++i) {
            n.values.push_back(std::make_unique<KeptVariant>(pValues[i]));
            n.nullStrings.push_back(pValues[i].vt == VT_BSTR && !pValues[i].bstrVal);
        }
    }
};

// Only OnData, as the connection has it: the other formats must reach the base's empty handlers.
class DataOnlyCallback : public OpcDataCallback {
  public:
    int dataCalls = 0;
    void OnData(const OPCGROUPHEADER*, const OPCITEMHEADER2*, const VARIANT*) override { ++dataCalls; }
};
