#include "files/ResultsFile.h"

#include "FilesTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>

namespace qv {
namespace {

using test::DataFile;
using test::Replaced;
using test::Texts;

double ValueOf(const TTestsRecord& t, int code) {
  return t.Values[StoragePos(code)];
}

TEST(ResultsFileRead, VersionOneResultsWithoutVersionLine) {
  Document doc;
  doc.Header.ProbeSerNo[PrintHeader::CO2] = "kept";
  doc.Kind = DocumentKind::Logging;
  const OpenOutcome r = ReadResultsFile(DataFile("ver1_results.qvl"), doc, Texts());
  ASSERT_TRUE(r.outcome.ok()) << r.outcome.message;
  EXPECT_EQ(r.version, 1);
  EXPECT_EQ(r.versionText, "Ver_1");
  EXPECT_EQ(r.fileName, "old.QVL");
  EXPECT_EQ(r.kind, MeasurementsKind::Tests);
  EXPECT_TRUE(doc.ResultsDataLoaded());
  EXPECT_FALSE(doc.LoggerDataLoaded());

  // Sixteen probe lines: the adapter pair follows luminance, CO2 and CO are not in the file.
  EXPECT_EQ(doc.Header.Lines[PrintHeader::Footer], "Footer text");
  EXPECT_EQ(doc.Header.ProbeSerNo[PrintHeader::Lum], "L-1");
  EXPECT_EQ(doc.Header.ProbeType[PrintHeader::Adap], "ADP");
  EXPECT_EQ(doc.Header.ProbeSerNo[PrintHeader::CO2], "kept");
  EXPECT_EQ(doc.Header.Comments, "First line\r\nSecond line");

  EXPECT_EQ(doc.InstrumentInfo.SettingsBlock, std::string("QV-100\0C7\0Maker\0"
                                                          "1.02\0\0SN42\0"
                                                          "10\0"
                                                          "5\0\x01",
                                                          33));
  EXPECT_EQ(doc.InstrumentInfo.InstrumentType, "QV-100");
  EXPECT_EQ(doc.InstrumentInfo.InstrumentCode, "C7");
  EXPECT_EQ(doc.InstrumentInfo.Producer, "Maker");
  EXPECT_EQ(doc.InstrumentInfo.FirmwareVersion, "1.02");
  EXPECT_EQ(doc.InstrumentInfo.SerialNumber, "SN42");

  EXPECT_EQ(doc.DocSignalCount, 3);
  EXPECT_EQ(doc.ColumnCount, 3);
  EXPECT_EQ((std::vector<int>{doc.DocSignals[1], doc.DocSignals[2], doc.DocSignals[3],
                              doc.DocSignals[4]}),
            (std::vector<int>{1, 5, 13, 0}));
  EXPECT_EQ(doc.ColumnSignals, doc.DocSignals);
  EXPECT_EQ(doc.TestCount(), 2);
  ASSERT_EQ(doc.AllTests.size(), 2u);
  EXPECT_EQ(doc.ShownTests.size(), 2u);

  const TTestsRecord& a = doc.AllTests[0];
  EXPECT_EQ(a.UnitSystem, "SI");
  EXPECT_EQ(a.BuildingNo, 2);
  EXPECT_EQ(a.RoomNo, 1);
  EXPECT_EQ(a.BuildingName, "North");
  EXPECT_EQ(a.RoomName, "Lab");
  EXPECT_DOUBLE_EQ(a.BeginTime, 39141.6076388889);
  EXPECT_DOUBLE_EQ(a.EndTime, 39141.6118055556);
  EXPECT_EQ(a.Params.DuctShape, -1);
  EXPECT_EQ(a.Params.Clothing, -1.0);
  EXPECT_EQ(ValueOf(a, 1), 21.5);
  EXPECT_EQ(ValueOf(a, 5), 45.0);
  EXPECT_EQ(a.SignalPresent[13], 0);
  EXPECT_EQ(ValueOf(a, 13), NoValue);

  const TTestsRecord& b = doc.AllTests[1];
  EXPECT_EQ(b.UnitSystem, "US");
  EXPECT_EQ(b.RecordIndex, 1);
  EXPECT_EQ(b.SignalPresent[13], 1);
  EXPECT_EQ(ValueOf(b, 13), NoValue);
}

TEST(ResultsFileRead, EveryTestGetsItsOwnRecordIndexAlsoWithoutSignals) {
  // The record index is a test's identity for the row commands.
  Document doc;
  const OpenOutcome r = ReadResultsFile(
      Replaced(DataFile("ver1_results.qvl"), "Signals: 1;13;", "Signals: "), doc, Texts());
  ASSERT_TRUE(r.outcome.ok());
  ASSERT_EQ(doc.AllTests.size(), 2u);
  EXPECT_EQ(doc.AllTests[0].RecordIndex, 0);
  EXPECT_EQ(doc.AllTests[1].RecordIndex, 1);
}

TEST(ResultsFileRead, VersionTwoLoggerWithCommaSamples) {
  Document doc;
  doc.AddTestRecord();  // results of an earlier document stay where they are
  const OpenOutcome r = ReadResultsFile(DataFile("ver2_logger.qvl"), doc, Texts());
  ASSERT_TRUE(r.outcome.ok()) << r.outcome.message;
  EXPECT_EQ(r.version, 2);
  EXPECT_EQ(r.kind, MeasurementsKind::Logger);
  EXPECT_EQ(r.formatDigit, 1);
  EXPECT_TRUE(doc.LoggerDataLoaded());
  EXPECT_EQ(doc.Header.ProbeType[PrintHeader::CO], "S18");
  EXPECT_EQ(doc.Header.ProbeType[PrintHeader::Adap], "S20");
  EXPECT_EQ(doc.Header.Comments, "");
  EXPECT_EQ(doc.InstrumentInfo.SettingsBlock, std::string("QV-200\0", 7));
  EXPECT_EQ(doc.InstrumentInfo.InstrumentType, "QV-200");

  ASSERT_EQ(doc.LoggerBlocks.size(), 2u);
  const TLoggerRecord& b = doc.LoggerBlocks[0];
  EXPECT_EQ(b.BuildingName, "Plant");
  EXPECT_EQ(b.RoomName, "Boiler room");
  EXPECT_EQ(b.SampleCount, 3);
  EXPECT_DOUBLE_EQ(b.BeginTime, 39141.6076388889);
  EXPECT_EQ(b.IntervalSec, 60);
  EXPECT_EQ(b.UnitSystem, "SI");
  EXPECT_EQ(b.SignalCount, 2);
  EXPECT_EQ(b.SignalPresent[5], 1);
  EXPECT_EQ(b.Params.DuctShape, -1);
  EXPECT_EQ(b.Samples[StoragePos(1)], (std::vector<double>{21.5, 21.6, 21.7}));
  EXPECT_EQ(b.Samples[StoragePos(5)], (std::vector<double>{40.1, NoValue, 40.3}));

  const TLoggerRecord& empty = doc.LoggerBlocks[1];
  EXPECT_EQ(empty.RoomName, "Roof");
  EXPECT_EQ(empty.SampleCount, 0);
  EXPECT_EQ(empty.UnitSystem, "US");
  EXPECT_TRUE(empty.Samples[StoragePos(13)].empty());
  EXPECT_EQ(doc.AllTests.size(), 1u);
}

TEST(ResultsFileRead, VersionThreeWithCommaDecimals) {
  Document doc;
  const OpenOutcome r = ReadResultsFile(DataFile("ver3_results_comma.qvl"), doc, Texts());
  ASSERT_TRUE(r.outcome.ok()) << r.outcome.message;
  EXPECT_EQ(r.version, 3);
  ASSERT_EQ(doc.AllTests.size(), 1u);
  const TTestsRecord& t = doc.AllTests[0];
  // The name runs to the last semicolon; an empty name stays empty.
  EXPECT_EQ(t.BuildingName, "Hall; East");
  EXPECT_EQ(t.RoomName, "");
  EXPECT_EQ(t.BuildingNo, 4);
  EXPECT_EQ(t.RoomNo, 7);
  EXPECT_DOUBLE_EQ(t.BeginTime, 39141.6076388889);
  EXPECT_DOUBLE_EQ(t.EndTime, 39141.75);
  EXPECT_EQ(t.Params.DuctShape, 1);
  EXPECT_EQ(t.Params.Altitude, 250);
  EXPECT_EQ(t.Params.SideA, 0.30);
  EXPECT_EQ(t.Params.SideB, 0.20);
  EXPECT_EQ(t.Params.Radius, 0);
  EXPECT_EQ(t.Params.MetabolicRate, 1.2);
  EXPECT_EQ(t.Params.Clothing, 0.5);
  EXPECT_EQ(ValueOf(t, 13), 2.48);
  EXPECT_EQ(ValueOf(t, 17), 1234.5);
}

TEST(ResultsFileRead, UnknownVersionTextReadsAsVersionOne) {
  const std::string v2 = DataFile("ver2_logger.qvl");
  Document doc;
  const OpenOutcome r = ReadResultsFile(Replaced(v2, "Ver_2", "Ver_9"), doc, Texts());
  ASSERT_TRUE(r.outcome.ok()) << r.outcome.message;
  EXPECT_EQ(r.versionText, "Ver_9");
  EXPECT_EQ(r.version, 1);
  // Read with sixteen probe lines, the fifteenth line of the section is the adapter serial.
  EXPECT_EQ(doc.Header.ProbeSerNo[PrintHeader::Adap], "S15");
}

TEST(ResultsFileRead, MissingTagsGiveTheirMessages) {
  const std::string file = DataFile("ver3_results_comma.qvl");
  const struct {
    const char* tag;
    const char* message;
  } cases[] = {
      {"$ProbesData%", "Not a results file   Error #1A"},
      {"$Comments%", "Not a results file   Error #1B"},
      {"$MEASUREMENTS%", "Not a results file   Error #1"},
  };
  for (const auto& c : cases) {
    Document doc;
    const OpenOutcome r = ReadResultsFile(Replaced(file, c.tag, "$Other%"), doc, Texts());
    EXPECT_EQ(r.outcome.status, Outcome::Status::Failed) << c.tag;
    EXPECT_EQ(r.outcome.message, c.message);
  }
  // What was read before the failure stays in the document.
  Document doc;
  ReadResultsFile(Replaced(file, "$MEASUREMENTS%", "x"), doc, Texts());
  EXPECT_EQ(doc.Header.Lines[PrintHeader::Operator1], "A");
  EXPECT_EQ(doc.Header.ProbeSerNo[PrintHeader::Temp], "P1");
}

TEST(ResultsFileRead, AnotherKindLoadsNothingButCompletes) {
  Document doc;
  const OpenOutcome r = ReadResultsFile(
      Replaced(DataFile("ver3_results_comma.qvl"), "$QUOR-Tests%", "$QUOR-Other%"), doc, Texts());
  EXPECT_TRUE(r.outcome.ok());
  EXPECT_EQ(r.kind, MeasurementsKind::None);
  EXPECT_FALSE(doc.ResultsDataLoaded());
  EXPECT_FALSE(doc.LoggerDataLoaded());
  EXPECT_TRUE(doc.AllTests.empty());
}

TEST(ResultsFileRead, NumbersThatCannotBeReadStopTheOpening) {
  const std::string v3 = DataFile("ver3_results_comma.qvl");
  const std::string v2 = DataFile("ver2_logger.qvl");
  const struct {
    std::string file;
    const char* message;
  } cases[] = {
      {Replaced(v3, "Location H/R: 4;7;", "Location H/R: 4;x;"),
       "'x' is not a valid integer value (line 57)"},
      {Replaced(v3, "BeginTime: 39141,6076388889;", "BeginTime: noon;"),
       "' noon' is not a valid floating point value (line 60)"},
      {Replaced(v3, "2,48; 1234,5; ", "2,48; 12\n34; "),
       "' 12?34' is not a valid floating point value (line 63)"},
      {Replaced(v3, "$PROT%1", "$PROT%"), "'' is not a valid integer value (line 44)"},
      {Replaced(v3, "$SignalCount%\r\n2", "$SignalCount%\r\n69"),
       "'69' is out of range for a signal count (line 47)"},
      {Replaced(v3, "$TestCount%\r\n1", "$TestCount%\r\n-1"),
       "'-1' is out of range for a test count (line 53)"},
      // More tests than a memory has pages, or more blocks than its logging pages.
      {Replaced(v3, "$TestCount%\r\n1", "$TestCount%\r\n65537"),
       "'65537' is out of range for a test count (line 53)"},
      {Replaced(v2, "$Logger Number%\r\n2", "$Logger Number%\r\n4097"),
       "'4097' is out of range for a block count (line 47)"},
      {Replaced(v2, "$Logger Result Number%\r\n3", "$Logger Result Number%\r\n65537"),
       "'65537' is out of range for a sample count (line 61)"},
      {Replaced(v2, "$Logger Interval%\r\n60", "$Logger Interval%\r\n1.5"),
       "'1.5' is not a valid integer value (line 67)"},
      {Replaced(v2, "21,6; ---; ", "21,6; n/a; "),
       "' n/a' is not a valid floating point value (line 76)"},
  };
  for (const auto& c : cases) {
    Document doc;
    const OpenOutcome r = ReadResultsFile(c.file, doc, Texts());
    EXPECT_EQ(r.outcome.status, Outcome::Status::Failed);
    EXPECT_EQ(r.outcome.message, c.message);
  }
}

TEST(ResultsFileRead, CountsBeyondTheFileEndAtTheFirstMissingEntry) {
  const std::string v3 = DataFile("ver3_results_comma.qvl");
  const std::string v2 = DataFile("ver2_logger.qvl");
  const auto start = std::chrono::steady_clock::now();

  Document tests;
  const OpenOutcome r1 =
      ReadResultsFile(Replaced(v3, "$TestCount%\r\n1", "$TestCount%\r\n65536"), tests, Texts());
  EXPECT_EQ(r1.outcome.status, Outcome::Status::Failed);
  EXPECT_EQ(r1.outcome.message, "'' is not a valid integer value (the file ends at line 64)");
  EXPECT_EQ(tests.AllTests.size(), 2u);

  Document blocks;
  const OpenOutcome r2 = ReadResultsFile(
      Replaced(v2, "$Logger Number%\r\n2", "$Logger Number%\r\n4096"), blocks, Texts());
  EXPECT_EQ(r2.outcome.status, Outcome::Status::Failed);
  EXPECT_EQ(blocks.LoggerBlocks.size(), 3u);

  // All the samples of one file together cannot exceed what a memory holds.
  std::string lines;
  for (int i = 0; i < 40000; ++i)
    lines += "1; \n\r\n";
  std::string big = Replaced(v2, "$Logger Result Number%\r\n3", "$Logger Result Number%\r\n40000");
  big = Replaced(big, "21,5; 40,1; \n\r\n21,6; ---; \n\r\n21,7; 40,3; \n\r\n", lines);
  big = Replaced(big, "$Logger Result Number%\r\n0", "$Logger Result Number%\r\n30000");
  Document huge;
  const OpenOutcome r3 = ReadResultsFile(big, huge, Texts());
  EXPECT_EQ(r3.outcome.message, "'30000' is out of range for the samples of a file (line 40088)");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(ResultsFileRead, CodesWithoutAPlaceAreNeverStored) {
  const std::string v3 = DataFile("ver3_results_comma.qvl");
  std::string file = Replaced(v3, "Signals: 13;17;", "Signals: 0;99;-5;68;13;");
  file = Replaced(file, "2,48; 1234,5; ", "1; 2; 3; ; 4,5; 6; 7; ");
  Document doc;
  const OpenOutcome r = ReadResultsFile(file, doc, Texts());
  ASSERT_TRUE(r.outcome.ok()) << r.outcome.message;
  const TTestsRecord& t = doc.AllTests[0];
  int flags = 0;
  for (uint8_t f : t.SignalPresent)
    flags += f;
  EXPECT_EQ(flags, 2);
  EXPECT_EQ(t.SignalPresent[68], 1);
  EXPECT_EQ(ValueOf(t, 13), 4.5);

  // A block listing more codes than it has room for keeps the first 64.
  std::string codes;
  for (int i = 0; i < 70; ++i)
    codes += std::to_string(i % 64 + 1) + ";";
  Document blocks;
  const OpenOutcome r2 = ReadResultsFile(
      Replaced(DataFile("ver2_logger.qvl"), "1;5;\r\n", codes + "\r\n"), blocks, Texts());
  ASSERT_TRUE(r2.outcome.ok()) << r2.outcome.message;
  EXPECT_EQ(blocks.LoggerBlocks[0].SignalCount, 64);
  EXPECT_EQ(blocks.LoggerBlocks[0].Samples[StoragePos(64)].size(), 3u);
}

TEST(ResultsFileRead, MissingFileGivesTheSystemMessage) {
  Document doc;
  const OpenOutcome r = OpenResultsFile("/nonexistent/folder/x.QVL", doc, Texts());
  EXPECT_EQ(r.outcome.status, Outcome::Status::Failed);
  EXPECT_FALSE(r.outcome.message.empty());
}

TEST(ResultsFileRead, IdentificationNeverReadsPastTheBlock) {
  const struct {
    std::string block;
    const char* type;
    const char* serial;
  } cases[] = {
      {std::string("T\0C\0P\0F\0x\0S\0"
                   "50\0"
                   "20\0rest",
                   21),
       "T", "S"},
      {"T\rC\rP\rF\rx\rS\r", "T", "S"},
      {std::string("T\0C", 3), "T", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    TInstrumentData info;
    info.SerialNumber = "old";
    DecodeIdentification(c.block, info);
    EXPECT_EQ(info.InstrumentType, c.type);
    EXPECT_EQ(info.SerialNumber, c.serial);
  }
}

// A file copied through a system that ends lines otherwise reads as the file it was: LF alone
// (the writer's CR LF turned into LF, a logged sample's "\n\r\n" into two LFs) or CR alone.
TEST(ResultsFileRead, LfOnlyAndCrOnlyCopiesReadAsTheOriginal) {
  const auto replacedAll = [](std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
    return text;
  };
  const auto composed = [](const Document& doc) {
    const std::optional<ResultsFileParts> parts = ComposeResultsFile(doc, "x.QVL", ',');
    return parts ? parts->head + parts->instrument + parts->measurements : std::string("<none>");
  };
  for (const char* name : {"ver1_results.qvl", "ver2_logger.qvl", "ver3_results_comma.qvl"}) {
    SCOPED_TRACE(name);
    const std::string original = DataFile(name);
    Document want;
    ASSERT_TRUE(ReadResultsFile(original, want, Texts()).outcome.ok());
    for (const std::string& copy :
         {replacedAll(original, "\r\n", "\n"), replacedAll(original, "\r\n", "\r")}) {
      Document doc;
      const OpenOutcome r = ReadResultsFile(copy, doc, Texts());
      ASSERT_TRUE(r.outcome.ok()) << r.outcome.message;
      EXPECT_TRUE(r.warnings.empty());
      EXPECT_EQ(composed(doc), composed(want));
      EXPECT_EQ(doc.AllTests.size() + doc.LoggerBlocks.size(),
                want.AllTests.size() + want.LoggerBlocks.size());
    }
  }
}

// What keeps a file from being read is named: a byte order mark an editor put first, or a
// version this program does not know (read as Ver_1, as always, until that fails).
TEST(ResultsFileRead, AByteOrderMarkOrAnUnknownVersionIsNamed) {
  const std::string v3 = DataFile("ver3_results_comma.qvl");
  Document doc;
  OpenOutcome r = ReadResultsFile("\xEF\xBB\xBF" + v3, doc, Texts());
  ASSERT_FALSE(r.outcome.ok());
  EXPECT_EQ(r.outcome.message.rfind("The file begins with a UTF-8 byte order mark", 0), 0u)
      << r.outcome.message;
  EXPECT_EQ(r.outcome.message.find("Instrument Settings"), std::string::npos);

  r = ReadResultsFile(Replaced(v3, "Ver_3", "Ver_7"), doc, Texts());
  ASSERT_FALSE(r.outcome.ok());
  EXPECT_EQ(r.outcome.message.rfind("The file version 'Ver_7' (line 2) is not one this program "
                                    "knows (Ver_1, Ver_2, Ver_3); read as Ver_1, the file fails: ",
                                    0),
            0u)
      << r.outcome.message;
}

// A name longer than any this program writes is cut when read, with one warning for all; no
// command then keeps or lays out more of it.
TEST(ResultsFileRead, OverlongNamesAreCutWithAWarning) {
  const std::string v3 = DataFile("ver3_results_comma.qvl");
  // The name runs to the last ";" of its line ("Hall; East").
  const size_t start = v3.find("BuildingName: ") + 14;
  const std::string line = v3.substr(start, v3.find('\r', start) - start);
  const std::string name = line.substr(0, line.rfind(';'));
  Document doc;
  // At the limit: kept whole, nothing said.
  const std::string longest(kMaxNameBytes, 'B');
  OpenOutcome r = ReadResultsFile(Replaced(v3, "BuildingName: " + name, "BuildingName: " + longest),
                                  doc, Texts());
  ASSERT_TRUE(r.outcome.ok()) << r.outcome.message;
  EXPECT_EQ(doc.AllTests[0].BuildingName, longest);
  EXPECT_TRUE(r.warnings.empty());

  const std::string huge = std::string(3'000'000, 'H') + "end";
  r = ReadResultsFile(Replaced(v3, "BuildingName: " + name, "BuildingName: " + huge), doc, Texts());
  ASSERT_TRUE(r.outcome.ok()) << r.outcome.message;
  EXPECT_EQ(doc.AllTests[0].BuildingName, huge.substr(0, kMaxNameBytes));
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0],
            "The building name of test 1 is 3000003 bytes long, longer than any "
            "this program writes; only its first 32767 bytes are kept.");

  // Two of them: one warning naming the first.
  std::string both = Replaced(v3, "BuildingName: " + name, "BuildingName: " + huge);
  both = Replaced(both, "$PrintHeader%\r\n", "$PrintHeader%\r\n" + huge);
  r = ReadResultsFile(both, doc, Texts());
  ASSERT_TRUE(r.outcome.ok()) << r.outcome.message;
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0].rfind("2 texts are longer than any this program writes (the first: the "
                                "print header line, ",
                                0),
            0u)
      << r.warnings[0];
  EXPECT_EQ(doc.Header.Lines[0].size(), kMaxNameBytes);
}

}  // namespace
}  // namespace qv
