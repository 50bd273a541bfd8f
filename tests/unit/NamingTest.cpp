#include <gtest/gtest.h>

#include <string>

#include "variables/ConversionSettings.h"
#include "variables/VariableModel.h"

namespace {

VariableRecord Single() {
    VariableRecord r;
    r.kind = KindSingle;
    r.type = KrWord;
    r.size = 1;
    return r;
}

class NamingTest : public testing::Test {
  protected:
    // Adds a pending row named as the list numbers it; returns that name.
    std::string Add(const std::string& name) {
        EXPECT_EQ(0, model.AddVariable(name, "addr", Single()));
        return model.Row(model.PendingCount() - 1).name;
    }
    const NameCounter* Counter(const std::string& name) const {
        for (const NameCounter& c : model.Naming().Counters()) {
            if (c.name == name) {
                return &c;
            }
        }
        return nullptr;
    }

    VariableModel model;
};

TEST_F(NamingTest, FirstNameStaysAndCreatesNoCounter) {
    EXPECT_EQ("A", Add("A"));
    EXPECT_TRUE(model.Naming().Counters().empty());
}

TEST_F(NamingTest, RepeatIsNumberedAndCountedUntilCommit) {
    Add("A");
    EXPECT_EQ("A_1", Add("A"));
    ASSERT_NE(nullptr, Counter("A"));
    EXPECT_EQ(0, Counter("A")->committed);
    EXPECT_EQ(1, Counter("A")->current);

    EXPECT_EQ(0, model.Commit());
    EXPECT_EQ(1, Counter("A")->committed);
    EXPECT_EQ(1, Counter("A")->current);
    EXPECT_EQ("A_2", Add("A"));
}

TEST_F(NamingTest, RepeatInLaterBatchCountsCommittedRows) {
    Add("A");
    model.Commit();
    EXPECT_EQ("A_1", Add("A"));
}

TEST_F(NamingTest, DiscardedPreviewGivesItsNumbersBack) {
    Add("A");
    Add("A");
    model.DiscardPending();
    EXPECT_EQ("A", Add("A"));
    EXPECT_EQ("A_1", Add("A"));
}

TEST_F(NamingTest, CommittedNumbersSurviveDiscardedPreview) {
    Add("A");
    Add("A");
    model.Commit();
    EXPECT_EQ("A_2", Add("A"));
    model.DiscardPending();
    EXPECT_EQ("A_2", Add("A"));
}

// Two rows bear the name (one renamed by hand) and no counter exists yet: the numbers must keep
// rising rather than repeat.
TEST_F(NamingTest, NumbersKeepRisingWhenSeveralRowsAlreadyBearTheName) {
    Add("A");
    Add("B");
    model.Commit();
    ASSERT_EQ(EditNameResult::Renamed, model.EditName(1, "A"));
    ASSERT_EQ("A", model.Row(0).name);
    ASSERT_EQ("A", model.Row(1).name);
    EXPECT_EQ("A_2", Add("A"));
    EXPECT_EQ("A_3", Add("A"));
    model.Commit();
    EXPECT_EQ("A_4", Add("A"));
}

TEST_F(NamingTest, DeletedRowsNoLongerCount) {
    Add("A");
    Add("B");
    model.Commit();
    model.DeleteSelected({0});
    EXPECT_EQ("A", Add("A"));
}

TEST_F(NamingTest, ExportedRowsNoLongerCountButCountersDo) {
    Add("A");
    Add("A");
    Add("B");
    model.Commit();
    ConversionSettings settings;
    model.ExportAll(&settings);
    EXPECT_EQ("A_2", Add("A"));
    EXPECT_EQ("B", Add("B"));
}

TEST_F(NamingTest, RowsCountIgnoringCaseButCountersMatchExactly) {
    Add("temp");
    EXPECT_EQ("Temp_1", Add("Temp"));
    EXPECT_EQ("Temp_2", Add("Temp"));
    // "temp" has no counter of its own: the row count decides.
    EXPECT_EQ("temp_1", Add("temp"));
}

TEST_F(NamingTest, LowerCaseLettersNumberFirstRepeatWithB) {
    model.SetNumbering(VariableNaming::StyleLower, "_");
    Add("Valve");
    EXPECT_EQ("Valve_b", Add("Valve"));
    EXPECT_EQ("Valve_c", Add("Valve"));
}

TEST_F(NamingTest, UpperCaseLettersWithEmptySeparator) {
    model.SetNumbering(VariableNaming::StyleUpper, "");
    Add("Valve");
    EXPECT_EQ("ValveB", Add("Valve"));
}

TEST_F(NamingTest, LongNameKeepsItsLast18Characters) {
    EXPECT_EQ("perature_Sensor_17", Add("Temperature_Sensor_17"));
}

TEST_F(NamingTest, CutHappensAfterTheNumberIsAppended) {
    const std::string name = "ABCDEFGHIJKLMNOPQ";  // 17 characters
    EXPECT_EQ(name, Add(name));
    EXPECT_EQ("BCDEFGHIJKLMNOPQ_1", Add(name));
}

TEST_F(NamingTest, LongSeparatorIsCutLikeTheName) {
    model.SetNumbering(VariableNaming::StyleDigits, std::string(30, '-'));
    Add("A");
    EXPECT_EQ(std::string(17, '-') + "1", Add("A"));
}

TEST_F(NamingTest, ReNamingAfterRollbackReusesTheNumbersOfThePreview) {
    Add("A");
    Add("A");
    model.RollbackCounters();
    EXPECT_EQ(0, model.RenameVariable("B", 0));
    EXPECT_EQ(0, model.RenameVariable("B", 1));
    EXPECT_EQ("B", model.Row(0).name);
    EXPECT_EQ("B_1", model.Row(1).name);
    EXPECT_EQ(nullptr, Counter("A"));
}

TEST_F(NamingTest, ReNamingToTheSameNamesKeepsThemAsTheyAre) {
    Add("A");
    Add("A");
    for (int pass = 0; pass < 2; ++pass) {
        model.RollbackCounters();
        EXPECT_EQ(0, model.RenameVariable("A", 0));
        EXPECT_EQ(0, model.RenameVariable("A", 1));
        EXPECT_EQ("A", model.Row(0).name) << pass;
        EXPECT_EQ("A_1", model.Row(1).name) << pass;
    }
}

TEST_F(NamingTest, CommittedRowsAreNeverReNamed) {
    Add("Top");
    model.Commit();
    Add("P");
    model.RollbackCounters();
    EXPECT_EQ(-1, model.RenameVariable("X", 1));
    EXPECT_EQ("Top", model.Row(1).name);
    model.DiscardPending();
    EXPECT_EQ(-1, model.RenameVariable("X", 0));
    EXPECT_EQ("Top", model.Row(0).name);
}

TEST_F(NamingTest, RenamingARowOutsideTheListTakesNoNumber) {
    Add("A");
    EXPECT_EQ(-1, model.RenameVariable("A", 1));
    EXPECT_EQ(-1, model.RenameVariable("A", -1));
    EXPECT_TRUE(model.Naming().Counters().empty());
}

TEST_F(NamingTest, DeleteAllForgetsEveryName) {
    Add("A");
    Add("A");
    model.Commit();
    model.DeleteAll();
    EXPECT_TRUE(model.Naming().Counters().empty());
    EXPECT_EQ("A", Add("A"));
}

TEST(FormatNumberTest, DigitsAreDecimal) {
    VariableNaming naming;
    EXPECT_EQ("7", naming.FormatNumber(7));
    EXPECT_EQ("1234", naming.FormatNumber(1234));
}

TEST(FormatNumberTest, UnknownStyleGivesEmptyText) {
    VariableNaming naming;
    naming.SetNumbering(1016, "_");
    EXPECT_EQ("", naming.FormatNumber(3));
}

struct LetterCase {
    int n;
    const char* lower;
};

class LetterNumberTest : public testing::TestWithParam<LetterCase> {};

TEST_P(LetterNumberTest, LowerAndUpperCaseLetters) {
    VariableNaming naming;
    naming.SetNumbering(VariableNaming::StyleLower, "_");
    EXPECT_EQ(GetParam().lower, naming.FormatNumber(GetParam().n));
    naming.SetNumbering(VariableNaming::StyleUpper, "_");
    std::string upper = GetParam().lower;
    for (char& c : upper) {
        c = static_cast<char>(c - 'a' + 'A');
    }
    EXPECT_EQ(upper, naming.FormatNumber(GetParam().n));
}

INSTANTIATE_TEST_SUITE_P(Numbers,
                         LetterNumberTest,
                         testing::Values(LetterCase{0, "a"},
                                         LetterCase{1, "b"},
                                         LetterCase{2, "c"},
                                         LetterCase{25, "z"},
                                         LetterCase{26, "ba"},
                                         LetterCase{27, "bb"},
                                         LetterCase{52, "ca"},
                                         LetterCase{675, "zz"},
                                         LetterCase{676, "baa"},
                                         LetterCase{677, "bab"},
                                         LetterCase{702, "bba"},
                                         LetterCase{17575, "zzz"},
                                         LetterCase{17576, "baaa"}));

TEST(FormatNumberTest, LettersRiseStrictlyPastTwoLetters) {
    VariableNaming naming;
    naming.SetNumbering(VariableNaming::StyleLower, "_");
    std::string previous = naming.FormatNumber(1);
    for (int n = 2; n < 20000; ++n) {
        const std::string text = naming.FormatNumber(n);
        for (char c : text) {
            ASSERT_TRUE(c >= 'a' && c <= 'z') << n;
        }
        // Longer means larger; equal lengths compare alphabetically.
        ASSERT_TRUE(text.size() > previous.size() || (text.size() == previous.size() && text > previous)) << n;
        previous = text;
    }
}

}  // namespace
