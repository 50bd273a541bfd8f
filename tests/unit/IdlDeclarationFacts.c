/* The IDL side of the declaration check: compiled as C against the header widl generated for
   ZZOpcProxy.dll, whose vtables are structures with a named member per method. */
#define COBJMACROS
#include <stddef.h>

#include "OpcDa.h"
#include "unit/OpcDeclarationList.h"

#define ZZ_SLOT(itf, method) {#itf "::" #method, offsetof(itf##Vtbl, method) / sizeof(void*)},
#define ZZ_SIZE(type) {#type, sizeof(type)},
#define ZZ_OFFSET(type, field) {#type "." #field, offsetof(type, field)},
/* The number of slots each interface has: a method in the IDL and missing from the list shows. */
#define ZZ_VTABLE(itf) {#itf " slots", sizeof(itf##Vtbl) / sizeof(void*)},

/* clang-format off */
static const struct ZZDeclarationFact kFacts[] = {
    ZZ_OPC_METHODS(ZZ_SLOT) ZZ_OPC_STRUCTS(ZZ_SIZE) ZZ_OPC_FIELDS(ZZ_OFFSET)
    ZZ_VTABLE(IOPCServer) ZZ_VTABLE(IOPCServerPublicGroups) ZZ_VTABLE(IOPCBrowseServerAddressSpace)
    ZZ_VTABLE(IOPCGroupStateMgt) ZZ_VTABLE(IOPCPublicGroupStateMgt) ZZ_VTABLE(IOPCSyncIO)
    ZZ_VTABLE(IOPCAsyncIO) ZZ_VTABLE(IOPCItemMgt) ZZ_VTABLE(IEnumOPCItemAttributes) ZZ_VTABLE(IOPCCommon)
    ZZ_VTABLE(IOPCDataCallback) ZZ_VTABLE(IOPCBrowse)};
/* clang-format on */

const struct ZZDeclarationFact* ZZIdlDeclarationFacts(unsigned* pCount) {
    *pCount = sizeof(kFacts) / sizeof(kFacts[0]);
    return kFacts;
}
