#include "ViewTestSupport.h"
#include "view/TableMouse.h"

#include <gtest/gtest.h>

#include <vector>

namespace qv {
namespace {

using test::AddTest;

// Six code columns (3..8) over three tests; the tests' record indexes are 10, 11, 12.
Document SixColumns() {
  Document doc;
  for (int i = 0; i < 3; ++i) {
    AddTest(doc, 1, 1, "B", "R", {{1, 1.0}, {2, 1.0}, {3, 1.0}, {4, 1.0}, {5, 1.0}, {6, 1.0}});
    doc.AllTests.back().RecordIndex = 10 + i;
  }
  doc.ShowAllTests();
  for (int c = 1; c <= 6; ++c)
    doc.ColumnSignals[static_cast<size_t>(c)] = c;
  doc.ColumnCount = 6;
  return doc;
}
constexpr int kColumns = 9;
constexpr int kRows = 4;

TEST(TableMouse, AtMostFourReportColumns) {
  Document doc = SixColumns();
  TableState state;
  for (int column : {7, 3, 5, 4}) {
    const ClickEffects e =
        ResultsMouseDown(doc, state, MouseButton::Left, column, 0, kColumns, kRows);
    EXPECT_TRUE(e.Repaint);
    EXPECT_FALSE(e.OverSelection);
  }
  EXPECT_EQ(doc.ReportCodes, (std::vector<int>{1, 2, 3, 5}));

  const ClickEffects fifth = ResultsMouseDown(doc, state, MouseButton::Left, 8, 0, kColumns, kRows);
  EXPECT_TRUE(fifth.OverSelection);
  EXPECT_FALSE(doc.ReportChosen[6]);
  EXPECT_EQ(doc.ReportCodes, (std::vector<int>{1, 2, 3, 5}));

  // A chosen header unchooses; then there is room again.
  ResultsMouseDown(doc, state, MouseButton::Left, 4, 0, kColumns, kRows);
  EXPECT_EQ(doc.ReportCodes, (std::vector<int>{1, 3, 5}));
  EXPECT_FALSE(
      ResultsMouseDown(doc, state, MouseButton::Left, 8, 0, kColumns, kRows).OverSelection);
  EXPECT_EQ(doc.ReportCodes, (std::vector<int>{1, 3, 5, 6}));

  // Headers of the number, location and time columns choose nothing.
  for (int column : {0, 1, 2})
    ResultsMouseDown(doc, state, MouseButton::Left, column, 0, kColumns, kRows);
  EXPECT_EQ(doc.ReportCodes, (std::vector<int>{1, 3, 5, 6}));
  EXPECT_FALSE(ToggleReportChoice(doc, 0));
  EXPECT_FALSE(ToggleReportChoice(doc, 69));
}

TEST(TableMouse, ResultsRowSelection) {
  Document doc = SixColumns();
  TableState state;
  ClickEffects e = ResultsMouseDown(doc, state, MouseButton::Right, 3, 2, kColumns, kRows);
  EXPECT_EQ(e.RowCommands, false) << "right button without a row";
  EXPECT_EQ(e.PasteRow, false);

  e = ResultsMouseDown(doc, state, MouseButton::Left, 0, 2, kColumns, kRows);
  EXPECT_EQ(state.Selection, (CellRect{1, 2, 8, 2}));
  EXPECT_EQ(state.SelectedRow, 2);
  EXPECT_EQ(state.SelectedRecordIndex, 11);
  EXPECT_EQ(e.RowCommands, true);
  EXPECT_EQ(e.PasteRow, false) << "nothing held";
  EXPECT_EQ(e.CopySelectAll, false);

  e = ResultsMouseDown(doc, state, MouseButton::Right, 3, 3, kColumns, kRows);
  EXPECT_FALSE(e.RowCommands.has_value()) << "a row is selected: the commands stay";
  EXPECT_EQ(state.SelectedRow, 2);

  state.HeldRow = 12;
  EXPECT_EQ(ResultsMouseDown(doc, state, MouseButton::Left, 0, 3, kColumns, kRows).PasteRow, true);

  PressCell(state, 4, 1, kColumns, kRows, false);
  e = ResultsMouseDown(doc, state, MouseButton::Left, 4, 1, kColumns, kRows);
  EXPECT_EQ(state.SelectedRow, -1);
  EXPECT_EQ(state.SelectedRecordIndex, -1);
  EXPECT_EQ(state.Selection, (CellRect{4, 1, 4, 1}));
  EXPECT_EQ(e.RowCommands, false);
  EXPECT_EQ(e.PasteRow, false);
  EXPECT_EQ(e.CopySelectAll, true);

  ResultsMouseDown(doc, state, MouseButton::Left, 0, 1, kColumns, kRows);
  TableExit(state);
  EXPECT_EQ(state.SelectedRow, -1);
  EXPECT_EQ(state.SelectedRecordIndex, -1);
  // Column 0 of the header row and rows below the table select nothing.
  ResultsMouseDown(doc, state, MouseButton::Left, 0, 0, kColumns, kRows);
  ResultsMouseDown(doc, state, MouseButton::Left, 0, 7, kColumns, kRows);
  EXPECT_EQ(state.SelectedRow, -1);
}

TEST(TableMouse, LoggingShiftRange) {
  constexpr int columns = 4;
  constexpr int rows = 101;
  struct Step {
    bool shift;
    int row;
    int first, last;
  };
  const Step steps[] = {
      {false, 10, 10, 10}, {true, 12, 10, 12},  // previous row above: the last row moves
      {true, 5, 5, 12},                         // previous row below: the first row moves
      {true, 8, 5, 8},     {false, 40, 40, 40}, {true, 40, 40, 40},
  };
  TableState state;
  for (const Step& s : steps) {
    const ClickEffects e =
        LoggingMouseDown(state, MouseButton::Left, s.shift, 0, s.row, columns, rows);
    EXPECT_EQ(state.RangeFirst, s.first) << "row " << s.row;
    EXPECT_EQ(state.RangeLast, s.last) << "row " << s.row;
    EXPECT_EQ(state.Selection, (CellRect{1, s.first, 3, s.last}));
    EXPECT_EQ(e.SaveSelAsRes, true);
    EXPECT_EQ(e.CopySelectAll, false);
  }

  // Losing the focus ends the row but keeps the range for the next Shift-click, which then
  // reaches from the range to the row without turning it inside out.
  TableExit(state);
  EXPECT_EQ(state.LogRow, -1);
  EXPECT_EQ(LoggingMouseDown(state, MouseButton::Right, false, 2, 5, columns, rows).SaveSelAsRes,
            false);
  LoggingMouseDown(state, MouseButton::Left, true, 0, 45, columns, rows);
  EXPECT_EQ(state.RangeFirst, 40);
  EXPECT_EQ(state.RangeLast, 45);
  TableExit(state);
  LoggingMouseDown(state, MouseButton::Left, true, 0, 30, columns, rows);
  EXPECT_EQ(state.RangeFirst, 30);
  EXPECT_EQ(state.RangeLast, 40);

  // A first Shift-click without any range selects the one row.
  TableState fresh;
  LoggingMouseDown(fresh, MouseButton::Left, true, 0, 7, columns, rows);
  EXPECT_EQ(fresh.RangeFirst, 7);
  EXPECT_EQ(fresh.RangeLast, 7);

  const ClickEffects elsewhere =
      LoggingMouseDown(state, MouseButton::Left, false, 2, 5, columns, rows);
  EXPECT_EQ(elsewhere.SaveSelAsRes, false);
  EXPECT_EQ(elsewhere.CopySelectAll, true);
}

TEST(TableMouse, GridSelectionStaysOnDataCells) {
  TableState state;
  EXPECT_TRUE(PressCell(state, 2, 3, 5, 10, false));
  EXPECT_EQ(state.Selection, (CellRect{2, 3, 2, 3}));
  EXPECT_TRUE(DragToCell(state, 0, 20, 5, 10));
  EXPECT_EQ(state.Selection, (CellRect{1, 3, 2, 9})) << "clamped to the data cells";
  EXPECT_TRUE(PressCell(state, 4, 1, 5, 10, true));
  EXPECT_EQ(state.Selection, (CellRect{2, 1, 4, 3})) << "extended from the anchor";
  EXPECT_FALSE(PressCell(state, 0, 2, 5, 10, false)) << "fixed column";
  EXPECT_FALSE(PressCell(state, 2, 0, 5, 10, false)) << "header row";
  EXPECT_FALSE(PressCell(state, 5, 2, 5, 10, false)) << "beyond the last column";

  state.RangeFirst = 50;
  state.RangeLast = 60;
  ResetForLayout(state, 20);
  EXPECT_EQ(state.Selection, CellRect{});
  EXPECT_EQ(state.RangeFirst, -1) << "the new rows do not hold the range";
}

}  // namespace
}  // namespace qv
