/* Every method, structure and field the OPC interfaces share between the IDL (what our
   proxy/stub puts on the wire) and opc/OpcDa.h (what the program and the simulator call).
   Expanded once in C against the header widl generates and once in C++ against ours. */
#pragma once

#define ZZ_OPC_METHODS(X)                                 \
    X(IOPCServer, AddGroup)                               \
    X(IOPCServer, GetErrorString)                         \
    X(IOPCServer, GetGroupByName)                         \
    X(IOPCServer, GetStatus)                              \
    X(IOPCServer, RemoveGroup)                            \
    X(IOPCServer, CreateGroupEnumerator)                  \
    X(IOPCServerPublicGroups, GetPublicGroupByName)       \
    X(IOPCServerPublicGroups, RemovePublicGroup)          \
    X(IOPCBrowseServerAddressSpace, QueryOrganization)    \
    X(IOPCBrowseServerAddressSpace, ChangeBrowsePosition) \
    X(IOPCBrowseServerAddressSpace, BrowseOPCItemIDs)     \
    X(IOPCBrowseServerAddressSpace, GetItemID)            \
    X(IOPCBrowseServerAddressSpace, BrowseAccessPaths)    \
    X(IOPCGroupStateMgt, GetState)                        \
    X(IOPCGroupStateMgt, SetState)                        \
    X(IOPCGroupStateMgt, SetName)                         \
    X(IOPCGroupStateMgt, CloneGroup)                      \
    X(IOPCPublicGroupStateMgt, GetState)                  \
    X(IOPCPublicGroupStateMgt, MoveToPublic)              \
    X(IOPCSyncIO, Read)                                   \
    X(IOPCSyncIO, Write)                                  \
    X(IOPCAsyncIO, Read)                                  \
    X(IOPCAsyncIO, Write)                                 \
    X(IOPCAsyncIO, Refresh)                               \
    X(IOPCAsyncIO, Cancel)                                \
    X(IOPCItemMgt, AddItems)                              \
    X(IOPCItemMgt, ValidateItems)                         \
    X(IOPCItemMgt, RemoveItems)                           \
    X(IOPCItemMgt, SetActiveState)                        \
    X(IOPCItemMgt, SetClientHandles)                      \
    X(IOPCItemMgt, SetDatatypes)                          \
    X(IOPCItemMgt, CreateEnumerator)                      \
    X(IEnumOPCItemAttributes, Next)                       \
    X(IEnumOPCItemAttributes, Skip)                       \
    X(IEnumOPCItemAttributes, Reset)                      \
    X(IEnumOPCItemAttributes, Clone)                      \
    X(IOPCCommon, SetLocaleID)                            \
    X(IOPCCommon, GetLocaleID)                            \
    X(IOPCCommon, QueryAvailableLocaleIDs)                \
    X(IOPCCommon, GetErrorString)                         \
    X(IOPCCommon, SetClientName)                          \
    X(IOPCDataCallback, OnDataChange)                     \
    X(IOPCDataCallback, OnReadComplete)                   \
    X(IOPCDataCallback, OnWriteComplete)                  \
    X(IOPCDataCallback, OnCancelComplete)                 \
    X(IOPCBrowse, GetProperties)                          \
    X(IOPCBrowse, Browse)

#define ZZ_OPC_STRUCTS(X) \
    X(OPCSERVERSTATUS)    \
    X(OPCITEMDEF)         \
    X(OPCITEMRESULT)      \
    X(OPCITEMSTATE)       \
    X(OPCITEMATTRIBUTES)  \
    X(OPCITEMPROPERTY)    \
    X(OPCITEMPROPERTIES)  \
    X(OPCBROWSEELEMENT)

#define ZZ_OPC_FIELDS(X)                      \
    X(OPCSERVERSTATUS, ftStartTime)           \
    X(OPCSERVERSTATUS, ftCurrentTime)         \
    X(OPCSERVERSTATUS, ftLastUpdateTime)      \
    X(OPCSERVERSTATUS, dwServerState)         \
    X(OPCSERVERSTATUS, dwGroupCount)          \
    X(OPCSERVERSTATUS, dwBandWidth)           \
    X(OPCSERVERSTATUS, wMajorVersion)         \
    X(OPCSERVERSTATUS, wMinorVersion)         \
    X(OPCSERVERSTATUS, wBuildNumber)          \
    X(OPCSERVERSTATUS, szVendorInfo)          \
    X(OPCITEMDEF, szAccessPath)               \
    X(OPCITEMDEF, szItemID)                   \
    X(OPCITEMDEF, bActive)                    \
    X(OPCITEMDEF, hClient)                    \
    X(OPCITEMDEF, dwBlobSize)                 \
    X(OPCITEMDEF, pBlob)                      \
    X(OPCITEMDEF, vtRequestedDataType)        \
    X(OPCITEMRESULT, hServer)                 \
    X(OPCITEMRESULT, vtCanonicalDataType)     \
    X(OPCITEMRESULT, dwAccessRights)          \
    X(OPCITEMRESULT, dwBlobSize)              \
    X(OPCITEMRESULT, pBlob)                   \
    X(OPCITEMSTATE, hClient)                  \
    X(OPCITEMSTATE, ftTimeStamp)              \
    X(OPCITEMSTATE, wQuality)                 \
    X(OPCITEMSTATE, vDataValue)               \
    X(OPCITEMATTRIBUTES, szAccessPath)        \
    X(OPCITEMATTRIBUTES, szItemID)            \
    X(OPCITEMATTRIBUTES, bActive)             \
    X(OPCITEMATTRIBUTES, hClient)             \
    X(OPCITEMATTRIBUTES, hServer)             \
    X(OPCITEMATTRIBUTES, dwAccessRights)      \
    X(OPCITEMATTRIBUTES, dwBlobSize)          \
    X(OPCITEMATTRIBUTES, pBlob)               \
    X(OPCITEMATTRIBUTES, vtRequestedDataType) \
    X(OPCITEMATTRIBUTES, vtCanonicalDataType) \
    X(OPCITEMATTRIBUTES, dwEUType)            \
    X(OPCITEMATTRIBUTES, vEUInfo)             \
    X(OPCITEMPROPERTY, vtDataType)            \
    X(OPCITEMPROPERTY, dwPropertyID)          \
    X(OPCITEMPROPERTY, szItemID)              \
    X(OPCITEMPROPERTY, szDescription)         \
    X(OPCITEMPROPERTY, vValue)                \
    X(OPCITEMPROPERTY, hrErrorID)             \
    X(OPCITEMPROPERTIES, hrErrorID)           \
    X(OPCITEMPROPERTIES, dwNumProperties)     \
    X(OPCITEMPROPERTIES, pItemProperties)     \
    X(OPCBROWSEELEMENT, szName)               \
    X(OPCBROWSEELEMENT, szItemID)             \
    X(OPCBROWSEELEMENT, dwFlagValue)          \
    X(OPCBROWSEELEMENT, ItemProperties)

/* One fact: "IOPCServer::AddGroup" with its vtable slot, "OPCITEMDEF" with its size,
   "OPCITEMDEF.pBlob" with its offset. */
struct ZZDeclarationFact {
    const char* name;
    unsigned long value;
};

#ifdef __cplusplus
extern "C" {
#endif
/* The facts of the IDL side, from the header widl generated; *pCount gets their number. */
const struct ZZDeclarationFact* ZZIdlDeclarationFacts(unsigned* pCount);
#ifdef __cplusplus
}
#endif
