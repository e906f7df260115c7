#include "ViewTestSupport.h"
#include "view/ColumnShading.h"
#include "view/TableCells.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

using test::AddTest;

struct Expect {
  int column, row;
  CellFill fill;
  bool bold;
  std::vector<std::string> texts;
  std::vector<double> ys;
};

void Check(const CellDrawing& d, const Expect& e) {
  SCOPED_TRACE(testing::Message() << "cell " << e.column << "," << e.row);
  EXPECT_EQ(d.Fill, e.fill);
  EXPECT_EQ(d.Bold, e.bold);
  ASSERT_EQ(d.LineCount, static_cast<int>(e.texts.size()));
  for (size_t i = 0; i < e.texts.size(); ++i) {
    EXPECT_EQ(d.Lines[i].Text, e.texts[i]);
    EXPECT_DOUBLE_EQ(d.Lines[i].Y, e.ys[i]);
  }
}

Document Results() {
  Document doc;
  doc.Kind = DocumentKind::Results;
  const int a = AddTest(doc, 1, 2, "North", "Hall", {{1, 59.96}, {5, 40.0}, {13, 0.04}});
  doc.AllTests[a].BeginTime = test::At(2024, 3, 5, 9, 7, 5);
  doc.AllTests[a].EndTime = test::At(2024, 3, 5, 10, 0, 0);
  const int b = AddTest(doc, 1, 2, "North", "Hall", {{1, 20.0}});
  doc.AllTests[b].UnitSystem = "US";
  doc.ShowAllTests();
  doc.DocSignalCount = 3;
  doc.ColumnSignals[1] = 1;
  doc.ColumnSignals[2] = 5;
  doc.ColumnSignals[3] = 13;
  doc.ColumnCount = 3;
  return doc;
}

TEST(TableCells, ResultsView) {
  Document doc = Results();
  TableState state;
  ComputeColumnShading(doc, state);
  doc.ReportChosen[5] = true;
  const CellContext si{test::Texts(), "SI", '.'};
  const Expect cells[] = {
      {0, 0, CellFill::Fixed, true, {"No."}, {0.75}},
      {1, 0, CellFill::Fixed, true, {"Location"}, {0.75}},
      {2, 0, CellFill::Fixed, true, {"Start time", "End time"}, {0.25, 1.5}},
      {3, 0, CellFill::Fixed, true, {"Air temp.", "Curr  degC"}, {0.25, 1.5}},
      {0, 2, CellFill::Fixed, true, {"2"}, {0.75}},
      {1, 1, CellFill::Location, false, {"North", "Hall"}, {0.25, 1.5}},
      {2,
       1,
       CellFill::Location,
       false,
       {"05.03.24   09:07:05", "05.03.24   10:00:00"},
       {0.25, 1.5}},
      {3, 1, CellFill::Shaded, false, {">  60.0"}, {0.75}},
      {4, 1, CellFill::Plain, false, {"40.0"}, {0.75}},
      {5, 1, CellFill::Shaded, false, {"<  0.04"}, {0.75}},
      {3, 2, CellFill::Shaded, false, {"-6.7"}, {0.75}},  // a US test shown in SI
      {4, 2, CellFill::Plain, false, {"---"}, {0.75}},
  };
  for (const Expect& e : cells)
    Check(ResultsCell(doc, state, si, e.column, e.row), e);

  const CellDrawing location = ResultsCell(doc, state, si, 1, 1);
  EXPECT_DOUBLE_EQ(location.Lines[0].X, 0.5) << "left-aligned";
  EXPECT_DOUBLE_EQ(location.Lines[1].X, 1.5);
  EXPECT_LT(ResultsCell(doc, state, si, 3, 1).Lines[0].X, 0) << "centred";

  EXPECT_TRUE(ResultsCell(doc, state, si, 4, 0).Chosen);
  EXPECT_FALSE(ResultsCell(doc, state, si, 3, 0).Chosen);

  // Beyond the shown rows and the mapped columns nothing is drawn.
  for (auto [c, r] : {std::pair{6, 0}, {0, 3}, {3, 3}, {-1, 1}, {1, -1}}) {
    EXPECT_EQ(ResultsCell(doc, state, si, c, r).Fill, CellFill::None) << c << "," << r;
  }
}

TEST(TableCells, DisplayUnitsChangeCaptionsAndValuesButNotMarks) {
  const Document doc = Results();
  const TableState state;
  const CellContext us{test::Texts(), "US", '.'};
  Check(ResultsCell(doc, state, us, 3, 0),
        {3, 0, CellFill::Fixed, true, {"Air temp.", "Curr  degF"}, {0.25, 1.5}});
  Check(ResultsCell(doc, state, us, 3, 1), {3, 1, CellFill::Plain, false, {">  139.9"}, {0.75}});
  Check(ResultsCell(doc, state, us, 3, 2), {3, 2, CellFill::Plain, false, {"20.0"}, {0.75}});
  const CellContext comma{test::Texts(), "SI", ','};
  EXPECT_EQ(ResultsCell(doc, state, comma, 4, 1).Lines[0].Text, "40,0");
}

TEST(TableCells, SelectionCoversDataCellsOnly) {
  const Document doc = Results();
  TableState state;
  state.Selection = {1, 1, 5, 1};
  const CellContext si{test::Texts(), "SI", '.'};
  for (int c = 1; c <= 5; ++c)
    EXPECT_TRUE(ResultsCell(doc, state, si, c, 1).Selected) << c;
  EXPECT_FALSE(ResultsCell(doc, state, si, 0, 1).Selected);
  EXPECT_FALSE(ResultsCell(doc, state, si, 3, 2).Selected);
  EXPECT_FALSE(ResultsCell(doc, state, si, 3, 0).Selected);
}

TEST(TableCells, LoggingView) {
  Document doc = test::LoggingDocument(4096, {1, 5, 13});
  TableState state;
  ComputeColumnShading(doc, state);
  const CellContext si{test::Texts(), "SI", '.'};
  // Samples every 90 s from 05.03.24 23:58:00, across midnight.
  const Expect cells[] = {
      {0, 0, CellFill::Fixed, true, {"No."}, {1.0}},
      {1, 0, CellFill::Fixed, true, {"Time"}, {1.0}},
      {4, 0, CellFill::Fixed, true, {"Air velocity", "Curr  m/s"}, {0.25, 1.5}},
      {0, 1, CellFill::Fixed, true, {"1"}, {0.25}},
      {1, 1, CellFill::Location, false, {"05.03.24   23:58:00"}, {0.25}},
      {1, 2, CellFill::Location, false, {"05.03.24   23:59:30"}, {0.25}},
      {1, 3, CellFill::Location, false, {"06.03.24   00:01:00"}, {0.25}},
      {1, 4096, CellFill::Location, false, {"10.03.24   06:20:30"}, {0.25}},
      {2, 1, CellFill::Shaded, false, {"1.0"}, {0.25}},
      {3, 3, CellFill::Plain, false, {"5.2"}, {0.25}},
      {4, 2, CellFill::Shaded, false, {"13.1"}, {0.25}},
  };
  for (const Expect& e : cells)
    Check(LoggingCell(doc, state, si, e.column, e.row), e);
  EXPECT_EQ(LoggingCell(doc, state, si, 5, 1).Fill, CellFill::None);
  EXPECT_EQ(LoggingCell(doc, state, si, 1, 4097).Fill, CellFill::None);
  EXPECT_EQ(TableCell(doc, state, si, 1, 1).Lines[0].Text, "05.03.24   23:58:00");
}

TEST(TableCells, SamplesMissingFromTheArraysShowNoValue) {
  // A block whose count promises more samples than its arrays hold (a damaged file).
  Document doc = test::LoggingDocument(3, {1});
  doc.LoggerBlocks[0].SampleCount = 5;
  const TableState state;
  const CellContext si{test::Texts(), "SI", '.'};
  EXPECT_EQ(LoggingCell(doc, state, si, 2, 3).Lines[0].Text, "1.2");
  EXPECT_EQ(LoggingCell(doc, state, si, 2, 5).Lines[0].Text, "---");
}

}  // namespace
}  // namespace qv
