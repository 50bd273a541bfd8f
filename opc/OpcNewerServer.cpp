// OpcConnection with servers that lack the DA 1.0 interfaces: DA 3.0 IOPCBrowse in place of
// IOPCBrowseServerAddressSpace, and DA 2.0 IOPCDataCallback in place of IOPCAsyncIO/IDataObject.
// With a server that has the 1.0 interfaces none of this runs.
#include "opc/Da3Browser.h"
#include "opc/OpcCallbackSink.h"
#include "opc/OpcConnection.h"
#include "trace/Trace.h"

namespace {
const char kNoBrowseNotice[] =
    "Dieser Server bietet keine Adressraum-Navigation an (weder IOPCBrowseServerAddressSpace noch IOPCBrowse); "
    "Items \xfc"
    "ber \"Neues Item\" eingeben";
const char kNoValuesNotice[] =
    "Dieser Server sendet keine Werte (weder IOPCAsyncIO/IDataObject noch IOPCDataCallback); die Werte bleiben \"?\"";
}  // namespace

void OpcConnection::AddNotice(const char* text) {
    m_notice += m_notice.empty() ? text : std::string(" - ") + text;
    if (m_showNotice)
        m_showNotice(m_notice);
}

void OpcConnection::OpenDa3Browse() {
    IOPCBrowse* browse = nullptr;
    if (SUCCEEDED(m_link.GetServer()->QueryInterface(__uuidof(IOPCBrowse), (void**)&browse)) && browse) {
        m_pBrowse3.reset(
            new Da3Browser(browse, [this](const std::function<HRESULT()>& call) { return CallServer(call); }));
        browse->Release();
        Trace("Browse the Server through IOPCBrowse");
        return;
    }
    m_bNoBrowse = true;
    Trace("Server offers no Browse Interface");
    AddNotice(kNoBrowseNotice);
}

void OpcConnection::OpenDataCallbacks() {
    if (m_pDataPoint || m_bNoValues)
        return;
    IConnectionPointContainer* container = nullptr;
    HRESULT hr =
        Checked(m_pItemMgt ? m_pItemMgt->QueryInterface(IID_IConnectionPointContainer, (void**)&container) : E_FAIL);
    if (SUCCEEDED(hr) && container) {
        hr = Checked(container->FindConnectionPoint(__uuidof(IOPCDataCallback), &m_pDataPoint));
        container->Release();
        if (FAILED(hr))
            m_pDataPoint = nullptr;
    }
    if (m_pDataPoint) {
        Trace("Data changes through IOPCDataCallback");
        return;
    }
    SendsNoValues();
}

HRESULT OpcConnection::StartCallbacks() {
    // On failure nothing is left behind: no sink, cookie 0.
    const HRESULT hr =
        CallServer([&] { return OpcCallbackSink::Start(m_pDataPoint, this, &m_pCallbackSink, &m_adviseCookie); });
    if (SUCCEEDED(hr) || m_bServerLost)
        return hr;
    // A point that takes no sink: items are added all the same, without values.
    SendsNoValues();
    return S_OK;
}

void OpcConnection::SendsNoValues() {
    m_bNoValues = true;
    Trace("Server sends no Data changes");
    AddNotice(kNoValuesNotice);
}
