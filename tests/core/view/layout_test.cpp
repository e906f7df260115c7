#include "ViewTestSupport.h"
#include "view/ColumnShading.h"
#include "view/TableLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

using test::AddTest;
using test::CharWidth;

TEST(ColumnShading, QuantitiesAlternateAndStatisticsShare) {
  struct Case {
    std::vector<int32_t> codes;
    std::vector<int> flags;  // in column order
  };
  const Case cases[] = {
      {{1, 2, 13}, {1, 1, 0}},
      {{1, 5, 9, 13}, {1, 0, 1, 0}},
      {{4, 5, 8, 9}, {1, 0, 0, 1}},
      {{61, 64, 65, 66, 67, 68}, {1, 1, 0, 0, 0, 0}},  // the multipoint codes form one group
      {{17}, {1}},
  };
  for (const Case& c : cases) {
    std::array<uint8_t, kMaxSignalCode + 1> flags{};
    ShadeColumns(c.codes, flags);
    std::vector<int> got;
    for (int32_t code : c.codes)
      got.push_back(flags[static_cast<size_t>(code)]);
    EXPECT_EQ(got, c.flags) << "first code " << c.codes[0];
  }
}

TEST(ColumnShading, LoggingBlockKeepsItsOwnFlags) {
  Document doc = test::LoggingDocument(3, {1, 3, 5, 57});
  doc.LoggerBlocks[0].ColumnShade[20] = 1;  // a stale flag from elsewhere
  TableState state;
  ComputeColumnShading(doc, state);
  const auto& shade = doc.LoggerBlocks[0].ColumnShade;
  EXPECT_EQ(shade[1], 1);
  EXPECT_EQ(shade[3], 1);
  EXPECT_EQ(shade[5], 0);
  EXPECT_EQ(shade[57], 1);
  EXPECT_EQ(shade[20], 0);
  EXPECT_EQ(state.ResultsShade, (std::array<uint8_t, kMaxSignalCode + 1>{}));
}

TableMetrics Metrics(int h) {
  return {h, 8, 120, CharWidth};
}

const DateTime kNow = test::At(2024, 6, 1, 12, 0, 0);
// "dd.mm.yy  hh:mm:ss": 18 characters.
const int kTimeText = 18 * 7;

Document ResultsDocument(int tests) {
  Document doc;
  for (int i = 0; i < tests; ++i)
    AddTest(doc, 1, 1, "B", "R", {{1, 20.0}, {5, 40.0}});
  doc.ShowAllTests();
  doc.DocSignalCount = 2;
  doc.ColumnSignals[1] = 1;
  doc.ColumnSignals[2] = 5;
  doc.ColumnCount = 2;
  return doc;
}

TEST(TableLayout, ResultsSizes) {
  const Document doc = ResultsDocument(120);
  // h = 14: 2.75 h = 38.5, which rounds to the even 38.
  const auto l = LayoutResultsTable(doc, Metrics(14), 20, "Location", kNow);
  ASSERT_TRUE(l);
  EXPECT_EQ(l->RowCount, 121);
  EXPECT_EQ(l->ColumnCount, 5);
  EXPECT_EQ(l->DefaultRowHeight, 38);
  EXPECT_EQ(l->HeaderRowHeight, 38);
  EXPECT_EQ(l->ColumnWidths, (std::vector<int>{3 * 7 + 16,      // "120"
                                               8 * 7 + 32,      // "Location" is wider
                                               kTimeText + 32,  //
                                               120 + 24, 120 + 24}));
  // A location text at least as wide as the caption sizes the column itself.
  const auto wide = LayoutResultsTable(doc, Metrics(13), 8 * 7, "Location", kNow);
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->ColumnWidths[1], 8 * 7 + 24);
  EXPECT_EQ(wide->DefaultRowHeight, 36);  // 35.75
}

TEST(TableLayout, LoggingSizes) {
  const Document doc = test::LoggingDocument(1000, {1, 5, 13});
  const auto l = LayoutLoggingTable(doc, Metrics(13), kNow);
  ASSERT_TRUE(l);
  EXPECT_EQ(l->RowCount, 1001);
  EXPECT_EQ(l->ColumnCount, 5);
  EXPECT_EQ(l->DefaultRowHeight, 20);  // 19.5 rounds to the even 20
  EXPECT_EQ(l->HeaderRowHeight, 36);
  EXPECT_EQ(l->ColumnWidths,
            (std::vector<int>{3 * 7 + 16, kTimeText + 32, 120 + 24, 120 + 24, 120 + 24}))
      << "column 0 is as wide as 250, a quarter of the count";
}

TEST(TableLayout, NothingToShow) {
  struct Case {
    const char* what;
    Document doc;
  };
  std::vector<Case> results;
  results.push_back({"no shown tests", ResultsDocument(0)});
  results.push_back({"no document signals", ResultsDocument(2)});
  results.back().doc.DocSignalCount = 0;
  for (const Case& c : results) {
    EXPECT_FALSE(LayoutResultsTable(c.doc, Metrics(14), 0, "Location", kNow)) << c.what;
  }

  std::vector<Case> logging;
  logging.push_back({"no blocks", Document{}});
  logging.push_back({"empty block", test::LoggingDocument(0, {1})});
  logging.push_back({"current block beyond the list", test::LoggingDocument(5, {1})});
  logging.back().doc.CurrentBlock = 1;
  logging.push_back({"negative count", test::LoggingDocument(5, {1})});
  logging.back().doc.LoggerBlocks[0].SampleCount = -3;
  for (const Case& c : logging) {
    EXPECT_FALSE(LayoutLoggingTable(c.doc, Metrics(14), kNow)) << c.what;
  }
}

}  // namespace
}  // namespace qv
