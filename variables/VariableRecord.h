#pragma once
// One Korvane variable definition, as a row of the variable list carries it and the export writes it.
#include <cstdint>
#include <string>

// What the record stands for; decides the record line ($E, $V or $T).
enum ObjectKind : int32_t {
    KindSingle = 1,
    KindElement = 2,
    KindDriver = 3,
};

// Value of `type` for single variables and driver elements.
enum KorvaneType : uint32_t {
    KrDigit = 0,
    KrWord = 1,
    KrFloat = 2,
    KrLong = 3,
    KrText = 6,
    KrWordUnsigned = 8,
    KrLongUnsigned = 9,
    KrTreiber = 100,   // an OPC array taken as a driver object
    KrAskUser = 1000,  // no fixed mapping: the user chooses; never left in a record
};

// Value of `type` for driver objects.
enum DriverKind : uint32_t {
    DriverStandard = 0,
    DriverRezept = 1,
    DriverBild = 2,
    DriverAbtast = 3,
};

enum AccessCode : int16_t {
    AccessReadOnly = 0,
    AccessWriteOnly = 1,
    AccessCombined = 2,
    AccessReadOnceThenWrite = 3,
};

// Korvane types count string lengths in this many characters, whatever the OPC array size was.
constexpr int kTextLength = 49;

struct VariableRecord {
    int32_t kind = 0;     // ObjectKind
    uint32_t type = 0;    // KorvaneType, or DriverKind for KindDriver
    int32_t channel = 0;  // device number + 2; 0 for elements
    int16_t reserved = 0;
    int16_t access = 0;      // AccessCode
    int32_t offset = 0;      // elements: word offset inside the driver object
    uint32_t size = 0;       // 1, an array size, or a driver object's size in words
    std::string driverText;  // drivers only: copy driver, picture name or trigger; empty for none
    int32_t cycle = 0;
    float factor = 0.0f;  // kept for Korvane, neither shown nor exported
};

// Display texts; codes without a text give "" (or "Typ unbekannt" for Korvane types).
const char* KorvaneTypeText(uint32_t type);
const char* DriverKindText(uint32_t kind);
const char* AccessCodeText(int access);

// Columns of the variable list, in display order.
enum VariableColumn {
    ColName = 0,
    ColAddress,
    ColAccess,
    ColCycle,
    ColType,
    ColLength,
    ColDevice,
    ColCount,
};

// Text of the record's own columns (ColAccess to ColDevice); other columns give "".
std::string RecordColumnText(const VariableRecord& r, int column);
