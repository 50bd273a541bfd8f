// The simulator's server status, groups and items, through the OPC interfaces as a client uses them.
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include "tests/common/SimServerFixture.h"

using Microsoft::WRL::ComPtr;

namespace {

const char kConfig[] = R"(organization hierarchical
item RootTag VT_I4 R fixed 1
branch Area1
    item Fixed VT_I4 RW fixed 42
    item Text VT_BSTR R fixed "abc"
    item Date VT_DATE R fixed "2024-03-15 08:30:00"
    item Money VT_CY R fixed 12.5
end
branch Area2
    item Bytes VT_UI1[3] R fixed 10|255|0
end
)";

struct Status {
    HRESULT hr = E_FAIL;
    OPCSERVERSTATE state = static_cast<OPCSERVERSTATE>(0);
    std::wstring vendor;
    bool bBlock = false;
};

Status PollStatus(IOPCServer* server) {
    Status result;
    OPCSERVERSTATUS* status = reinterpret_cast<OPCSERVERSTATUS*>(1);
    result.hr = server->GetStatus(&status);
    result.bBlock = status != nullptr;
    if (SUCCEEDED(result.hr) && status) {
        result.state = status->dwServerState;
        result.vendor = status->szVendorInfo ? status->szVendorInfo : L"";
        CoTaskMemFree(status->szVendorInfo);
        CoTaskMemFree(status);
    }
    return result;
}

}  // namespace

class SimServerGroupTest : public OnBothHosts<SimServerFixture> {};
ZZ_ON_BOTH_HOSTS(SimServerGroupTest);

TEST_P(SimServerGroupTest, GetStatusFollowsTheStateSequence) {
    UseConfig("state suspended 2 running\n");
    ComPtr<IOPCServer> server = CreateServer();
    ASSERT_TRUE(server);
    const OPCSERVERSTATE expected[] = {OPC_STATUS_SUSPENDED, OPC_STATUS_SUSPENDED, OPC_STATUS_RUNNING,
                                       OPC_STATUS_RUNNING};
    for (OPCSERVERSTATE state : expected) {
        Status status = PollStatus(server.Get());
        EXPECT_EQ(S_OK, status.hr);
        EXPECT_EQ(state, status.state);
        EXPECT_FALSE(status.vendor.empty());
    }
    EXPECT_EQ(4u, Counters().nGetStatus);
}

TEST_P(SimServerGroupTest, StateSequenceStartsAgainForEveryServerAndAcceptsNumbers) {
    UseConfig("state 9 1 failed\n");
    for (int round = 0; round < 2; ++round) {
        ComPtr<IOPCServer> server = CreateServer();
        ASSERT_TRUE(server);
        EXPECT_EQ(9, PollStatus(server.Get()).state);
        EXPECT_EQ(OPC_STATUS_FAILED, PollStatus(server.Get()).state);
        EXPECT_EQ(OPC_STATUS_FAILED, PollStatus(server.Get()).state);
    }
}

TEST_P(SimServerGroupTest, FailingGetStatusHandsOutNoBlock) {
    UseConfig("getstatus fail\n");
    ComPtr<IOPCServer> server = CreateServer();
    ASSERT_TRUE(server);
    Status status = PollStatus(server.Get());
    EXPECT_EQ(E_FAIL, status.hr);
    EXPECT_FALSE(status.bBlock);
}

// The example of the README's section on the simulation server, as printed there.
TEST_P(SimServerGroupTest, ReadmeExampleConfigMakesARunningServer) {
    UseConfig(
        "organization hierarchical          # or flat\n"
        "vendor \"Demo plant\"\n"
        "branch Channel1\n"
        "  item Counter VT_I4 RW ramp 0 1 1000\n"
        "  item Level VT_R4 R random 7 0 100\n"
        "  item Name VT_BSTR R fixed \"Pump 1\"\n"
        "  item Raw VT_UI1[8] R fixed 1|2|3\n"
        "end\n"
        "generate Line 200 Tag 100 VT_I4 RW ramp   # 200 branches of 100 leaves\n"
        "slow AddItems 500                   # failure paths: slow, fail, reject, withhold, ...\n");
    ComPtr<IOPCServer> server = CreateServer();
    ASSERT_TRUE(server);
    Status status = PollStatus(server.Get());
    EXPECT_EQ(S_OK, status.hr);
    EXPECT_EQ(OPC_STATUS_RUNNING, status.state);
    EXPECT_EQ(L"Demo plant", status.vendor);
}

TEST_P(SimServerGroupTest, MissingConfigFileMakesANoConfigServer) {
    UseConfigFile("C:\\no\\such\\folder\\zzsim.cfg");
    ComPtr<IOPCServer> server = CreateServer();
    ASSERT_TRUE(server);
    Status status = PollStatus(server.Get());
    EXPECT_EQ(OPC_STATUS_NOCONFIG, status.state);
    EXPECT_NE(std::wstring::npos, status.vendor.find(L"cannot open"));
}

TEST_P(SimServerGroupTest, AddGroupKeepsASupportedRate) {
    UseConfig(kConfig);
    ComPtr<IOPCServer> server = CreateServer();
    ASSERT_TRUE(server);
    OPCHANDLE hGroup = 0;
    DWORD revised = 0;
    ComPtr<IOPCItemMgt> group;
    EXPECT_EQ(S_OK, server->AddGroup(L"G", TRUE, 100, 7, nullptr, nullptr, LOCALE_SYSTEM_DEFAULT, &hGroup, &revised,
                                     IID_IOPCItemMgt, reinterpret_cast<IUnknown**>(group.GetAddressOf())));
    EXPECT_EQ(100u, revised);
    EXPECT_NE(0u, hGroup);
    EXPECT_EQ(100u, Counters().dwLastRequestedRate);
    EXPECT_EQ(S_OK, server->RemoveGroup(hGroup, TRUE));
}

TEST_P(SimServerGroupTest, AddGroupRevisesTheRateWhenConfigured) {
    UseConfig("revise_rate 250\n");
    ComPtr<IOPCServer> server = CreateServer();
    ASSERT_TRUE(server);
    OPCHANDLE hGroup = 0;
    DWORD revised = 0;
    ComPtr<IOPCItemMgt> group;
    EXPECT_EQ(OPC_S_UNSUPPORTEDRATE,
              server->AddGroup(L"VORUVEvozevuradeVivid", TRUE, 100, 1, nullptr, nullptr, LOCALE_SYSTEM_DEFAULT, &hGroup,
                               &revised, IID_IOPCItemMgt, reinterpret_cast<IUnknown**>(group.GetAddressOf())));
    EXPECT_EQ(250u, revised);
    ZZSimCounters counters = Counters();
    EXPECT_EQ(100u, counters.dwLastRequestedRate);
    EXPECT_EQ(250u, counters.dwLastRevisedRate);
    ASSERT_EQ(1u, LogLines("AddGroup name=\"VORUVEvozevuradeVivid\" active=1 rate=100").size());
    server->RemoveGroup(hGroup, TRUE);
}

TEST_P(SimServerGroupTest, DuplicateGroupNameIsRefused) {
    UseConfig(kConfig);
    ComPtr<IOPCServer> server = CreateServer();
    ASSERT_TRUE(server);
    OPCHANDLE hGroup = 0;
    OPCHANDLE hSecond = 0;
    DWORD revised = 0;
    ComPtr<IUnknown> group;
    ComPtr<IUnknown> second;
    ASSERT_EQ(S_OK, server->AddGroup(L"Same", TRUE, 100, 1, nullptr, nullptr, 0, &hGroup, &revised, IID_IUnknown,
                                     group.GetAddressOf()));
    EXPECT_EQ(OPC_E_DUPLICATENAME, server->AddGroup(L"Same", TRUE, 100, 1, nullptr, nullptr, 0, &hSecond, &revised,
                                                    IID_IUnknown, second.GetAddressOf()));
    EXPECT_EQ(nullptr, second.Get());
    server->RemoveGroup(hGroup, TRUE);
}

TEST_P(SimServerGroupTest, AddItemsReportsAcceptedAndRejectedItems) {
    UseConfig(std::string(kConfig) + "reject Area1.Text\n");
    ComPtr<IOPCServer> server = CreateServer();
    OPCHANDLE hGroup = 0;
    ComPtr<IOPCItemMgt> group = AddGroup(server.Get(), 100, &hGroup);
    ASSERT_TRUE(group);
    std::wstring ids[] = {L"Area1.Fixed", L"Area1.Text", L"No.Such.Item", L"Area2.Bytes"};
    OPCITEMDEF defs[4];
    for (int i = 0; i < 4; ++i) {
        defs[i] = OPCITEMDEF{
            const_cast<LPWSTR>(L""), &ids[i][0], TRUE, static_cast<OPCHANDLE>(10 + i), 0, nullptr, VT_EMPTY, 0};
    }
    OPCITEMRESULT* results = nullptr;
    HRESULT* errors = nullptr;
    ASSERT_EQ(S_FALSE, group->AddItems(4, defs, &results, &errors));
    ASSERT_NE(nullptr, results);
    ASSERT_NE(nullptr, errors);
    EXPECT_EQ(S_OK, errors[0]);
    EXPECT_EQ(OPC_E_UNKNOWNITEMID, errors[1]);
    EXPECT_EQ(OPC_E_UNKNOWNITEMID, errors[2]);
    EXPECT_EQ(S_OK, errors[3]);
    EXPECT_NE(0u, results[0].hServer);
    EXPECT_NE(results[0].hServer, results[3].hServer);
    EXPECT_EQ(VT_I4, results[0].vtCanonicalDataType);
    EXPECT_EQ(OPC_READABLE | OPC_WRITEABLE, results[0].dwAccessRights);
    EXPECT_EQ(VT_ARRAY | VT_UI1, results[3].vtCanonicalDataType);
    EXPECT_EQ(OPC_READABLE, results[3].dwAccessRights);
    EXPECT_EQ(nullptr, results[0].pBlob);
    CoTaskMemFree(results);
    CoTaskMemFree(errors);
    EXPECT_EQ(1u, Counters().nAddItems);
    std::vector<std::string> lines = LogLines("AddItems.item ");
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(0u, lines[0].find("AddItems.item \"Area1.Fixed\" hClient=10"));
    EXPECT_NE(std::string::npos, lines[1].find("\"Area1.Text\"")) << lines[1];
    EXPECT_NE(std::string::npos, lines[1].find("hr=0xC0040007")) << lines[1];
    server->RemoveGroup(hGroup, TRUE);
}

TEST_P(SimServerGroupTest, AddItemsWithoutItemsIsAnInvalidArgument) {
    UseConfig(kConfig);
    ComPtr<IOPCServer> server = CreateServer();
    OPCHANDLE hGroup = 0;
    ComPtr<IOPCItemMgt> group = AddGroup(server.Get(), 100, &hGroup);
    ASSERT_TRUE(group);
    OPCITEMRESULT* results = reinterpret_cast<OPCITEMRESULT*>(1);
    HRESULT* errors = reinterpret_cast<HRESULT*>(1);
    OPCITEMDEF def = {};
    EXPECT_EQ(E_INVALIDARG, group->AddItems(0, &def, &results, &errors));
    EXPECT_EQ(nullptr, results);
    EXPECT_EQ(nullptr, errors);
    server->RemoveGroup(hGroup, TRUE);
}

TEST_P(SimServerGroupTest, RemoveItemsFreesHandlesAndRejectsUnknownOnes) {
    UseConfig(kConfig);
    ComPtr<IOPCServer> server = CreateServer();
    OPCHANDLE hGroup = 0;
    ComPtr<IOPCItemMgt> group = AddGroup(server.Get(), 100, &hGroup);
    std::vector<OPCHANDLE> handles = AddItems(group.Get(), {L"Area1.Fixed"});
    ASSERT_NE(0u, handles[0]);
    OPCHANDLE remove[] = {handles[0], 9999};
    HRESULT* errors = nullptr;
    EXPECT_EQ(S_FALSE, group->RemoveItems(2, remove, &errors));
    ASSERT_NE(nullptr, errors);
    EXPECT_EQ(S_OK, errors[0]);
    EXPECT_EQ(OPC_E_INVALIDHANDLE, errors[1]);
    CoTaskMemFree(errors);
    EXPECT_EQ(1u, Counters().nRemoveItems);
    std::string expected = "RemoveItems group=" + std::to_string(hGroup) +
                           " count=2 handles=" + std::to_string(handles[0]) + ",9999 -> hr=0x00000001";
    EXPECT_EQ(1u, LogLines(expected).size()) << Log();
    server->RemoveGroup(hGroup, TRUE);
}

TEST_P(SimServerGroupTest, SyncReadGivesCanonicalValues) {
    UseConfig(kConfig);
    ComPtr<IOPCServer> server = CreateServer();
    OPCHANDLE hGroup = 0;
    ComPtr<IOPCItemMgt> group = AddGroup(server.Get(), 100, &hGroup);
    std::vector<OPCHANDLE> handles = AddItems(group.Get(), {L"Area1.Fixed", L"Area1.Date", L"Area1.Money"});
    ComPtr<IOPCSyncIO> io;
    ASSERT_EQ(S_OK, group.As(&io));
    OPCITEMSTATE* states = nullptr;
    HRESULT* errors = nullptr;
    ASSERT_EQ(S_OK, io->Read(OPC_DS_DEVICE, 3, handles.data(), &states, &errors));
    EXPECT_EQ(VT_I4, V_VT(&states[0].vDataValue));
    EXPECT_EQ(42, V_I4(&states[0].vDataValue));
    EXPECT_EQ(OPC_QUALITY_GOOD, states[0].wQuality);
    EXPECT_EQ(100u, states[0].hClient);
    SYSTEMTIME when = {};
    ASSERT_EQ(VT_DATE, V_VT(&states[1].vDataValue));
    VariantTimeToSystemTime(V_DATE(&states[1].vDataValue), &when);
    EXPECT_EQ(2024, when.wYear);
    EXPECT_EQ(8, when.wHour);
    EXPECT_EQ(VT_CY, V_VT(&states[2].vDataValue));
    EXPECT_EQ(125000, V_CY(&states[2].vDataValue).int64);
    for (int i = 0; i < 3; ++i) {
        VariantClear(&states[i].vDataValue);
    }
    CoTaskMemFree(states);
    CoTaskMemFree(errors);
    server->RemoveGroup(hGroup, TRUE);
}

TEST_P(SimServerGroupTest, WithheldInterfacesAreRefused) {
    UseConfig(std::string(kConfig) + "withhold browse\nwithhold asyncio\nwithhold dataobject\n");
    ComPtr<IOPCServer> server = CreateServer();
    ASSERT_TRUE(server);
    ComPtr<IOPCBrowseServerAddressSpace> browse;
    EXPECT_EQ(E_NOINTERFACE, server.As(&browse));
    OPCHANDLE hGroup = 0;
    ComPtr<IOPCItemMgt> group = AddGroup(server.Get(), 100, &hGroup);
    ASSERT_TRUE(group);
    ComPtr<IOPCAsyncIO> asyncIo;
    ComPtr<IDataObject> data;
    ComPtr<IOPCGroupStateMgt> state;
    EXPECT_EQ(E_NOINTERFACE, group.As(&asyncIo));
    EXPECT_EQ(E_NOINTERFACE, group.As(&data));
    EXPECT_EQ(S_OK, group.As(&state));
    EXPECT_EQ(1u, LogLines("QueryInterface server browse -> withheld").size());
    state.Reset();
    server->RemoveGroup(hGroup, TRUE);
}

TEST_P(SimServerGroupTest, DataObjectIsReachableFromTheAsyncInterface) {
    UseConfig(kConfig);
    ComPtr<IOPCServer> server = CreateServer();
    OPCHANDLE hGroup = 0;
    ComPtr<IOPCItemMgt> group = AddGroup(server.Get(), 100, &hGroup);
    ComPtr<IOPCAsyncIO> asyncIo;
    ComPtr<IDataObject> data;
    ComPtr<IOPCCommon> common;
    ComPtr<IUnknown> identity1;
    ComPtr<IUnknown> identity2;
    ASSERT_EQ(S_OK, group.As(&asyncIo));
    ASSERT_EQ(S_OK, asyncIo.As(&data));
    EXPECT_EQ(S_OK, server.As(&common));
    group.As(&identity1);
    data.As(&identity2);
    EXPECT_EQ(identity1.Get(), identity2.Get());
    server->RemoveGroup(hGroup, TRUE);
}

TEST_P(SimServerGroupTest, RemovingAGroupStillInUseSaysSoAndDisablesIt) {
    UseConfig(kConfig);
    ComPtr<IOPCServer> server = CreateServer();
    OPCHANDLE hGroup = 0;
    ComPtr<IOPCItemMgt> group = AddGroup(server.Get(), 100, &hGroup);
    ASSERT_TRUE(group);
    EXPECT_EQ(OPC_S_INUSE, server->RemoveGroup(hGroup, FALSE));
    EXPECT_EQ(E_INVALIDARG, server->RemoveGroup(hGroup, TRUE));
    std::wstring id = L"Area1.Fixed";
    OPCITEMDEF def = {const_cast<LPWSTR>(L""), &id[0], TRUE, 1, 0, nullptr, VT_EMPTY, 0};
    OPCITEMRESULT* results = nullptr;
    HRESULT* errors = nullptr;
    EXPECT_EQ(E_FAIL, group->AddItems(1, &def, &results, &errors));
    EXPECT_EQ(nullptr, results);
    EXPECT_EQ(nullptr, errors);
}

TEST_P(SimServerGroupTest, ConfiguredDelaysAndFailuresApply) {
    UseConfig(std::string(kConfig) + "slow AddItems 150\nfail RemoveGroup E_OUTOFMEMORY\n");
    ComPtr<IOPCServer> server = CreateServer();
    OPCHANDLE hGroup = 0;
    ComPtr<IOPCItemMgt> group = AddGroup(server.Get(), 100, &hGroup);
    DWORD start = GetTickCount();
    AddItems(group.Get(), {L"Area1.Fixed"});
    EXPECT_GE(GetTickCount() - start, 140u);
    EXPECT_EQ(E_OUTOFMEMORY, server->RemoveGroup(hGroup, TRUE));
}

TEST_P(SimServerGroupTest, GroupStateRoundTrips) {
    UseConfig(kConfig);
    ComPtr<IOPCServer> server = CreateServer();
    OPCHANDLE hGroup = 0;
    ComPtr<IOPCItemMgt> group = AddGroup(server.Get(), 100, &hGroup, 77);
    ComPtr<IOPCGroupStateMgt> state;
    ASSERT_EQ(S_OK, group.As(&state));
    DWORD requested = 500;
    DWORD revised = 0;
    BOOL bActive = FALSE;
    ASSERT_EQ(S_OK, state->SetState(&requested, &revised, &bActive, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(500u, revised);
    ASSERT_EQ(S_OK, state->SetName(L"Renamed"));
    DWORD rate = 0;
    LPWSTR name = nullptr;
    LONG bias = 0;
    FLOAT deadband = 1.0f;
    DWORD lcid = 0;
    OPCHANDLE hClient = 0;
    OPCHANDLE hServer = 0;
    ASSERT_EQ(S_OK, state->GetState(&rate, &bActive, &name, &bias, &deadband, &lcid, &hClient, &hServer));
    EXPECT_EQ(500u, rate);
    EXPECT_FALSE(bActive);
    EXPECT_STREQ(L"Renamed", name);
    EXPECT_EQ(0.0f, deadband);
    EXPECT_EQ(77u, hClient);
    EXPECT_EQ(hGroup, hServer);
    CoTaskMemFree(name);
    server->RemoveGroup(hGroup, TRUE);
}

TEST_P(SimServerGroupTest, ErrorStringsAreTaskMemoryTexts) {
    UseConfig(kConfig);
    ComPtr<IOPCServer> server = CreateServer();
    ASSERT_TRUE(server);
    LPWSTR text = nullptr;
    ASSERT_EQ(S_OK, server->GetErrorString(OPC_E_UNKNOWNITEMID, LOCALE_SYSTEM_DEFAULT, &text));
    ASSERT_NE(nullptr, text);
    EXPECT_NE(0u, wcslen(text));
    CoTaskMemFree(text);
}

// One rule over many inputs: any bad line makes a server that reports NOCONFIG and names the line.
class SimServerBadConfigTest : public SimServerFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(SimServerBadConfigTest, BadLineMakesANoConfigServerNamingTheLine) {
    UseConfig(std::string("item Good VT_I4\n") + GetParam() + "\n");
    ComPtr<IOPCServer> server = CreateServer();
    ASSERT_TRUE(server);
    Status status = PollStatus(server.Get());
    EXPECT_EQ(S_OK, status.hr);
    EXPECT_EQ(OPC_STATUS_NOCONFIG, status.state);
    bool bNamesLine =
        status.vendor.find(L"(2)") != std::wstring::npos || status.vendor.find(L"no 'end'") != std::wstring::npos;
    EXPECT_TRUE(bNamesLine) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Lines,
                         SimServerBadConfigTest,
                         ::testing::Values("frobnicate",
                                           "item X VT_NOPE",
                                           "item X VT_VARIANT",
                                           "item \"X VT_I4",
                                           "end",
                                           "branch Open",
                                           "item Good VT_I4",
                                           "item X VT_I4 R ramp a",
                                           "item X VT_UI1[999999999]",
                                           "item X VT_I4[x]",
                                           "state",
                                           "reject",
                                           "withhold everything",
                                           "generate A 2 VT_I4 R toggle 3",
                                           "organization round",
                                           "item X VT_I4 R quality",
                                           "item X VT_BOOL fixed maybe",
                                           "slow AddItems soon",
                                           "early_values please",
                                           "item X VT_DATE R fixed 2024-13-45"));
