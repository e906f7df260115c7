#include "ViewTestSupport.h"
#include "view/SelectionText.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

using test::AddTest;

const TextCatalog& Texts() {
  static const TextCatalog texts = TextCatalog::FromBytes(
      "[Language]\n"
      "Level1_8=Building\nLevel2_8=Room\nBeginTime_10=Start time\nEndTime_10=End time\n"
      "Time_10=Time\nAirTemp_10=Air temp.\nRelHum_10=Rel. humidity\n"
      "Curr_5=Curr\nUnit-Cels_10=degC\nUnit-Farh_10=degF\nUnit-ProcRH_10=%RH\n");
  return texts;
}

// Two tests of codes 1 and 5: the first SI with a high mark on code 1, the second in US units.
Document Results() {
  Document doc;
  doc.Kind = DocumentKind::Results;
  const int a = AddTest(doc, 1, 2, "North", "Hall", {{1, 59.96}, {5, 40.0}});
  doc.AllTests[a].BeginTime = test::At(2024, 3, 5, 9, 7, 5);
  doc.AllTests[a].EndTime = test::At(2024, 3, 5, 10, 0, 0);
  const int b = AddTest(doc, 1, 3, "North", "Lab\xFF\0x", {{1, 68.0}});
  doc.AllTests[b].RoomName = Bytes("Lab\xFF\0x", 6);
  doc.AllTests[b].UnitSystem = "US";
  doc.AllTests[b].BeginTime = doc.AllTests[b].EndTime = test::At(2024, 12, 31, 23, 59, 59);
  doc.ShowAllTests();
  doc.DocSignalCount = doc.ColumnCount = 2;
  doc.ColumnSignals[1] = doc.DocSignals[1] = 1;
  doc.ColumnSignals[2] = doc.DocSignals[2] = 5;
  return doc;
}

TEST(SelectionText, ResultsViewAsASpreadsheetTakesIt) {
  const Document doc = Results();
  const CellContext si{Texts(), "SI", '.'};
  const CellContext us{Texts(), "US", ','};
  const struct {
    const char* what;
    CellRect selection;
    const CellContext& ctx;
    std::string text;
  } cases[] = {
      {"select all: the header keeps its trailing tab, data lines have six cells", WholeTable(doc),
       si,
       "Building\tRoom\tStart time\tEnd time\tAir temp.  Curr  degC\tRel. humidity  Curr  %RH\t"
       "\r\n"
       "North\tHall\t05.03.24  09:07:05\t05.03.24  10:00:00\t> 60.0\t40.0\r\n"
       "North\tLab\xFFx\t31.12.24  23:59:59\t31.12.24  23:59:59\t20.0\t---\r\n"},
      {"one value column, shown in US: the SI test is converted and keeps its mark",
       {3, 1, 3, 2},
       us,
       "Air temp.  Curr  degF\t\r\n> 139,9\r\n68,0\r\n"},
      {"a selection past the table's edges is cut to it",
       {2, 2, 40, 9},
       si,
       "Start time\tEnd time\tAir temp.  Curr  degC\tRel. humidity  Curr  %RH\t\r\n"
       "31.12.24  23:59:59\t31.12.24  23:59:59\t20.0\t---\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(SelectionText(doc, c.selection, c.ctx), c.text);
  }
}

TEST(SelectionText, LoggingViewGivesSampleTimesAcrossMidnight) {
  Document doc = test::LoggingDocument(3, {1, 5});
  doc.LoggerBlocks[0].BeginTime += 0.4 / 86400;  // a start with a fraction of a second
  const CellContext si{Texts(), "SI", '.'};
  EXPECT_EQ(SelectionText(doc, WholeTable(doc), si),
            "Time\tAir temp.  Curr  degC\tRel. humidity  Curr  %RH\t\r\n"
            "05.03.24  23:58:00\t1.0\t5.0\r\n"
            "05.03.24  23:59:30\t1.1\t5.1\r\n"
            "06.03.24  00:01:00\t1.2\t5.2\r\n");
  doc.CurrentBlock = 3;  // no such block: nothing to copy
  EXPECT_EQ(SelectionText(doc, {1, 1, 3, 3}, si), "");
}

TEST(SelectionText, ALargeBlockArrivesWhole) {
  const Document doc = test::LoggingDocument(4096, {1, 2, 3, 4, 5, 6, 7, 8});
  const Bytes text = SelectionText(doc, WholeTable(doc), {Texts(), "SI", '.'});
  EXPECT_GT(text.size(), 120000u);
  size_t lines = 0;
  for (const char c : text)
    lines += c == '\n';
  EXPECT_EQ(lines, 4097u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  EXPECT_NE(text.find("\r\n" + FormatDayTime(SampleTime(doc.LoggerBlocks[0], 4096), 2) + "\t"),
            Bytes::npos);
}

}  // namespace
}  // namespace qv
