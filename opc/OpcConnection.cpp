#include "opc/OpcConnection.h"

#include <algorithm>
#include <cstdio>

#include "framework/WinApp.h"
#include "opc/Da3Browser.h"
#include "opc/OpcStatusDialog.h"
#include "opc/ServerText.h"
#include "opc/TaskMemory.h"
#include "trace/Trace.h"

namespace {
const DWORD kDefaultScanTime = 100;
const OPCHANDLE kClientGroupHandle = 1;

void SectionName(char* section, int deviceNumber) {
    wsprintfA(section, "device%d", deviceNumber);
}
}  // namespace

int ReadScanTime(const char* projectPath, int deviceNumber) {
    // Without a command line there is no project file to read.
    if (!projectPath || !projectPath[0])
        return kDefaultScanTime;
    char section[16];
    SectionName(section, deviceNumber);
    return (int)GetPrivateProfileIntA(section, "ScanTime", kDefaultScanTime, projectPath);
}

void WriteScanTime(const char* projectPath, int deviceNumber, int rate) {
    if (!projectPath || !projectPath[0])
        return;
    char section[16], value[16];
    SectionName(section, deviceNumber);
    wsprintfA(value, "%d", rate);
    WritePrivateProfileStringA(section, "ScanTime", value, projectPath);
}

OpcConnection::OpcConnection() : m_groupName(SysAllocString(L"VORUVEvozevuradeVivid")) {}

OpcConnection::~OpcConnection() {
    StopStatusPoll();
    SysFreeString(m_groupName);
}

HRESULT OpcConnection::Open(const char* serverText, int deviceNumber) {
    m_serverText = serverText ? serverText : "";
    if (m_serverText.empty())
        return E_FAIL;
    ServerTextParts parts = SplitServerText(m_serverText);
    m_serverText = parts.server;
    HRESULT hr = m_link.ConnectA(parts.machine.empty() ? nullptr : parts.machine.c_str(), parts.server.c_str(), true,
                                 COINIT_APARTMENTTHREADED);
    if (FAILED(hr))
        return hr;
    hr = CheckServerState();
    if (FAILED(hr))
        return hr;

    // The project file the opener named: the revised rate is offered there, and nowhere else. A
    // server that is no device of the project has no section there to read or write.
    const std::string projectPath = deviceNumber > 0 ? m_projectPath : std::string();
    const char* project = projectPath.c_str();
    DWORD requested = ReadScanTime(project, deviceNumber);
    DWORD revised = 0;
    hr = m_link.GetServer()->AddGroup(m_groupName, TRUE, requested, kClientGroupHandle, nullptr, nullptr,
                                      LOCALE_SYSTEM_DEFAULT, &m_hGroup, &revised, __uuidof(IOPCItemMgt),
                                      (IUnknown**)&m_pItemMgt);
    if (FAILED(hr)) {
        m_pItemMgt = nullptr;
        m_hGroup = 0;
        Close();
        return hr;
    }
    // Without a project file the answer could not be kept: nothing is asked.
    if (project[0] && m_bOfferRevisedRate && revised != requested) {
        char text[512];
        snprintf(text, sizeof(text),
                 "Angeforderte Aktualtisierungsrate: %d\r\nAktualisierungsrate in dem Server: %d\r\n"
                 "Sollen die Einstllungen in die schnittstellenkonfiguration \xfc"
                 "bernommen werden?",
                 (int)requested, (int)revised);
        if (AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION) == IDYES)
            WriteScanTime(project, deviceNumber, (int)revised);
    }
    // Newer servers may lack the DA 1.0 interfaces: their DA 2.0/3.0 counterparts stand in.
    hr = m_link.GetServer()->QueryInterface(__uuidof(IOPCBrowseServerAddressSpace), (void**)&m_pBrowse);
    if (FAILED(hr)) {
        m_pBrowse = nullptr;
        OpenDa3Browse();
    }
    hr = m_pItemMgt->QueryInterface(__uuidof(IOPCAsyncIO), (void**)&m_pAsyncIO);
    if (FAILED(hr)) {
        m_pAsyncIO = nullptr;
        OpenDataCallbacks();
    }
    StartStatusPoll(kStatusPollMs);
    return S_OK;
}

HRESULT OpcConnection::CheckServerState() {
    OPCSERVERSTATUS* status = nullptr;
    HRESULT hr = m_link.GetServer()->GetStatus(&status);
    if (FAILED(hr) || !status)
        return S_OK;
    IMalloc* malloc = m_link.GetMalloc();
    DWORD state = status->dwServerState;
    auto freeStatus = [&] {
        if (status->szVendorInfo)
            malloc->Free(status->szVendorInfo);
        malloc->Free(status);
    };
    bool goOn = true;
    if (state == OPC_STATUS_RUNNING || state == OPC_STATUS_TEST) {
        goOn = true;
    } else if (state == OPC_STATUS_FAILED) {
        AfxMessageBox("Der Server konnte nicht richtig getartet werden", MB_OK);
        goOn = false;
    } else if (state == OPC_STATUS_NOCONFIG || state == OPC_STATUS_SUSPENDED) {
        OpcStatusDialog wait(m_link.GetServer(), malloc, state);
        goOn = wait.DoModal() != IDCANCEL;
    } else {
        char text[64];
        wsprintfA(text, "Unbekannter Status: '%X'!", state);
        goOn = AfxMessageBox(text, MB_OKCANCEL) != IDCANCEL;
    }
    freeStatus();
    if (!goOn) {
        Close();
        return E_FAIL;
    }
    return S_OK;
}

void OpcConnection::FillItemDef(OPCITEMDEF* def, const char* itemId, OPCHANDLE clientHandle, BSTR accessPath) {
    *def = {};
    def->szAccessPath = accessPath;
    // Item IDs are ANSI text in the program; the server gets them as wide strings.
    int n = MultiByteToWideChar(CP_ACP, 0, itemId, -1, nullptr, 0);
    BSTR id = SysAllocStringLen(nullptr, n > 0 ? n - 1 : 0);
    if (id && n > 0)
        MultiByteToWideChar(CP_ACP, 0, itemId, -1, id, n);
    def->szItemID = id;
    def->bActive = TRUE;
    def->hClient = clientHandle;
    def->dwBlobSize = 0;
    def->pBlob = nullptr;
    def->vtRequestedDataType = VT_EMPTY;
}

namespace {
// Frees an AddItems answer: the blobs of the first `blobs` results, then both arrays.
void FreeAnswer(IMalloc* malloc, OPCITEMRESULT* results, HRESULT* errors, size_t blobs) {
    for (size_t i = 0; results && i < blobs; ++i) {
        if (results[i].pBlob)
            malloc->Free(results[i].pBlob);
    }
    if (results)
        malloc->Free(results);
    if (errors)
        malloc->Free(errors);
}

// Whether an AddItems answer for count items can be read: a result array, and an error array if
// there is one, each holding count entries. An answer that cannot be read is freed here without
// reading into it; *pBroken then tells whether the call claimed success all the same, in which
// case the server may hold the items.
bool ReadableAnswer(IMalloc* malloc, HRESULT hr, OPCITEMRESULT* results, HRESULT* errors, size_t count, bool* pBroken) {
    const bool readable = results && TaskBlockHolds(malloc, results, count, sizeof(OPCITEMRESULT)) &&
                          (!errors || TaskBlockHolds(malloc, errors, count, sizeof(HRESULT)));
    *pBroken = !readable && SUCCEEDED(hr);
    if (!readable)
        FreeAnswer(malloc, results, errors, 0);
    return readable;
}
}  // namespace

HRESULT OpcConnection::AddItem(const char* itemId) {
    if (!m_adviseCookie) {
        HRESULT hr = StartDataChange();
        if (FAILED(hr))
            return hr;
    }
    if (!m_pItems || !m_pItemMgt)
        return E_FAIL;
    if (m_pItems->FindAndSelect(itemId))
        return E_FAIL;
    wchar_t empty[] = L"";
    OPCITEMDEF def;
    const OPCHANDLE handle = m_pItems->NextClientHandle();
    FillItemDef(&def, itemId, handle, empty);
    OPCITEMRESULT* results = nullptr;
    HRESULT* errors = nullptr;
    const bool bHeld = m_earlyValues.Open(handle, 1);
    HRESULT hr = CallServer([&] { return m_pItemMgt->AddItems(1, &def, &results, &errors); });
    SysFreeString(def.szItemID);
    IMalloc* malloc = m_link.GetMalloc();
    bool broken = false;
    if (!ReadableAnswer(malloc, hr, results, errors, 1, &broken)) {
        if (broken)
            m_pItems->RetireClientHandle();
        ShowEarlyValues(bHeld);
        return FAILED(hr) ? hr : E_FAIL;
    }
    // A server that answers without an error array gets the call's own result for the item.
    HRESULT itemError = errors ? errors[0] : hr;
    HRESULT result = itemError;
    if (SUCCEEDED(itemError))
        result = m_pItems->AddItem(itemId, results[0]);
    FreeAnswer(malloc, results, errors, 1);
    ShowEarlyValues(bHeld);
    return result;
}

HRESULT OpcConnection::AddItems(std::vector<std::string>& itemIds) {
    if (!m_pItems || !m_pItemMgt)
        return E_FAIL;
    int base = m_pItems->NextClientHandle();
    if (!m_adviseCookie) {
        HRESULT hr = StartDataChange();
        if (FAILED(hr))
            return hr;
    }
    // IDs already listed select their rows instead.
    std::vector<std::string> kept = m_pItems->SelectListed(itemIds);
    itemIds = kept;
    if (kept.empty())
        return E_FAIL;
    std::vector<OPCITEMDEF> defs(kept.size());
    wchar_t empty[] = L"";
    for (size_t i = 0; i < kept.size(); ++i)
        FillItemDef(&defs[i], kept[i].c_str(), base + (OPCHANDLE)i, empty);
    OPCITEMRESULT* results = nullptr;
    HRESULT* errors = nullptr;
    const bool bHeld = m_earlyValues.Open(base, defs.size());
    HRESULT hr = CallServer([&] { return m_pItemMgt->AddItems((DWORD)defs.size(), defs.data(), &results, &errors); });
    for (OPCITEMDEF& d : defs)
        SysFreeString(d.szItemID);
    IMalloc* malloc = m_link.GetMalloc();
    // Answers that claim success with missing or too short arrays are not read. The server may
    // have added the items all the same: their client handles are retired, so notifications for
    // them reach no row, and later items keep matching theirs.
    bool broken = false;
    if (!ReadableAnswer(malloc, hr, results, errors, kept.size(), &broken)) {
        for (size_t i = 0; broken && i < kept.size(); ++i)
            m_pItems->RetireClientHandle();
        ShowEarlyValues(bHeld);
        return FAILED(hr) ? hr : E_FAIL;
    }
    HRESULT result = hr;
    HeldRows quiet(m_pItems, true);
    for (size_t i = 0; i < kept.size(); ++i) {
        HRESULT itemError = errors ? errors[i] : hr;
        if (SUCCEEDED(itemError))
            result = m_pItems->AddItem(kept[i].c_str(), results[i]);
        else
            m_pItems->RetireClientHandle();  // later rows keep matching their handles
    }
    FreeAnswer(malloc, results, errors, kept.size());
    ShowEarlyValues(bHeld);
    return result;
}

HRESULT OpcConnection::RemoveItem(OPCHANDLE hServer) {
    return RemoveItems({hServer});
}

HRESULT OpcConnection::RemoveItems(const std::vector<OPCHANDLE>& hServers) {
    if (!m_pItemMgt)
        return E_FAIL;
    HRESULT result = S_OK;
    std::vector<OPCHANDLE> handles(hServers);
    for (size_t first = 0; first < handles.size(); first += kRemoveItemsPerCall) {
        const DWORD count = (DWORD)std::min(kRemoveItemsPerCall, handles.size() - first);
        HRESULT* errors = nullptr;
        const HRESULT hr = CallServer([&] { return m_pItemMgt->RemoveItems(count, &handles[first], &errors); });
        FreeTaskMemory(m_link.GetMalloc(), errors);
        if (FAILED(hr))
            result = hr;
    }
    return result;
}

HRESULT OpcConnection::Close() {
    StopStatusPoll();
    StopDataChange();
    if (m_pAsyncIO) {
        m_pAsyncIO->Release();
        m_pAsyncIO = nullptr;
        Trace("Release IOPCAsyncIO");
    }
    // A server known to be gone is not asked: the group goes with it.
    if (m_hGroup && m_link.GetServer() && !m_bServerLost) {
        m_link.GetServer()->RemoveGroup(m_hGroup, TRUE);
        Trace("Remove Group");
    }
    m_hGroup = 0;
    if (m_pItemMgt) {
        m_pItemMgt->Release();
        m_pItemMgt = nullptr;
        Trace("Release IOPCItemMgt");
    }
    if (m_pBrowse) {
        m_pBrowse->Release();
        m_pBrowse = nullptr;
        Trace("Release IOPCBrowseServerAddressSpace");
    }
    if (m_pBrowse3) {
        m_pBrowse3.reset();
        Trace("Release IOPCBrowse");
    }
    if (m_link.GetServer()) {
        Trace("Disconnect from Server");
        m_link.ReleaseAll();
        Trace("Connection Terminated");
    }
    return S_OK;
}
