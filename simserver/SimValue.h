#pragma once
// The moving value of one item in one group: its behaviour's state and the VARIANT built from it.
#include <windows.h>
#include <oaidl.h>
#include <string>

#include "simserver/SimConfig.h"

class SimValue {
  public:
    explicit SimValue(const SimItemDef& def);  // def must outlive the value

    // One update-rate tick; true when the value changed.
    bool Advance();
    // The current value in the item's canonical type; the caller clears it.
    HRESULT Get(VARIANT* pValue) const;
    // A client's write: the value holds still from now on. Scalars only.
    HRESULT Write(const VARIANT& value);

  private:
    double Element(DWORD index) const;
    HRESULT Scalar(VARTYPE vt, double number, const std::wstring* pText, VARIANT* pValue) const;
    HRESULT Array(VARIANT* pValue) const;
    double NextRandom();

    const SimItemDef* m_pDef;
    double m_dValue;
    unsigned m_nRandom;
    bool m_bWritten = false;
    std::wstring m_writtenText;
};
