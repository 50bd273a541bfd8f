#pragma once
// The address space of a server that offers DA 3.0 IOPCBrowse instead of
// IOPCBrowseServerAddressSpace, behind the same operations: IOPCBrowse knows no browse position,
// so the position is kept here as the item IDs of the branches from the root down, and the names
// of each position are mapped to the item IDs its browse elements gave. Lists come back as
// in-process string enumerators in the server's order.
#include <windows.h>
#include <objidl.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "opc/OpcDa.h"

// Elements asked for per Browse call (the server may page below this).
constexpr DWORD kBrowseElementsPerCall = 10000;
// Browse calls for one list: a server whose continuation point never ends is cut off here.
constexpr size_t kMaxBrowseCallsPerList = 1000;

class Da3Browser {
  public:
    // Every server call goes through call (the connection's server-loss check, which also makes
    // no call to a server known to be gone).
    using CallServer = std::function<HRESULT(const std::function<HRESULT()>&)>;
    Da3Browser(IOPCBrowse* pBrowse, CallServer call);
    ~Da3Browser();
    Da3Browser(const Da3Browser&) = delete;
    Da3Browser& operator=(const Da3Browser&) = delete;

    // Every item ID of the space, the branches walked depth-first in the server's order.
    HRESULT Flat(IEnumString** ppEnum);
    HRESULT Branches(IEnumString** ppEnum);
    // Moves into the branch, then lists its items; *pMoved as OpcConnection::BrowseLeavesOf.
    HRESULT LeavesOf(const std::wstring& branch, IEnumString** ppEnum, bool* pMoved);
    // E_FAIL at the root, as a server refuses OPC_BROWSE_UP there. No server call.
    HRESULT Up();
    // A branch listed at the current position (listing it first if it was not yet).
    HRESULT Down(const std::wstring& branch);
    // The item ID of a name at the current position ("" the position's own), or an item ID that
    // the flat list gave; "" when unknown.
    std::wstring ItemId(const wchar_t* name);
    // True when the root has no branches.
    bool IsFlat();

  private:
    struct Element {
        std::wstring name;
        std::wstring itemId;
        DWORD flags;
    };
    using NameMap = std::map<std::wstring, std::wstring>;

    // All children of one branch that pass the filter, page by page, at most maxElements.
    HRESULT List(const std::wstring& itemId, OPCBROWSEFILTER filter, size_t maxElements, std::vector<Element>* pOut);
    // One call: appends the answer's elements (at most room), frees the answer; *pPoint is the
    // continuation point to pass next ("" for none).
    HRESULT Call(const std::wstring& itemId,
                 OPCBROWSEFILTER filter,
                 std::wstring* pPoint,
                 bool* pMore,
                 size_t room,
                 std::vector<Element>* pOut);
    // Lists the position's children of one kind into its name map and an enumerator.
    HRESULT ListHere(OPCBROWSEFILTER filter, std::map<std::wstring, NameMap>* pMaps, IEnumString** ppEnum);
    const std::wstring& Here() const;

    IOPCBrowse* m_pBrowse;
    CallServer m_callServer;
    std::vector<std::wstring> m_path;             // item IDs of the branches, root first
    std::map<std::wstring, NameMap> m_branchIds;  // position -> branch name -> item ID
    std::map<std::wstring, NameMap> m_itemIds;    // position -> item name -> item ID
    std::set<std::wstring> m_flatIds;             // what the flat list gave
    // The branches the last flat walk listed whole, by item ID: the tree's walk right after it
    // (every fill starts with the flat list) takes its lists from here instead of the server.
    std::map<std::wstring, std::vector<Element>> m_walked;
};

// An in-process enumerator over a fixed list; Next hands out task-allocator copies.
HRESULT CreateStringEnum(std::vector<std::wstring> names, IEnumString** ppEnum);
