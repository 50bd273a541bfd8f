#pragma once
// Scripted answers for the conversion's questions, recording what was asked.
#include <windows.h>

#include <string>
#include <vector>

#include "variables/ConversionQuestions.h"
#include "variables/OpcItemData.h"

class ScriptedQuestions : public ConversionQuestions {
  public:
    bool AskArraySize(const std::string& itemId, ArrayAnswer* answer) override {
        arrayQuestions.push_back(itemId);
        if (cancelArray) {
            return false;
        }
        *answer = arrayAnswer;
        return true;
    }
    bool AskUnknownType(VARTYPE vt, uint32_t* type) override {
        typeQuestions.push_back(vt);
        if (cancelType) {
            return false;
        }
        *type = typeAnswer;
        return true;
    }

    ArrayAnswer arrayAnswer;
    bool cancelArray = false;
    uint32_t typeAnswer = 0;
    bool cancelType = false;
    std::vector<std::string> arrayQuestions;
    std::vector<VARTYPE> typeQuestions;
};

inline OpcItemData Item(const std::string& itemId, VARTYPE vt, DWORD rights = 3) {
    OpcItemData item;
    item.itemId = itemId;
    item.vtCanonicalDataType = vt;
    item.dwAccessRights = rights;
    return item;
}
