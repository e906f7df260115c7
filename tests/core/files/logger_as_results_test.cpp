#include "files/LoggerAsResults.h"

#include "FilesTestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::Texts;

constexpr DateTime kStart = 39141.5;  // 28.02.2007 12:00:00

Document LoggerDocument(int samples) {
  Document doc;
  doc.Kind = DocumentKind::Logging;
  doc.DocNotSaved = true;
  TLoggerRecord b = test::Block({1, 13}, samples);
  b.BuildingName = "Plant";
  b.RoomName = "Boiler";
  b.BeginTime = kStart;
  b.IntervalSec = 60;
  b.UnitSystem = "SI";
  for (int s = 0; s < samples; ++s) {
    test::SamplesOf(b, 1)[s] = 20 + s;
    test::SamplesOf(b, 13)[s] = s == 14 ? NoValue : 0.5;
  }
  doc.LoggerBlocks.push_back(b);
  return doc;
}

TEST(LoggerAsResults, AtMost1500SamplesAtOnce) {
  const Document exact = LoggerDocument(1500);
  const ConvertedResults all = ConvertBlockToResults(exact, 0, Texts());
  EXPECT_TRUE(all.outcome.ok());
  EXPECT_EQ(all.doc.AllTests.size(), 1500u);

  const ConvertedResults whole = ConvertBlockToResults(LoggerDocument(1501), 0, Texts());
  EXPECT_EQ(whole.outcome.status, Outcome::Status::Refused);
  EXPECT_EQ(whole.outcome.message, "Too many rows");
  EXPECT_TRUE(whole.doc.AllTests.empty());

  const Document larger = LoggerDocument(3000);
  EXPECT_EQ(ConvertSamplesToResults(larger, 0, 100, 1600, Texts()).outcome.message,
            "Too many rows");
  EXPECT_EQ(ConvertSamplesToResults(larger, 0, 101, 1600, Texts()).doc.TestCount(), 1500);
}

// The samples become a results document of their own: the logging document, with its earlier
// signals and report choice, is not touched.
TEST(LoggerAsResults, RowsElevenToTwentyAtOneMinute) {
  Document logging = LoggerDocument(30);
  logging.DocSignals[66] = 66;  // left from an earlier results document
  logging.ReportChosen[1] = true;
  logging.ReportCodes = {1};
  logging.Header.Lines[PrintHeader::Operator1] = "A. Berg";
  logging.InstrumentInfo.SerialNumber = "1001";
  const Document before = logging;
  const ConvertedResults converted = ConvertSamplesToResults(logging, 0, 11, 20, Texts());
  ASSERT_TRUE(converted.outcome.ok());
  const Document& doc = converted.doc;

  EXPECT_EQ(doc.TestCount(), 10);
  EXPECT_EQ(doc.ShownTestCount(), 10);
  EXPECT_EQ(doc.DocSignalCount, 2);
  EXPECT_EQ(doc.ColumnCount, 2);
  EXPECT_EQ(doc.DocSignals[1], 1);
  EXPECT_EQ(doc.DocSignals[2], 13);
  EXPECT_EQ(doc.DocSignals[3], 0);
  EXPECT_EQ(doc.DocSignals[66], 0);
  EXPECT_TRUE(doc.ReportCodes.empty());
  EXPECT_TRUE(doc.ResultsDataLoaded());
  EXPECT_EQ(doc.Header.Lines[PrintHeader::Operator1], "A. Berg");
  EXPECT_EQ(doc.InstrumentInfo.SerialNumber, "1001");
  EXPECT_TRUE(logging.AllTests.empty());
  EXPECT_EQ(logging.DocSignals, before.DocSignals);
  EXPECT_EQ(logging.ReportCodes, before.ReportCodes);
  EXPECT_TRUE(logging.LoggerDataLoaded());

  ASSERT_EQ(doc.AllTests.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    const TTestsRecord& t = doc.AllTests[i];
    EXPECT_NEAR(t.BeginTime, kStart + (10 + i) / 1440.0, 1e-9) << i;
    EXPECT_NEAR(t.EndTime, t.BeginTime + 1 / 1440.0, 1e-9) << i;
    EXPECT_EQ(t.BuildingNo, 1);
    EXPECT_EQ(t.RoomNo, 1);
    EXPECT_EQ(t.BuildingName, "Plant");
    EXPECT_EQ(t.RoomName, "Boiler");
    EXPECT_EQ(t.UnitSystem, "SI");
    EXPECT_EQ(t.Params.DuctShape, 0);
    EXPECT_EQ(t.SignalPresent[1] + t.SignalPresent[13], 2);
    EXPECT_EQ(t.Values[StoragePos(1)], 30 + i);  // sample s sits at index s - 1
    EXPECT_EQ(t.Values[StoragePos(5)], NoValue);
  }
  EXPECT_EQ(doc.AllTests[4].Values[StoragePos(13)], NoValue);
}

TEST(LoggerAsResults, SavedFileHoldsOneResultPerSample) {
  const Document logging = LoggerDocument(30);
  ConvertedResults converted = ConvertSamplesToResults(logging, 0, 11, 20, Texts());
  ASSERT_TRUE(converted.outcome.ok());
  QTemporaryDir dir;
  const QString path = dir.filePath("samples.QVL");
  const Outcome out = SaveResultsFile(path, converted.doc, Texts());
  ASSERT_TRUE(out.ok()) << out.message;
  // A copy of some samples was written, not the logging blocks: they still want saving.
  EXPECT_TRUE(logging.DocNotSaved);

  const std::string file = test::ReadAll(path);
  EXPECT_NE(file.find("$QUOR-Tests%\r\n"), std::string::npos);
  EXPECT_NE(file.find("$TestCount%\r\n10\r\n"), std::string::npos);
  // The fifteenth sample had no air velocity; every result carries zero parameters.
  EXPECT_NE(file.find("Location H/R: 1;1;\r\nBuildingName: Plant;\r\nRoomName: Boiler;\r\n"),
            std::string::npos);
  EXPECT_NE(file.find("Instrument Settings: 0;0;0.00;0.00;0.00;0.0;0.0;\r\n34.0; ---; \r\n"),
            std::string::npos);

  Document back;
  const OpenOutcome r = ReadResultsFile(file, back, Texts());
  ASSERT_TRUE(r.outcome.ok());
  EXPECT_EQ(r.kind, MeasurementsKind::Tests);
  EXPECT_EQ(back.AllTests.size(), 10u);
}

TEST(LoggerAsResults, AnEmptyConversionIsRefusedWhenSaved) {
  ConvertedResults none = ConvertBlockToResults(LoggerDocument(0), 0, Texts());
  ASSERT_TRUE(none.outcome.ok());
  QTemporaryDir dir;
  EXPECT_EQ(SaveResultsFile(dir.filePath("none.QVL"), none.doc, Texts()).message,
            "Nothing to save");
}

TEST(LoggerAsResults, RangesOutsideTheBlockAreRefused) {
  const Document doc = LoggerDocument(10);
  const struct {
    int block, first, last;
  } cases[] = {{0, 0, 5}, {0, 5, 11}, {0, 6, 4}, {1, 1, 1}, {-1, 1, 1}};
  for (const auto& c : cases) {
    const ConvertedResults out = ConvertSamplesToResults(doc, c.block, c.first, c.last, Texts());
    EXPECT_EQ(out.outcome.status, Outcome::Status::Refused) << c.first << ".." << c.last;
    EXPECT_FALSE(out.outcome.message.empty());
    EXPECT_TRUE(out.doc.AllTests.empty());
  }
}

}  // namespace
}  // namespace qv
