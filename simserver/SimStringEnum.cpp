#include "simserver/SimStringEnum.h"

#include <new>

#include "simserver/SimText.h"

IEnumString* SimStringEnum::Create(std::vector<std::wstring> names) {
    return new (std::nothrow) SimStringEnum(std::make_shared<const std::vector<std::wstring>>(std::move(names)), 0);
}

STDMETHODIMP SimStringEnum::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumString)) {
        *ppv = static_cast<IEnumString*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) SimStringEnum::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

STDMETHODIMP_(ULONG) SimStringEnum::Release() {
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0) {
        delete this;
    }
    return static_cast<ULONG>(count);
}

STDMETHODIMP SimStringEnum::Next(ULONG celt, LPOLESTR* rgelt, ULONG* pceltFetched) {
    if (!rgelt || (celt > 1 && !pceltFetched)) {
        return E_POINTER;
    }
    ULONG fetched = 0;
    while (fetched < celt && m_position < m_names->size()) {
        rgelt[fetched] = CoTaskStrDup((*m_names)[m_position]);
        if (!rgelt[fetched]) {
            // Hand back nothing rather than a partial batch the caller might not free.
            while (fetched > 0) {
                CoTaskMemFree(rgelt[--fetched]);
                rgelt[fetched] = nullptr;
                --m_position;
            }
            if (pceltFetched) {
                *pceltFetched = 0;
            }
            return E_OUTOFMEMORY;
        }
        ++fetched;
        ++m_position;
    }
    if (pceltFetched) {
        *pceltFetched = fetched;
    }
    return fetched == celt ? S_OK : S_FALSE;
}

STDMETHODIMP SimStringEnum::Skip(ULONG celt) {
    size_t left = m_names->size() - m_position;
    m_position += celt < left ? celt : left;
    return celt <= left ? S_OK : S_FALSE;
}

STDMETHODIMP SimStringEnum::Reset() {
    m_position = 0;
    return S_OK;
}

STDMETHODIMP SimStringEnum::Clone(IEnumString** ppenum) {
    if (!ppenum) {
        return E_POINTER;
    }
    *ppenum = new (std::nothrow) SimStringEnum(m_names, m_position);
    return *ppenum ? S_OK : E_OUTOFMEMORY;
}
