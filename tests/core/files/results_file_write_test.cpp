#include "files/ResultsFile.h"

#include "FilesTestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::SetValue;
using test::Texts;

std::string CommonHead(const std::string& name, const std::string& instrumentLine) {
  std::string s =
      "$FileVersion%\r\nVer_3\r\n\r\n$FileName%\r\n" + name +
      "\r\n\r\n$PrintHeader%\r\nOp1\r\nOp2\r\nSite1\r\nSite2\r\nFoot\r\n\r\n$ProbesData%\r\n";
  for (int p = 0; p < 10; ++p) {
    // Appended piece by piece: GCC 12 at -O3 warns falsely on "literal" + std::string&&.
    s.append("S").append(std::to_string(p)).append("\r\nT").append(std::to_string(p));
    s.append("\r\n");
  }
  s += "\r\n$Comments%\r\nLine 1\xFF=Line 2\xFF;\r\n\r\n$InstrData%\r\n" + instrumentLine +
       "\n\r\n\r\n";
  return s;
}

void FillHeader(Document& doc) {
  doc.Header.Lines = {"Op1", "Op2", "Site1", "Site2", "Foot"};
  for (int p = 0; p < 10; ++p) {
    doc.Header.ProbeSerNo[p] = std::string("S").append(std::to_string(p));
    doc.Header.ProbeType[p] = std::string("T").append(std::to_string(p));
  }
  doc.Header.Comments = "Line 1\r\nLine 2";
}

Document ResultsDocument() {
  Document doc;
  FillHeader(doc);
  doc.InstrumentInfo.SettingsBlock = std::string("A\0B\xFF\r\nC", 7);
  doc.Kind = DocumentKind::Results;
  doc.DocSignals[1] = 1;
  doc.DocSignals[2] = 5;
  doc.DocSignals[3] = 13;
  doc.DocSignals[4] = 68;
  doc.DocSignalCount = 4;

  TTestsRecord& a = doc.AllTests[doc.AddTestRecord()];
  a.UnitSystem = "SI";
  a.BuildingNo = 2;
  a.RoomNo = 3;
  a.BuildingName = "North";
  a.RoomName = "Lab 1";
  a.BeginTime = 39141.6076388889;
  a.EndTime = 39141.5;
  a.Params.DuctShape = 1;
  a.Params.Altitude = 250.4;
  a.Params.SideA = 0.3;
  a.Params.SideB = 0.2;
  a.Params.Radius = -1;
  a.Params.MetabolicRate = 1.25;
  a.Params.Clothing = 0.5;
  SetValue(a, 1, 21.46);
  SetValue(a, 5, NoValue);
  SetValue(a, 13, 9.996);
  SetValue(a, 68, 0);

  TTestsRecord& b = doc.AllTests[doc.AddTestRecord()];
  b.UnitSystem = "US";
  b.BuildingNo = 1;
  b.RoomNo = 1;
  return doc;
}

TEST(ResultsFileWrite, ResultsSectionByteForByte) {
  const Document doc = ResultsDocument();
  const auto parts = ComposeResultsFile(doc, "results.QVL", '.');
  ASSERT_TRUE(parts);
  const std::string expected =
      CommonHead("results.QVL", "A\xFF?B\xFF*\r\nC\xFF;") +
      "$MEASUREMENTS%\r\n$QUOR-Tests%\r\n$PROT%1\r\n\r\n"
      "$SignalCount%\r\n4\r\n\r\n$Signals%\r\n1;5;13;68;\r\n\r\n$TestCount%\r\n2\r\n\r\n"
      "Signals: 1;5;13;68;\r\nUnits: SI;\r\nLocation H/R: 2;3;\r\nBuildingName: North;\r\n"
      "RoomName: Lab 1;\r\nBeginTime: 39141.6076388889;\r\nEndTime: 39141.5;\r\n"
      "Instrument Settings: 1;250;0.30;0.20;-1.00;1.2;0.5;\r\n"
      "21.5; ---; 10.00; ---; \r\n\r\n"
      "Signals: \r\nUnits: US;\r\nLocation H/R: 1;1;\r\nBuildingName: ;\r\nRoomName: ;\r\n"
      "BeginTime: 0;\r\nEndTime: 0;\r\nInstrument Settings: 0;0;0.00;0.00;0.00;0.0;0.0;\r\n"
      "\r\n\r\n";
  EXPECT_EQ(parts->head + parts->instrument + parts->measurements, expected);
}

TEST(ResultsFileWrite, RealsTakeTheGivenDecimalSeparator) {
  const auto parts = ComposeResultsFile(ResultsDocument(), "x", ',');
  ASSERT_TRUE(parts);
  const std::string& m = parts->measurements;
  EXPECT_NE(m.find("BeginTime: 39141,6076388889;"), std::string::npos);
  EXPECT_NE(m.find("Instrument Settings: 1;250;0,30;0,20;-1,00;1,2;0,5;"), std::string::npos);
  EXPECT_NE(m.find("21,5; ---; 10,00; ---; "), std::string::npos);
}

TEST(ResultsFileWrite, LoggerSectionByteForByte) {
  Document doc;
  FillHeader(doc);
  doc.Kind = DocumentKind::Logging;
  TLoggerRecord b = test::Block({1, 13}, 2);
  b.BuildingName = "Plant";
  b.RoomName = "Roof";
  b.BeginTime = 39141.6076388889;
  b.IntervalSec = 60;
  b.UnitSystem = "SI";
  test::SamplesOf(b, 1) = {21.46, NoValue};
  test::SamplesOf(b, 13) = {0.04, 2.5};
  doc.LoggerBlocks.push_back(b);

  const auto parts = ComposeResultsFile(doc, "log.QVL", ',');
  ASSERT_TRUE(parts);
  // The start time keeps its point whatever the separator; every sample line ends LF CR LF.
  const std::string expected =
      CommonHead("log.QVL", "\xFF;") +
      "$MEASUREMENTS%\r\n$QUOR-Logger%\r\n$PROT%1\r\n\r\n$Logger Number%\r\n1\r\n\r\n\r\n"
      "------------------\r\n$ LOGGER 1 %\r\n------------------\r\n\r\n"
      "$BuildingName%\r\nPlant\r\n\r\n$RoomName%\r\nRoof\r\n\r\n"
      "$Logger Result Number%\r\n2\r\n\r\n$Logger Start Time%\r\n 3.91416076388889E+0004\r\n\r\n"
      "$Logger Interval%\r\n60\r\n\r\n$Logger Units%\r\nSI\r\n\r\n"
      "$Logger Signals%\r\n1;13;\r\n\r\n$Instrument Settings%\r\n0;0;0,00;0,00;0,00;0,0;0,0;\r\n"
      "\r\n"
      "21,5; 0,04; \n\r\n"
      "---; 2,50; \n\r\n"
      "\r\n\r\n";
  EXPECT_EQ(parts->head + parts->instrument + parts->measurements, expected);
}

TEST(ResultsFileWrite, ComposeFailsWhenSamplesAreShorterThanTheBlockClaims) {
  Document doc;
  doc.Kind = DocumentKind::Logging;
  doc.DocNotSaved = true;
  TLoggerRecord b = test::Block({1}, 2);
  b.SampleCount = 3;
  doc.LoggerBlocks.push_back(b);
  EXPECT_FALSE(ComposeResultsFile(doc, "x", '.'));

  QTemporaryDir dir;
  const QString path = dir.filePath("short.QVL");
  const Outcome out = SaveResultsFile(path, doc, Texts());
  EXPECT_EQ(out.status, Outcome::Status::Failed);
  EXPECT_EQ(out.message, "Save failed #11");
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(doc.DocNotSaved);
}

TEST(ResultsFileWrite, RefusalRulesInOrder) {
  struct Case {
    const char* name;
    bool tableHidden, notSaved, results, logger, savingAsResults, hasTests, hasBlocks;
    bool refused;
  };
  const Case cases[] = {
      {"hidden table, saved", true, false, true, false, false, true, false, true},
      {"hidden table, unsaved download", true, true, true, false, false, true, false, false},
      {"nothing at all", false, true, true, false, false, false, false, true},
      {"results wanted, only blocks", false, true, true, false, false, false, true, true},
      {"saving blocks as results, none converted", false, true, false, true, true, false, true,
       true},
      {"logger wanted, only tests", false, true, false, true, false, true, false, true},
      {"logger document", false, false, false, true, false, false, true, false},
      {"converted results", false, false, false, true, true, true, true, false},
  };
  for (const Case& c : cases) {
    Document doc;
    doc.DocNotSaved = c.notSaved;
    // Logging data saved as results are a results document of their own.
    doc.Kind = c.results || c.savingAsResults ? DocumentKind::Results
               : c.logger                     ? DocumentKind::Logging
                                              : DocumentKind::None;
    if (c.hasTests) doc.AddTestRecord();
    if (c.hasBlocks) doc.LoggerBlocks.emplace_back();
    const std::optional<Bytes> refusal = SaveRefusal(doc, c.tableHidden, Texts());
    EXPECT_EQ(refusal.has_value(), c.refused) << c.name;
    if (refusal) {
      EXPECT_EQ(*refusal, "Nothing to save") << c.name;
    }
  }
}

TEST(ResultsFileWrite, SaveWritesTheNamePartAndClearsTheFlags) {
  Document doc = ResultsDocument();
  doc.DocNotSaved = true;
  doc.DocModified = true;
  QTemporaryDir dir;
  const QString path = dir.filePath("Sauna & Bath.QVL");
  const Outcome out = SaveResultsFile(path, doc, Texts(), {'.', false});
  ASSERT_TRUE(out.ok()) << out.message;
  EXPECT_NE(test::ReadAll(path).find("$FileName%\r\nSauna & Bath.QVL\r\n"), std::string::npos);
  EXPECT_FALSE(doc.DocNotSaved);
  EXPECT_FALSE(doc.DocModified);

  doc.DocModified = true;
  const Outcome refused = SaveResultsFile(path, doc, Texts(), {'.', true});
  EXPECT_EQ(refused.status, Outcome::Status::Refused);
  EXPECT_TRUE(doc.DocModified);
}

}  // namespace
}  // namespace qv
