#include "files/LoggerAsResults.h"

#include "FilesTestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::Texts;

constexpr DateTime kStart = 39141.5;  // 28.02.2007 12:00:00

Document LoggerDocument(int samples) {
  Document doc;
  doc.LoggerDataLoaded = true;
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
  Document exact = LoggerDocument(1500);
  EXPECT_TRUE(ConvertBlockToResults(exact, 0, Texts()).ok());
  EXPECT_EQ(exact.AllTests.size(), 1500u);

  Document over = LoggerDocument(1501);
  over.AddTestRecord();  // an earlier conversion, which a refusal must leave alone
  const Outcome whole = ConvertBlockToResults(over, 0, Texts());
  EXPECT_EQ(whole.status, Outcome::Status::Refused);
  EXPECT_EQ(whole.message, "Too many rows");
  EXPECT_EQ(over.AllTests.size(), 1u);

  Document larger = LoggerDocument(3000);
  EXPECT_EQ(ConvertSamplesToResults(larger, 0, 100, 1600, Texts()).message, "Too many rows");
  EXPECT_TRUE(larger.AllTests.empty());
  // The refusal leaves nothing behind: the next command of 1500 rows converts them all.
  EXPECT_TRUE(ConvertSamplesToResults(larger, 0, 101, 1600, Texts()).ok());
  EXPECT_EQ(larger.TestCount(), 1500);
}

TEST(LoggerAsResults, RowsElevenToTwentyAtOneMinute) {
  Document doc = LoggerDocument(30);
  doc.DocSignals[66] = 66;  // left from an earlier results document
  doc.ReportChosen[1] = true;
  doc.ReportCodes = {1};
  ASSERT_TRUE(ConvertSamplesToResults(doc, 0, 11, 20, Texts()).ok());

  EXPECT_EQ(doc.TestCount(), 10);
  EXPECT_EQ(doc.ShownTestCount(), 10);
  EXPECT_EQ(doc.DocSignalCount, 2);
  EXPECT_EQ(doc.ColumnCount, 2);
  EXPECT_EQ(doc.DocSignals[1], 1);
  EXPECT_EQ(doc.DocSignals[2], 13);
  EXPECT_EQ(doc.DocSignals[3], 0);
  EXPECT_EQ(doc.DocSignals[66], 0);
  EXPECT_TRUE(doc.ReportCodes.empty());
  EXPECT_TRUE(doc.LoggerDataLoaded);
  EXPECT_FALSE(doc.ResultsDataLoaded);

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
    EXPECT_EQ(t.DuctShape, 0);
    EXPECT_EQ(t.SignalPresent[1] + t.SignalPresent[13], 2);
    EXPECT_EQ(t.Values[StoragePos(1)], 30 + i);  // sample s sits at index s - 1
    EXPECT_EQ(t.Values[StoragePos(5)], NoValue);
  }
  EXPECT_EQ(doc.AllTests[4].Values[StoragePos(13)], NoValue);
}

TEST(LoggerAsResults, SavedFileHoldsOneResultPerSample) {
  Document doc = LoggerDocument(30);
  ASSERT_TRUE(ConvertSamplesToResults(doc, 0, 11, 20, Texts()).ok());
  QTemporaryDir dir;
  const QString path = dir.filePath("samples.QVL");
  const Outcome out = SaveConvertedResults(path, doc, Texts());
  ASSERT_TRUE(out.ok()) << out.message;
  EXPECT_FALSE(doc.SavingLoggerAsResults);
  // A copy of some samples was written, not the logging blocks: they still want saving.
  EXPECT_TRUE(doc.DocNotSaved);

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

TEST(LoggerAsResults, FlagClearedAfterAFailedOrRefusedSave) {
  Document doc = LoggerDocument(0);
  ASSERT_TRUE(ConvertBlockToResults(doc, 0, Texts()).ok());
  QTemporaryDir dir;
  const Outcome empty = SaveConvertedResults(dir.filePath("none.QVL"), doc, Texts());
  EXPECT_EQ(empty.message, "Nothing to save");
  EXPECT_FALSE(doc.SavingLoggerAsResults);

  Document full = LoggerDocument(5);
  ASSERT_TRUE(ConvertBlockToResults(full, 0, Texts()).ok());
  const Outcome failed = SaveConvertedResults("/nonexistent-folder/x.QVL", full, Texts());
  EXPECT_EQ(failed.status, Outcome::Status::Failed);
  EXPECT_FALSE(full.SavingLoggerAsResults);
  EXPECT_TRUE(full.DocNotSaved);
}

TEST(LoggerAsResults, RangesOutsideTheBlockAreRefused) {
  Document doc = LoggerDocument(10);
  const struct {
    int block, first, last;
  } cases[] = {{0, 0, 5}, {0, 5, 11}, {0, 6, 4}, {1, 1, 1}, {-1, 1, 1}};
  for (const auto& c : cases) {
    const Outcome out = ConvertSamplesToResults(doc, c.block, c.first, c.last, Texts());
    EXPECT_EQ(out.status, Outcome::Status::Refused) << c.first << ".." << c.last;
    EXPECT_FALSE(out.message.empty());
  }
  EXPECT_TRUE(doc.AllTests.empty());
}

}  // namespace
}  // namespace qv
