// Client handles stay attached to their rows through additions, rejections and removals.
#include <gtest/gtest.h>

#include "views/ClientHandleTable.h"

namespace {

TEST(ClientHandleTableTest, NewTableGivesHandleZeroToRowZero) {
    ClientHandleTable t;
    EXPECT_EQ(0, t.NextClientHandle());
    EXPECT_EQ(0, t.AddRow());
    EXPECT_EQ(1, t.NextClientHandle());
    EXPECT_EQ(0, t.RowOf(0));
    EXPECT_EQ(1, t.RowOf(1));  // the next handle already names the row the next item gets
}

TEST(ClientHandleTableTest, RemovingTheSecondOfThreeMovesTheThirdUp) {
    ClientHandleTable t;
    t.AddRow();
    t.AddRow();
    t.AddRow();
    t.RemoveRow(1);
    EXPECT_EQ(0, t.RowOf(0));
    EXPECT_EQ(-1, t.RowOf(1));
    EXPECT_EQ(1, t.RowOf(2));
    EXPECT_EQ(2, t.RowCount());
    // The next item lands after the remaining rows.
    EXPECT_EQ(3, t.NextClientHandle());
    EXPECT_EQ(2, t.AddRow());
    EXPECT_EQ(2, t.RowOf(3));
}

TEST(ClientHandleTableTest, RejectedItemsConsumeHandlesWithoutRows) {
    ClientHandleTable t;
    int base = t.NextClientHandle();
    t.AddRow();              // handle base + 0 accepted
    t.RetireClientHandle();  // base + 1 rejected
    t.AddRow();              // base + 2
    t.AddRow();              // base + 3
    EXPECT_EQ(0, t.RowOf(base));
    EXPECT_EQ(-1, t.RowOf(base + 1));
    EXPECT_EQ(1, t.RowOf(base + 2));
    EXPECT_EQ(2, t.RowOf(base + 3));
}

TEST(ClientHandleTableTest, HandlesOutsideTheTableHaveNoRow) {
    ClientHandleTable t;
    t.AddRow();
    EXPECT_EQ(-1, t.RowOf(-1));
    EXPECT_EQ(-1, t.RowOf(2));
    EXPECT_EQ(-1, t.RowOf(0x7FFFFFFF));
}

TEST(ClientHandleTableTest, ClearStartsHandlesAtZeroAgain) {
    ClientHandleTable t;
    t.AddRow();
    t.RetireClientHandle();
    t.Clear();
    EXPECT_EQ(0, t.NextClientHandle());
    EXPECT_EQ(0, t.AddRow());
    EXPECT_EQ(0, t.RowOf(0));
}

}  // namespace
