#pragma once
// The conversion's questions answered by the user through the array and unknown-type dialogs.
#include "variables/ConversionQuestions.h"

class DialogQuestions : public ConversionQuestions {
  public:
    bool AskArraySize(const std::string& itemId, ArrayAnswer* answer) override;
    bool AskUnknownType(VARTYPE vt, uint32_t* type) override;
};
