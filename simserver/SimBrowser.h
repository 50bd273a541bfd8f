#pragma once
// The browse position of one server object and the answers of IOPCBrowseServerAddressSpace,
// without the COM plumbing. Names come back in config order.
#include <memory>
#include <string>
#include <vector>

#include "simserver/SimConfig.h"

class SimBrowser {
  public:
    explicit SimBrowser(std::shared_ptr<const SimConfig> config);

    OPCNAMESPACETYPE Organization() const { return m_config->organization; }
    HRESULT Change(OPCBROWSEDIRECTION direction, const wchar_t* name);
    // S_FALSE with an empty list when nothing matches.
    HRESULT List(OPCBROWSETYPE type,
                 const wchar_t* filter,
                 VARTYPE vtFilter,
                 DWORD accessFilter,
                 std::vector<std::wstring>* pNames) const;
    HRESULT ItemId(const wchar_t* name, std::wstring* pItemId) const;
    const std::wstring& Position() const { return m_pPosition->fullId; }

  private:
    const SimNode* Child(const std::wstring& name, bool bBranch) const;
    static bool Passes(const SimNode& node, const std::wstring& filter, VARTYPE vtFilter, DWORD accessFilter);
    static void CollectLeaves(const SimNode& node,
                              const std::wstring& filter,
                              VARTYPE vtFilter,
                              DWORD accessFilter,
                              std::vector<std::wstring>* pNames);

    std::shared_ptr<const SimConfig> m_config;
    const SimNode* m_pPosition;
};
