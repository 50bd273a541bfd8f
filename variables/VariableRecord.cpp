#include "variables/VariableRecord.h"

#include <cstddef>
#include <iterator>

namespace {

struct CodeText {
    uint32_t code;
    const char* text;
};

const CodeText kKorvaneTypeTexts[] = {
    {KrDigit, "Digit"},
    {KrWord, "Word"},
    {KrFloat, "Float"},
    {KrLong, "Long"},
    {KrText, "Text"},
    {KrWordUnsigned, "Word -unsigned"},
    {KrLongUnsigned, "Long -unsigned"},
    {KrTreiber, "Treiber"},
};

const char* const kDriverKindTexts[] = {"Standardtreiber", "Rezepttreiber", "Bildtreiber", "Abtasttreiber"};
const char* const kAccessTexts[] = {"Nur Lesen", "Nur Schreiben", "Kombiniert", "1x Lesen dann Schreiben"};

}  // namespace

const char* KorvaneTypeText(uint32_t type) {
    for (const CodeText& entry : kKorvaneTypeTexts) {
        if (entry.code == type) {
            return entry.text;
        }
    }
    return "Typ unbekannt";
}

const char* DriverKindText(uint32_t kind) {
    return kind < std::size(kDriverKindTexts) ? kDriverKindTexts[kind] : "";
}

const char* AccessCodeText(int access) {
    return access >= 0 && static_cast<size_t>(access) < std::size(kAccessTexts) ? kAccessTexts[access] : "";
}

std::string RecordColumnText(const VariableRecord& r, int column) {
    // Elements inherit access, cycle and device from their driver object, so those cells stay empty.
    const bool element = r.kind == KindElement;
    const bool driver = r.kind == KindDriver;
    switch (column) {
        case ColAccess:
            return element ? std::string() : AccessCodeText(r.access);
        case ColCycle:
            return element ? std::string() : std::to_string(r.cycle);
        case ColType:
            return driver ? DriverKindText(r.type) : KorvaneTypeText(r.type);
        case ColLength:
            return !driver && r.type == KrText ? std::to_string(kTextLength) : std::to_string(r.size);
        case ColDevice:
            return element ? std::string() : std::to_string(r.channel - 2);
        default:
            return std::string();
    }
}
