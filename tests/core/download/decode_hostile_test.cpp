// Random and mutated bytes through every decoder, each in a buffer of exactly its size: run
// under the address sanitizer, any read past a page, directory or block is reported.
#include "download/MemoryDecoder.h"

#include "memimage/MemoryImage.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace qv {
namespace {

std::unique_ptr<uint8_t[]> Exact(const std::vector<uint8_t>& bytes) {
  auto p = std::make_unique<uint8_t[]>(bytes.size() ? bytes.size() : 1);
  std::copy(bytes.begin(), bytes.end(), p.get());
  return p;
}

// Pages that start out well-formed, so that mutations reach deep into the entries.
std::vector<emu::Page> Seeds() {
  emu::ResultTest t;
  t.buildingName = "Building";
  t.roomName = "Room";
  t.begin.stamp = {2024, 1, 1, 10, 0, 0};
  t.end.stamp = {2024, 1, 1, 10, 1, 0};
  t.values = {{1, {1, 2, 3, 4}}, {17, {5, 6, 7, 8}}, {15, {9, 9, 9, 9}}};
  t.params = emu::CalcParams{1, 1, 2, 3, 4, 5, 6};
  emu::LoggingBlock b;
  b.start = t.begin.stamp;
  b.quantities = {1, 2, 3};
  b.samples = {{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}}};
  b.params = emu::CalcParams{0, 1, 2, 3, 4, 5, 6};
  std::string error;
  return {*emu::BuildResultPage(t, &error), *emu::BuildLoggingPage(b, 0, &error)};
}

void ExpectSaneBlock(const TLoggerRecord& b) {
  ASSERT_GE(b.SignalCount, 0);
  ASSERT_LE(b.SignalCount, kLoggerSignals);
  for (int i = 0; i < b.SignalCount; ++i) {
    EXPECT_GE(b.SignalCodes[i], 1);
    EXPECT_LE(b.SignalCodes[i], kLoggerSignals);
    if (i) {
      EXPECT_LT(b.SignalCodes[i - 1], b.SignalCodes[i]);
    }
  }
  for (const std::vector<double>& s : b.Samples)
    EXPECT_TRUE(s.empty() || static_cast<int>(s.size()) == b.SampleCount);
}

TEST(HostileBytes, PagesAreNeverReadBeyondTheirBytes) {
  std::mt19937 random(20240601);
  const std::vector<emu::Page> seeds = Seeds();
  for (int round = 0; round < 20000; ++round) {
    std::vector<uint8_t> bytes;
    if (round % 4 == 3) {
      bytes.resize(random() % (kPageBytes + 1));
      for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(random());
    } else {
      const emu::Page& seed = seeds[round % 2];
      bytes.assign(seed.begin(), seed.end());
      const int changes = 1 + static_cast<int>(random() % 8);
      for (int i = 0; i < changes; ++i)
        bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
      if (random() % 3 == 0) bytes[4] = bytes[5] = 0xFF;  // data end far beyond the page
      if (random() % 5 == 0) bytes.resize(random() % (kPageBytes + 1));
    }
    const auto page = Exact(bytes);
    const size_t n = bytes.size();
    CheckPage(page.get(), n);

    TTestsRecord record;
    record.Values.fill(NoValue);
    std::array<bool, 18> flags{};
    DecodeResultPage(page.get(), record, flags, n);

    Document doc;
    doc.AddTestRecord();
    DecodeResultPage(page.get(), doc, 0, n);

    TLoggerRecord& block = doc.LoggerBlocks.emplace_back();
    block.FirstPage = 1;
    block.SampleCount = 2;
    DecodeLoggingPage(page.get(), doc, 0, 1, static_cast<int>(random() % 3), n);
    DecodeLoggingPage(page.get(), doc, 0, 2, 1, n);
    ExpectSaneBlock(doc.LoggerBlocks[0]);
    if (HasFatalFailure() || HasNonfatalFailure()) {
      ADD_FAILURE() << "round " << round << ": " << emu::ToHex(bytes.data(), bytes.size());
      return;
    }
  }
}

TEST(HostileBytes, DirectoriesAndSettingsBlocks) {
  std::mt19937 random(7);
  for (int round = 0; round < 5000; ++round) {
    std::vector<uint8_t> bytes(random() % 200);
    for (uint8_t& b : bytes)
      b = static_cast<uint8_t>(random() % 4 ? random() % 4 : random());
    const auto data = Exact(bytes);
    const size_t n = bytes.size();
    CheckDirectory(data.get(), n);
    const std::vector<ResultEntry> results = DecodeResultEntries(data.get(), n);
    const std::vector<TLoggerRecord> blocks = DecodeLoggingEntries(data.get(), n);
    // Every whole entry before the checksum is a result, a logging page, or skipped.
    size_t pages = 0;
    for (const TLoggerRecord& b : blocks) {
      EXPECT_EQ(static_cast<int>(b.Pages.size()), b.SampleCount);
      EXPECT_EQ(b.Pages.front(), b.FirstPage);
      EXPECT_EQ(b.Pages.back(), b.LastPage);
      pages += b.Pages.size();
    }
    EXPECT_LE(results.size() + pages, n < 4 ? 0 : (n - 4) / 8);
    TInstrumentData info;
    DecodeSettingsBlock(data.get(), n, info);
  }
}

}  // namespace
}  // namespace qv
