#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Records.h"
#include "variables/ConversionSettings.h"
#include "variables/VariableModel.h"

namespace {

VariableRecord Word(int32_t channel = 3) {
    VariableRecord r = SingleRecord(KrWord, channel);
    r.factor = 1.0f;
    return r;
}

class VariableModelTest : public testing::Test {
  protected:
    void Add(const std::string& name) { ASSERT_EQ(0, model.AddVariable(name, "id." + name, Word())); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int i = 0; i < model.RowCount(); ++i) {
            names.push_back(model.Row(i).name);
        }
        return names;
    }

    VariableModel model;
};

using NameList = std::vector<std::string>;

TEST_F(VariableModelTest, BatchKeepsArrivalOrderAboveOlderRows) {
    Add("Old1");
    Add("Old2");
    model.Commit();
    Add("New1");
    Add("New2");
    EXPECT_EQ((NameList{"New1", "New2", "Old1", "Old2"}), Names());
    EXPECT_EQ(2, model.PendingCount());
    EXPECT_TRUE(model.IsPending(1));
    EXPECT_FALSE(model.IsPending(2));
}

TEST_F(VariableModelTest, CommitReportsWhetherAnythingWasPending) {
    EXPECT_EQ(-1, model.Commit());
    Add("A");
    EXPECT_EQ(0, model.Commit());
    EXPECT_EQ(0, model.PendingCount());
    EXPECT_EQ(-1, model.Commit());
}

TEST_F(VariableModelTest, DiscardRemovesOnlyPendingRows) {
    Add("Kept");
    model.Commit();
    Add("Gone1");
    Add("Gone2");
    EXPECT_EQ(0, model.DiscardPending());
    EXPECT_EQ((NameList{"Kept"}), Names());
    EXPECT_EQ(0, model.PendingCount());
}

TEST_F(VariableModelTest, DeleteSelectedDeletesEveryChosenRowOnce) {
    Add("A");
    Add("B");
    Add("C");
    Add("D");
    model.Commit();
    EXPECT_EQ(2, model.DeleteSelected({3, 1, 3, -1, 4}));
    EXPECT_EQ((NameList{"A", "C"}), Names());
}

TEST_F(VariableModelTest, DeleteSelectedWithEmptySelectionDoesNothing) {
    Add("A");
    EXPECT_EQ(0, model.DeleteSelected({}));
    EXPECT_EQ(1, model.RowCount());
    EXPECT_EQ(1, model.PendingCount());
}

// Deleting pending rows by hand shrinks the pending count, so no committed row ever turns pending.
TEST_F(VariableModelTest, DeletingPendingRowsNeverMakesCommittedRowsPending) {
    Add("Old1");
    Add("Old2");
    model.Commit();
    Add("New1");
    Add("New2");
    Add("New3");
    EXPECT_EQ(2, model.DeleteSelected({0, 3}));
    EXPECT_EQ((NameList{"New2", "New3", "Old2"}), Names());
    EXPECT_EQ(2, model.PendingCount());
    model.DiscardPending();
    EXPECT_EQ((NameList{"Old2"}), Names());
}

TEST_F(VariableModelTest, DeletingAllPendingRowsLeavesNothingToCommit) {
    Add("Old");
    model.Commit();
    Add("New");
    model.DeleteSelected({0});
    EXPECT_EQ(0, model.PendingCount());
    EXPECT_EQ(-1, model.Commit());
    model.DiscardPending();
    EXPECT_EQ((NameList{"Old"}), Names());
}

TEST_F(VariableModelTest, EditNameAcceptsUpTo23Characters) {
    Add("A");
    Add("A");
    EXPECT_EQ(EditNameResult::Renamed, model.EditName(1, std::string(23, 'x')));
    EXPECT_EQ(std::string(23, 'x'), model.Row(1).name);
}

TEST_F(VariableModelTest, EditNameRefuses24CharactersAndKeepsTheName) {
    Add("A");
    EXPECT_EQ(EditNameResult::TooLong, model.EditName(0, std::string(24, 'x')));
    EXPECT_EQ("A", model.Row(0).name);
}

TEST_F(VariableModelTest, EditNameWithoutRowChangesNothing) {
    Add("A");
    EXPECT_EQ(EditNameResult::NoRow, model.EditName(-1, "B"));
    EXPECT_EQ(EditNameResult::NoRow, model.EditName(1, "B"));
    EXPECT_EQ("A", model.Row(0).name);
}

TEST_F(VariableModelTest, EditNameTakesTheTextAsTypedAndLeavesCounters) {
    Add("A");
    Add("A");
    EXPECT_EQ(EditNameResult::Renamed, model.EditName(1, "A"));
    EXPECT_EQ((NameList{"A", "A"}), Names());
    ASSERT_EQ(1u, model.Naming().Counters().size());
    EXPECT_EQ(1, model.Naming().Counters()[0].current);
}

TEST_F(VariableModelTest, ExportAllWritesEveryRowInListOrderAndEmptiesTheList) {
    Add("Old");
    model.Commit();
    Add("New");
    model.Commit();
    ConversionSettings settings;
    EXPECT_EQ(0, model.ExportAll(&settings));
    EXPECT_FALSE(model.HasVariables());
    EXPECT_STREQ(L"$E1 New \"\" 3 \"id.New\" 1 1 0 2 1 #\r\n$E1 Old \"\" 3 \"id.Old\" 1 1 0 2 1 #\r\n",
                 settings.Text().Text());
}

TEST_F(VariableModelTest, ExportAllKeepsTheNumbering) {
    Add("A");
    Add("A");
    model.Commit();
    ConversionSettings settings;
    model.ExportAll(&settings);
    Add("A");
    EXPECT_EQ("A_2", model.Row(0).name);
}

TEST_F(VariableModelTest, ExportOfEmptyListWritesNothing) {
    ConversionSettings settings;
    EXPECT_EQ(0, model.ExportAll(&settings));
    EXPECT_EQ(2u, settings.Text().Length());
    EXPECT_STREQ(L"", settings.Text().Text());
}

// After the run's one hand-over the settings are gone: the rows must not be lost.
TEST_F(VariableModelTest, ExportAllWithoutSettingsKeepsTheRows) {
    Add("A");
    model.Commit();
    EXPECT_EQ(-1, model.ExportAll(nullptr));
    EXPECT_TRUE(model.HasVariables());
    EXPECT_EQ("A", model.Row(0).name);
}

TEST_F(VariableModelTest, CellTextOutsideTheListIsEmpty) {
    Add("A");
    EXPECT_EQ("A", model.CellText(0, ColName));
    EXPECT_EQ("", model.CellText(1, ColName));
    EXPECT_EQ("", model.CellText(0, ColCount));
}

TEST(VariableRecordTextTest, TextRowsShow49WhateverTheirSize) {
    VariableRecord r = Word();
    r.type = KrText;
    r.size = 5;
    EXPECT_EQ("49", RecordColumnText(r, ColLength));
    r.kind = KindElement;
    EXPECT_EQ("49", RecordColumnText(r, ColLength));
}

TEST(VariableRecordTextTest, ElementsLeaveAccessCycleAndDeviceEmpty) {
    VariableRecord r = Word(0);
    r.kind = KindElement;
    EXPECT_EQ("", RecordColumnText(r, ColAccess));
    EXPECT_EQ("", RecordColumnText(r, ColCycle));
    EXPECT_EQ("", RecordColumnText(r, ColDevice));
    EXPECT_EQ("Word", RecordColumnText(r, ColType));
}

TEST(VariableRecordTextTest, DriverRowsShowTheDriverKindAndTheirSize) {
    VariableRecord r;
    r.kind = KindDriver;
    r.type = DriverAbtast;
    r.size = 14;
    r.channel = 4;
    r.access = AccessReadOnceThenWrite;
    EXPECT_EQ("Abtasttreiber", RecordColumnText(r, ColType));
    EXPECT_EQ("14", RecordColumnText(r, ColLength));
    EXPECT_EQ("2", RecordColumnText(r, ColDevice));
    EXPECT_EQ("1x Lesen dann Schreiben", RecordColumnText(r, ColAccess));
    // A driver kind 6 is no Text: its size is shown.
    r.type = 6;
    EXPECT_EQ("", RecordColumnText(r, ColType));
    EXPECT_EQ("14", RecordColumnText(r, ColLength));
}

TEST(VariableRecordTextTest, UnknownCodesGiveTheirFallbackTexts) {
    EXPECT_STREQ("Typ unbekannt", KorvaneTypeText(KrAskUser));
    EXPECT_STREQ("Typ unbekannt", KorvaneTypeText(4));
    EXPECT_STREQ("", AccessCodeText(-1));
    EXPECT_STREQ("", AccessCodeText(4));
    EXPECT_STREQ("", DriverKindText(4));
}

}  // namespace
