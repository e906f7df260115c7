#include "download/MemoryDecoder.h"

#include "format/DateTimeText.h"
#include "memimage/MemoryImage.h"
#include "store/SignalCatalog.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qv {
namespace {

using emu::Page;

// A block of the memory model, two quantities, three samples, a minute apart.
emu::LoggingBlock ModelBlock() {
  emu::LoggingBlock b;
  b.intervalSec = 60;
  b.start = {2024, 6, 1, 10, 0, 0};
  b.buildingName = "Depot";
  b.roomName = "Hall";
  b.quantities = {1, 2};
  for (int k = 0; k < 3; ++k)
    b.samples.push_back({{20.0f + k, 19.5f + k, 20.25f + k, 20.5f + k},
                         {50.0f + k, 49.0f + k, 50.5f + k, 51.0f + k}});
  return b;
}

Page LoggingPage(const emu::LoggingBlock& b, int k) {
  std::string error;
  const auto page = emu::BuildLoggingPage(b, k, &error);
  EXPECT_TRUE(page) << error;
  return page.value_or(Page{});
}

// A document with one block as the directory gives it: pages 10.. and the sample count.
Document DocWithBlock(int samples) {
  Document doc;
  TLoggerRecord& r = doc.LoggerBlocks.emplace_back();
  r.FirstPage = 10;
  r.LastPage = 10 + samples - 1;
  r.SampleCount = samples;
  for (int i = 0; i < samples; ++i)
    r.Pages.push_back(10 + i);
  return doc;
}

double Sample(const Document& doc, int code, int k) {
  const std::vector<double>& s = doc.LoggerBlocks[0].Samples[StoragePos(code)];
  return k < static_cast<int>(s.size()) ? s[k] : -999;
}

TEST(LoggingPage, BlockFromItsPages) {
  const emu::LoggingBlock model = ModelBlock();
  Document doc = DocWithBlock(3);
  for (int k = 0; k < 3; ++k)
    ASSERT_EQ(DecodeLoggingPage(LoggingPage(model, k).data(), doc, 0, 10 + k, k),
              PageOutcome::Kept);
  const TLoggerRecord& b = doc.LoggerBlocks[0];
  EXPECT_NEAR(b.BeginTime, *EncodeDateTime({2024, 6, 1, 10, 0, 0, 0}), 1e-9);
  EXPECT_EQ(b.IntervalSec, 60);  // 10:00:00 to 10:01:00
  EXPECT_EQ(b.BuildingName, "Depot");
  EXPECT_EQ(b.RoomName, "Hall");
  EXPECT_EQ(b.UnitSystem, "SI");
  ASSERT_EQ(b.SignalCount, 8);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(b.SignalCodes[i], i + 1);
  EXPECT_EQ(b.SignalCodes[8], 0);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(Sample(doc, 1, k), 20.0 + k);
    EXPECT_EQ(Sample(doc, 3, k), 20.25 + k);
    EXPECT_EQ(Sample(doc, 5, k), 50.0 + k);
    EXPECT_EQ(Sample(doc, 8, k), 51.0 + k);
  }
  EXPECT_TRUE(b.Samples[StoragePos(9)].empty());
  EXPECT_EQ(b.Params.DuctShape, 0);  // no parameter entry: blocks keep 0, not -1
  EXPECT_EQ(b.Params.Altitude, 0);
}

TEST(LoggingPage, IntervalFromTheFirstGoodPage) {
  const struct {
    emu::Stamp start;
    int interval;
  } cases[] = {
      {{2024, 6, 1, 10, 0, 0}, 60},
      {{2024, 6, 1, 10, 0, 0}, 1},
      {{2024, 12, 31, 23, 59, 50}, 15},
      {{2024, 6, 1, 0, 0, 0}, 86400},
  };
  for (const auto& c : cases) {
    emu::LoggingBlock model = ModelBlock();
    model.start = c.start;
    model.intervalSec = c.interval;
    Document doc = DocWithBlock(3);
    // The first page is missing (say its checksum failed): the second one sets the times.
    ASSERT_EQ(DecodeLoggingPage(LoggingPage(model, 1).data(), doc, 0, 11, 1), PageOutcome::Kept);
    EXPECT_EQ(doc.LoggerBlocks[0].IntervalSec, c.interval);
    const DateTime second = doc.LoggerBlocks[0].BeginTime;
    ASSERT_EQ(DecodeLoggingPage(LoggingPage(model, 2).data(), doc, 0, 12, 2), PageOutcome::Kept);
    EXPECT_EQ(doc.LoggerBlocks[0].BeginTime, second);  // set once
  }
}

TEST(LoggingPage, ValuesGoUnderTheirOwnQuantity) {
  // Entries by descending quantity: each value still lands under its own code.
  emu::LoggingBlock model = ModelBlock();
  model.quantities = {15, 1};
  for (auto& row : model.samples)
    std::swap(row[0], row[1]);
  Document doc = DocWithBlock(3);
  for (int k = 0; k < 3; ++k)
    ASSERT_EQ(DecodeLoggingPage(LoggingPage(model, k).data(), doc, 0, 10 + k, k),
              PageOutcome::Kept);
  const TLoggerRecord& b = doc.LoggerBlocks[0];
  ASSERT_EQ(b.SignalCount, 8);
  EXPECT_EQ(b.SignalCodes[0], 1);
  EXPECT_EQ(b.SignalCodes[4], 57);
  EXPECT_EQ(Sample(doc, 1, 2), 22.0);   // air temperature, though its entry came second
  EXPECT_EQ(Sample(doc, 57, 2), 52.0);  // CO2
}

TEST(LoggingPage, PageWithOtherEntriesThanTheFirst) {
  // The block's signals come from its first page. A later page that lacks one quantity and
  // carries another does not file values under the wrong codes.
  emu::LoggingBlock first = ModelBlock();  // quantities 1, 2
  emu::LoggingBlock later = ModelBlock();
  later.quantities = {2, 3};
  for (auto& row : later.samples)
    row[1] = {7, 7, 7, 7};
  Document doc = DocWithBlock(3);
  ASSERT_EQ(DecodeLoggingPage(LoggingPage(first, 0).data(), doc, 0, 10, 0), PageOutcome::Kept);
  ASSERT_EQ(DecodeLoggingPage(LoggingPage(later, 1).data(), doc, 0, 11, 1), PageOutcome::Kept);
  EXPECT_EQ(doc.LoggerBlocks[0].SignalCount, 8);
  EXPECT_EQ(Sample(doc, 1, 1), 0.0);   // no air temperature in that page
  EXPECT_EQ(Sample(doc, 5, 1), 21.0);  // humidity, first in the page, under its own codes
  EXPECT_EQ(Sample(doc, 8, 1), 21.5);
  EXPECT_TRUE(doc.LoggerBlocks[0].Samples[StoragePos(9)].empty());  // dew point not logged
}

TEST(LoggingPage, ParametersAndOddEntries) {
  emu::LoggingBlock model = ModelBlock();
  model.quantities = {1, 17, 2};  // a multipoint entry has no place in a block
  for (auto& row : model.samples)
    row.insert(row.begin() + 1, {9, 9, 9, 9});
  model.params = emu::CalcParams{0, 300, 0, 0, 0.5f, 1.5f, 0.25f};
  Document doc = DocWithBlock(3);
  ASSERT_EQ(DecodeLoggingPage(LoggingPage(model, 0).data(), doc, 0, 10, 0), PageOutcome::Kept);
  const TLoggerRecord& b = doc.LoggerBlocks[0];
  EXPECT_EQ(b.SignalCount, 8);
  EXPECT_EQ(Sample(doc, 5, 0), 50.0);
  EXPECT_EQ(b.Params.DuctShape, 0);
  EXPECT_EQ(b.Params.Altitude, 300);
  EXPECT_EQ(b.Params.Radius, 0.5);
  EXPECT_EQ(b.Params.MetabolicRate, 1.5);
  EXPECT_EQ(b.Params.Clothing, 0.25);
  EXPECT_EQ(b.Params.SideA, 0);
}

TEST(LoggingPage, EntriesAfterAParameterEntryKeepTheirPlace) {
  // A parameter entry is walked by its own length, so an entry after it (not how instruments
  // write pages) is not read out of step.
  emu::LoggingBlock model = ModelBlock();
  model.quantities = {1};
  for (auto& row : model.samples)
    row.resize(1);
  Page page = LoggingPage(model, 0);
  const size_t entry = 22 + 6 + 5 + 1;  // after "Depot", "Hall" and the unit byte
  ASSERT_EQ(page[entry], 1);
  uint8_t moved[18];
  std::memcpy(moved, page.data() + entry, 18);
  const uint8_t params[23] = {18, 0, 1, 0x43, 0x48, 0, 0};  // rectangular, altitude 200
  std::memcpy(page.data() + entry, params, 23);
  std::memcpy(page.data() + entry + 23, moved, 18);
  emu::PutBe16(page.data() + 4, static_cast<uint32_t>(entry + 23 + 18 - 6));
  emu::SealPage(page.data());
  Document doc = DocWithBlock(1);
  ASSERT_EQ(DecodeLoggingPage(page.data(), doc, 0, 10, 0), PageOutcome::Kept);
  EXPECT_EQ(doc.LoggerBlocks[0].Params.Altitude, 200);
  EXPECT_EQ(doc.LoggerBlocks[0].SignalCount, 4);
  EXPECT_EQ(Sample(doc, 1, 0), 20.0);
  EXPECT_EQ(Sample(doc, 4, 0), 20.5);
}

TEST(LoggingPage, OtherKindsAndBadPagesStoreNoSample) {
  const emu::LoggingBlock model = ModelBlock();
  Document doc = DocWithBlock(3);
  ASSERT_EQ(DecodeLoggingPage(LoggingPage(model, 0).data(), doc, 0, 10, 0), PageOutcome::Kept);

  Page other = LoggingPage(model, 1);
  other[8] = 3;
  other[22] = 'X';  // "Xepot"
  emu::SealPage(other.data());
  EXPECT_EQ(DecodeLoggingPage(other.data(), doc, 0, 11, 1), PageOutcome::Dropped);
  EXPECT_EQ(doc.LoggerBlocks[0].BuildingName, "Xepot");  // a good page of another kind
  EXPECT_EQ(Sample(doc, 1, 1), 0.0);

  Page bad = LoggingPage(model, 2);
  bad[14] = 0x13;  // month 13
  bad[22] = 'Y';
  emu::SealPage(bad.data());
  EXPECT_EQ(DecodeLoggingPage(bad.data(), doc, 0, 12, 2), PageOutcome::Bad);
  EXPECT_EQ(doc.LoggerBlocks[0].BuildingName, "Xepot");
  EXPECT_EQ(Sample(doc, 1, 2), 0.0);
  EXPECT_EQ(doc.LoggerBlocks[0].IntervalSec, 60);

  // A bad first page leaves the times for the next good one.
  Document fresh = DocWithBlock(3);
  EXPECT_EQ(DecodeLoggingPage(bad.data(), fresh, 0, 10, 0), PageOutcome::Bad);
  EXPECT_EQ(fresh.LoggerBlocks[0].BeginTime, 0);
  EXPECT_EQ(fresh.LoggerBlocks[0].SignalCount, 0);
}

TEST(LoggingPage, SampleIndexOrBlockOutOfRangeStoresNothing) {
  const emu::LoggingBlock model = ModelBlock();
  Document doc = DocWithBlock(2);
  EXPECT_EQ(DecodeLoggingPage(LoggingPage(model, 0).data(), doc, 0, 10, 5), PageOutcome::Kept);
  EXPECT_EQ(doc.LoggerBlocks[0].Samples[StoragePos(1)].size(), 2u);
  EXPECT_EQ(Sample(doc, 1, 0), 0.0);
  EXPECT_EQ(DecodeLoggingPage(LoggingPage(model, 0).data(), doc, 1, 10, 0), PageOutcome::Bad);
  EXPECT_EQ(DecodeLoggingPage(LoggingPage(model, 0).data(), doc, -1, 10, 0), PageOutcome::Bad);
}

}  // namespace
}  // namespace qv
