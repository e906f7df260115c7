#include "ViewTestSupport.h"
#include "view/RowEdits.h"

#include <gtest/gtest.h>

#include <vector>

namespace qv {
namespace {

using test::AddTest;

// Tests with record indexes 0..3: two in building 1 room 1, one in room 2, one in building 2.
Document Four() {
  Document doc;
  AddTest(doc, 1, 1, "North", "Hall", {{1, 1.0}});
  AddTest(doc, 1, 1, "North", "Hall", {{1, 2.0}});
  AddTest(doc, 1, 2, "North", "Office", {{1, 3.0}});
  AddTest(doc, 2, 1, "South", "Lab", {{1, 4.0}});
  return doc;
}

std::vector<int> Indexes(const Document& doc) {
  std::vector<int> v;
  for (const TTestsRecord& t : doc.AllTests)
    v.push_back(t.RecordIndex);
  return v;
}

TableState Selecting(int recordIndex) {
  TableState state;
  state.SelectedRow = 1;
  state.SelectedRecordIndex = recordIndex;
  return state;
}

TEST(RowEdits, PasteGoesByRecordIndexesNotPositions) {
  const struct {
    const char* what;
    void (*hold)(TableState&);
    int held, at;
    std::vector<int> after;
    int heldAfter;
  } cases[] = {
      {"cut then paste moves the test after the selected one", CutRow, 0, 3, {1, 2, 3, 4}, -1},
      {"copy then paste duplicates it and keeps it held", CopyRow, 2, 0, {0, 4, 1, 2, 3}, 2},
      {"a cut pasted onto itself stays in place under a new index", CutRow, 1, 1, {0, 4, 2, 3}, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Document doc = Four();
    TableState state = Selecting(c.held);
    c.hold(state);
    state.SelectedRecordIndex = c.at;
    ASSERT_TRUE(PasteRow(doc, state));
    EXPECT_EQ(Indexes(doc), c.after);
    EXPECT_EQ(state.HeldRow, c.heldAfter);
    EXPECT_EQ(state.CutRow, -1);
    // The copy is filed where the test it was pasted at is.
    const Document before = Four();
    const TTestsRecord& at = before.AllTests[static_cast<size_t>(c.at)];
    const auto copy = std::find_if(doc.AllTests.begin(), doc.AllTests.end(),
                                   [](const TTestsRecord& t) { return t.RecordIndex == 4; });
    ASSERT_NE(copy, doc.AllTests.end());
    EXPECT_EQ(copy->BuildingNo, at.BuildingNo);
    EXPECT_EQ(copy->RoomNo, at.RoomNo);
    EXPECT_EQ(copy->BuildingName, at.BuildingName);
    EXPECT_EQ(copy->RoomName, at.RoomName);
    EXPECT_EQ(copy->Values, before.AllTests[static_cast<size_t>(c.held)].Values);
  }
}

TEST(RowEdits, NothingHeldOrSelectedChangesNothing) {
  Document doc = Four();
  TableState none = Selecting(-1);
  CopyRow(none);
  EXPECT_EQ(none.HeldRow, -1);
  EXPECT_FALSE(PasteRow(doc, none));
  TableState held = Selecting(1);
  CopyRow(held);
  held.SelectedRecordIndex = 9;  // no such test
  EXPECT_FALSE(PasteRow(doc, held));
  EXPECT_FALSE(DeleteRow(doc, held));
  EXPECT_EQ(Indexes(doc), (std::vector<int>{0, 1, 2, 3}));
}

TEST(RowEdits, ACopyAfterACutNeverRemovesTheCutTest) {
  Document doc = Four();
  TableState state = Selecting(0);
  CutRow(state);
  state.SelectedRecordIndex = 2;
  CopyRow(state);  // the person changed their mind
  ASSERT_TRUE(PasteRow(doc, state));
  EXPECT_EQ(Indexes(doc), (std::vector<int>{0, 1, 2, 4, 3}));
}

TEST(RowEdits, DeletingTheHeldTestEndsTheHold) {
  Document doc = Four();
  TableState state = Selecting(3);
  CutRow(state);
  ASSERT_TRUE(DeleteRow(doc, state));
  EXPECT_EQ(Indexes(doc), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(state.HeldRow, -1);
  EXPECT_EQ(state.CutRow, -1);
}

}  // namespace
}  // namespace qv
