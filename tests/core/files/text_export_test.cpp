#include "files/TextExport.h"

#include "FilesTestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::SetValue;
using test::Texts;

ExportOptions Options(ExportDelimiter d, ExportLineEnd e, const char* units) {
  ExportOptions o;
  o.delimiter = d;
  o.lineEnd = e;
  o.displayUnits = units;
  return o;
}

Document ResultsDocument() {
  Document doc;
  doc.Kind = DocumentKind::Results;
  TTestsRecord a;
  a.Values.fill(NoValue);
  a.UnitSystem = "SI";
  a.BuildingName = "North";
  a.RoomName = "Lab";
  a.BeginTime = 39141.6076388889;  // 28.02.2007 14:35:00
  a.EndTime = 39141.6118055556;
  SetValue(a, 1, 59.96);
  SetValue(a, 13, 0.04);
  TTestsRecord b = a;
  b.UnitSystem = "US";
  b.BuildingName = "South";
  SetValue(b, 1, 68.0);
  SetValue(b, 13, 492.1);
  doc.AllTests = {a, b};
  doc.ColumnSignals[1] = 1;
  doc.ColumnSignals[2] = 5;
  doc.ColumnSignals[3] = 13;
  doc.ColumnCount = 3;
  return doc;
}

TEST(TextExport, ResultsWithSemicolonAndLf) {
  Document doc = ResultsDocument();
  doc.ShownTests = {0};  // the node shows the first test only
  const std::string expected =
      "Building;Room;Begin;End;Air temp. Curr  C;Humidity Curr  %RH;Air velocity Curr  m/s;\n"
      "North;Lab;28.02.07   14:35:00;28.02.07   14:41:00;> 60.0;;< 0.04;\n";
  EXPECT_EQ(
      ExportResultsText(doc, Texts(), Options(ExportDelimiter::Semicolon, ExportLineEnd::Lf, "SI")),
      expected);
}

TEST(TextExport, ValuesShownInTheDisplayUnitSystem) {
  Document doc = ResultsDocument();
  doc.ShowAllTests();
  doc.ColumnSignals[2] = 13;
  doc.ColumnCount = 2;
  ExportOptions o = Options(ExportDelimiter::Tab, ExportLineEnd::CrLf, "SI");
  o.decimalSeparator = ',';
  EXPECT_EQ(ExportResultsText(doc, Texts(), o),
            "Building\tRoom\tBegin\tEnd\tAir temp. Curr  C\tAir velocity Curr  m/s\t\r\n"
            "North\tLab\t28.02.07   14:35:00\t28.02.07   14:41:00\t> 60,0\t< 0,04\t\r\n"
            "South\tLab\t28.02.07   14:35:00\t28.02.07   14:41:00\t20,0\t2,50\t\r\n");
  o.displayUnits = "US";
  o.decimalSeparator = '.';
  // The marks come from the record's own units and stay when the value is converted.
  EXPECT_EQ(ExportResultsText(doc, Texts(), o),
            "Building\tRoom\tBegin\tEnd\tAir temp. Curr  F\tAir velocity Curr  ft/min\t\r\n"
            "North\tLab\t28.02.07   14:35:00\t28.02.07   14:41:00\t> 139.9\t< 7.87\t\r\n"
            "South\tLab\t28.02.07   14:35:00\t28.02.07   14:41:00\t68.0\t492\t\r\n");
}

TEST(TextExport, LoggingBlockRunsPastMidnight) {
  TLoggerRecord b = test::Block({1, 13}, 3);
  b.BeginTime = 39141 + 1439 / 1440.0;  // 28.02.2007 23:59:00
  b.IntervalSec = 60;
  b.UnitSystem = "SI";
  test::SamplesOf(b, 1) = {21.0, 21.04, NoValue};
  test::SamplesOf(b, 13) = {0.04, 25, NoValue};
  EXPECT_EQ(ExportLoggerText(b, Texts(), Options(ExportDelimiter::Tab, ExportLineEnd::Cr, "SI")),
            "Time\tAir temp. Curr  C\tAir velocity Curr  m/s\t\r"
            "28.02.07 23:59:00\t21.0\t< 0.04\t\r"
            "01.03.07 00:00:00\t21.0\t> 25.0\t\r"
            "01.03.07 00:01:00\t\t\t\r");

  // A day of minutes later the clock shows the start time again, not a second before.
  TLoggerRecord day = test::Block({1}, 1500);
  day.BeginTime = 39141.5;
  day.IntervalSec = 60;
  day.UnitSystem = "SI";
  const std::string text =
      ExportLoggerText(day, Texts(), Options(ExportDelimiter::Semicolon, ExportLineEnd::Lf, "SI"));
  EXPECT_NE(text.find("\n01.03.07 12:00:00;0.0;\n"), std::string::npos);

  TLoggerRecord empty = test::Block({1}, 0);
  EXPECT_EQ(
      ExportLoggerText(empty, Texts(), Options(ExportDelimiter::Tab, ExportLineEnd::CrLf, "US")),
      "Time\tAir temp. Curr  F\t\r\n");
}

TEST(TextExport, ExportTableWritesWhatIsShownOrRefuses) {
  QTemporaryDir dir;
  const QString path = dir.filePath("out.txt");
  Document nothing;
  EXPECT_EQ(ExportTable(path, nothing, Texts()).message, "Nothing to export");
  nothing.Kind = DocumentKind::Logging;  // but no current block
  EXPECT_EQ(ExportTable(path, nothing, Texts()).status, Outcome::Status::Refused);
  EXPECT_FALSE(QFile::exists(path));

  Document logger;
  logger.Kind = DocumentKind::Logging;
  logger.LoggerBlocks = {test::Block({5}, 1), test::Block({1}, 0)};
  logger.CurrentBlock = 1;
  const ExportOptions o = Options(ExportDelimiter::Semicolon, ExportLineEnd::Lf, "SI");
  ASSERT_TRUE(ExportTable(path, logger, Texts(), o).ok());
  EXPECT_EQ(test::ReadAll(path), "Time;Air temp. Curr  C;\n");
}

}  // namespace
}  // namespace qv
