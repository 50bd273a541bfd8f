// Bad input a user or a file can bring, with the result each gets: long names are cut where the
// program cuts names, long texts are written whole, blanks are kept as typed, and a very long
// export reaches the clipboard whole.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ConnectMenu.h"
#include "app/Globals.h"
#include "common/FrameHarness.h"
#include "common/ProgramRun.h"
#include "common/Records.h"
#include "tests/unit/ConversionFakes.h"
#include "variables/ConversionSettings.h"
#include "variables/VariableModel.h"

namespace {

TEST(BadCommandLineTest, TenThousandCharactersGiveCutNamesAndTheOtherSwitches) {
    const std::string huge(10000, 'x');
    UINT autoConnect = 0;
    std::vector<ServerEntry> entries = ParseServerSwitches(("/u2 " + huge + " /u1 Short").c_str(), &autoConnect);
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ("Short", entries[0].name);
    EXPECT_EQ(std::string(kServerNameMax, 'x'), entries[1].name);
    EXPECT_EQ(0u, autoConnect);  // two switches: no connect at start
    // Without a blank the whole rest of the line is one name.
    entries = ParseServerSwitches(("/u1" + huge).c_str(), &autoConnect);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(kServerNameMax, entries[0].name.size());
}

TEST(BadProjectFileTest, OverlongNamesAreCutAndOddValuesSkipTheSection) {
    TempFile project("zz_unit_bad_project.kri",
                     "[device1]\r\nname=" + std::string(10000, 'n') +
                         "\r\nOPCServer=1\r\n"
                         "[device2]\r\nname=Two\r\nOPCServer=ja\r\n"
                         "[device3]\r\nname=\r\nOPCServer=1\r\n"
                         "[device4]\r\nname=Four\r\nOPCServer=99999999999999999999\r\nScanTime=-7\r\n");
    std::vector<ServerEntry> entries = ReadProjectServers(project.Path().c_str());
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(32775u, entries[0].id);
    EXPECT_EQ(std::string(kServerNameMax, 'n'), entries[0].name);
    EXPECT_EQ(32778u, entries[1].id);
    EXPECT_EQ("Four", entries[1].name);
}

TEST(BadProjectFileTest, UnicodeProjectFileIsReadLikeAnAnsiOne) {
    const std::wstring text = L"\xFEFF[device1]\r\nname=Server\x00E4\r\nOPCServer=1\r\n";
    const std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    TempFile project("zz_unit_utf16_project.kri", bytes);
    std::vector<ServerEntry> entries = ReadProjectServers(project.Path().c_str());
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("Server\xE4", entries[0].name);  // in the ANSI code page (1252)
}

class BadConversionInputTest : public testing::Test {
  protected:
    void SetUp() override {
        g_nServerIndex = 0;
        settings.Attach(&model, &questions);
    }
    std::string Export() {
        model.Commit();
        model.ExportAll(&settings);
        std::string narrow;
        for (size_t i = 0; i < settings.Text().TextLength(); ++i)
            narrow += static_cast<char>(settings.Text().Text()[i]);
        return narrow;
    }

    VariableModel model;
    ScriptedQuestions questions;
    ConversionSettings settings;
};

TEST_F(BadConversionInputTest, ItemIdOfTenThousandCharactersGivesACutNameAndAWholeLine) {
    const std::string id = "Area." + std::string(10000, 'T');
    ASSERT_EQ(0, settings.ConvertItem(Item(id, VT_I4)));
    EXPECT_EQ(std::string(18, 'T'), model.Row(0).name);
    EXPECT_EQ("$E3 " + std::string(18, 'T') + " \"\" 3 \"" + id + "\" 1 1 0 2 1 #\r\n", Export());
}

TEST_F(BadConversionInputTest, BlanksInItemIdsStayInNamesAndLines) {
    // The Korvane line separates fields by blanks: such a name needs renaming before the
    // hand-over, which the program leaves to the user (the name is shown as it is).
    ASSERT_EQ(0, settings.ConvertItem(Item("Line.My Tag", VT_I2)));
    EXPECT_EQ("My Tag", model.Row(0).name);
    EXPECT_EQ("$E1 My Tag \"\" 3 \"Line.My Tag\" 1 1 0 2 1 #\r\n", Export());
}

TEST_F(BadConversionInputTest, DriverTextOfTenThousandCharactersIsWrittenWhole) {
    const std::string text(10000, 'p');
    ASSERT_TRUE(settings.BeginDriver(DriverBild, "Pic", "Line.", AccessCombined, 1, text, 0));
    ASSERT_EQ(0, settings.ConvertItem(Item("Line.Speed", VT_I2)));
    model.Commit();
    settings.EndDriver();
    EXPECT_EQ("\r\n$T2 Pic \"\" 3 \"Line.\" 1 2 1 \"" + text + "\" #\r\n$V1 Speed \"\" Pic 0 1 1 1 #\r\n", Export());
}

TEST_F(BadConversionInputTest, TwoHundredThousandLinesReachTheClipboardWhole) {
    const VariableRecord record = SingleRecord(KrWord);
    const int kRows = 200000;
    for (int i = 0; i < kRows; ++i)
        model.AddVariable("V" + std::to_string(i), "A.V" + std::to_string(i), record);
    const std::string text = Export();
    EXPECT_EQ(0, model.RowCount());
    ASSERT_EQ(0, settings.CopyToClipboard(nullptr));
    const std::string pasted = ClipboardText();
    EXPECT_EQ(text.size(), pasted.size());
    EXPECT_EQ(text, pasted);
    EXPECT_EQ(0u, pasted.find("$E1 V0 \"\" 3 \"A.V0\" 1 1 0 2 1 #\r\n"));
    const std::string last =
        "$E1 V" + std::to_string(kRows - 1) + " \"\" 3 \"A.V" + std::to_string(kRows - 1) + "\" 1 1 0 2 1 #\r\n";
    EXPECT_EQ(pasted.size() - last.size(), pasted.rfind(last));
}

}  // namespace
