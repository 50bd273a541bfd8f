#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "app/Globals.h"
#include "tests/unit/ConversionFakes.h"
#include "variables/ConversionSettings.h"
#include "variables/VariableModel.h"

namespace {

const int kFail = static_cast<int>(E_FAIL);

// The CF_TEXT content of the clipboard, or "<none>" when it holds no text.
std::string ClipboardText() {
    if (!OpenClipboard(nullptr)) {
        return "<closed>";
    }
    std::string text = "<none>";
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(h))) {
            text.assign(p);
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return text;
}

std::string Narrow(const ExportText& text) {
    std::string narrow;
    for (size_t i = 0; i < text.TextLength(); ++i) {
        narrow += static_cast<char>(text.Text()[i]);
    }
    return narrow;
}

VariableRecord Rec(int32_t kind,
                   uint32_t type,
                   int32_t channel,
                   int16_t access,
                   int32_t offset,
                   uint32_t size,
                   int32_t cycle,
                   const char* text = "") {
    VariableRecord r;
    r.kind = kind;
    r.type = type;
    r.channel = channel;
    r.access = access;
    r.offset = offset;
    r.size = size;
    r.cycle = cycle;
    r.driverText = text;
    return r;
}

struct LineCase {
    VariableRecord record;
    const char* name;
    const char* address;
    const char* line;
};

class RecordLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(RecordLineTest, WritesTheLineAndCrLf) {
    const LineCase& c = GetParam();
    ConversionSettings settings;
    EXPECT_EQ(0, settings.WriteRecord(c.name, c.address, c.record));
    const std::string expected = std::string(c.line) + "\r\n";
    EXPECT_EQ(expected, Narrow(settings.Text()));
    EXPECT_EQ(2 + expected.size(), settings.Text().Length());
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat,
    RecordLineTest,
    testing::Values(
        LineCase{Rec(KindSingle, KrDigit, 3, 2, 0, 1, 1), "Bit", "PLC.Bit", "$E0 Bit \"\" 3 \"PLC.Bit\" 0 0 2 1 #"},
        LineCase{Rec(KindSingle, KrWordUnsigned, 4, 1, 0, 4, 1), "W", "PLC.W", "$E8 W \"\" 4 \"PLC.W\" 4 1 0 1 1 #"},
        LineCase{Rec(KindSingle, KrText, 3, 0, 0, 5, 1), "T", "PLC.T", "$E6 T \"\" 3 \"PLC.T\" 49 0 0 1 #"},
        LineCase{Rec(KindSingle, KrTreiber, 4, 2, 0, 20, 1), "Arr", "PLC.Arr",
                 "\r\n$T0 Arr \"\" 4 \"PLC.Arr\" 20 2 1 #\r\n"},
        LineCase{Rec(KindElement, KrDigit, 0, 2, 5, 1, 0), "Bit", "Tr0", "$V0 Bit \"\" Tr0 5 0 1 #"},
        LineCase{Rec(KindElement, KrLongUnsigned, 0, 2, 2, 3, 0), "L", "Tr0", "$V9 L \"\" Tr0 2 3 1 1 #"},
        LineCase{Rec(KindElement, KrText, 0, 2, 7, 2, 0), "T", "Tr0", "$V6 T \"\" Tr0 7 49 1 #"},
        LineCase{Rec(KindElement, KrWordUnsigned, 0, 2, 1, 2, 0), "U", "Tr0", "$V8 U \"\" Tr0 1 2 1 1 0 #"},
        LineCase{Rec(KindDriver, DriverStandard, 3, 2, 0, 4, 5), "Tr0", "Channel1.",
                 "\r\n$T0 Tr0 \"\" 3 \"Channel1.\" 4 2 5 #"},
        LineCase{Rec(KindDriver, DriverRezept, 3, 2, 0, 10, 0), "Rz", "R.", "\r\n$T1 Rz \"\" 3 \"R.\" 10 \"\" #"},
        LineCase{Rec(KindDriver, DriverBild, 3, 1, 0, 6, 100, "Pic1"), "Bd", "B.",
                 "\r\n$T2 Bd \"\" 3 \"B.\" 6 1 100 \"Pic1\" #"},
        LineCase{Rec(KindDriver, DriverAbtast, 3, 0, 0, 2, 0, "Trig"), "Ab", "A.",
                 "\r\n$T4 Ab \"\" 3 \"A.\" 2 0 \"Trig\" #"},
        // Names are not escaped: a blank makes an extra field.
        LineCase{Rec(KindSingle, KrFloat, 3, 2, 0, 1, 1), "My Var", "PLC.My Var",
                 "$E2 My Var \"\" 3 \"PLC.My Var\" 1 1 0 2 1 #"}));

TEST(RecordLineTest, RecordsWithoutFormatWriteNothing) {
    ConversionSettings settings;
    EXPECT_EQ(-1, settings.WriteRecord("S", "A", Rec(KindSingle, 4, 3, 2, 0, 1, 1)));
    EXPECT_EQ(-1, settings.WriteRecord("S", "A", Rec(KindSingle, KrAskUser, 3, 2, 0, 1, 1)));
    EXPECT_EQ(-1, settings.WriteRecord("E", "Tr0", Rec(KindElement, KrTreiber, 0, 2, 0, 10, 0)));
    EXPECT_EQ(-1, settings.WriteRecord("X", "A", Rec(0, KrWord, 3, 2, 0, 1, 1)));
    EXPECT_EQ(kFail, settings.WriteRecord("D", "A.", Rec(KindDriver, 4, 3, 2, 0, 1, 1)));
    EXPECT_EQ(2u, settings.Text().Length());
    EXPECT_EQ("", Narrow(settings.Text()));
}

TEST(RecordLineTest, OverlongLineIsWrittenWhole) {
    ConversionSettings settings;
    const std::string itemId = "Plant." + std::string(400, 'x');
    const std::string text(300, 't');
    EXPECT_EQ(0, settings.WriteRecord("Long", itemId, Rec(KindSingle, KrWord, 3, 2, 0, 1, 1)));
    EXPECT_EQ(0, settings.WriteRecord("Tr", "A.", Rec(KindDriver, DriverAbtast, 3, 0, 0, 2, 0, text.c_str())));
    EXPECT_EQ("$E1 Long \"\" 3 \"" + itemId + "\" 1 1 0 2 1 #\r\n\r\n$T4 Tr \"\" 3 \"A.\" 2 0 \"" + text + "\" #\r\n",
              Narrow(settings.Text()));
}

class ExportTextTest : public testing::Test {
  protected:
    ExportText text;
};

TEST_F(ExportTextTest, StartsEmptyWithOneStepOfCapacity) {
    EXPECT_EQ(2u, text.Length());
    EXPECT_EQ(0xFFFFu, text.Capacity());
    EXPECT_STREQ(L"", text.Text());
}

TEST_F(ExportTextTest, GrowsByOneStepWhenTheAccountedLengthReachesTheCapacity) {
    const std::wstring line(0xFFFF - 5, L'a');
    EXPECT_EQ(0, text.AppendLine(line.data(), line.size()));
    EXPECT_EQ(0xFFFEu, text.Length());
    EXPECT_EQ(0xFFFFu, text.Capacity());
    EXPECT_EQ(0, text.AppendLine(L"", 0));
    EXPECT_EQ(0x10000u, text.Length());
    EXPECT_EQ(2u * 0xFFFF, text.Capacity());
    EXPECT_EQ(line + L"\r\n\r\n", std::wstring(text.Text()));
}

TEST_F(ExportTextTest, LineLongerThanOneStepFitsWhole) {
    const std::wstring first = L"first";
    const std::wstring line(200000, L'b');
    text.AppendLine(first.data(), first.size());
    EXPECT_EQ(0, text.AppendLine(line.data(), line.size()));
    EXPECT_EQ(4u * 0xFFFF, text.Capacity());
    EXPECT_EQ(first + L"\r\n" + line + L"\r\n", std::wstring(text.Text()));
}

class ExportTest : public testing::Test {
  protected:
    void SetUp() override {
        g_nServerIndex = 0;
        settings.Attach(&model, &questions);
    }
    void TearDown() override { g_nServerIndex = 0; }

    VariableModel model;
    ScriptedQuestions questions;
    ConversionSettings settings;
};

// A driver object with two elements above an older plain variable, all made by the conversion.
TEST_F(ExportTest, WorkedExampleReachesTheClipboardByteForByte) {
    ASSERT_EQ(0, settings.ConvertItem(Item("Line1.Speed", VT_I2)));
    model.Commit();
    ASSERT_TRUE(settings.BeginDriver(DriverStandard, "Tr0", "Channel1.", AccessCombined, 1, "", 0));
    ASSERT_EQ(0, settings.ConvertItem(Item("Channel1.Device1.Tag1", VT_I4)));
    ASSERT_EQ(0, settings.ConvertItem(Item("Channel1.Device1.Tag2", VT_R4)));
    ASSERT_EQ(0, model.Commit());
    settings.EndDriver();
    model.Commit();

    EXPECT_EQ(0, model.ExportAll(&settings));
    EXPECT_FALSE(model.HasVariables());
    ASSERT_EQ(0, settings.CopyToClipboard(nullptr));
    EXPECT_EQ(
        "\r\n"
        "$T0 Tr0 \"\" 3 \"Channel1.\" 4 2 1 #\r\n"
        "$V3 Device1.Tag1 \"\" Tr0 0 1 1 1 #\r\n"
        "$V2 Device1.Tag2 \"\" Tr0 2 1 1 1 #\r\n"
        "$E1 Speed \"\" 3 \"Line1.Speed\" 1 1 0 2 1 #\r\n",
        ClipboardText());
}

TEST_F(ExportTest, ArrayTakenAsDriverObjectStandsBetweenEmptyLines) {
    g_nServerIndex = 1;
    questions.arrayAnswer = ArrayAnswer{10, true};
    settings.ConvertItem(Item("PLC.Values", VT_ARRAY | VT_I4));
    model.Commit();
    model.ExportAll(&settings);
    EXPECT_EQ("\r\n$T0 Values \"\" 4 \"PLC.Values\" 20 2 1 #\r\n\r\n", Narrow(settings.Text()));
}

TEST_F(ExportTest, TextArrayIsWrittenWithLength49) {
    questions.arrayAnswer = ArrayAnswer{5, false};
    settings.ConvertItem(Item("PLC.Msg", VT_ARRAY | VT_BSTR, 1));
    model.Commit();
    model.ExportAll(&settings);
    EXPECT_EQ("$E6 Msg \"\" 3 \"PLC.Msg\" 49 0 0 1 #\r\n", Narrow(settings.Text()));
}

TEST_F(ExportTest, RezeptWithoutCopyDriverEndsWithEmptyQuotes) {
    ASSERT_TRUE(settings.BeginDriver(DriverRezept, "Rz", "Rec.", AccessCombined, 0, "", 0));
    settings.ConvertItem(Item("Rec.A", VT_I2));
    model.Commit();
    settings.EndDriver();
    model.Commit();
    model.ExportAll(&settings);
    EXPECT_EQ("\r\n$T1 Rz \"\" 3 \"Rec.\" 1 \"\" #\r\n$V1 A \"\" Rz 0 1 1 1 #\r\n", Narrow(settings.Text()));
}

TEST_F(ExportTest, TextAccumulatesOverSeveralExports) {
    settings.ConvertItem(Item("PLC.A", VT_BOOL));
    model.Commit();
    model.ExportAll(&settings);
    settings.ConvertItem(Item("PLC.B", VT_BOOL));
    model.Commit();
    model.ExportAll(&settings);
    EXPECT_EQ("$E0 A \"\" 3 \"PLC.A\" 0 0 2 1 #\r\n$E0 B \"\" 3 \"PLC.B\" 0 0 2 1 #\r\n", Narrow(settings.Text()));
}

TEST_F(ExportTest, EmptyListPutsEmptyTextOnTheClipboard) {
    model.ExportAll(&settings);
    ASSERT_EQ(0, settings.CopyToClipboard(nullptr));
    EXPECT_EQ("", ClipboardText());
}

TEST_F(ExportTest, UmlautReachesTheClipboardInTheAnsiCodePage) {
    char ansi[16] = {};
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, 0, L"Z\u00e4hler", -1, ansi, sizeof(ansi), nullptr, &lossy);
    if (length <= 0 || lossy) {
        GTEST_SKIP() << "code page " << GetACP() << " has no a-umlaut";
    }
    const std::string name = ansi;
    settings.ConvertItem(Item("PLC." + name, VT_I2, 1));
    model.Commit();
    model.ExportAll(&settings);
    ASSERT_EQ(0, settings.CopyToClipboard(nullptr));
    EXPECT_EQ("$E1 " + name + " \"\" 3 \"PLC." + name + "\" 1 1 0 0 1 #\r\n", ClipboardText());
    if (GetACP() == 1252) {
        EXPECT_EQ('\xE4', name[1]);
    }
}

TEST_F(ExportTest, ClearClipboardRemovesTheText) {
    ASSERT_EQ(0, settings.CopyToClipboard(nullptr));
    ASSERT_EQ(0, settings.ClearClipboard(nullptr));
    EXPECT_EQ("<none>", ClipboardText());
}

TEST_F(ExportTest, ClipboardHeldElsewhereIsReported) {
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool held = false;
    std::thread holder([&] {
        HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        held = window && OpenClipboard(window);
        SetEvent(opened);
        WaitForSingleObject(done, INFINITE);
        if (held) {
            CloseClipboard();
        }
        DestroyWindow(window);
    });
    WaitForSingleObject(opened, INFINITE);
    const int copied = settings.CopyToClipboard(nullptr);
    const int cleared = settings.ClearClipboard(nullptr);
    SetEvent(done);
    holder.join();
    CloseHandle(opened);
    CloseHandle(done);
    ASSERT_TRUE(held);
    EXPECT_EQ(-1, copied);
    EXPECT_EQ(-1, cleared);
}

TEST_F(ExportTest, TwoHundredThousandRowsReachTheClipboard) {
    const int kLines = 200000;
    const VariableRecord r = Rec(KindSingle, KrWord, 3, 2, 0, 1, 1);
    char name[32];
    char line[96];
    uint32_t accounted = 2;
    for (int i = 0; i < kLines; ++i) {
        std::snprintf(name, sizeof(name), "Var%d", i);
        ASSERT_EQ(0, model.AddVariable(name, std::string("Plant.Line.") + name, r));
        accounted += std::snprintf(line, sizeof(line), "$E1 %s \"\" 3 \"Plant.Line.%s\" 1 1 0 2 1 #", name, name) + 2;
    }
    model.Commit();
    ASSERT_EQ(0, model.ExportAll(&settings));
    EXPECT_EQ(accounted, settings.Text().Length());
    ASSERT_EQ(0, settings.CopyToClipboard(nullptr));
    const std::string clip = ClipboardText();
    EXPECT_EQ(settings.Text().TextLength(), clip.size());
    EXPECT_EQ(0u, clip.find("$E1 Var0 \"\" 3 \"Plant.Line.Var0\" 1 1 0 2 1 #\r\n"));
    const std::string last = "$E1 Var199999 \"\" 3 \"Plant.Line.Var199999\" 1 1 0 2 1 #\r\n";
    EXPECT_EQ(clip.size() - last.size(), clip.rfind(last));
}

}  // namespace
