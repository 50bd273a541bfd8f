#pragma once
// What one config file describes: the address space with its items' types and value behaviours,
// and the server's scripted failure paths. Built by SimConfigParser, shared read-only by a server
// and its groups.
#include <windows.h>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "opc/OpcDa.h"

enum class SimValueKind { Fixed, Ramp, Toggle, Random };

struct SimBehaviour {
    SimValueKind kind = SimValueKind::Fixed;
    double start = 0.0;  // fixed value, or the ramp's first value
    double step = 1.0;
    double limit = 100.0;  // the ramp wraps back to start beyond it
    unsigned seed = 1;
    double low = 0.0;  // random range
    double high = 100.0;
    std::wstring text;                // fixed text of a BSTR item
    std::vector<std::wstring> parts;  // "a|b|c": array elements cycle through these
    std::vector<double> partValues;   // the same parts as numbers, for non-text types
};

struct SimItemDef {
    VARTYPE vt = VT_I4;  // element type for arrays (without VT_ARRAY)
    bool bArray = false;
    DWORD arrayLength = 0;
    DWORD accessRights = OPC_READABLE;
    WORD quality = OPC_QUALITY_GOOD;
    SimBehaviour behaviour;

    VARTYPE CanonicalType() const { return bArray ? static_cast<VARTYPE>(vt | VT_ARRAY) : vt; }
};

struct SimNode {
    std::wstring name;
    std::wstring fullId;  // names from the root joined with '.'
    bool bBranch = false;
    SimItemDef item;  // leaves only
    SimNode* parent = nullptr;
    std::vector<std::unique_ptr<SimNode>> children;  // in config order
};

struct SimStateStep {
    OPCSERVERSTATE state = OPC_STATUS_RUNNING;
    DWORD polls = 0;  // GetStatus calls it lasts; 0 = for ever (only the last step)
};

struct SimConfig {
    std::string path;
    std::string error;  // set: the file was unusable; the server then reports OPC_STATUS_NOCONFIG
    OPCNAMESPACETYPE organization = OPC_NS_HIERARCHIAL;
    std::wstring vendor = L"ZZSim OPC DA 1.0 simulation server";
    std::vector<SimStateStep> states;  // empty: running
    DWORD reviseRate = 0;              // 0: the requested rate is kept
    std::map<std::wstring, HRESULT> rejects;
    std::set<std::string> withheld;        // lower-case interface keywords
    std::map<std::string, DWORD> slow;     // lower-case method name -> delay in ms
    std::map<std::string, HRESULT> fails;  // lower-case method name -> result
    DWORD callDelayMs = 0;                 // every call served sleeps this long first, as if it crossed a network
    bool bAcceptBrowseUpAtRoot = false;
    std::set<std::wstring> failBrowseDown;  // short names or full IDs
    bool bEndlessBrowse = false;            // browse enumerators never end
    bool bGarbageBrowse = false;            // browse enumerators end in garbage
    bool bPadValues = false;                // each stream value starts at a multiple of 8 bytes
    bool bForeignLayout = false;            // stream images as a process of the other bitness has them
    bool bEarlyValues = false;              // AddItems sends the first values before it answers
    bool bDa2Callbacks = false;             // groups offer IConnectionPointContainer for IOPCDataCallback
    DWORD da3BrowsePage = 0;                // elements per IOPCBrowse::Browse answer; 0: no IOPCBrowse
    // AddItems answers S_OK but with "null" arrays, "short" arrays (one entry whatever the
    // count) or "noerrors" (results without the error array); empty: correct answers.
    std::string brokenAddItems;
    SimNode root;
    std::unordered_map<std::wstring, const SimNode*> leaves;    // by full item ID
    std::unordered_map<std::wstring, const SimNode*> branches;  // by full ID

    bool Withholds(const char* keyword) const { return withheld.count(keyword) != 0; }
    // Applies a configured 'slow' delay and returns a configured failure (S_OK otherwise).
    HRESULT Hook(const char* method) const;
    // The update rate a group gets for the one it asks for.
    DWORD RevisedRate(DWORD requested) const;
};

// The whole simulator as a server whose process or machine has gone: every call then fails with
// RPC_E_DISCONNECTED and no notification is sent. Set by tests through ZZSim_SetDisconnected.
bool SimIsDisconnected();
void SimSetDisconnected(bool bDisconnected);

// Every call the simulator serves (each method of server, group, browse and enumerators, apart
// from AddRef, Release and QueryInterface) starts with SimServeCall: it counts the call and sleeps
// the call delay of the config the most recent server was made from (call_delay_ms).
void SimSetCallDelay(DWORD ms);
void SimServeCall();
