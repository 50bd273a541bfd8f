#include "opc/BrowseText.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "opc/OpcConnection.h"
#include "opc/TaskMemory.h"

const char kFlatItemsText[] = "Flat Items";
// The misspelling is what users of the program have always seen.
const char kHierarchicalItemsText[] = "Hierarchial Items";
const char kPublicGroupsText[] = "Public Groups";

std::wstring BrowseNameToWide(const char* name) {
    if (!name || !*name)
        return std::wstring();
    // One UTF-16 unit per byte at most, so length + 1 units always hold the result.
    size_t length = strlen(name);
    std::wstring wide(length + 1, L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, name, -1, &wide[0], (int)wide.size());
    wide.resize(n > 0 ? n - 1 : 0);
    return wide;
}

std::string BrowseNameToAnsi(const wchar_t* name, size_t maxChars) {
    if (!name)
        return std::string();
    int length = (int)wcsnlen(name, maxChars);
    if (length == 0)
        return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, name, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return std::string();
    std::string text(n, '\0');
    n = WideCharToMultiByte(CP_ACP, 0, name, length, &text[0], n, nullptr, nullptr);
    text.resize(n > 0 ? n : 0);
    return text;
}

bool IsReservedNodeText(const std::string& text, const std::string& serverText) {
    return text == serverText || text == kFlatItemsText || text == kHierarchicalItemsText || text == kPublicGroupsText;
}

BrowseNameReader::BrowseNameReader(IEnumString* enumerator, IMalloc* malloc, size_t maxNames, ULONG* batchSize)
    : m_pEnum(enumerator), m_pMalloc(malloc), m_nLeft(maxNames), m_pBatch(batchSize ? batchSize : &m_nOwnBatch) {}

bool BrowseNameReader::Reset() {
    return m_pEnum && m_pEnum->Reset() == S_OK;
}

bool BrowseNameReader::Next(std::vector<std::string>* names) {
    names->clear();
    if (m_bDone || !m_pEnum || m_nLeft == 0)
        return false;
    LPOLESTR batch[kBrowseBatch] = {};
    ULONG count = 0;
    ULONG fetched = 0;
    HRESULT hr = FetchBatch(batch, &count, &fetched);
    if (FAILED(hr)) {
        // Whatever the server wrote on failure is not ours to free.
        m_bDone = true;
        return false;
    }
    if (fetched > count)
        fetched = count;
    for (ULONG i = 0; i < fetched; ++i) {
        if (names->size() < m_nLeft)
            names->push_back(BrowseNameToAnsi(batch[i]));
        else
            m_bCut = true;
        if (batch[i])
            FreeTaskMemory(m_pMalloc, batch[i]);
    }
    m_nLeft -= names->size();
    if (m_nLeft == 0 && hr == S_OK)
        m_bCut = true;
    // S_FALSE ends the list after this batch; S_OK with nothing fetched would never end it. S_OK
    // with fewer names than asked for is not taken as the end: a server may send less per call.
    if (hr != S_OK || fetched == 0 || m_nLeft == 0)
        m_bDone = true;
    return !names->empty();
}

HRESULT BrowseNameReader::FetchBatch(LPOLESTR* batch, ULONG* pCount, ULONG* pFetched) {
    for (;;) {
        const ULONG count = std::min(std::max(*m_pBatch, kSmallestBrowseBatch), kBrowseBatch);
        *pCount = count;
        *pFetched = 0;
        HRESULT hr = m_pEnum->Next(count, batch, pFetched);
        // Only a first call is asked again: after names were read, the position is unknown. A
        // server gone is not called again.
        const bool bRefused = FAILED(hr) && !m_bStarted && count > kSmallestBrowseBatch && !IsServerGone(hr);
        m_bStarted = true;
        if (!bRefused)
            return hr;
        std::fill(batch, batch + count, nullptr);
        *m_pBatch = std::max(count / 10, kSmallestBrowseBatch);
        m_bStarted = false;
    }
}
