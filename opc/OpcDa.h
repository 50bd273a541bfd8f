#pragma once
// OPC Data Access 1.0A custom interfaces (with the DA 2.0 data callback and DA 3.0 browsing),
// types and codes, declared by hand from the published standard (MinGW ships none). Binary
// compatible with real servers of the same bitness: the vtable order, the member layout and the
// ids below must never change. Header-only, so the program and the simulator DLL share it
// without linking anything extra.
#include <windows.h>
#include <ole2.h>
#include <objidl.h>
#include <oaidl.h>
#include <comcat.h>
#include <cstddef>

// Declares an interface id for __uuidof/IID_PPV_ARGS and the classic IID_ constant in one go.
#define ZZ_OPC_DECLARE_IID(itf, l, w1, w2, ...)  \
    __CRT_UUID_DECL(itf, l, w1, w2, __VA_ARGS__) \
    inline constexpr IID IID_##itf = {l, w1, w2, {__VA_ARGS__}};

typedef DWORD OPCHANDLE;

enum OPCDATASOURCE { OPC_DS_CACHE = 1, OPC_DS_DEVICE = 2 };
enum OPCBROWSETYPE { OPC_BRANCH = 1, OPC_LEAF = 2, OPC_FLAT = 3 };
// "HIERARCHIAL" is the standard's own spelling.
enum OPCNAMESPACETYPE { OPC_NS_HIERARCHIAL = 1, OPC_NS_FLAT = 2 };
enum OPCBROWSEDIRECTION { OPC_BROWSE_UP = 1, OPC_BROWSE_DOWN = 2, OPC_BROWSE_TO = 3 };
enum OPCSERVERSTATE {
    OPC_STATUS_RUNNING = 1,
    OPC_STATUS_FAILED = 2,
    OPC_STATUS_NOCONFIG = 3,
    OPC_STATUS_SUSPENDED = 4,
    OPC_STATUS_TEST = 5
};
enum OPCENUMSCOPE {
    OPC_ENUM_PRIVATE_CONNECTIONS = 1,
    OPC_ENUM_PUBLIC_CONNECTIONS = 2,
    OPC_ENUM_ALL_CONNECTIONS = 3,
    OPC_ENUM_PRIVATE = 4,
    OPC_ENUM_PUBLIC = 5,
    OPC_ENUM_ALL = 6
};
enum OPCEUTYPE { OPC_NOENUM = 0, OPC_ANALOG = 1, OPC_ENUMERATED = 2 };

// Access rights: a bit mask describing the hardware, not security.
constexpr DWORD OPC_READABLE = 0x1;
constexpr DWORD OPC_WRITEABLE = 0x2;

// Quality word, low byte QQSSSSLL.
constexpr WORD OPC_QUALITY_MASK = 0xC0;
constexpr WORD OPC_STATUS_MASK = 0xFC;
constexpr WORD OPC_LIMIT_MASK = 0x03;
constexpr WORD OPC_QUALITY_BAD = 0x00;
constexpr WORD OPC_QUALITY_UNCERTAIN = 0x40;
constexpr WORD OPC_QUALITY_GOOD = 0xC0;
constexpr WORD OPC_QUALITY_CONFIG_ERROR = 0x04;
constexpr WORD OPC_QUALITY_NOT_CONNECTED = 0x08;
constexpr WORD OPC_QUALITY_DEVICE_FAILURE = 0x0C;
constexpr WORD OPC_QUALITY_SENSOR_FAILURE = 0x10;
constexpr WORD OPC_QUALITY_LAST_KNOWN = 0x14;
constexpr WORD OPC_QUALITY_COMM_FAILURE = 0x18;
constexpr WORD OPC_QUALITY_OUT_OF_SERVICE = 0x1C;
constexpr WORD OPC_QUALITY_WAITING_FOR_INITIAL_DATA = 0x20;
constexpr WORD OPC_QUALITY_LAST_USABLE = 0x44;
constexpr WORD OPC_QUALITY_SENSOR_CAL = 0x50;
constexpr WORD OPC_QUALITY_EGU_EXCEEDED = 0x54;
constexpr WORD OPC_QUALITY_SUB_NORMAL = 0x58;
constexpr WORD OPC_QUALITY_LOCAL_OVERRIDE = 0xD8;
constexpr WORD OPC_LIMIT_OK = 0;
constexpr WORD OPC_LIMIT_LOW = 1;
constexpr WORD OPC_LIMIT_HIGH = 2;
constexpr WORD OPC_LIMIT_CONST = 3;

// Result codes, all FACILITY_ITF.
constexpr HRESULT OPC_E_INVALIDHANDLE = static_cast<HRESULT>(0xC0040001L);
constexpr HRESULT OPC_E_BADTYPE = static_cast<HRESULT>(0xC0040004L);
constexpr HRESULT OPC_E_PUBLIC = static_cast<HRESULT>(0xC0040005L);
constexpr HRESULT OPC_E_BADRIGHTS = static_cast<HRESULT>(0xC0040006L);
constexpr HRESULT OPC_E_UNKNOWNITEMID = static_cast<HRESULT>(0xC0040007L);
constexpr HRESULT OPC_E_INVALIDITEMID = static_cast<HRESULT>(0xC0040008L);
constexpr HRESULT OPC_E_INVALIDFILTER = static_cast<HRESULT>(0xC0040009L);
constexpr HRESULT OPC_E_UNKNOWNPATH = static_cast<HRESULT>(0xC004000AL);
constexpr HRESULT OPC_E_RANGE = static_cast<HRESULT>(0xC004000BL);
constexpr HRESULT OPC_E_DUPLICATENAME = static_cast<HRESULT>(0xC004000CL);
constexpr HRESULT OPC_S_UNSUPPORTEDRATE = static_cast<HRESULT>(0x0004000DL);
constexpr HRESULT OPC_S_CLAMP = static_cast<HRESULT>(0x0004000EL);
constexpr HRESULT OPC_S_INUSE = static_cast<HRESULT>(0x0004000FL);
constexpr HRESULT OPC_E_INVALIDCONFIGFILE = static_cast<HRESULT>(0xC0040010L);
constexpr HRESULT OPC_E_NOTFOUND = static_cast<HRESULT>(0xC0040011L);
constexpr HRESULT OPC_E_INVALID_PID = static_cast<HRESULT>(0xC0040203L);
constexpr HRESULT OPC_E_DEADBANDNOTSET = static_cast<HRESULT>(0xC0040400L);
constexpr HRESULT OPC_E_DEADBANDNOTSUPPORTED = static_cast<HRESULT>(0xC0040401L);
constexpr HRESULT OPC_E_NOBUFFERING = static_cast<HRESULT>(0xC0040402L);
constexpr HRESULT OPC_E_INVALIDCONTINUATIONPOINT = static_cast<HRESULT>(0xC0040403L);
constexpr HRESULT OPC_S_DATAQUEUEOVERFLOW = static_cast<HRESULT>(0x00040404L);
constexpr HRESULT OPC_E_RATENOTSET = static_cast<HRESULT>(0xC0040405L);
constexpr HRESULT OPC_E_NOTSUPPORTED = static_cast<HRESULT>(0xC0040406L);

// Clipboard format names of the DA 1.0 data streams; register them, never hard-code the numbers.
constexpr const char kOpcFormatData[] = "OPCSTMFORMATDATA";
constexpr const char kOpcFormatDataTime[] = "OPCSTMFORMATDATATIME";
constexpr const char kOpcFormatWriteComplete[] = "OPCSTMFORMATWRITECOMPLETE";

struct OPCSERVERSTATUS {
    FILETIME ftStartTime;
    FILETIME ftCurrentTime;
    FILETIME ftLastUpdateTime;
    OPCSERVERSTATE dwServerState;
    DWORD dwGroupCount;
    DWORD dwBandWidth;
    WORD wMajorVersion;
    WORD wMinorVersion;
    WORD wBuildNumber;
    WORD wReserved;
    LPWSTR szVendorInfo;
};

struct OPCITEMDEF {
    LPWSTR szAccessPath;
    LPWSTR szItemID;
    BOOL bActive;
    OPCHANDLE hClient;
    DWORD dwBlobSize;
    BYTE* pBlob;
    VARTYPE vtRequestedDataType;
    WORD wReserved;
};

struct OPCITEMRESULT {
    OPCHANDLE hServer;
    VARTYPE vtCanonicalDataType;
    WORD wReserved;
    DWORD dwAccessRights;
    DWORD dwBlobSize;
    BYTE* pBlob;
};

struct OPCITEMSTATE {
    OPCHANDLE hClient;
    FILETIME ftTimeStamp;
    WORD wQuality;
    WORD wReserved;
    VARIANT vDataValue;
};

struct OPCITEMATTRIBUTES {
    LPWSTR szAccessPath;
    LPWSTR szItemID;
    BOOL bActive;
    OPCHANDLE hClient;
    OPCHANDLE hServer;
    DWORD dwAccessRights;
    DWORD dwBlobSize;
    BYTE* pBlob;
    VARTYPE vtRequestedDataType;
    VARTYPE vtCanonicalDataType;
    OPCEUTYPE dwEUType;
    VARIANT vEUInfo;
};

// DA 3.0 browsing (IOPCBrowse): one element per branch or item of a browsed branch.
enum OPCBROWSEFILTER { OPC_BROWSE_FILTER_ALL = 1, OPC_BROWSE_FILTER_BRANCHES = 2, OPC_BROWSE_FILTER_ITEMS = 3 };
constexpr DWORD OPC_BROWSE_HASCHILDREN = 0x01;
constexpr DWORD OPC_BROWSE_ISITEM = 0x02;

struct OPCITEMPROPERTY {
    VARTYPE vtDataType;
    WORD wReserved;
    DWORD dwPropertyID;
    LPWSTR szItemID;
    LPWSTR szDescription;
    VARIANT vValue;
    HRESULT hrErrorID;
    DWORD dwReserved;
};

struct OPCITEMPROPERTIES {
    HRESULT hrErrorID;
    DWORD dwNumProperties;
    OPCITEMPROPERTY* pItemProperties;
    DWORD dwReserved;
};

struct OPCBROWSEELEMENT {
    LPWSTR szName;    // for display only
    LPWSTR szItemID;  // the fully qualified ID; NULL or "" for none
    DWORD dwFlagValue;
    DWORD dwReserved;
    OPCITEMPROPERTIES ItemProperties;
};

// Stream headers: packed back to back in the notification's global memory, no padding.
struct OPCGROUPHEADER {
    DWORD dwSize;
    DWORD dwItemCount;
    OPCHANDLE hClientGroup;
    DWORD dwTransactionID;
    HRESULT hrStatus;
};

struct OPCITEMHEADER1 {  // with time stamps ("OPCSTMFORMATDATATIME")
    OPCHANDLE hClient;
    DWORD dwValueOffset;
    WORD wQuality;
    WORD wReserved;
    FILETIME ftTimeStampItem;
};

struct OPCITEMHEADER2 {  // without time stamps ("OPCSTMFORMATDATA")
    OPCHANDLE hClient;
    DWORD dwValueOffset;
    WORD wQuality;
    WORD wReserved;
};

struct OPCGROUPHEADERWRITE {  // no dwSize field
    DWORD dwItemCount;
    OPCHANDLE hClientGroup;
    DWORD dwTransactionID;
    HRESULT hrStatus;
};

struct OPCITEMHEADERWRITE {
    OPCHANDLE hClient;
    HRESULT dwError;
};

// Layouts as the standard's IDL gives them on each platform: the 32-bit ones are what real
// servers on 32-bit Windows use; the 64-bit ones are the natural alignment of the same members.
// The stream headers hold no pointers and are the same on both.
static_assert(sizeof(OPCHANDLE) == 4, "OPCHANDLE is a DWORD");
static_assert(sizeof(OPCSERVERSTATE) == 4 && sizeof(OPCBROWSETYPE) == 4, "enums are 4 bytes");
static_assert(offsetof(OPCSERVERSTATUS, dwServerState) == 24, "OPCSERVERSTATUS layout");
static_assert(offsetof(OPCITEMRESULT, dwAccessRights) == 8, "OPCITEMRESULT layout");
static_assert(offsetof(OPCITEMSTATE, vDataValue) == 16, "OPCITEMSTATE layout");
#ifdef _WIN64
static_assert(sizeof(OPCSERVERSTATUS) == 56 && offsetof(OPCSERVERSTATUS, szVendorInfo) == 48, "OPCSERVERSTATUS layout");
static_assert(sizeof(OPCITEMDEF) == 48 && offsetof(OPCITEMDEF, vtRequestedDataType) == 40, "OPCITEMDEF layout");
static_assert(sizeof(OPCITEMRESULT) == 24 && offsetof(OPCITEMRESULT, pBlob) == 16, "OPCITEMRESULT layout");
static_assert(sizeof(OPCITEMSTATE) == 40, "OPCITEMSTATE layout");
static_assert(sizeof(OPCITEMATTRIBUTES) == 80 && offsetof(OPCITEMATTRIBUTES, vEUInfo) == 56,
              "OPCITEMATTRIBUTES layout");
static_assert(sizeof(VARIANT) == 24, "VARIANT images in the stream are 24 bytes");
static_assert(sizeof(OPCITEMPROPERTY) == 56 && offsetof(OPCITEMPROPERTY, hrErrorID) == 48, "OPCITEMPROPERTY layout");
static_assert(sizeof(OPCITEMPROPERTIES) == 24 && offsetof(OPCITEMPROPERTIES, dwReserved) == 16,
              "OPCITEMPROPERTIES layout");
static_assert(sizeof(OPCBROWSEELEMENT) == 48 && offsetof(OPCBROWSEELEMENT, ItemProperties) == 24,
              "OPCBROWSEELEMENT layout");
#else
static_assert(sizeof(OPCSERVERSTATUS) == 48 && offsetof(OPCSERVERSTATUS, szVendorInfo) == 44, "OPCSERVERSTATUS layout");
static_assert(sizeof(OPCITEMDEF) == 28 && offsetof(OPCITEMDEF, vtRequestedDataType) == 24, "OPCITEMDEF layout");
static_assert(sizeof(OPCITEMRESULT) == 20 && offsetof(OPCITEMRESULT, pBlob) == 16, "OPCITEMRESULT layout");
static_assert(sizeof(OPCITEMSTATE) == 32, "OPCITEMSTATE layout");
static_assert(sizeof(OPCITEMATTRIBUTES) == 56 && offsetof(OPCITEMATTRIBUTES, vEUInfo) == 40,
              "OPCITEMATTRIBUTES layout");
static_assert(sizeof(VARIANT) == 16, "VARIANT images in the stream are 16 bytes");
static_assert(sizeof(OPCITEMPROPERTY) == 40 && offsetof(OPCITEMPROPERTY, hrErrorID) == 32, "OPCITEMPROPERTY layout");
static_assert(sizeof(OPCITEMPROPERTIES) == 16 && offsetof(OPCITEMPROPERTIES, dwReserved) == 12,
              "OPCITEMPROPERTIES layout");
static_assert(sizeof(OPCBROWSEELEMENT) == 32 && offsetof(OPCBROWSEELEMENT, ItemProperties) == 16,
              "OPCBROWSEELEMENT layout");
#endif
static_assert(sizeof(OPCGROUPHEADER) == 20, "OPCGROUPHEADER layout");
static_assert(sizeof(OPCITEMHEADER1) == 20 && offsetof(OPCITEMHEADER1, ftTimeStampItem) == 12, "OPCITEMHEADER1 layout");
static_assert(sizeof(OPCITEMHEADER2) == 12, "OPCITEMHEADER2 layout");
static_assert(sizeof(OPCGROUPHEADERWRITE) == 16, "OPCGROUPHEADERWRITE layout");
static_assert(sizeof(OPCITEMHEADERWRITE) == 8, "OPCITEMHEADERWRITE layout");

// Interfaces. Each derives from IUnknown only; no destructor and no extra virtuals, since either
// would shift the vtable slots.

struct IEnumOPCItemAttributes;

struct IOPCServer : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AddGroup(LPCWSTR szName,
                                               BOOL bActive,
                                               DWORD dwRequestedUpdateRate,
                                               OPCHANDLE hClientGroup,
                                               LONG* pTimeBias,
                                               FLOAT* pPercentDeadband,
                                               DWORD dwLCID,
                                               OPCHANDLE* phServerGroup,
                                               DWORD* pRevisedUpdateRate,
                                               REFIID riid,
                                               IUnknown** ppUnk) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetErrorString(HRESULT dwError, LCID dwLocale, LPWSTR* ppString) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGroupByName(LPCWSTR szName, REFIID riid, IUnknown** ppUnk) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStatus(OPCSERVERSTATUS** ppServerStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveGroup(OPCHANDLE hServerGroup, BOOL bForce) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateGroupEnumerator(OPCENUMSCOPE dwScope, REFIID riid, IUnknown** ppUnk) = 0;
};
ZZ_OPC_DECLARE_IID(IOPCServer, 0x39C13A4D, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3)

struct IOPCServerPublicGroups : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPublicGroupByName(LPCWSTR szName, REFIID riid, IUnknown** ppUnk) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemovePublicGroup(OPCHANDLE hServerGroup, BOOL bForce) = 0;
};
ZZ_OPC_DECLARE_IID(IOPCServerPublicGroups, 0x39C13A4E, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3)

struct IOPCBrowseServerAddressSpace : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryOrganization(OPCNAMESPACETYPE* pNameSpaceType) = 0;
    virtual HRESULT STDMETHODCALLTYPE ChangeBrowsePosition(OPCBROWSEDIRECTION dwBrowseDirection, LPCWSTR szString) = 0;
    virtual HRESULT STDMETHODCALLTYPE BrowseOPCItemIDs(OPCBROWSETYPE dwBrowseFilterType,
                                                       LPCWSTR szFilterCriteria,
                                                       VARTYPE vtDataTypeFilter,
                                                       DWORD dwAccessRightsFilter,
                                                       IEnumString** ppIEnumString) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemID(LPWSTR szItemDataID, LPWSTR* szItemID) = 0;
    virtual HRESULT STDMETHODCALLTYPE BrowseAccessPaths(LPCWSTR szItemID, IEnumString** ppIEnumString) = 0;
};
// clang-format off
ZZ_OPC_DECLARE_IID(IOPCBrowseServerAddressSpace,
                   0x39C13A4F, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3)
// clang-format on

struct IOPCGroupStateMgt : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetState(DWORD* pUpdateRate,
                                               BOOL* pActive,
                                               LPWSTR* ppName,
                                               LONG* pTimeBias,
                                               FLOAT* pPercentDeadband,
                                               DWORD* pLCID,
                                               OPCHANDLE* phClientGroup,
                                               OPCHANDLE* phServerGroup) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetState(DWORD* pRequestedUpdateRate,
                                               DWORD* pRevisedUpdateRate,
                                               BOOL* pActive,
                                               LONG* pTimeBias,
                                               FLOAT* pPercentDeadband,
                                               DWORD* pLCID,
                                               OPCHANDLE* phClientGroup) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetName(LPCWSTR szName) = 0;
    virtual HRESULT STDMETHODCALLTYPE CloneGroup(LPCWSTR szName, REFIID riid, IUnknown** ppUnk) = 0;
};
ZZ_OPC_DECLARE_IID(IOPCGroupStateMgt, 0x39C13A50, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3)

struct IOPCPublicGroupStateMgt : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetState(BOOL* pPublic) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveToPublic() = 0;
};
ZZ_OPC_DECLARE_IID(IOPCPublicGroupStateMgt, 0x39C13A51, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3)

struct IOPCSyncIO : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Read(OPCDATASOURCE dwSource,
                                           DWORD dwCount,
                                           OPCHANDLE* phServer,
                                           OPCITEMSTATE** ppItemValues,
                                           HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(DWORD dwCount,
                                            OPCHANDLE* phServer,
                                            VARIANT* pItemValues,
                                            HRESULT** ppErrors) = 0;
};
ZZ_OPC_DECLARE_IID(IOPCSyncIO, 0x39C13A52, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3)

struct IOPCAsyncIO : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Read(DWORD dwConnection,
                                           OPCDATASOURCE dwSource,
                                           DWORD dwCount,
                                           OPCHANDLE* phServer,
                                           DWORD* pTransactionID,
                                           HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(DWORD dwConnection,
                                            DWORD dwCount,
                                            OPCHANDLE* phServer,
                                            VARIANT* pItemValues,
                                            DWORD* pTransactionID,
                                            HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE Refresh(DWORD dwConnection, OPCDATASOURCE dwSource, DWORD* pTransactionID) = 0;
    virtual HRESULT STDMETHODCALLTYPE Cancel(DWORD dwTransactionID) = 0;
};
ZZ_OPC_DECLARE_IID(IOPCAsyncIO, 0x39C13A53, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3)

struct IOPCItemMgt : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AddItems(DWORD dwCount,
                                               OPCITEMDEF* pItemArray,
                                               OPCITEMRESULT** ppAddResults,
                                               HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE ValidateItems(DWORD dwCount,
                                                    OPCITEMDEF* pItemArray,
                                                    BOOL bBlobUpdate,
                                                    OPCITEMRESULT** ppValidationResults,
                                                    HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveItems(DWORD dwCount, OPCHANDLE* phServer, HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetActiveState(DWORD dwCount,
                                                     OPCHANDLE* phServer,
                                                     BOOL bActive,
                                                     HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClientHandles(DWORD dwCount,
                                                       OPCHANDLE* phServer,
                                                       OPCHANDLE* phClient,
                                                       HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDatatypes(DWORD dwCount,
                                                   OPCHANDLE* phServer,
                                                   VARTYPE* pRequestedDatatypes,
                                                   HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateEnumerator(REFIID riid, IUnknown** ppUnk) = 0;
};
ZZ_OPC_DECLARE_IID(IOPCItemMgt, 0x39C13A54, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3)

struct IEnumOPCItemAttributes : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, OPCITEMATTRIBUTES** ppItemArray, ULONG* pceltFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumOPCItemAttributes** ppEnumItemAttributes) = 0;
};
ZZ_OPC_DECLARE_IID(IEnumOPCItemAttributes, 0x39C13A55, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3)

struct IOPCCommon : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetLocaleID(LCID dwLcid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* pdwLcid) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryAvailableLocaleIDs(DWORD* pdwCount, LCID** pdwLcid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetErrorString(HRESULT dwError, LPWSTR* ppString) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClientName(LPCWSTR szName) = 0;
};
ZZ_OPC_DECLARE_IID(IOPCCommon, 0xF31DFDE2, 0x07B6, 0x11D2, 0xB2, 0xD8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB)

struct IOPCShutdown : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ShutdownRequest(LPCWSTR szReason) = 0;
};
ZZ_OPC_DECLARE_IID(IOPCShutdown, 0xF31DFDE1, 0x07B6, 0x11D2, 0xB2, 0xD8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB)

// DA 2.0 data changes, implemented by the client and advised through the group's
// IConnectionPointContainer. Every argument is the server's; the client copies what it keeps.
struct IOPCDataCallback : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnDataChange(DWORD dwTransid,
                                                   OPCHANDLE hGroup,
                                                   HRESULT hrMasterquality,
                                                   HRESULT hrMastererror,
                                                   DWORD dwCount,
                                                   OPCHANDLE* phClientItems,
                                                   VARIANT* pvValues,
                                                   WORD* pwQualities,
                                                   FILETIME* pftTimeStamps,
                                                   HRESULT* pErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnReadComplete(DWORD dwTransid,
                                                     OPCHANDLE hGroup,
                                                     HRESULT hrMasterquality,
                                                     HRESULT hrMastererror,
                                                     DWORD dwCount,
                                                     OPCHANDLE* phClientItems,
                                                     VARIANT* pvValues,
                                                     WORD* pwQualities,
                                                     FILETIME* pftTimeStamps,
                                                     HRESULT* pErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnWriteComplete(DWORD dwTransid,
                                                      OPCHANDLE hGroup,
                                                      HRESULT hrMastererr,
                                                      DWORD dwCount,
                                                      OPCHANDLE* pClienthandles,
                                                      HRESULT* pErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnCancelComplete(DWORD dwTransid, OPCHANDLE hGroup) = 0;
};
ZZ_OPC_DECLARE_IID(IOPCDataCallback, 0x39C13A70, 0x011E, 0x11D0, 0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3)

// DA 3.0 browsing: the server object, one branch per call. The client frees every element's
// strings and properties, the element array and the final continuation point.
struct IOPCBrowse : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetProperties(DWORD dwItemCount,
                                                    LPWSTR* pszItemIDs,
                                                    BOOL bReturnPropertyValues,
                                                    DWORD dwPropertyCount,
                                                    DWORD* pdwPropertyIDs,
                                                    OPCITEMPROPERTIES** ppItemProperties) = 0;
    virtual HRESULT STDMETHODCALLTYPE Browse(LPWSTR szItemID,
                                             LPWSTR* pszContinuationPoint,
                                             DWORD dwMaxElementsReturned,
                                             OPCBROWSEFILTER dwBrowseFilter,
                                             LPWSTR szElementNameFilter,
                                             LPWSTR szVendorFilter,
                                             BOOL bReturnAllProperties,
                                             BOOL bReturnPropertyValues,
                                             DWORD dwPropertyCount,
                                             DWORD* pdwPropertyIDs,
                                             BOOL* pbMoreElements,
                                             DWORD* pdwCount,
                                             OPCBROWSEELEMENT** ppBrowseElements) = 0;
};
ZZ_OPC_DECLARE_IID(IOPCBrowse, 0x39227004, 0xA18F, 0x4B57, 0x8B, 0x0A, 0x52, 0x35, 0x67, 0x0F, 0x44, 0x68)

// Implemented by the OPC server enumerator (CLSID_OpcServerList) on the server's machine.
struct IOPCServerList : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EnumClassesOfCategories(ULONG cImplemented,
                                                              CATID* rgcatidImpl,
                                                              ULONG cRequired,
                                                              CATID* rgcatidReq,
                                                              IEnumGUID** ppenumClsid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClassDetails(REFCLSID clsid, LPOLESTR* ppszProgID, LPOLESTR* ppszUserType) = 0;
    virtual HRESULT STDMETHODCALLTYPE CLSIDFromProgID(LPCOLESTR szProgId, LPCLSID clsid) = 0;
};
ZZ_OPC_DECLARE_IID(IOPCServerList, 0x13486D50, 0x4821, 0x11D2, 0xA4, 0x94, 0x3C, 0xB3, 0x06, 0xC1, 0x00, 0x00)

// The enumerator class; IOPCServerList2 ({9DD0B56C-...}) is its default interface, not this id.
inline constexpr CLSID CLSID_OpcServerList = {0x13486D51,
                                              0x4821,
                                              0x11D2,
                                              {0xA4, 0x94, 0x3C, 0xB3, 0x06, 0xC1, 0x00, 0x00}};

inline constexpr CATID CATID_OPCDAServer10 = {0x63D5F430,
                                              0xCFE4,
                                              0x11D1,
                                              {0xB2, 0xC8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB}};
inline constexpr CATID CATID_OPCDAServer20 = {0x63D5F432,
                                              0xCFE4,
                                              0x11D1,
                                              {0xB2, 0xC8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB}};
// Registered under locale 0x409 as the category's description.
constexpr const char kOpcDaServer10CategoryText[] = "OPC Data Access Servers Version 1.0";

#undef ZZ_OPC_DECLARE_IID
