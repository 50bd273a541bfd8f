// The data-change side of OpcConnection: the subscription and the texts of each notification.
#include "opc/DataChangeTexts.h"
#include "opc/OpcAdviseSink.h"
#include "opc/OpcCallbackSink.h"
#include "opc/OpcConnection.h"
#include "trace/Trace.h"

HRESULT OpcConnection::StartDataChange() {
    if (m_pSink || m_pCallbackSink || m_bNoValues)
        return S_OK;
    if (!m_pAsyncIO)
        return m_pDataPoint ? StartCallbacks() : E_FAIL;
    // On failure nothing is left behind: no sink, cookie 0.
    const HRESULT hr = CallServer([&] { return OpcAdviseSink::Start(m_pAsyncIO, this, &m_pSink, &m_adviseCookie); });
    if (FAILED(hr) && !m_bServerLost) {
        // A group whose IDataObject refuses the advise may still call back the DA 2.0 way.
        OpenDataCallbacks();
        return m_pDataPoint ? StartCallbacks() : S_OK;
    }
    return hr;
}

void OpcConnection::StopDataChange() {
    // A server known to be gone is not asked to end the subscription: it ends with the server.
    if (m_pSink && m_adviseCookie && !m_bServerLost) {
        Checked(m_pSink->Unadvise());
        Trace("Inactivate Advise Data");
    }
    if (m_pSink) {
        m_adviseCookie = 0;
        if (m_bServerLost)
            m_pSink->Abandon();
        else
            m_pSink->Detach();
        m_pSink->Release();
        m_pSink = nullptr;
        Trace("Release AdviseSink");
    }
    if (m_pCallbackSink) {
        if (m_adviseCookie && !m_bServerLost) {
            Checked(m_pCallbackSink->Unadvise());
            Trace("Inactivate Advise Data");
        }
        m_pCallbackSink->Detach();
        m_pCallbackSink->Release();
        m_pCallbackSink = nullptr;
        Trace("Release AdviseSink");
    }
    m_adviseCookie = 0;
    if (m_pDataPoint) {
        m_pDataPoint->Release();
        m_pDataPoint = nullptr;
    }
}

void OpcConnection::PauseDataChange() {
    if (m_pSink && !m_bServerLost)
        Checked(m_pSink->Unadvise());
    if (m_pCallbackSink && !m_bServerLost)
        Checked(m_pCallbackSink->Unadvise());
    m_adviseCookie = 0;
}

void OpcConnection::ResumeDataChange() {
    if (m_pSink)
        CallServer([&] { return m_pSink->Advise(&m_adviseCookie); });
    if (m_pCallbackSink)
        CallServer([&] { return m_pCallbackSink->Advise(&m_adviseCookie); });
}

void OpcConnection::OnData(const OPCGROUPHEADER* header, const OPCITEMHEADER2* items, const VARIANT* values) {
    if (!m_pItems || !header)
        return;
    // With more items than the list shows, one repaint of the visible rows is far cheaper than
    // an invalidation per written cell (thousands of them for a large group).
    HeldRows quiet(m_pItems, header->dwItemCount > (DWORD)m_pItems->VisibleRowCount());
    for (const DataChangeText& t : DataChangeTexts(*header, items, values, m_hexDump)) {
        if (!m_earlyValues.Keep(t))
            ShowText(t);
    }
}

void OpcConnection::ShowText(const DataChangeText& text) {
    const char* value = text.bSkipped ? nullptr : text.valueText.c_str();
    m_pItems->SetItemValue(value, text.qualityText.c_str(), (int)text.hClient);
}

void OpcConnection::ShowEarlyValues(bool bHeld) {
    if (!bHeld)
        return;
    for (const DataChangeText& t : m_earlyValues.Take()) {
        if (m_pItems)
            ShowText(t);
    }
}
