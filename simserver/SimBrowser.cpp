#include "simserver/SimBrowser.h"

#include "simserver/SimWildcard.h"

SimBrowser::SimBrowser(std::shared_ptr<const SimConfig> config)
    : m_config(std::move(config)), m_pPosition(&m_config->root) {}

const SimNode* SimBrowser::Child(const std::wstring& name, bool bBranch) const {
    for (const auto& child : m_pPosition->children) {
        if (child->bBranch == bBranch && child->name == name) {
            return child.get();
        }
    }
    return nullptr;
}

HRESULT SimBrowser::Change(OPCBROWSEDIRECTION direction, const wchar_t* name) {
    if (m_config->organization == OPC_NS_FLAT) {
        return E_FAIL;
    }
    switch (direction) {
        case OPC_BROWSE_UP:
            if (!m_pPosition->parent) {
                return m_config->bAcceptBrowseUpAtRoot ? S_OK : E_FAIL;
            }
            m_pPosition = m_pPosition->parent;
            return S_OK;
        case OPC_BROWSE_DOWN: {
            if (!name) {
                return E_INVALIDARG;
            }
            const SimNode* child = Child(name, true);
            if (!child) {
                return E_INVALIDARG;
            }
            if (m_config->failBrowseDown.count(child->name) || m_config->failBrowseDown.count(child->fullId)) {
                return E_FAIL;
            }
            m_pPosition = child;
            return S_OK;
        }
        case OPC_BROWSE_TO: {
            if (!name) {
                return E_INVALIDARG;
            }
            if (!*name) {
                m_pPosition = &m_config->root;
                return S_OK;
            }
            auto branch = m_config->branches.find(name);
            if (branch == m_config->branches.end()) {
                return E_INVALIDARG;
            }
            m_pPosition = branch->second;
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

bool SimBrowser::Passes(const SimNode& node, const std::wstring& filter, VARTYPE vtFilter, DWORD accessFilter) {
    if (!SimWildcard::Match(filter, node.name)) {
        return false;
    }
    if (node.bBranch) {
        return true;
    }
    if (vtFilter != VT_EMPTY && vtFilter != node.item.CanonicalType()) {
        return false;
    }
    return (node.item.accessRights & accessFilter) == accessFilter;
}

void SimBrowser::CollectLeaves(const SimNode& node,
                               const std::wstring& filter,
                               VARTYPE vtFilter,
                               DWORD accessFilter,
                               std::vector<std::wstring>* pNames) {
    for (const auto& child : node.children) {
        if (child->bBranch) {
            CollectLeaves(*child, filter, vtFilter, accessFilter, pNames);
        } else if (SimWildcard::Match(filter, child->fullId) && Passes(*child, L"", vtFilter, accessFilter)) {
            pNames->push_back(child->fullId);
        }
    }
}

HRESULT SimBrowser::List(OPCBROWSETYPE type,
                         const wchar_t* filter,
                         VARTYPE vtFilter,
                         DWORD accessFilter,
                         std::vector<std::wstring>* pNames) const {
    pNames->clear();
    std::wstring pattern = filter ? filter : L"";
    if (pattern == L"*") {
        pattern.clear();
    }
    if (!SimWildcard::IsValid(pattern)) {
        return OPC_E_INVALIDFILTER;
    }
    // A flat space lists every item ID whatever is asked; so does OPC_FLAT from here down.
    if (m_config->organization == OPC_NS_FLAT || type == OPC_FLAT) {
        const SimNode& from = m_config->organization == OPC_NS_FLAT ? m_config->root : *m_pPosition;
        CollectLeaves(from, pattern, vtFilter, accessFilter, pNames);
    } else if (type == OPC_BRANCH || type == OPC_LEAF) {
        for (const auto& child : m_pPosition->children) {
            if (child->bBranch == (type == OPC_BRANCH) && Passes(*child, pattern, vtFilter, accessFilter)) {
                pNames->push_back(child->name);
            }
        }
    } else {
        return E_INVALIDARG;
    }
    return pNames->empty() ? S_FALSE : S_OK;
}

HRESULT SimBrowser::ItemId(const wchar_t* name, std::wstring* pItemId) const {
    if (!name) {
        return E_INVALIDARG;
    }
    std::wstring text = name;
    if (m_config->organization == OPC_NS_FLAT) {
        *pItemId = text;
        return S_OK;
    }
    if (text.empty()) {
        *pItemId = m_pPosition->fullId;
        return S_OK;
    }
    const SimNode* node = Child(text, false);
    if (!node) {
        node = Child(text, true);
    }
    if (node) {
        *pItemId = node->fullId;
        return S_OK;
    }
    // Clients that show flat lists ask with the full ID wherever they stand.
    if (m_config->leaves.count(text) || m_config->branches.count(text)) {
        *pItemId = text;
        return S_OK;
    }
    return E_INVALIDARG;
}
