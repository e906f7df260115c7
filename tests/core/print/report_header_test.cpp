// What the report's head shows after a download and after a file was read.
#include "print/ReportHeader.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(ReportHeader, DownloadTakesTheInstrumentAndTheDateAndKeepsThePersonsTexts) {
  ReportHeader report;
  report.Texts.Lines = {"Operator", "Assistant", "Site", "Floor", "Footer"};
  report.Texts.ProbeSerNo[PrintHeader::Temp] = "T-1";
  report.Texts.ProbeType[PrintHeader::CO2] = "C-9";
  report.Texts.Comments = "Windows open";
  TInstrumentData info;
  info.InstrumentType = "QV-100";
  info.InstrumentCode = "100";
  info.SerialNumber = "77";
  info.Producer = "Maker";
  CopyInstrumentToReport(info, 45000.5, report);
  EXPECT_EQ(report.InstrumentType, "QV-100");
  EXPECT_EQ(report.InstrumentCode, "100");
  EXPECT_EQ(report.SerialNumber, "77");
  EXPECT_EQ(report.Producer, "Maker");
  EXPECT_EQ(report.Date, 45000.5);
  EXPECT_EQ(report.Texts.Lines, (std::array<Bytes, PrintHeader::LineCount>{
                                    "Operator", "Assistant", "Site", "Floor", "Footer"}));
  EXPECT_EQ(report.Texts.ProbeSerNo[PrintHeader::Temp], "T-1");
  EXPECT_EQ(report.Texts.ProbeType[PrintHeader::CO2], "C-9");
  EXPECT_EQ(report.Texts.Comments, "Windows open");
}

TEST(ReportHeader, AFileGivesEveryHeaderText) {
  PrintHeader header;
  header.Lines = {"A", "B", "C", "D", "E"};
  header.ProbeType[PrintHeader::Adap] = "Adapter";
  header.Comments = "x\r\ny";
  ReportHeader report;
  CopyHeaderToReport({}, header, 1, report);
  EXPECT_EQ(report.Texts.Lines, header.Lines);
  EXPECT_EQ(report.Texts.ProbeType[PrintHeader::Adap], "Adapter");
  EXPECT_EQ(report.Texts.Comments, "x\r\ny");
  EXPECT_EQ(report.Date, 1);
}

}  // namespace
}  // namespace qv
