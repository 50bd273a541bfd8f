#pragma once
// Browse names between the server and the tree: UTF-16 <-> ANSI code page, the reserved node texts,
// and a batch reader for IEnumString with the bounds that keep a misbehaving server (an enumerator
// that never ends, garbage counts, huge names) from hanging or flooding the program.
#include <windows.h>
#include <objidl.h>

#include <string>
#include <vector>

// Names asked for per IEnumString::Next: every call may cross to another process or machine, so
// one call carries a large part of a branch. A server that refuses the count gets a tenth of it,
// down to kSmallestBrowseBatch.
constexpr ULONG kBrowseBatch = 1000;
constexpr ULONG kSmallestBrowseBatch = 10;
// One enumerator gives at most this many names; the rest are dropped. Large plants list some ten
// thousand item IDs; a list beyond this is taken for an enumerator that never ends.
constexpr size_t kMaxNamesPerEnumerator = 100000;
// Nodes one fill of the tree may insert in all (an endless branch list at every level would
// otherwise multiply the per-enumerator bound by the depth).
constexpr size_t kMaxTreeNodes = 250000;
// Branch levels below "Hierarchial Items" that the tree descends into.
constexpr int kMaxBrowseDepth = 64;
// BrowseToRoot gives up after this many upward moves: more than the tree ever descends, so every
// position the program reaches is left; a server that never refuses OPC_BROWSE_UP cannot trap it.
constexpr int kMaxBrowseToRootSteps = 100;
// Longer names and item IDs are cut: a name is never read beyond this many characters.
constexpr size_t kMaxNameChars = 4096;

// ANSI code page to UTF-16; null gives the empty string.
std::wstring BrowseNameToWide(const char* name);
// UTF-16 to the ANSI code page (unmappable characters become the code page's default character);
// null gives the empty string, text beyond maxChars is dropped.
std::string BrowseNameToAnsi(const wchar_t* name, size_t maxChars = kMaxNameChars);

// The server text, "Flat Items", "Hierarchial Items" and "Public Groups" (case-sensitive).
bool IsReservedNodeText(const std::string& text, const std::string& serverText);

extern const char kFlatItemsText[];
extern const char kHierarchicalItemsText[];
extern const char kPublicGroupsText[];

// Reads an enumerator batch by batch. Every string the server hands out is converted and freed
// through the task allocator, also the ones dropped by the bound. A failing Next ends the reading
// and nothing of that call is trusted; so does S_OK with nothing fetched, which would loop for
// ever. A count above the batch size is taken as the batch size; S_OK with fewer names than asked
// for reads on. When the first Next of an enumerator fails (not for a server gone), the reader
// asks again for a tenth, and the readers sharing batchSize start there.
class BrowseNameReader {
  public:
    // enumerator and malloc stay owned by the caller; malloc may be null (CoTaskMemFree is used).
    // batchSize (optional, kept by the caller): the count to ask for, lowered when refused.
    BrowseNameReader(IEnumString* enumerator,
                     IMalloc* malloc,
                     size_t maxNames = kMaxNamesPerEnumerator,
                     ULONG* batchSize = nullptr);

    // False when the enumerator refuses to start again (anything but S_OK).
    bool Reset();
    // The next batch in enumerator order (a null string gives ""); false, with names empty, once
    // there is nothing more. Usage: while (reader.Next(&names)) ...
    bool Next(std::vector<std::string>* names);
    // The bound dropped names.
    bool WasCut() const { return m_bCut; }

  private:
    // One Next call with the count shared by the reading; falls back to smaller counts first.
    HRESULT FetchBatch(LPOLESTR* batch, ULONG* pCount, ULONG* pFetched);

    IEnumString* m_pEnum;
    IMalloc* m_pMalloc;
    size_t m_nLeft;
    ULONG m_nOwnBatch = kBrowseBatch;
    ULONG* m_pBatch;
    bool m_bStarted = false;
    bool m_bDone = false;
    bool m_bCut = false;
};
