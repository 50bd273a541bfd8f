#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Globals.h"
#include "tests/unit/ConversionFakes.h"
#include "variables/ConversionSettings.h"
#include "variables/VariableModel.h"

namespace {

const int kFail = static_cast<int>(E_FAIL);

struct CutCase {
    const char* itemId;
    int offset;
    int length;
    bool split;
    const char* name;
    const char* prefix;
};

class ItemIdCutTest : public testing::TestWithParam<CutCase> {};

TEST_P(ItemIdCutTest, BuildNameAndPrefix) {
    const CutCase& c = GetParam();
    ConversionSettings settings;
    settings.SetCutOffset(c.offset);
    settings.SetCutLength(c.length);
    if (!c.split) {
        settings.ToggleSplitAtSeparator();
    }
    EXPECT_EQ(c.name, settings.BuildName(c.itemId));
    EXPECT_EQ(c.prefix, settings.BuildPrefix(c.itemId));
}

INSTANTIATE_TEST_SUITE_P(
    Examples,
    ItemIdCutTest,
    testing::Values(CutCase{"Channel1.Device1.Tag1", 3, 18, true, "Device1.Tag1", "Channel1."},
                    CutCase{"Channel1.Device1.Temperature.Value.Average", 3, 18, true, "Device1", "Channel1."},
                    CutCase{"AB.C", 3, 18, true, "C", "AB."},
                    CutCase{"Tag", 3, 18, true, "Tag", "Tag"},
                    CutCase{"Line3.Conveyor12345678901234.Speed", 3, 18, true, "Conveyor1234567890", "Line3."},
                    CutCase{"PLC.DB10.DBW20", 3, 18, true, "DB10.DBW20", "PLC."},
                    CutCase{"Channel1.Device1.Tag1", 9, 18, true, "Tag1", "Channel1.Device1."},
                    CutCase{"Channel1.Device1.Tag1", 3, 18, false, "nnel1.Device1.Tag1", "Cha"},
                    CutCase{"Channel1.Device1.Tag1", 3, 5, true, "Devic", "Channel1."},
                    // The chosen '.' ends the ID, or a too long tail starts with '.': no name.
                    CutCase{"Tag.", 3, 18, true, "", "Tag."},
                    CutCase{"Abc..Defghijk", 3, 4, true, "", "Abc."},
                    // Too short for the offset: the end of the ID, at most length characters.
                    CutCase{"Ab", 3, 18, false, "Ab", "Ab"},
                    CutCase{"Abcdef", 9, 4, false, "cdef", "Abcdef"},
                    CutCase{"Abcdef", 9, 4, true, "cdef", "Abcdef"},
                    // Every '.' lies before the offset: the last one counts.
                    CutCase{"A.B.Cdefghijkl", 5, 18, true, "Cdefghijkl", "A.B."},
                    CutCase{"", 3, 18, true, "", ""},
                    // Nonsense settings give safe results.
                    CutCase{"Channel1.Tag", -5, -1, true, "", "Channel1."},
                    CutCase{"Channel1.Tag", -5, 4, false, "Chan", ""}));

class ConversionTest : public testing::Test {
  protected:
    void SetUp() override {
        g_nServerIndex = 0;
        settings.Attach(&model, &questions);
    }
    void TearDown() override { g_nServerIndex = 0; }

    int Convert(const std::string& itemId, VARTYPE vt, DWORD rights = 3) {
        return settings.ConvertItem(Item(itemId, vt, rights));
    }
    const VariableRecord& Record(int row) const { return model.Row(row).record; }
    std::vector<std::string> Cells(int row) const {
        std::vector<std::string> cells;
        for (int column = 0; column < ColCount; ++column) {
            cells.push_back(model.CellText(row, column));
        }
        return cells;
    }
    void OpenDriver(const std::string& prefix, int firstOffset) {
        ASSERT_TRUE(settings.BeginDriver(DriverStandard, "Tr0", prefix, AccessCombined, 1, "", firstOffset));
    }

    VariableModel model;
    ScriptedQuestions questions;
    ConversionSettings settings;
};

using CellTexts = std::vector<std::string>;

TEST_F(ConversionTest, PlainItemBecomesPendingSingleVariable) {
    EXPECT_EQ(0, Convert("Channel1.Device1.Tag1", VT_R4));
    ASSERT_EQ(1, model.PendingCount());
    EXPECT_EQ((CellTexts{"Device1.Tag1", "Channel1.Device1.Tag1", "Kombiniert", "1", "Float", "1", "1"}), Cells(0));
    const VariableRecord& r = Record(0);
    EXPECT_EQ(KindSingle, r.kind);
    EXPECT_EQ(3, r.channel);
    EXPECT_EQ(0, r.offset);
    EXPECT_EQ(1.0f, r.factor);
    EXPECT_TRUE(questions.arrayQuestions.empty());
    EXPECT_TRUE(questions.typeQuestions.empty());
}

TEST_F(ConversionTest, ChannelFollowsTheServerIndex) {
    g_nServerIndex = 4;
    Convert("PLC.Speed", VT_I2);
    EXPECT_EQ(7, Record(0).channel);
    EXPECT_EQ("5", model.CellText(0, ColDevice));
}

TEST_F(ConversionTest, AccessRightsBecomeAccessCodes) {
    Convert("PLC.Read", VT_I2, 1);
    Convert("PLC.Write", VT_I2, 2);
    Convert("PLC.None", VT_I2, 0);
    EXPECT_EQ("Nur Lesen", model.CellText(0, ColAccess));
    EXPECT_EQ("Nur Schreiben", model.CellText(1, ColAccess));
    EXPECT_EQ(-1, Record(2).access);
    EXPECT_EQ("", model.CellText(2, ColAccess));
}

TEST_F(ConversionTest, EmptyNameAddsNothing) {
    EXPECT_EQ(kFail, Convert("Tag.", VT_I2));
    EXPECT_FALSE(model.HasVariables());
}

TEST_F(ConversionTest, WithoutVariableListNothingIsConverted) {
    settings.Attach(nullptr, nullptr);
    EXPECT_EQ(-1, Convert("PLC.Speed", VT_I2));
}

TEST_F(ConversionTest, ElementOfOpenDriverTakesTheNextOffset) {
    OpenDriver("Channel1.", 10);
    EXPECT_EQ(0, Convert("Channel1.Device1.Tag1", VT_R4));
    EXPECT_EQ(12, settings.DriverOffset());
    EXPECT_EQ((CellTexts{"Device1.Tag1", "Tr0", "", "", "Float", "1", ""}), Cells(0));
    const VariableRecord& r = Record(0);
    EXPECT_EQ(KindElement, r.kind);
    EXPECT_EQ(10, r.offset);
    EXPECT_EQ(0, r.channel);
    EXPECT_EQ(0, r.cycle);
}

TEST_F(ConversionTest, ItemOutsideTheDriverPrefixIsRefused) {
    OpenDriver("Channel1.", 0);
    EXPECT_EQ(kFail, Convert("Channel2.Device1.Tag1", VT_R4));
    EXPECT_EQ(kFail, Convert("channel1.Device1.Tag1", VT_R4));
    EXPECT_FALSE(model.HasVariables());
    EXPECT_EQ(0, settings.DriverOffset());
}

TEST_F(ConversionTest, TextElementsTake49WordsEach) {
    OpenDriver("S.", 0);
    Convert("S.Text", VT_BSTR);
    EXPECT_EQ(49, settings.DriverOffset());
    questions.arrayAnswer.size = 3;
    Convert("S.Texts", VT_ARRAY | VT_BSTR);
    EXPECT_EQ(49 + 147, settings.DriverOffset());
}

TEST_F(ConversionTest, DriverObjectCollectsElementsAndComesFirst) {
    ASSERT_TRUE(settings.BeginDriver(DriverStandard, "Channel1", "Channel1.Device1.", AccessCombined, 1, "", 10));
    Convert("Channel1.Device1.Tag1", VT_I4);
    Convert("Channel1.Device1.Tag2", VT_I4);
    ASSERT_EQ(0, model.Commit());
    EXPECT_EQ(14, settings.EndDriver());
    EXPECT_FALSE(settings.IsDriverOpen());
    model.Commit();
    ASSERT_EQ(3, model.RowCount());
    EXPECT_EQ((CellTexts{"Channel1", "Channel1.Device1.", "Kombiniert", "1", "Standardtreiber", "14", "1"}), Cells(0));
    EXPECT_EQ("Tag1", model.CellText(1, ColName));
    EXPECT_EQ(10, Record(1).offset);
    EXPECT_EQ(12, Record(2).offset);
    EXPECT_EQ(0.0f, Record(0).factor);
}

TEST_F(ConversionTest, BeginDriverCommitsThePreview) {
    Convert("PLC.Speed", VT_I2);
    OpenDriver("PLC.", 0);
    EXPECT_EQ(0, model.PendingCount());
    EXPECT_EQ(1, model.RowCount());
}

TEST_F(ConversionTest, DriverNameIsMadeUnique) {
    Convert("PLC.Tr0", VT_I2);
    OpenDriver("PLC.", 0);
    EXPECT_EQ("Tr0_1", settings.DriverName());
}

TEST_F(ConversionTest, SecondBeginDriverChangesNothing) {
    OpenDriver("Channel1.", 4);
    EXPECT_FALSE(settings.BeginDriver(DriverBild, "Other", "X.", 0, 5, "pic", 0));
    EXPECT_EQ("Channel1.", settings.DriverPrefix());
    EXPECT_EQ(4, settings.DriverOffset());
}

TEST_F(ConversionTest, AbortedDriverLeavesNoRowAndItemsAreSingleAgain) {
    OpenDriver("Channel1.", 0);
    Convert("Channel1.Tag1", VT_I2);
    settings.AbortDriver();
    EXPECT_EQ(-1, settings.EndDriver());
    model.DiscardPending();
    Convert("Channel1.Tag1", VT_I2);
    EXPECT_EQ(KindSingle, Record(0).kind);
    EXPECT_EQ(1, model.RowCount());
}

TEST_F(ConversionTest, NegativeFirstOffsetOpensNoDriver) {
    EXPECT_FALSE(settings.BeginDriver(DriverStandard, "Tr0", "X.", 0, 1, "", -1));
    EXPECT_FALSE(settings.IsDriverOpen());
}

struct ArrayCase {
    VARTYPE vt;
    uint32_t size;
    bool asDriver;
    uint32_t type;
    uint32_t recordSize;
};

class ArrayConversionTest : public ConversionTest, public testing::WithParamInterface<ArrayCase> {};

TEST_P(ArrayConversionTest, SizeAndTypeFollowTheAnswer) {
    const ArrayCase& c = GetParam();
    questions.arrayAnswer = ArrayAnswer{c.size, c.asDriver};
    EXPECT_EQ(0, Convert("PLC.Array", static_cast<VARTYPE>(VT_ARRAY | c.vt)));
    ASSERT_EQ(1u, questions.arrayQuestions.size());
    EXPECT_EQ("PLC.Array", questions.arrayQuestions[0]);
    EXPECT_EQ(c.type, Record(0).type);
    EXPECT_EQ(c.recordSize, Record(0).size);
}

INSTANTIATE_TEST_SUITE_P(Arrays,
                         ArrayConversionTest,
                         testing::Values(ArrayCase{VT_I2, 10, false, KrWord, 10},
                                         ArrayCase{VT_I2, 10, true, KrTreiber, 10},
                                         ArrayCase{VT_R4, 10, true, KrTreiber, 20},
                                         ArrayCase{VT_I4, 10, false, KrLong, 10},
                                         ArrayCase{VT_UI1, 7, true, KrTreiber, 3},
                                         ArrayCase{VT_I1, 1, true, KrTreiber, 0},
                                         ArrayCase{VT_DATE, 4, true, KrTreiber, 4}));

TEST_F(ConversionTest, CancelledArrayQuestionDropsOnlyThisItem) {
    Convert("PLC.Before", VT_I2);
    questions.cancelArray = true;
    EXPECT_EQ(kFail, Convert("PLC.Array", VT_ARRAY | VT_I2));
    EXPECT_EQ(1, model.RowCount());
    EXPECT_EQ("Before", model.CellText(0, ColName));
}

TEST_F(ConversionTest, ArrayTooLargeForKorvaneIsRefused) {
    questions.arrayAnswer = ArrayAnswer{0x80000000u, false};
    EXPECT_EQ(kFail, Convert("PLC.Huge", VT_ARRAY | VT_I2));
    questions.arrayAnswer = ArrayAnswer{0x40000000u, true};
    EXPECT_EQ(kFail, Convert("PLC.Huge", VT_ARRAY | VT_R4));
    EXPECT_FALSE(model.HasVariables());
}

TEST_F(ConversionTest, ElementPastTheLargestOffsetIsRefused) {
    OpenDriver("PLC.", 0x7FFFFFF0);
    questions.arrayAnswer = ArrayAnswer{8, false};
    EXPECT_EQ(kFail, Convert("PLC.Block", VT_ARRAY | VT_I4));
    EXPECT_EQ(0x7FFFFFF0, settings.DriverOffset());
    EXPECT_EQ(0, Convert("PLC.Last", VT_I4));
    EXPECT_EQ(0x7FFFFFF2, settings.DriverOffset());
}

TEST_F(ConversionTest, TypeWithoutEntryBecomesDigitWithoutQuestion) {
    Convert("PLC.Big", VT_I8);
    Convert("PLC.Ref", VT_BYREF | VT_I2);
    EXPECT_EQ(KrDigit, Record(0).type);
    EXPECT_EQ(KrDigit, Record(1).type);
    EXPECT_TRUE(questions.typeQuestions.empty());
}

TEST_F(ConversionTest, UnknownTypeIsAskedEveryTime) {
    questions.typeAnswer = KrLong;
    Convert("PLC.Date1", VT_DATE);
    Convert("PLC.Date2", VT_DATE);
    EXPECT_EQ((std::vector<VARTYPE>{VT_DATE, VT_DATE}), questions.typeQuestions);
    EXPECT_EQ(KrLong, Record(0).type);
    EXPECT_EQ(KrLong, Record(1).type);
}

TEST_F(ConversionTest, ArrayOfUnknownTypeAsksForTheElementType) {
    questions.arrayAnswer = ArrayAnswer{4, false};
    questions.typeAnswer = KrFloat;
    Convert("PLC.Dates", VT_ARRAY | VT_DATE);
    EXPECT_EQ((std::vector<VARTYPE>{VT_DATE}), questions.typeQuestions);
    EXPECT_EQ(KrFloat, Record(0).type);
    EXPECT_EQ(4u, Record(0).size);
}

TEST_F(ConversionTest, CancelledTypeQuestionAddsNothing) {
    questions.cancelType = true;
    EXPECT_EQ(kFail, Convert("PLC.Money", VT_CY));
    EXPECT_FALSE(model.HasVariables());
}

TEST_F(ConversionTest, CancelledTypeQuestionLeavesTheDriverOffset) {
    OpenDriver("PLC.", 6);
    questions.cancelType = true;
    EXPECT_EQ(kFail, Convert("PLC.Any", VT_VARIANT));
    EXPECT_EQ(6, settings.DriverOffset());
}

TEST_F(ConversionTest, QuestionWithoutAnswererCountsAsCancel) {
    settings.Attach(&model, nullptr);
    EXPECT_EQ(kFail, Convert("PLC.Empty", VT_EMPTY));
    EXPECT_EQ(kFail, Convert("PLC.Array", VT_ARRAY | VT_I2));
    EXPECT_EQ(0, Convert("PLC.Word", VT_I2));
}

TEST(ConversionSettingsTest, CutSettersReportChanges) {
    ConversionSettings settings;
    EXPECT_FALSE(settings.SetCutOffset(3));
    EXPECT_TRUE(settings.SetCutOffset(5));
    EXPECT_FALSE(settings.SetCutLength(18));
    EXPECT_TRUE(settings.SetCutLength(4));
    EXPECT_TRUE(settings.IsSplitAtSeparator());
    settings.ToggleSplitAtSeparator();
    EXPECT_FALSE(settings.IsSplitAtSeparator());
}

}  // namespace
