#pragma once
// The OPC DA servers one can choose from: those registered on this machine (component categories
// DA 1.0 and 2.0) or those a remote host's OPC server enumerator names.
#include <windows.h>

#include <string>
#include <vector>

struct CatalogServer {
    std::string progId;
    std::string description;
};

// Servers of this machine, sorted by ProgID (case-insensitive), each once. The caller has
// initialised COM on this thread.
HRESULT ListLocalServers(std::vector<CatalogServer>* servers);

// Servers that host's OPC server enumerator names, sorted likewise.
HRESULT ListRemoteServers(const std::string& host, std::vector<CatalogServer>* servers);

// Sorts by ProgID, case-insensitive, and drops repeated ProgIDs and empty ones.
void SortCatalog(std::vector<CatalogServer>* servers);

// The Connect-menu text of a chosen server: the ProgID, or "\\host:ProgID" for a remote host
// (blanks around the host name do not count).
std::string CatalogEntryText(const std::string& host, const std::string& progId);

// The command id for a newly chosen server: the first of 32775..32779 not in use; 0 when all
// five are taken (the user then says which entry gives way).
UINT NextServerEntryId(const std::vector<UINT>& usedIds);
