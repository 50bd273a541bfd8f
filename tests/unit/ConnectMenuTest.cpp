// Server entries from command-line switches and project files, without any window.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/ConnectMenu.h"
#include "common/FrameHarness.h"
#include "opc/ServerCatalog.h"
#include "opc/ServerText.h"
#include "res/resource.h"

namespace {

std::vector<std::pair<UINT, std::string>> Parse(const std::string& line, UINT* autoId) {
    std::vector<std::pair<UINT, std::string>> out;
    for (const ServerEntry& e : ParseServerSwitches(line.c_str(), autoId))
        out.emplace_back(e.id, e.name);
    return out;
}

using Entries = std::vector<std::pair<UINT, std::string>>;

TEST(ServerSwitchesTest, OnlyLowerCaseSlashUStartsSwitches) {
    EXPECT_TRUE(HasServerSwitches("/u1 A"));
    EXPECT_TRUE(HasServerSwitches("/u"));
    EXPECT_FALSE(HasServerSwitches("/U1 A"));
    EXPECT_FALSE(HasServerSwitches(" /u1 A"));
    EXPECT_FALSE(HasServerSwitches(""));
    EXPECT_FALSE(HasServerSwitches("/"));
}

TEST(ServerSwitchesTest, NamesEndAtBlankSlashOrEnd) {
    UINT autoId = 0;
    EXPECT_EQ((Entries{{32775, "A"}, {32776, "B"}}), Parse("/u1 A/u2 B", &autoId));
    EXPECT_EQ(0u, autoId);
    EXPECT_EQ((Entries{{32777, "Srv.1"}}), Parse("/u3=Srv.1 trailing words", &autoId));
    EXPECT_EQ((Entries{{32775, "\\\\host:Prog.Id"}}), Parse("/u1 \\\\host:Prog.Id", &autoId));
    EXPECT_EQ(32775u, autoId);
}

TEST(ServerSwitchesTest, SwitchAtTheVeryEndGivesAnEmptyName) {
    UINT autoId = 0;
    EXPECT_EQ((Entries{{32775, ""}}), Parse("/u1", &autoId));
    EXPECT_EQ((Entries{{32775, ""}}), Parse("/u1 ", &autoId));
    EXPECT_EQ(32775u, autoId);
}

TEST(ServerSwitchesTest, SwitchesAreTakenInNumberOrderNotLineOrder) {
    UINT autoId = 0;
    EXPECT_EQ((Entries{{32775, "One"}, {32779, "Five"}}), Parse("/u5 Five /u1 One", &autoId));
    // The entry for 1 comes first, but 5 is found last: no automatic connect.
    EXPECT_EQ(0u, autoId);
}

TEST(ServerSwitchesTest, NamesAreCutAfter129Characters) {
    UINT autoId = 0;
    std::string exact(129, 'x');
    EXPECT_EQ((Entries{{32775, exact}}), Parse("/u1 " + exact, &autoId));
    EXPECT_EQ((Entries{{32775, exact}}), Parse("/u1 " + exact + "yyyy", &autoId));
    std::string huge(10000, 'z');
    Entries e = Parse("/u1 " + huge + " /u2 B", &autoId);
    ASSERT_EQ(2u, e.size());
    EXPECT_EQ(std::string(129, 'z'), e[0].second);
    EXPECT_EQ("B", e[1].second);
}

TEST(ProjectServersTest, SectionsWithNameAndNonZeroOpcServerOnly) {
    TempFile project("zz_unit_project.kri",
                     "[device2]\r\nname=Two\r\nOPCServer=12abc\r\n"
                     "[device3]\r\nname=Three\r\nOPCServer=-1\r\n"
                     "[device4]\r\nOPCServer=1\r\n"
                     "[device6]\r\nname=Six\r\nOPCServer=1\r\n");
    std::vector<ServerEntry> entries = ReadProjectServers(project.Path().c_str());
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(32776u, entries[0].id);
    EXPECT_EQ("Two", entries[0].name);
    EXPECT_EQ(32777u, entries[1].id);
    EXPECT_TRUE(ReadProjectServers("").empty());
    EXPECT_TRUE(ReadProjectServers("C:\\no\\such\\file.kri").empty());
}

struct ServerTextCase {
    std::string text;
    std::string machine;
    std::string server;
};

class ServerTextTest : public testing::TestWithParam<ServerTextCase> {};

TEST_P(ServerTextTest, SplitsMachineAndProgId) {
    const ServerTextParts parts = SplitServerText(GetParam().text);
    EXPECT_EQ(GetParam().machine, parts.machine) << GetParam().text;
    EXPECT_EQ(GetParam().server, parts.server) << GetParam().text;
}

const std::string k98(98, 'm');

INSTANTIATE_TEST_SUITE_P(Forms,
                         ServerTextTest,
                         testing::Values(ServerTextCase{"Prog.Id", "", "Prog.Id"},
                                         ServerTextCase{"<host>Prog.Id", "\\\\host", "Prog.Id"},
                                         ServerTextCase{"<\\\\host>Prog.Id", "\\\\host", "Prog.Id"},
                                         ServerTextCase{"\\\\host:Prog.Id", "\\\\host", "Prog.Id"},
                                         // The closer counts only at positions 2 to 99.
                                         ServerTextCase{"<h>P", "\\\\h", "P"},
                                         ServerTextCase{"<" + k98 + ">P", "\\\\" + k98, "P"},
                                         ServerTextCase{"<" + k98 + "m>P", "\\\\", "<" + k98 + "m>P"},
                                         ServerTextCase{"\\\\" + k98.substr(1) + ":P", "\\\\" + k98.substr(1), "P"},
                                         ServerTextCase{"\\\\" + k98 + ":P", "", "\\\\" + k98 + ":P"},
                                         ServerTextCase{"\\:P", "", "\\:P"},
                                         // Without a closer the '<' form keeps two backslashes alone as machine.
                                         ServerTextCase{"<>P", "\\\\", "<>P"},
                                         ServerTextCase{"<host", "\\\\", "<host"},
                                         ServerTextCase{"\\\\", "", "\\\\"}));

}  // namespace

// Servers picked in the chooser: the menu text, the entry they take, the order they are shown in.
TEST(ServerCatalogTest, ChosenServerTakesTheFirstFreeEntryOrNone) {
    EXPECT_EQ(static_cast<UINT>(ID_CONNECT_SERVER1), NextServerEntryId({}));
    EXPECT_EQ(static_cast<UINT>(ID_CONNECT_SERVER2), NextServerEntryId({ID_CONNECT_SERVER1, ID_CONNECT_SERVER3}));
    EXPECT_EQ(0u, NextServerEntryId({ID_CONNECT_SERVER5, ID_CONNECT_SERVER4, ID_CONNECT_SERVER3, ID_CONNECT_SERVER2,
                                     ID_CONNECT_SERVER1}));
    EXPECT_EQ("Vendor.Da.1", CatalogEntryText("", "Vendor.Da.1"));
    EXPECT_EQ("Vendor.Da.1", CatalogEntryText("  ", "Vendor.Da.1"));
    EXPECT_EQ("\\\\plc7:Vendor.Da.1", CatalogEntryText(" plc7 ", "Vendor.Da.1"));
    std::vector<CatalogServer> servers = {
        {"b.Server", "2"}, {"", "no ProgID"}, {"A.Server", "1"}, {"B.SERVER", "twice"}, {"c.Server", "3"}};
    SortCatalog(&servers);
    ASSERT_EQ(3u, servers.size());
    EXPECT_EQ("A.Server", servers[0].progId);
    EXPECT_EQ("b.Server", servers[1].progId);
    EXPECT_EQ("2", servers[1].description);
    EXPECT_EQ("c.Server", servers[2].progId);
}
