#include "simserver/SimItemAttributesEnum.h"

#include <new>

#include "simserver/SimConfig.h"
#include "simserver/SimTaskArray.h"
#include "simserver/SimText.h"

IEnumOPCItemAttributes* SimItemAttributesEnum::Create(std::vector<SimItemAttributes> items) {
    return new (std::nothrow)
        SimItemAttributesEnum(std::make_shared<const std::vector<SimItemAttributes>>(std::move(items)), 0);
}

STDMETHODIMP SimItemAttributesEnum::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumOPCItemAttributes)) {
        *ppv = static_cast<IEnumOPCItemAttributes*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) SimItemAttributesEnum::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

STDMETHODIMP_(ULONG) SimItemAttributesEnum::Release() {
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0) {
        // The client's last release: across processes a call of its own (COM's own references
        // come and go while the enumerator is handed out, and are not calls).
        SimServeCall();
        delete this;
    }
    return static_cast<ULONG>(count);
}

STDMETHODIMP SimItemAttributesEnum::Next(ULONG celt, OPCITEMATTRIBUTES** ppItemArray, ULONG* pceltFetched) {
    SimServeCall();
    if (!ppItemArray || !pceltFetched) {
        return E_INVALIDARG;
    }
    *ppItemArray = nullptr;
    *pceltFetched = 0;
    size_t left = m_items->size() - m_position;
    ULONG count = static_cast<ULONG>(celt < left ? celt : left);
    SimTaskArray<OPCITEMATTRIBUTES> array(count);
    if (!array) {
        return E_OUTOFMEMORY;
    }
    for (ULONG i = 0; i < count; ++i) {
        const SimItemAttributes& item = (*m_items)[m_position + i];
        OPCITEMATTRIBUTES& out = array[i];
        out.szAccessPath = CoTaskStrDup(item.accessPath);
        out.szItemID = CoTaskStrDup(item.itemId);
        if (!out.szAccessPath || !out.szItemID) {
            for (ULONG k = 0; k <= i; ++k) {
                CoTaskMemFree(array[k].szAccessPath);
                CoTaskMemFree(array[k].szItemID);
            }
            return E_OUTOFMEMORY;
        }
        out.bActive = item.bActive;
        out.hClient = item.hClient;
        out.hServer = item.hServer;
        out.dwAccessRights = item.accessRights;
        out.vtRequestedDataType = item.vtRequested;
        out.vtCanonicalDataType = item.vtCanonical;
        out.dwEUType = OPC_NOENUM;
        VariantInit(&out.vEUInfo);
    }
    m_position += count;
    *pceltFetched = count;
    *ppItemArray = array.release();
    return count == celt ? S_OK : S_FALSE;
}

STDMETHODIMP SimItemAttributesEnum::Skip(ULONG celt) {
    SimServeCall();
    size_t left = m_items->size() - m_position;
    m_position += celt < left ? celt : left;
    return celt <= left ? S_OK : S_FALSE;
}

STDMETHODIMP SimItemAttributesEnum::Reset() {
    SimServeCall();
    m_position = 0;
    return S_OK;
}

STDMETHODIMP SimItemAttributesEnum::Clone(IEnumOPCItemAttributes** ppEnumItemAttributes) {
    SimServeCall();
    if (!ppEnumItemAttributes) {
        return E_INVALIDARG;
    }
    *ppEnumItemAttributes = new (std::nothrow) SimItemAttributesEnum(m_items, m_position);
    return *ppEnumItemAttributes ? S_OK : E_OUTOFMEMORY;
}
