// Browsing the simulator's address space through IOPCBrowseServerAddressSpace.
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>
#include <algorithm>

#include <gtest/gtest.h>

#include "tests/common/SimServerFixture.h"

using Microsoft::WRL::ComPtr;

namespace {

const char kConfig[] = R"(organization hierarchical
item RootTag VT_I4 R fixed 1
branch Area1
    item Fixed VT_I4 RW fixed 42
    item Text VT_BSTR R fixed "abc"
    item Flag VT_BOOL R fixed true
    branch Sub
        item Deep VT_R8 W fixed 2.5
    end
    item Ramp VT_I4 R ramp
end
branch Area2
    item Bytes VT_UI1[3] R fixed 10|255|0
end
branch Empty
end
)";

const char kFlatConfig[] = R"(organization flat
item "Line1.Motor.Speed" VT_R8 R ramp 0 1 10
item "Line1.Motor.On" VT_BOOL RW toggle
item "Tank.Level" VT_R4 R random 3
)";

}  // namespace

class SimServerBrowseTest : public SimServerFixture {
  protected:
    void Open(const std::string& config) {
        UseConfig(config);
        m_server = CreateServer();
        ASSERT_TRUE(m_server);
        ASSERT_EQ(S_OK, m_server.As(&m_browse));
    }

    std::vector<std::wstring> Browse(OPCBROWSETYPE type,
                                     const wchar_t* filter = L"",
                                     VARTYPE vt = VT_EMPTY,
                                     DWORD access = 0,
                                     HRESULT* pResult = nullptr) {
        std::vector<std::wstring> names;
        ComPtr<IEnumString> enumerator;
        HRESULT hr = m_browse->BrowseOPCItemIDs(type, filter, vt, access, &enumerator);
        if (pResult) {
            *pResult = hr;
        }
        if (!enumerator) {
            return names;
        }
        EXPECT_EQ(S_OK, enumerator->Reset());
        LPOLESTR batch[10];
        ULONG fetched = 0;
        HRESULT next;
        do {
            next = enumerator->Next(10, batch, &fetched);
            for (ULONG i = 0; i < fetched; ++i) {
                names.push_back(batch[i]);
                CoTaskMemFree(batch[i]);
            }
        } while (next == S_OK);
        return names;
    }

    std::wstring ItemId(const wchar_t* name, HRESULT* pResult = nullptr) {
        LPWSTR id = nullptr;
        HRESULT hr = m_browse->GetItemID(const_cast<LPWSTR>(name), &id);
        if (pResult) {
            *pResult = hr;
        }
        std::wstring text = id ? id : L"";
        CoTaskMemFree(id);
        return text;
    }

    void TearDown() override {
        m_browse.Reset();
        m_server.Reset();
        SimServerFixture::TearDown();
    }

    ComPtr<IOPCServer> m_server;
    ComPtr<IOPCBrowseServerAddressSpace> m_browse;
};

using Names = std::vector<std::wstring>;

TEST_F(SimServerBrowseTest, BranchesAndLeavesComeInConfigOrder) {
    Open(kConfig);
    OPCNAMESPACETYPE type = OPC_NS_FLAT;
    ASSERT_EQ(S_OK, m_browse->QueryOrganization(&type));
    EXPECT_EQ(OPC_NS_HIERARCHIAL, type);
    EXPECT_EQ((Names{L"Area1", L"Area2", L"Empty"}), Browse(OPC_BRANCH));
    EXPECT_EQ((Names{L"RootTag"}), Browse(OPC_LEAF));
    ASSERT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"Area1"));
    EXPECT_EQ((Names{L"Fixed", L"Text", L"Flag", L"Ramp"}), Browse(OPC_LEAF));
    EXPECT_EQ((Names{L"Sub"}), Browse(OPC_BRANCH));
}

TEST_F(SimServerBrowseTest, EveryMoveIsLoggedWithItsArguments) {
    Open(kConfig);
    EXPECT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"Area1"));
    EXPECT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"Sub"));
    EXPECT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_UP, L""));
    EXPECT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_UP, L""));
    EXPECT_EQ(E_FAIL, m_browse->ChangeBrowsePosition(OPC_BROWSE_UP, L""));
    EXPECT_EQ(5u, Counters().nChangeBrowsePosition);
    std::vector<std::string> lines = LogLines("ChangeBrowsePosition ");
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ("ChangeBrowsePosition DOWN \"Area1\" -> hr=0x00000000 position=\"Area1\"", lines[0]);
    EXPECT_EQ("ChangeBrowsePosition DOWN \"Sub\" -> hr=0x00000000 position=\"Area1.Sub\"", lines[1]);
    EXPECT_EQ("ChangeBrowsePosition UP \"\" -> hr=0x80004005 position=\"\"", lines[4]);
}

TEST_F(SimServerBrowseTest, DownIntoALeafOrAnUnknownNameFails) {
    Open(kConfig);
    EXPECT_EQ(E_INVALIDARG, m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"RootTag"));
    EXPECT_EQ(E_INVALIDARG, m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"Nowhere"));
    EXPECT_EQ(E_INVALIDARG, m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, nullptr));
    EXPECT_EQ((Names{L"Area1", L"Area2", L"Empty"}), Browse(OPC_BRANCH));
}

TEST_F(SimServerBrowseTest, GetItemIdJoinsNamesWithDots) {
    Open(kConfig);
    EXPECT_EQ(L"RootTag", ItemId(L"RootTag"));
    EXPECT_EQ(L"", ItemId(L""));
    ASSERT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"Area1"));
    ASSERT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"Sub"));
    EXPECT_EQ(L"Area1.Sub.Deep", ItemId(L"Deep"));
    EXPECT_EQ(L"Area1.Sub", ItemId(L""));
    EXPECT_EQ(L"Area1.Fixed", ItemId(L"Area1.Fixed"));  // a full ID works from anywhere
    HRESULT hr = S_OK;
    EXPECT_EQ(L"", ItemId(L"Unknown", &hr));
    EXPECT_EQ(E_INVALIDARG, hr);
    ASSERT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_UP, L""));
    EXPECT_EQ(L"Area1.Sub", ItemId(L"Sub"));
}

TEST_F(SimServerBrowseTest, BrowseToGoesToABranchOrTheRoot) {
    Open(kConfig);
    ASSERT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_TO, L"Area1.Sub"));
    EXPECT_EQ((Names{L"Deep"}), Browse(OPC_LEAF));
    EXPECT_EQ(E_INVALIDARG, m_browse->ChangeBrowsePosition(OPC_BROWSE_TO, L"Area1.Fixed"));
    ASSERT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_TO, L""));
    EXPECT_EQ((Names{L"RootTag"}), Browse(OPC_LEAF));
}

TEST_F(SimServerBrowseTest, FlatBrowseListsFullItemIdsAtAndBelowThePosition) {
    Open(kConfig);
    EXPECT_EQ((Names{L"RootTag", L"Area1.Fixed", L"Area1.Text", L"Area1.Flag", L"Area1.Sub.Deep", L"Area1.Ramp",
                     L"Area2.Bytes"}),
              Browse(OPC_FLAT));
    ASSERT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"Area1"));
    EXPECT_EQ((Names{L"Area1.Fixed", L"Area1.Text", L"Area1.Flag", L"Area1.Sub.Deep", L"Area1.Ramp"}),
              Browse(OPC_FLAT));
}

TEST_F(SimServerBrowseTest, FiltersSelectByNameTypeAndRights) {
    Open(kConfig);
    ASSERT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"Area1"));
    EXPECT_EQ((Names{L"Fixed", L"Flag"}), Browse(OPC_LEAF, L"F*"));
    EXPECT_EQ((Names{L"Fixed", L"Text", L"Flag", L"Ramp"}), Browse(OPC_LEAF, L"*"));
    EXPECT_EQ((Names{L"Text"}), Browse(OPC_LEAF, L"?e[a-z]t"));
    EXPECT_EQ((Names{L"Text"}), Browse(OPC_LEAF, L"", VT_BSTR));
    EXPECT_EQ((Names{L"Fixed"}), Browse(OPC_LEAF, L"", VT_EMPTY, OPC_WRITEABLE));
    EXPECT_EQ((Names{L"Area1.Fixed", L"Area1.Sub.Deep"}), Browse(OPC_FLAT, L"", VT_EMPTY, OPC_WRITEABLE));
    HRESULT hr = S_OK;
    EXPECT_TRUE(Browse(OPC_LEAF, L"[ab", VT_EMPTY, 0, &hr).empty());
    EXPECT_EQ(OPC_E_INVALIDFILTER, hr);
}

TEST_F(SimServerBrowseTest, NothingFoundGivesAnEmptyEnumeratorAndSFalse) {
    Open(kConfig);
    ASSERT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"Empty"));
    HRESULT hr = S_OK;
    EXPECT_TRUE(Browse(OPC_BRANCH, L"", VT_EMPTY, 0, &hr).empty());
    EXPECT_EQ(S_FALSE, hr);
    EXPECT_TRUE(Browse(OPC_LEAF, L"", VT_EMPTY, 0, &hr).empty());
    EXPECT_EQ(S_FALSE, hr);
}

TEST_F(SimServerBrowseTest, FlatSpaceListsEveryIdAndRefusesMoves) {
    Open(kFlatConfig);
    OPCNAMESPACETYPE type = OPC_NS_HIERARCHIAL;
    ASSERT_EQ(S_OK, m_browse->QueryOrganization(&type));
    EXPECT_EQ(OPC_NS_FLAT, type);
    const Names all = {L"Line1.Motor.Speed", L"Line1.Motor.On", L"Tank.Level"};
    EXPECT_EQ(all, Browse(OPC_FLAT));
    EXPECT_EQ(all, Browse(OPC_BRANCH));  // the browse type means nothing in a flat space
    EXPECT_EQ(E_FAIL, m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"Line1"));
    EXPECT_EQ(E_FAIL, m_browse->ChangeBrowsePosition(OPC_BROWSE_UP, L""));
    EXPECT_EQ(L"Anything.At.All", ItemId(L"Anything.At.All"));
}

TEST_F(SimServerBrowseTest, ConfiguredBrowseFailuresApply) {
    Open(std::string(kConfig) + "fail_browse_down Area2\naccept_browse_up_at_root\nfail GetItemID E_OUTOFMEMORY\n");
    EXPECT_EQ(E_FAIL, m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"Area2"));
    EXPECT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"Area1"));
    EXPECT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_UP, L""));
    EXPECT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_UP, L""));  // stays at the root
    EXPECT_EQ((Names{L"RootTag"}), Browse(OPC_LEAF));
    HRESULT hr = S_OK;
    ItemId(L"RootTag", &hr);
    EXPECT_EQ(E_OUTOFMEMORY, hr);
    IEnumString* paths = reinterpret_cast<IEnumString*>(1);
    EXPECT_EQ(E_NOTIMPL, m_browse->BrowseAccessPaths(L"RootTag", &paths));
    EXPECT_EQ(nullptr, paths);
}

TEST_F(SimServerBrowseTest, GenerateBuildsBranchesTimesLeaves) {
    Open("generate Line 2 Station 3 Tag 4 VT_I4 RW ramp\ngenerate Spare 2 VT_R4\n");
    EXPECT_EQ((Names{L"Line1", L"Line2"}), Browse(OPC_BRANCH));
    EXPECT_EQ((Names{L"Spare1", L"Spare2"}), Browse(OPC_LEAF));
    ASSERT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_TO, L"Line2.Station3"));
    EXPECT_EQ((Names{L"Tag1", L"Tag2", L"Tag3", L"Tag4"}), Browse(OPC_LEAF));
    ASSERT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_TO, L""));
    Names all = Browse(OPC_FLAT);
    ASSERT_EQ(2u * 3u * 4u + 2u, all.size());
    EXPECT_EQ(L"Line1.Station1.Tag1", all[0]);
    EXPECT_EQ(L"Line1.Station1.Tag2", all[1]);
    EXPECT_EQ(L"Line2.Station3.Tag4", all[23]);
    EXPECT_EQ(L"Spare2", all[25]);
}

TEST_F(SimServerBrowseTest, OddNamesSurviveBrowsingAndAdding) {
    Open(
        "branch \"Zone A\"\n    item \"Temp [\xC2\xB0"
        "C]\" VT_R4\n    item \"Say \\\"hi\\\"\" VT_BSTR\n"
        "    item Tag#1 VT_I2\nend\n");
    EXPECT_EQ((Names{L"Zone A"}), Browse(OPC_BRANCH));
    ASSERT_EQ(S_OK, m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"Zone A"));
    EXPECT_EQ((Names{L"Temp [\u00B0C]", L"Say \"hi\"", L"Tag#1"}), Browse(OPC_LEAF));
    std::wstring id = ItemId(L"Temp [\u00B0C]");
    EXPECT_EQ(L"Zone A.Temp [\u00B0C]", id);
    OPCHANDLE hGroup = 0;
    ComPtr<IOPCItemMgt> group = AddGroup(m_server.Get(), 100, &hGroup);
    std::vector<HRESULT> errors;
    AddItems(group.Get(), {id, L"Zone A.Say \"hi\"", L"Zone A.Tag#1"}, &errors);
    EXPECT_EQ((std::vector<HRESULT>{S_OK, S_OK, S_OK}), errors);
    group.Reset();
    m_server->RemoveGroup(hGroup, TRUE);
}

TEST_F(SimServerBrowseTest, InstalledPlantConfigIsAPlausiblePlant) {
    UseRegisteredConfig();
    m_server = CreateServer();
    ASSERT_TRUE(m_server);
    ASSERT_EQ(S_OK, m_server.As(&m_browse));
    Names branches = Browse(OPC_BRANCH);
    ASSERT_GE(branches.size(), 3u);
    EXPECT_EQ(L"Channel1", branches[0]);
    EXPECT_FALSE(Browse(OPC_LEAF).empty());
    Names all = Browse(OPC_FLAT);
    EXPECT_GE(all.size(), 300u);
    EXPECT_NE(all.end(), std::find(all.begin(), all.end(), L"Channel1.Device1.Counter"));
}
