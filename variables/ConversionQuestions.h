#pragma once
// The questions an item conversion may have to ask the user. The program answers them with the
// array dialog and the unknown-type dialog; tests answer them directly.
#include <windows.h>

#include <cstdint>
#include <string>

struct ArrayAnswer {
    uint32_t size = 0;            // maximum array size as entered
    bool asDriverObject = false;  // "Dieses Array als Treiber-Obejkt eingefügen"
};

class ConversionQuestions {
  public:
    // The item is an array: how large, and is it one driver object? False when cancelled.
    virtual bool AskArraySize(const std::string& itemId, ArrayAnswer* answer) = 0;
    // The table has no Korvane type for vt (array bit already removed): which one, as a
    // KorvaneType code? False when cancelled.
    virtual bool AskUnknownType(VARTYPE vt, uint32_t* type) = 0;

  protected:
    ~ConversionQuestions() = default;
};
