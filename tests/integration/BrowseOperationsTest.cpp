// The connection's browse operations against the simulation server: message boxes and results
// without a browse interface or when the server fails, moves of the browse position, full item
// IDs, the organisation, the bound of BrowseToRoot and names outside ASCII.
#include <windows.h>

#include <memory>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include "common/SimServerFixture.h"
#include "framework/WinApp.h"
#include "opc/BrowseText.h"
#include "opc/OpcConnection.h"

using Microsoft::WRL::ComPtr;

namespace {

const char kPlant[] =
    "organization hierarchical\n"
    "item Top VT_I4 R fixed 1\n"
    "branch Area\n"
    "  item Level VT_R8 R fixed 2\n"
    "  branch Sub\n"
    "    item Deep VT_I4 R fixed 3\n"
    "  end\n"
    "end\n"
    "branch Locked\n"
    "  item Hidden VT_I4 R fixed 4\n"
    "end\n"
    "branch \"Temperatur \xc2\xb0"
    "C\"\n"  // UTF-8 in the config: "Temperatur °C"
    "  item \"Gr\xc3\xb6\xc3\x9f"
    "e\" VT_I4 R fixed 5\n"  // "Größe"
    "end\n"
    "fail_browse_down Locked\n";

struct Box {
    std::string text;
    std::string caption;
    UINT type;
};

// The text as the program holds it: the ANSI code page.
std::string Ansi(const wchar_t* text) {
    char buffer[256] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof(buffer), nullptr, nullptr);
    return buffer;
}

std::vector<std::string> ReadAll(IEnumString* enumerator) {
    std::vector<std::string> names, batch;
    BrowseNameReader reader(enumerator, nullptr);
    EXPECT_TRUE(reader.Reset());
    while (reader.Next(&batch))
        names.insert(names.end(), batch.begin(), batch.end());
    return names;
}

class BrowseOperationsTest : public OnBothHosts<SimServerFixture> {
  protected:
    void SetUp() override {
        SimServerFixture::SetUp();
        SetMessageBoxHook([this](HWND owner, const char* text, const char* caption, UINT type) {
            EXPECT_EQ(nullptr, owner);
            m_boxes.push_back({text, caption, type});
            return IDOK;
        });
    }
    void TearDown() override {
        if (m_connection)
            m_connection->Close();
        m_connection.reset();
        SetMessageBoxHook(nullptr);
        SimServerFixture::TearDown();
    }
    OpcConnection& Open(const std::string& config = kPlant) {
        if (m_connection)
            m_connection->Close();
        UseConfig(config);
        m_connection.reset(new OpcConnection);
        EXPECT_EQ(S_OK, m_connection->Open(Server().c_str(), 1));
        ClearLog();
        return *m_connection;
    }
    // The server's own answer for its position ("" at the root).
    std::string Position() {
        LPWSTR id = nullptr;
        std::string position = "<unknown>";
        if (SUCCEEDED(m_connection->Browser()->GetItemID(const_cast<LPWSTR>(L""), &id)) && id)
            position = Ansi(id);
        CoTaskMemFree(id);
        return position;
    }
    std::vector<std::string> Moves() const { return LogLines("ChangeBrowsePosition"); }

    std::unique_ptr<OpcConnection> m_connection;
    std::vector<Box> m_boxes;
};
ZZ_ON_BOTH_HOSTS(BrowseOperationsTest);

TEST_P(BrowseOperationsTest, WithoutBrowseInterfaceFlatAndLeavesReportTheOthersFailSilently) {
    OpcConnection unopened;
    IEnumString* names = reinterpret_cast<IEnumString*>(1);
    EXPECT_EQ(-3, unopened.BrowseFlat(&names));
    EXPECT_EQ(nullptr, names);
    bool moved = true;
    EXPECT_EQ(-3, unopened.BrowseLeavesOf("Area", &names, &moved));
    EXPECT_FALSE(moved);
    ASSERT_EQ(2u, m_boxes.size());
    for (const Box& box : m_boxes) {
        EXPECT_EQ("Funktion not Supported IOPCBrowseServerAddressSpace!", box.text);
        EXPECT_EQ("DEZOZOzidazIriduzEvuzIzuzi", box.caption);
        EXPECT_EQ((UINT)MB_OK, box.type);
    }
    EXPECT_EQ(E_FAIL, unopened.BrowseBranches(&names));
    EXPECT_EQ(E_FAIL, unopened.BrowseUp());
    EXPECT_EQ(E_FAIL, unopened.BrowseDown("Area"));
    EXPECT_EQ(E_FAIL, unopened.BrowseToRoot());
    EXPECT_EQ("", unopened.GetFullItemId("Top"));
    EXPECT_FALSE(unopened.IsFlatSpace());
    EXPECT_EQ(2u, m_boxes.size());
}

TEST_P(BrowseOperationsTest, FailingFlatBrowseShowsItsBoxAndGivesMinusFour) {
    OpcConnection& c = Open(std::string(kPlant) + "fail BrowseOPCItemIDs\n");
    IEnumString* names = nullptr;
    EXPECT_EQ(-4, c.BrowseFlat(&names));
    EXPECT_EQ(nullptr, names);
    ASSERT_EQ(1u, m_boxes.size());
    EXPECT_EQ("Funktion Failed: BrowseOPCItemIDs", m_boxes[0].text);
    EXPECT_EQ("DEZOZOzidazIriduzEvuzIzuzi", m_boxes[0].caption);
    // The other lists fail silently with the server's result.
    EXPECT_EQ(E_FAIL, c.BrowseBranches(&names));
    EXPECT_EQ(nullptr, names);
    EXPECT_EQ(1u, m_boxes.size());
}

TEST_P(BrowseOperationsTest, FlatBranchAndLeafListsAskWithoutFilters) {
    OpcConnection& c = Open();
    ComPtr<IEnumString> flat, branches, leaves;
    ASSERT_EQ(S_OK, c.BrowseFlat(flat.GetAddressOf()));
    EXPECT_EQ(5u, ReadAll(flat.Get()).size());
    ASSERT_EQ(S_OK, c.BrowseBranches(branches.GetAddressOf()));
    EXPECT_EQ((std::vector<std::string>{"Area", "Locked", Ansi(L"Temperatur \u00b0C")}), ReadAll(branches.Get()));
    bool moved = false;
    ASSERT_EQ(S_OK, c.BrowseLeavesOf("Area", leaves.GetAddressOf(), &moved));
    EXPECT_TRUE(moved);
    EXPECT_EQ(std::vector<std::string>{"Level"}, ReadAll(leaves.Get()));
    EXPECT_EQ("Area", Position());
    for (const std::string& line : LogLines("BrowseOPCItemIDs"))
        EXPECT_NE(std::string::npos, line.find("filter=\"\"")) << line;
    EXPECT_EQ(S_OK, c.BrowseUp());
    EXPECT_EQ("", Position());
}

TEST_P(BrowseOperationsTest, RefusedMoveDownYieldsNoLeavesAndKeepsThePosition) {
    OpcConnection& c = Open();
    IEnumString* leaves = reinterpret_cast<IEnumString*>(1);
    bool moved = true;
    EXPECT_EQ(E_FAIL, c.BrowseLeavesOf("Locked", &leaves, &moved));
    EXPECT_EQ(nullptr, leaves);
    EXPECT_FALSE(moved);
    EXPECT_EQ("", Position());
    EXPECT_TRUE(LogLines("BrowseOPCItemIDs").empty());
    EXPECT_TRUE(FAILED(c.BrowseDown("NoSuchBranch")));
    EXPECT_TRUE(FAILED(c.BrowseDown(nullptr)));
    if (Host() == SimHost::LocalServer) {
        // The proxy refuses a NULL [string] argument itself; the server never sees the call.
        EXPECT_EQ(2u, Moves().size());
        return;
    }
    ASSERT_EQ(3u, Moves().size());
    EXPECT_NE(std::string::npos, Moves()[2].find("DOWN \"(null)\"")) << Moves()[2];
}

TEST_P(BrowseOperationsTest, BrowseToRootAtTheRootMakesOneRefusedMove) {
    OpcConnection& c = Open();
    EXPECT_EQ(S_OK, c.BrowseToRoot());
    ASSERT_EQ(1u, Moves().size());
    EXPECT_NE(std::string::npos, Moves()[0].find("UP \"\" -> hr=0x80004005")) << Moves()[0];
}

TEST_P(BrowseOperationsTest, BrowseToRootClimbsEveryLevelThenStops) {
    OpcConnection& c = Open();
    ASSERT_EQ(S_OK, c.BrowseDown("Area"));
    ASSERT_EQ(S_OK, c.BrowseDown("Sub"));
    ClearLog();
    EXPECT_EQ(S_OK, c.BrowseToRoot());
    EXPECT_EQ(3u, Moves().size());  // two moves up, one refused
    EXPECT_EQ("", Position());
}

TEST_P(BrowseOperationsTest, BrowseToRootIsBoundedWhenTheServerNeverRefuses) {
    OpcConnection& c = Open(std::string(kPlant) + "accept_browse_up_at_root\n");
    EXPECT_EQ(S_OK, c.BrowseToRoot());
    EXPECT_EQ((size_t)kMaxBrowseToRootSteps, Moves().size());
    EXPECT_GT(kMaxBrowseToRootSteps, kMaxBrowseDepth);
}

TEST_P(BrowseOperationsTest, FullItemIdsAtThePositionAndEmptyOnFailure) {
    OpcConnection& c = Open();
    EXPECT_EQ("Top", c.GetFullItemId("Top"));
    ASSERT_EQ(S_OK, c.BrowseDown("Area"));
    EXPECT_EQ("Area.Level", c.GetFullItemId("Level"));
    EXPECT_EQ("Area", c.GetFullItemId(""));
    EXPECT_EQ("", c.GetFullItemId("NoSuchItem"));
    EXPECT_EQ("", c.GetFullItemId(nullptr));
    c.BrowseToRoot();
    EXPECT_EQ("", Open(std::string(kPlant) + "fail GetItemID\n").GetFullItemId("Top"));
}

TEST_P(BrowseOperationsTest, NamesOutsideAsciiTravelInTheAnsiCodePage) {
    OpcConnection& c = Open();
    std::string branch = Ansi(L"Temperatur \u00b0C");
    ASSERT_EQ(S_OK, c.BrowseDown(branch.c_str()));
    EXPECT_EQ(Ansi(L"Temperatur \u00b0C.Gr\u00f6\u00dfe"), c.GetFullItemId(Ansi(L"Gr\u00f6\u00dfe").c_str()));
    c.BrowseToRoot();
}

TEST_P(BrowseOperationsTest, OrganisationDecidesIsFlatSpace) {
    EXPECT_FALSE(Open().IsFlatSpace());
    EXPECT_TRUE(Open("organization flat\nitem A.B VT_I4 R fixed 1\n").IsFlatSpace());
    // A server that cannot tell is taken for hierarchical.
    EXPECT_FALSE(Open("organization flat\nfail QueryOrganization\n").IsFlatSpace());
}

}  // namespace
