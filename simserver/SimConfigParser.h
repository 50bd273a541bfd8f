#pragma once
// Reads the simulator's line-based config file (format in simserver/README.md). A file that
// cannot be read or has a bad line gives a config whose error names the file and the line;
// nothing of it is used then.
#include <memory>
#include <string>
#include <vector>

#include "simserver/SimConfig.h"

class SimConfigParser {
  public:
    static std::shared_ptr<const SimConfig> LoadFile(const std::string& path);
    static std::shared_ptr<const SimConfig> LoadText(const std::string& text, const std::string& path);

    // Shared with the profile list: names like E_FAIL or OPC_E_UNKNOWNITEMID, or a number.
    static bool ParseHresult(const std::string& word, HRESULT* pResult);

  private:
    explicit SimConfigParser(SimConfig* pConfig) : m_pConfig(pConfig) {}

    bool ParseLine(const std::vector<std::string>& words);
    bool ParseItem(const std::vector<std::string>& words);
    bool ParseGenerate(const std::vector<std::string>& words);
    bool ParseState(const std::vector<std::string>& words);
    bool ParseOption(const std::vector<std::string>& words, bool* pHandled);
    bool ParseItemDef(const std::vector<std::string>& words, size_t first, SimItemDef* pDef);
    bool ParseType(const std::string& word, SimItemDef* pDef);
    bool ParseBehaviour(const std::vector<std::string>& words, size_t first, SimItemDef* pDef);
    bool ParseFixedValue(const std::string& word, SimItemDef* pDef);
    bool ParseNumber(const std::string& word, double* pValue);
    bool ParseCount(const std::string& word, DWORD* pValue);
    SimNode* AddNode(SimNode* parent, const std::wstring& name, bool bBranch);
    bool Fail(const std::string& message);
    bool Finish();

    SimConfig* m_pConfig;
    std::vector<SimNode*> m_stack;  // open branches; back() is where new nodes go
    size_t m_nodeCount = 0;
};
