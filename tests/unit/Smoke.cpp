#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "common/StreamWriter.h"
#include "opc/OpcDa.h"
#include "unit/OpcDeclarationList.h"

namespace {

// With GCC (the Itanium C++ ABI) a pointer to a virtual member function holds 1 + the byte
// offset of its vtable slot.
template <class Interface, class Method>
unsigned long Slot(Method Interface::*method) {
    struct {
        uintptr_t ptr;
        ptrdiff_t adj;
    } raw;
    static_assert(sizeof(raw) == sizeof(method), "pointer to member function of the Itanium ABI");
    memcpy(&raw, &method, sizeof(raw));
    return static_cast<unsigned long>((raw.ptr - 1) / sizeof(void*));
}

}  // namespace

// The stream reader and the simulator take the layouts from this build's own types; they must be
// the ones a server of the same bitness writes.
TEST(Platform, StreamImagesHaveTheLayoutOfThisBitness) {
    EXPECT_EQ(kStreamImageBytes, sizeof(VARIANT));
    EXPECT_EQ(kStreamDescriptorBytes, sizeof(SAFEARRAY));
    EXPECT_EQ(kStreamDataPointerOffset, offsetof(SAFEARRAY, pvData));
    EXPECT_EQ(kStreamBoundOffset, offsetof(SAFEARRAY, rgsabound));
    EXPECT_EQ(sizeof(void*) == 8 ? 24u : 16u, sizeof(VARIANT));
}

// Our proxy/stub marshals what the IDL declares; the program and the simulator call what
// opc/OpcDa.h declares. Same method in every slot, same sizes and offsets, or a call through the
// proxy reaches the wrong method or copies the wrong bytes.
TEST(Platform, IdlAndHandDeclarationsAgree) {
    std::map<std::string, unsigned long> ours;
    std::map<std::string, unsigned long> slots;
#define ZZ_SLOT(itf, method)                      \
    ours[#itf "::" #method] = Slot(&itf::method); \
    slots[#itf " slots"] = slots.count(#itf " slots") ? slots[#itf " slots"] + 1 : 4;
#define ZZ_SIZE(type) ours[#type] = sizeof(type);
#define ZZ_OFFSET(type, field) ours[#type "." #field] = offsetof(type, field);
    ZZ_OPC_METHODS(ZZ_SLOT)
    ZZ_OPC_STRUCTS(ZZ_SIZE)
    ZZ_OPC_FIELDS(ZZ_OFFSET)
#undef ZZ_SLOT
#undef ZZ_SIZE
#undef ZZ_OFFSET
    ours.insert(slots.begin(), slots.end());
    unsigned count = 0;
    const ZZDeclarationFact* facts = ZZIdlDeclarationFacts(&count);
    std::map<std::string, unsigned long> idl;
    for (unsigned i = 0; i < count; ++i)
        idl[facts[i].name] = facts[i].value;
    EXPECT_EQ(idl.size(), ours.size());
    for (const auto& fact : idl) {
        auto mine = ours.find(fact.first);
        ASSERT_NE(ours.end(), mine) << fact.first;
        EXPECT_EQ(fact.second, mine->second) << fact.first;
    }
    EXPECT_EQ(3u, ours["IOPCServer::AddGroup"]);
    EXPECT_EQ(7u + 3u, ours["IOPCItemMgt slots"]);
}
