#include "ViewTestSupport.h"
#include "view/FileInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace qv {
namespace {

// The ticked probes by name, in box order, so that a wrong set reads plainly.
std::string Ticked(const ProbeSet& probes) {
  static const char* const names[kProbeCount] = {"Temp",  "Ilum", "Lum", "Hum", "ThCoup",
                                                 "Globe", "AirV", "CO2", "CO",  "Adap"};
  std::string text;
  for (int i = 0; i < kProbeCount; ++i) {
    if (!probes[static_cast<size_t>(i)]) continue;
    if (!text.empty()) text += ' ';
    text += names[i];
  }
  return text;
}

Document LoggingBlock(int intervalSec, int samples, DateTime begin) {
  Document doc = test::LoggingDocument(samples, {1, 57});
  TLoggerRecord& b = doc.LoggerBlocks[0];
  b.IntervalSec = intervalSec;
  b.BeginTime = begin;
  b.BuildingName = "North";
  b.RoomName = "Hall";
  doc.InstrumentInfo.SerialNumber = "1001";
  doc.InstrumentInfo.FirmwareVersion = "1.07";
  return doc;
}

TEST(FileInfo, ProbesOfEachCodeGroupAtItsEdges) {
  // A code and the probes it ticks, at the edges of each group of the probe table.
  const std::pair<int, const char*> cases[] = {
      {0, ""},
      {1, "Temp Adap"},
      {4, "Temp Adap"},
      {5, "Hum Adap"},
      {8, "Hum Adap"},
      {9, "Temp Hum Adap"},
      {12, "Temp Hum Adap"},
      {13, "AirV Adap"},
      {20, "AirV Adap"},
      {21, "Ilum"},
      {24, "Ilum"},
      {25, "Lum"},
      {28, "Lum"},
      {29, "ThCoup"},
      {32, "ThCoup"},
      {33, "Temp ThCoup Adap"},
      {36, "Temp ThCoup Adap"},
      {37, "Lum"},
      {40, "Lum"},
      {41, "Globe"},
      {44, "Globe"},
      {45, "Temp Hum Globe AirV Adap"},
      {56, "Temp Hum Globe AirV Adap"},
      {57, "CO2"},
      {60, "CO2"},
      {61, "CO"},
      {64, "CO"},
      {65, "AirV Adap"},
      {68, "AirV Adap"},
      {69, ""},
      {-1, ""},
  };
  for (const auto& [code, probes] : cases)
    EXPECT_EQ(Ticked(ProbesOfCode(code)), probes) << "code " << code;
}

TEST(FileInfo, IntervalInWholeMinutesOrElseSeconds) {
  struct Case {
    int seconds;
    const char* text;
  };
  const Case cases[] = {{90, "   1 min"},  {30, "   30 sec"},   {59, "   59 sec"}, {60, "   1 min"},
                        {119, "   1 min"}, {3600, "   60 min"}, {0, "   0 sec"}};
  for (const Case& c : cases) {
    const Document doc = LoggingBlock(c.seconds, 10, test::At(2024, 3, 5, 10, 0, 0));
    EXPECT_EQ(DescribeFile(doc).LogInter, c.text) << c.seconds << " s";
  }
}

TEST(FileInfo, EndTimeIsBeginPlusSamplesTimesInterval) {
  struct Case {
    int seconds, samples;
    DateTime begin;
    const char* begT;
    const char* endT;
  };
  const Case cases[] = {
      {60, 100, test::At(2024, 5, 2, 10, 0, 0), "   02.05.24   10:00:00", "   02.05.24   11:40:00"},
      {90, 3, test::At(2024, 3, 5, 23, 58, 0), "   05.03.24   23:58:00", "   06.03.24   00:02:30"},
      {1, 86399, test::At(2023, 12, 31, 0, 0, 1), "   31.12.23   00:00:01",
       "   01.01.24   00:00:00"},
      {600, 0, test::At(2024, 5, 2, 10, 0, 0), "   02.05.24   10:00:00", "   02.05.24   10:00:00"},
  };
  for (const Case& c : cases) {
    const FileInfoTexts info = DescribeFile(LoggingBlock(c.seconds, c.samples, c.begin));
    EXPECT_EQ(info.BegT, c.begT);
    EXPECT_EQ(info.EndT, c.endT) << c.samples << " x " << c.seconds << " s";
  }
}

TEST(FileInfo, LoggingDocumentDescribesTheCurrentBlock) {
  Document doc = LoggingBlock(90, 100, test::At(2024, 5, 2, 10, 0, 0));
  // A second block, current, with other signals: the first one's must not show.
  doc.LoggerBlocks.push_back(doc.LoggerBlocks[0]);
  TLoggerRecord& second = doc.LoggerBlocks[1];
  second.UnitSystem = "US";
  second.RoomName = "Lab";
  second.SampleCount = 7;
  second.SignalCodes = {};
  second.SignalCodes[0] = 29;
  second.SignalCount = 1;
  doc.CurrentBlock = 1;

  const FileInfoTexts info = DescribeFile(doc);
  EXPECT_EQ(info.SerNo, "   1001");
  EXPECT_EQ(info.FirmwVer, "   ver. 1.07");
  EXPECT_TRUE(info.LoggingPanels);
  EXPECT_EQ(info.LogUnits, "   US");
  EXPECT_EQ(info.LogBuild, "   North");
  EXPECT_EQ(info.LogRoom, "   Lab");
  EXPECT_EQ(info.NumOfRes, "   7");
  EXPECT_EQ(Ticked(info.Probes), "ThCoup");
}

TEST(FileInfo, ResultsDocumentCountsTestsAndTicksItsSignalsProbes) {
  Document doc;
  doc.Kind = DocumentKind::Results;
  doc.InstrumentInfo.SerialNumber = "77";
  for (int i = 0; i < 3; ++i)
    test::AddTest(doc, 1, 1, "North", "Hall", {{1, 20.0}});
  doc.DocSignalCount = 3;
  doc.DocSignals[1] = 1;
  doc.DocSignals[2] = 5;
  doc.DocSignals[3] = 57;
  // Beyond DocSignalCount: not the document's.
  doc.DocSignals[4] = 61;

  const FileInfoTexts info = DescribeFile(doc);
  EXPECT_FALSE(info.LoggingPanels);
  EXPECT_EQ(info.SerNo, "   77");
  EXPECT_EQ(info.FirmwVer, "   ver. ");
  EXPECT_EQ(info.NumOfRes, "   3");
  EXPECT_EQ(Ticked(info.Probes), "Temp Hum CO2 Adap");
  for (const Bytes* text :
       {&info.LogUnits, &info.LogInter, &info.BegT, &info.EndT, &info.LogBuild, &info.LogRoom})
    EXPECT_EQ(*text, "");
}

TEST(FileInfo, MissingBlockOrDocumentOrDamagedCountsDescribeNothing) {
  Document bad = LoggingBlock(60, 5, test::At(2024, 5, 2, 10, 0, 0));
  for (int current : {-1, 1, 1000}) {
    bad.CurrentBlock = current;
    const FileInfoTexts info = DescribeFile(bad);
    EXPECT_TRUE(info.LoggingPanels) << current;
    EXPECT_EQ(info.LogInter, "") << current;
    EXPECT_EQ(info.NumOfRes, "") << current;
    EXPECT_EQ(Ticked(info.Probes), "") << current;
  }

  bad.CurrentBlock = 0;
  bad.LoggerBlocks[0].SignalCount = 1000;  // more than the block can hold: read what it holds
  EXPECT_EQ(Ticked(DescribeFile(bad).Probes), "Temp CO2 Adap");

  Document none;
  none.InstrumentInfo.SerialNumber = "5";
  const FileInfoTexts info = DescribeFile(none);
  EXPECT_FALSE(info.LoggingPanels);
  EXPECT_EQ(info.SerNo, "   5");
  EXPECT_EQ(info.NumOfRes, "");

  Document results;
  results.Kind = DocumentKind::Results;
  results.DocSignalCount = 500;
  results.DocSignals.fill(13);
  EXPECT_EQ(Ticked(DescribeFile(results).Probes), "AirV Adap");
}

}  // namespace
}  // namespace qv
