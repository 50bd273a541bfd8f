#pragma once
// The naming options, the driver object being filled, and the export text with its clipboard
// hand-over. One object per run: the first hand-over deletes it, so every user must cope with
// g_pConversionSettings being null.
#include <windows.h>

#include <memory>
#include <string>

#include "variables/ExportText.h"
#include "variables/OpcItemData.h"
#include "variables/VariableRecord.h"

class ConversionQuestions;
class VariableSink;

class ConversionSettings {
  public:
    ConversionSettings();
    virtual ~ConversionSettings();
    ConversionSettings(const ConversionSettings&) = delete;
    ConversionSettings& operator=(const ConversionSettings&) = delete;

    // Where converted items go and who answers questions; both must outlive this object or be
    // detached with nulls. Without a variable list nothing can be converted.
    void Attach(VariableSink* variables, ConversionQuestions* questions);

    // Naming options.
    const std::string& Separator() const { return m_separator; }
    void SetSeparator(const std::string& separator) { m_separator = separator; }
    int CutOffset() const { return m_cutOffset; }
    int CutLength() const { return m_cutLength; }
    // Both return true when the value changed.
    bool SetCutOffset(int n);
    bool SetCutLength(int n);
    void ToggleSplitAtSeparator() { m_splitAtSeparator = !m_splitAtSeparator; }
    bool IsSplitAtSeparator() const { return m_splitAtSeparator; }

    // Item to variable.
    std::string BuildName(const std::string& itemId) const;
    std::string BuildPrefix(const std::string& itemId) const;
    // Adds the item as a pending row: 0; E_FAIL for an empty name, a cancelled question or an
    // array size too large for Korvane's signed numbers (nothing added); -1 without a list.
    int ConvertItem(const OpcItemData& item);

    // Driver objects. BeginDriver fails (false) while one is open, without a variable list, or
    // for a negative first offset. EndDriver returns the final offset, -1 when none was open.
    bool BeginDriver(uint32_t kind,
                     const std::string& name,
                     const std::string& prefix,
                     int access,
                     int cycle,
                     const std::string& text,
                     int firstOffset);
    int EndDriver();
    void AbortDriver();
    bool IsDriverOpen() const { return m_driverOpen; }
    int DriverOffset() const { return m_driverOffset; }
    const std::string& DriverName() const { return m_driverName; }
    const std::string& DriverPrefix() const { return m_driverPrefix; }

    // Export text. WriteRecord returns 0, -1 for a variable type without a line format (or a full
    // buffer), E_FAIL for an unknown driver kind; skipped records write nothing.
    int WriteRecord(const std::string& name, const std::string& address, const VariableRecord& record);
    int AppendLine(const std::wstring& line) { return m_text.AppendLine(line.data(), line.size()); }
    const ExportText& Text() const { return m_text; }
    int CopyToClipboard(HWND owner);
    int ClearClipboard(HWND owner);

  private:
    bool AskArray(const OpcItemData& item, VariableRecord* r, VARTYPE* vt);
    bool AskType(VARTYPE vt, VariableRecord* r);

    std::string m_separator = ".";  // chosen in the separator dialog; cutting always uses '.'
    int m_cutLength = 18;
    int m_cutOffset = 3;
    ExportText m_text;
    std::unique_ptr<VariableRecord> m_openDriver;
    int m_driverOffset = 0;  // next free word inside the open driver object
    bool m_driverOpen = false;
    bool m_splitAtSeparator = true;
    std::string m_driverName;
    std::string m_driverPrefix;

    VariableSink* m_pVariables = nullptr;
    ConversionQuestions* m_pQuestions = nullptr;
};
