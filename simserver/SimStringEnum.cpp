#include "simserver/SimStringEnum.h"

#include "simserver/SimConfig.h"

#include <new>

#include "simserver/SimText.h"

IEnumString* SimStringEnum::Create(std::vector<std::wstring> names, SimEnumMode mode) {
    return new (std::nothrow)
        SimStringEnum(std::make_shared<const std::vector<std::wstring>>(std::move(names)), 0, mode);
}

std::wstring SimStringEnum::EndlessName() const {
    return L"Endless" + std::to_wstring(m_position - m_names->size() + 1);
}

HRESULT SimStringEnum::NextGarbage(ULONG celt, LPOLESTR* rgelt, ULONG* pceltFetched) {
    if (m_bGarbageSent) {
        if (pceltFetched) {
            *pceltFetched = 0;
        }
        return S_OK;
    }
    m_bGarbageSent = true;
    const std::wstring bad[] = {std::wstring(L"Bad") + wchar_t(0xD800) + L"Name", std::wstring(70000, L'X')};
    ULONG written = 0;
    if (written < celt) {
        rgelt[written++] = nullptr;
    }
    for (const std::wstring& text : bad) {
        if (written < celt) {
            rgelt[written++] = CoTaskStrDup(text);
        }
    }
    // Claims more than it was asked for; only the first celt slots were written.
    if (pceltFetched) {
        *pceltFetched = celt + 5;
    }
    return S_OK;
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
        // The client's last release: across processes a call of its own (COM's own references
        // come and go while the enumerator is handed out, and are not calls).
        SimServeCall();
        delete this;
    }
    return static_cast<ULONG>(count);
}

STDMETHODIMP SimStringEnum::Next(ULONG celt, LPOLESTR* rgelt, ULONG* pceltFetched) {
    SimServeCall();
    if (!rgelt || (celt > 1 && !pceltFetched)) {
        return E_POINTER;
    }
    if (SimIsDisconnected()) {
        if (pceltFetched) {
            *pceltFetched = 0;
        }
        return RPC_E_DISCONNECTED;
    }
    if (m_mode == SimEnumMode::Garbage && m_position >= m_names->size()) {
        return NextGarbage(celt, rgelt, pceltFetched);
    }
    ULONG fetched = 0;
    while (fetched < celt && (m_position < m_names->size() || m_mode == SimEnumMode::Endless)) {
        rgelt[fetched] = CoTaskStrDup(m_position < m_names->size() ? (*m_names)[m_position] : EndlessName());
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
    // Garbage mode never says the list has ended.
    return fetched == celt || m_mode == SimEnumMode::Garbage ? S_OK : S_FALSE;
}

STDMETHODIMP SimStringEnum::Skip(ULONG celt) {
    SimServeCall();
    if (m_mode == SimEnumMode::Endless) {
        m_position += celt;
        return S_OK;
    }
    if (m_position >= m_names->size()) {
        return celt == 0 ? S_OK : S_FALSE;
    }
    size_t left = m_names->size() - m_position;
    m_position += celt < left ? celt : left;
    return celt <= left ? S_OK : S_FALSE;
}

STDMETHODIMP SimStringEnum::Reset() {
    SimServeCall();
    m_position = 0;
    m_bGarbageSent = false;
    return S_OK;
}

STDMETHODIMP SimStringEnum::Clone(IEnumString** ppenum) {
    SimServeCall();
    if (!ppenum) {
        return E_POINTER;
    }
    *ppenum = new (std::nothrow) SimStringEnum(m_names, m_position, m_mode);
    return *ppenum ? S_OK : E_OUTOFMEMORY;
}
