// The decoders against whole memories served by the emulator's instrument: what the memory
// description says must be what the decoders make of the bytes.
#include "download/MemoryDecoder.h"

#include "memimage/Instrument.h"
#include "store/SignalCatalog.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using namespace std::string_literals;

struct Served {
  emu::MemoryModel model;
  std::unique_ptr<emu::Instrument> instrument;
};

Served Serve(const std::string& path) {
  Served s;
  std::string error;
  auto image = emu::LoadMemoryFile(path, &error, &s.model);
  EXPECT_TRUE(image) << error;
  s.instrument = std::make_unique<emu::Instrument>(image ? std::move(*image) : emu::MemoryImage{});
  return s;
}

emu::ByteVec Ask(emu::Instrument& inst, const std::string& bytes) {
  return inst.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// An acknowledged block: "OK\r\n", its 24-bit length, then that many bytes.
Bytes Block(emu::Instrument& inst, const std::string& command) {
  const emu::ByteVec reply = Ask(inst, command);
  if (reply.size() < 7 || Bytes(reply.begin(), reply.begin() + 4) != "OK\r\n") return {};
  const size_t length = size_t{reply[4]} << 16 | size_t{reply[5]} << 8 | reply[6];
  EXPECT_EQ(reply.size(), 7 + length);
  return Bytes(reply.begin() + 7, reply.end());
}

emu::ByteVec PageAt(emu::Instrument& inst, int address) {
  const emu::ByteVec ack = Ask(inst, ":MEM:D\n");
  EXPECT_EQ(ack, (emu::ByteVec{'O', 'K', '\r', '\n', 0, 1, 8}));
  return Ask(inst, {char(address >> 8), char(address & 0xFF)});
}

DateTime Day(const emu::Stamp& s) {
  return emu::StampToDayNumber(s);
}

void ExpectTest(const TTestsRecord& r, const emu::ResultTest& t) {
  SCOPED_TRACE(t.buildingName + " / " + t.roomName);
  EXPECT_EQ(r.BuildingNo, t.buildingNo);
  EXPECT_EQ(r.RoomNo, t.roomNo);
  EXPECT_EQ(r.BuildingName, t.buildingName);
  EXPECT_EQ(r.RoomName, t.roomName);
  EXPECT_NEAR(r.BeginTime, Day(t.begin.stamp), 1e-9);
  EXPECT_NEAR(r.EndTime, Day(t.end.stamp), 1e-9);
  EXPECT_EQ(r.UnitSystem, t.unitByte == 1 ? "SI" : "US");
  std::array<double, kTestValueCount + 1> expected;
  expected.fill(NoValue);
  for (const emu::QuantityValues& q : t.values)
    for (int j = 1; j <= (q.quantity == 17 ? 3 : 4); ++j)
      expected[4 * (q.quantity - 1) + j] = q.values[j - 1];
  for (int code = 1; code <= kTestValueCount; ++code) {
    EXPECT_EQ(r.Values[StoragePos(code)], expected[code]) << "code " << code;
    EXPECT_EQ(r.SignalPresent[code], expected[code] != NoValue ? 1 : 0) << "code " << code;
  }
  if (!t.params) {
    EXPECT_EQ(r.Params.DuctShape, -1);
    return;
  }
  const emu::CalcParams& p = *t.params;
  EXPECT_EQ(r.Params.DuctShape, p.mode);
  EXPECT_EQ(r.Params.Altitude, p.altitude);
  EXPECT_EQ(r.Params.SideA, p.mode == 1 ? p.sideA : -1.0);
  EXPECT_EQ(r.Params.SideB, p.mode == 1 ? p.sideB : -1.0);
  EXPECT_EQ(r.Params.Radius, p.mode == 0 ? p.radius : -1.0);
  EXPECT_EQ(r.Params.MetabolicRate, p.metabolicRate);
  EXPECT_EQ(r.Params.Clothing, p.clothing);
}

TEST(DemoMemory, IdentificationAndResults) {
  Served s = Serve(QV_SOURCE_DIR "/data/demo/demo-memory.json"s);
  emu::Instrument& inst = *s.instrument;
  EXPECT_EQ(Ask(inst, ":MRD\n"), (emu::ByteVec{'S', 'E', 'R'}));

  Document doc;
  doc.InstrumentInfo.SettingsBlock = Block(inst, ":SE:R\n");
  const SettingsFigures figures =
      DecodeSettingsBlock(doc.InstrumentInfo.SettingsBlock, doc.InstrumentInfo);
  EXPECT_EQ(doc.InstrumentInfo.InstrumentType, s.model.ident.type);
  EXPECT_EQ(doc.InstrumentInfo.InstrumentCode, s.model.ident.code);
  EXPECT_EQ(doc.InstrumentInfo.Producer, s.model.ident.producer);
  EXPECT_EQ(doc.InstrumentInfo.FirmwareVersion, s.model.ident.firmware);
  EXPECT_EQ(doc.InstrumentInfo.SerialNumber, s.model.ident.serial);
  EXPECT_EQ(figures.ResultsPercent, std::stoi(s.model.ident.resultsPercent));

  const Bytes directory = Block(inst, ":MEM:R\n");
  ASSERT_TRUE(CheckDirectory(directory));
  const std::vector<ResultEntry> entries = DecodeResultEntries(directory);
  ASSERT_EQ(entries.size(), s.model.results.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const emu::ByteVec page = PageAt(inst, entries[i].address);
    ASSERT_EQ(page.size(), kPageBytes);
    ASSERT_TRUE(CheckPage(page.data()));
    const int index = doc.AddTestRecord();
    doc.AllTests[index].BuildingNo = entries[i].buildingNo;
    doc.AllTests[index].RoomNo = entries[i].roomNo;
    ASSERT_EQ(DecodeResultPage(page.data(), doc, index), PageOutcome::Kept);
    ExpectTest(doc.AllTests[index], s.model.results[i]);
  }
  // The demo covers every quantity and the multipoint group, in both unit systems.
  DocSignalsFromGroupFlags(doc);
  EXPECT_EQ(doc.DocSignalCount, 67);
  for (const char* units : {"SI", "US"}) {
    std::array<bool, 18> seen{};
    for (const TTestsRecord& r : doc.AllTests)
      if (r.UnitSystem == units)
        for (int code = 1; code <= 67; ++code)
          if (r.SignalPresent[code]) seen[QuantityOf(code)] = true;
    for (int q = 1; q <= 17; ++q)
      EXPECT_TRUE(seen[q]) << units << " quantity " << q;
  }
}

TEST(DemoMemory, LoggingBlocks) {
  Served s = Serve(QV_SOURCE_DIR "/data/demo/demo-memory.json"s);
  const Bytes directory = Block(*s.instrument, ":MEM:R\n");
  Document doc;
  doc.LoggerBlocks = DecodeLoggingEntries(directory);
  ASSERT_EQ(doc.LoggerBlocks.size(), s.model.blocks.size());
  std::string error;
  const auto plan = emu::PlanPages(s.model, &error);
  ASSERT_TRUE(plan) << error;
  size_t longest = 0;
  for (size_t b = 0; b < doc.LoggerBlocks.size(); ++b) {
    const emu::LoggingBlock& m = s.model.blocks[b];
    TLoggerRecord& block = doc.LoggerBlocks[b];
    SCOPED_TRACE(block.RoomName + " block " + std::to_string(b));
    EXPECT_EQ(block.Pages,
              std::vector<int32_t>(plan->blockPages[b].begin(), plan->blockPages[b].end()));
    EXPECT_EQ(block.SampleCount, static_cast<int>(m.samples.size()));
    EXPECT_EQ(block.BeginTime, Day({m.start.year, m.start.month, m.start.day, 0, 0, 0}));
    longest = std::max(longest, m.samples.size());

    block.BeginTime = 0;
    for (int k = 0; k < block.SampleCount; ++k) {
      const emu::ByteVec page = PageAt(*s.instrument, block.Pages[k]);
      ASSERT_TRUE(CheckPage(page.data()));
      ASSERT_EQ(DecodeLoggingPage(page.data(), doc, static_cast<int>(b), block.Pages[k], k),
                PageOutcome::Kept);
    }
    EXPECT_NEAR(block.BeginTime, Day(m.start), 1e-9);
    EXPECT_EQ(block.IntervalSec, m.intervalSec);
    EXPECT_EQ(block.UnitSystem, m.unitByte == 1 ? "SI" : "US");
    EXPECT_EQ(block.BuildingName, m.buildingName);
    EXPECT_EQ(block.Params.DuctShape, m.params ? m.params->mode : 0);
    std::vector<int> quantities = m.quantities;
    std::sort(quantities.begin(), quantities.end());
    ASSERT_EQ(block.SignalCount, static_cast<int>(4 * quantities.size()));
    for (size_t i = 0; i < quantities.size(); ++i)
      for (int j = 1; j <= 4; ++j)
        EXPECT_EQ(block.SignalCodes[4 * i + j - 1], 4 * (quantities[i] - 1) + j);
    for (size_t i = 0; i < m.quantities.size(); ++i)
      for (int j = 1; j <= 4; ++j) {
        const std::vector<double>& samples =
            block.Samples[StoragePos(4 * (m.quantities[i] - 1) + j)];
        ASSERT_EQ(samples.size(), m.samples.size());
        for (size_t k = 0; k < samples.size(); ++k)
          ASSERT_EQ(samples[k], m.samples[k][i][j - 1]) << "sample " << k;
      }
  }
  EXPECT_GE(longest, 300u);  // one block of several hundred samples
}

TEST(FaultyMemories, ResultsKeepOnlyGoodPagesOfKeptKinds) {
  Served s = Serve(QV_TEST_DATA_DIR "/memories/results-faults.json"s);
  const Bytes directory = Block(*s.instrument, ":MEM:R\n");
  ASSERT_TRUE(CheckDirectory(directory));
  const std::vector<ResultEntry> entries = DecodeResultEntries(directory);
  ASSERT_EQ(entries.size(), 5u);  // the deleted entry is in neither memory
  std::vector<std::string> outcomes;
  std::array<bool, 18> flags{};
  for (const ResultEntry& e : entries) {
    const emu::ByteVec page = PageAt(*s.instrument, e.address);
    if (!CheckPage(page.data())) {
      outcomes.push_back("checksum");
      continue;
    }
    Document doc;
    const int index = doc.AddTestRecord();
    TTestsRecord r = doc.AllTests[index];
    const PageOutcome o = DecodeResultPage(page.data(), r, flags);
    outcomes.push_back(o == PageOutcome::Kept      ? "kept"
                       : o == PageOutcome::Dropped ? "dropped"
                                                   : "bad");
  }
  EXPECT_EQ(outcomes, (std::vector<std::string>{"kept", "checksum", "dropped", "bad", "kept"}));
  // Only the kept pages set group flags: air temperature, humidity, velocity, flow, multipoint.
  std::array<bool, 18> expected{};
  expected[1] = expected[2] = expected[4] = expected[5] = expected[17] = true;
  EXPECT_EQ(flags, expected);
}

TEST(FaultyMemories, LoggingBlocksSplitByBit7AndBadPages) {
  Served s = Serve(QV_TEST_DATA_DIR "/memories/logging-blocks.json"s);
  Document doc;
  doc.LoggerBlocks = DecodeLoggingEntries(Block(*s.instrument, ":MEM:R\n"));
  ASSERT_EQ(doc.LoggerBlocks.size(), 3u);
  EXPECT_EQ(doc.LoggerBlocks[0].Pages, (std::vector<int32_t>{10, 11, 12}));
  EXPECT_EQ(doc.LoggerBlocks[1].Pages, (std::vector<int32_t>{13, 14}));
  const TLoggerRecord& third = doc.LoggerBlocks[2];
  EXPECT_EQ(third.FirstPage, 100);
  EXPECT_EQ(third.LastPage, 207);
  ASSERT_EQ(third.SampleCount, 10);
  doc.LoggerBlocks[2].BeginTime = 0;  // as the download does before the pages
  int bad = 0;
  for (int k = 0; k < third.SampleCount; ++k) {
    const emu::ByteVec page = PageAt(*s.instrument, third.Pages[k]);
    if (!CheckPage(page.data())) {
      ++bad;
      continue;
    }
    EXPECT_EQ(DecodeLoggingPage(page.data(), doc, 2, third.Pages[k], k), PageOutcome::Kept);
  }
  EXPECT_EQ(bad, 2);
  const std::vector<double>& co2 = doc.LoggerBlocks[2].Samples[StoragePos(57)];
  ASSERT_EQ(co2.size(), 10u);
  EXPECT_EQ(co2[3], 0.0);  // page 103
  EXPECT_EQ(co2[8], 0.0);  // page 206
  EXPECT_EQ(co2[9], 590.0);
  EXPECT_EQ(doc.LoggerBlocks[2].IntervalSec, 5);
  EXPECT_EQ(doc.LoggerBlocks[2].Params.SideB, 0.25);
}

}  // namespace
}  // namespace qv
