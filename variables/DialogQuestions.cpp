#include "variables/DialogQuestions.h"

#include "opc/DiagnosticTexts.h"
#include "variables/TypeDialogs.h"

bool DialogQuestions::AskArraySize(const std::string&, ArrayAnswer* answer) {
    CArrayDlg dlg;
    if (dlg.DoModal() != IDOK)
        return false;
    answer->size = dlg.m_size;
    answer->asDriverObject = dlg.m_asDriverObject != FALSE;
    return true;
}

bool DialogQuestions::AskUnknownType(VARTYPE vt, uint32_t* type) {
    CUnknownTypeDlg dlg(VarTypeText(vt));
    if (dlg.DoModal() != IDOK || dlg.m_choice < 0)
        return false;
    *type = (uint32_t)dlg.m_choice;
    return true;
}
