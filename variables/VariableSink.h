#pragma once
// What the conversion needs from the variable list: it adds rows and borrows the list's naming.
// VariableModel implements it; the list view may implement it too, to forward and then redraw.
#include <string>

#include "variables/VariableRecord.h"

class VariableSink {
  public:
    // Inserts a pending row under a unique name; the list takes the record. 0, or -1 on failure.
    virtual int AddVariable(const std::string& name, const std::string& address, VariableRecord record) = 0;
    // The name as the list would number and cut it; counts the name as taken.
    virtual std::string MakeUniqueName(const std::string& name) = 0;
    // Makes the pending rows permanent. 0, or -1 when nothing was pending.
    virtual int Commit() = 0;

  protected:
    ~VariableSink() = default;
};
