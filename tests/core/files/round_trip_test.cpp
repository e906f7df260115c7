#include "files/ResultsFile.h"

#include "FilesTestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::SetValue;
using test::Texts;

std::string Compose(const Document& doc, char sep) {
  const auto parts = ComposeResultsFile(doc, "trip.QVL", sep);
  if (!parts) return "<compose failed>";
  return parts->head + parts->instrument + parts->measurements;
}

Document Read(const std::string& bytes) {
  Document doc;
  const OpenOutcome r = ReadResultsFile(bytes, doc, Texts());
  EXPECT_TRUE(r.outcome.ok()) << r.outcome.message;
  return doc;
}

// Freshly measured values, as a download leaves them: more digits than any file keeps.
Document FreshResults() {
  Document doc;
  doc.Kind = DocumentKind::Results;
  doc.Header.Lines = {" Operator ", "", "Site", "", "Page footer"};
  doc.Header.ProbeSerNo[PrintHeader::CO] = "CO-9";
  const int codes[] = {1, 4, 5, 13, 17, 21, 33, 45, 57, 65, 66, 67, 68};
  int n = 0;
  for (int c : codes)
    doc.DocSignals[++n] = c;
  doc.DocSignalCount = n;
  const char* units[] = {"SI", "US", "SI"};
  for (int i = 0; i < 3; ++i) {
    TTestsRecord& t = doc.AllTests[doc.AddTestRecord()];
    t.UnitSystem = units[i];
    t.BuildingNo = i + 1;
    t.RoomNo = 2 * i + 1;
    t.BuildingName = i == 2 ? " Annex " : "Main; old";
    t.RoomName = "Room " + std::to_string(i);
    t.BeginTime = 39141.6076388889 + i / 3.0;
    t.EndTime = t.BeginTime + 1 / 1440.0;
    t.Params.DuctShape = i - 1;
    t.Params.Altitude = 312.7;
    t.Params.SideA = 0.305;
    t.Params.SideB = 0.1249;
    t.Params.Radius = 0.15;
    t.Params.MetabolicRate = 1.15;
    t.Params.Clothing = 0.75;
    SetValue(t, 1, 21.449 + i);
    SetValue(t, 4, -20.04);
    SetValue(t, 5, 99.95);
    SetValue(t, 13, 9.996);
    SetValue(t, 17, 1234.56);
    SetValue(t, 21, 19.996);
    SetValue(t, 33, -1.04);
    SetValue(t, 45, NoValue);
    SetValue(t, 57, 612.4);
    SetValue(t, 65, 0.04);
    SetValue(t, 66, 80.25);
    SetValue(t, 67, 5);
    SetValue(t, 68, 0);
  }
  return doc;
}

Document FreshLogger() {
  Document doc;
  doc.Kind = DocumentKind::Logging;
  for (int b = 0; b < 2; ++b) {
    TLoggerRecord block = test::Block({1, 5, 13, 20}, b == 0 ? 5 : 0);
    block.BuildingName = "Plant";
    block.RoomName = b == 0 ? "Boiler" : "Empty";
    block.BeginTime = 39141.6076388889 + b;
    block.IntervalSec = 60;
    block.UnitSystem = b == 0 ? "SI" : "US";
    block.Params.DuctShape = 1;
    block.Params.SideA = 0.5;
    for (int s = 0; s < block.SampleCount; ++s) {
      test::SamplesOf(block, 1)[s] = 20.04 + s * 0.333;
      test::SamplesOf(block, 5)[s] = s == 2 ? NoValue : 45.55;
      test::SamplesOf(block, 13)[s] = 9.996;
      test::SamplesOf(block, 20)[s] = 600000.4;
    }
    doc.LoggerBlocks.push_back(block);
  }
  return doc;
}

TEST(ResultsFileRoundTrip, SecondAndThirdSavesAreIdentical) {
  for (const Document& fresh : {FreshResults(), FreshLogger()}) {
    for (const char sep : {'.', ','}) {
      const std::string first = Compose(fresh, sep);
      const std::string second = Compose(Read(first), sep);
      const std::string third = Compose(Read(second), sep);
      EXPECT_EQ(second, third) << "separator " << sep;
      // Files hold display texts: 9.996 m/s is written with two decimals, reads back as 10
      // and is written again with one.
      const std::string ten = sep == '.' ? "10.00; " : "10,00; ";
      const std::string tenAgain = sep == '.' ? "10.0; " : "10,0; ";
      EXPECT_NE(first.find(ten), std::string::npos);
      EXPECT_EQ(second.find(ten), std::string::npos);
      EXPECT_NE(second.find(tenAgain), std::string::npos);
    }
  }
}

TEST(ResultsFileRoundTrip, EitherSeparatorReadsBackTheSameDocument) {
  for (const Document& fresh : {FreshResults(), FreshLogger()}) {
    const Document fromComma = Read(Compose(fresh, ','));
    const Document fromPoint = Read(Compose(fresh, '.'));
    EXPECT_EQ(Compose(fromComma, '.'), Compose(fromPoint, '.'));
    EXPECT_EQ(Compose(fromPoint, ','), Compose(fromComma, ','));
  }
  // Names keep their blanks and inner semicolons.
  const Document back = Read(Compose(FreshResults(), ','));
  EXPECT_EQ(back.AllTests[0].BuildingName, "Main; old");
  EXPECT_EQ(back.AllTests[2].BuildingName, " Annex ");
  EXPECT_EQ(back.Header.Lines[0], " Operator ");
  // Day numbers keep 15 significant digits.
  EXPECT_NEAR(back.AllTests[1].BeginTime, 39141.6076388889 + 1 / 3.0, 1e-9);
}

TEST(ResultsFileRoundTrip, FreeTextsComeBackByteForByte) {
  Document doc = FreshResults();
  std::string block;
  for (int c = 0; c < 256; ++c)
    block += static_cast<char>(c);
  // Counted by the compiler: a hand-counted length once read past the literal.
  static constexpr char kTail[] = "\r\n\xFF;\xFF*\xFF?\0\0\r\r\n\n\xFF";
  block.append(kTail, sizeof kTail - 1);
  doc.InstrumentInfo.SettingsBlock = block;
  doc.Header.Comments = "one\r\ntwo\rthree\nfour\xFF;five\r\n\r\n";

  const std::string bytes = Compose(doc, '.');
  const Document back = Read(bytes);
  EXPECT_EQ(back.InstrumentInfo.SettingsBlock, block);
  EXPECT_EQ(back.Header.Comments, doc.Header.Comments);
  // The identification is decoded from what was read: the leading NUL ends an empty type.
  EXPECT_EQ(back.InstrumentInfo.InstrumentType, "");
  EXPECT_EQ(back.InstrumentInfo.InstrumentCode, "\x01\x02\x03\x04\x05\x06\x07\x08\t\n\x0B\x0C");

  // An empty comment is the end mark alone.
  doc.Header.Comments.clear();
  EXPECT_NE(Compose(doc, '.').find("$Comments%\r\n\xFF;\r\n"), std::string::npos);
}

TEST(ResultsFileRoundTrip, ThroughRealFiles) {
  QTemporaryDir dir;
  const QString first = dir.filePath("first.QVL");
  const QString second = dir.filePath("second.QVL");
  Document doc = FreshLogger();
  ASSERT_TRUE(SaveResultsFile(first, doc, Texts()).ok());

  Document opened;
  const OpenOutcome r = OpenResultsFile(first, opened, Texts());
  ASSERT_TRUE(r.outcome.ok()) << r.outcome.message;
  EXPECT_EQ(r.fileName, "first.QVL");
  EXPECT_EQ(r.versionText, "Ver_3");
  opened.DocNotSaved = true;
  ASSERT_TRUE(SaveResultsFile(second, opened, Texts()).ok());
  EXPECT_EQ(test::ReadAll(second), test::Replaced(Compose(opened, '.'), "trip.QVL", "second.QVL"));
}

}  // namespace
}  // namespace qv
