#include "download/MemoryDecoder.h"

#include "memimage/Encoding.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

// A directory from entries given as (address, byte2, byte3, date bytes, flags), checksum last.
struct Entry {
  int address;
  uint8_t b2 = 0, b3 = 0;
  uint8_t day = 0x01, month = 0x06, year = 0x24;
  uint8_t flags = 0;
};

Bytes Directory(const std::vector<Entry>& entries) {
  emu::ByteVec d;
  for (const Entry& e : entries) {
    uint8_t bytes[8] = {0, 0, e.b2, e.b3, e.day, e.month, e.year, e.flags};
    emu::PutBe16(bytes, static_cast<uint32_t>(e.address));
    d.insert(d.end(), bytes, bytes + 8);
  }
  uint8_t sum[4];
  emu::PutBe32(sum, emu::ByteSum(d.data(), d.size()));
  d.insert(d.end(), sum, sum + 4);
  return Bytes(d.begin(), d.end());
}

TEST(Directory, ChecksumCoversEveryEntry) {
  std::vector<Entry> eight;
  for (int i = 0; i < 8; ++i)
    eight.push_back({0x1234 + i, 7, 9, 0x28, 0x02, 0x07, 0x41});
  Bytes d = Directory(eight);
  ASSERT_EQ(d.size(), 68u);
  EXPECT_TRUE(CheckDirectory(d));
  d.back() = static_cast<char>(d.back() + 1);
  EXPECT_FALSE(CheckDirectory(d));
  d = Directory(eight);
  d[5] = static_cast<char>(d[5] ^ 0x10);  // an entry byte changes the sum
  EXPECT_FALSE(CheckDirectory(d));

  EXPECT_TRUE(CheckDirectory(Directory({})));  // just a checksum of nothing: 0
  EXPECT_FALSE(CheckDirectory(Bytes("\0\0\0", 3)));
  EXPECT_FALSE(CheckDirectory(Bytes()));
}

struct FlagCase {
  uint8_t flags;
  bool result;
  int block;  // 0: no logging block
};

TEST(Directory, FlagsDecideTheMemory) {
  const FlagCase cases[] = {
      {0x00, true, 0},  {0x40, false, 0}, {0x41, false, 0},
      {0x05, false, 5}, {0x80, true, 0},  {0xC0, false, 0},
  };
  for (const FlagCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << int{c.flags});
    const Bytes d = Directory({{0x0102, 3, 4, 0x15, 0x03, 0x24, c.flags}});
    const std::vector<ResultEntry> results = DecodeResultEntries(d);
    const std::vector<TLoggerRecord> blocks = DecodeLoggingEntries(d);
    ASSERT_EQ(results.size(), c.result ? 1u : 0u);
    if (c.result) {
      EXPECT_EQ(results[0].address, 0x0102);
      EXPECT_EQ(results[0].buildingNo, 3);
      EXPECT_EQ(results[0].roomNo, 4);
    }
    ASSERT_EQ(blocks.size(), c.block ? 1u : 0u);
    if (c.block) {
      EXPECT_EQ(blocks[0].FirstPage, 0x0102);
      EXPECT_EQ(blocks[0].SampleCount, 1);
      EXPECT_DOUBLE_EQ(blocks[0].BeginTime, 45366.0);  // 15 March 2024, midnight
    }
  }
}

TEST(Directory, ResultEntriesKeepDirectoryOrder) {
  const Bytes d = Directory({{900, 2, 1}, {5, 0, 0, 1, 1, 0x24, 0x01}, {17, 1, 3}, {4, 1, 1}});
  const std::vector<ResultEntry> r = DecodeResultEntries(d);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].address, 900);
  EXPECT_EQ(r[1].address, 17);
  EXPECT_EQ(r[1].roomNo, 3);
  EXPECT_EQ(r[2].address, 4);
}

struct BlockRun {
  std::vector<uint8_t> flags;
  std::vector<std::vector<int32_t>> pages;  // expected pages per block
};

TEST(Directory, BlockNumbersAndBit7SplitBlocks) {
  const BlockRun runs[] = {
      {{0x01, 0x01, 0x02, 0x02}, {{10, 11}, {12, 13}}},
      {{0x01, 0x81, 0x01}, {{10, 11}, {12}}},
      {{0x01, 0x00, 0x01}, {{10, 12}}},  // a result entry between pages does not end a block
      {{0x01, 0x41, 0x01}, {{10, 12}}},  // nor does a skipped one
      {{0x81, 0x81, 0x81}, {{10}, {11}, {12}}},
      {{0x03, 0x01, 0x03}, {{10}, {11}, {12}}},
  };
  for (const BlockRun& run : runs) {
    std::vector<Entry> entries;
    for (size_t i = 0; i < run.flags.size(); ++i)
      entries.push_back({static_cast<int>(10 + i), 0, 0, 0x01, 0x06, 0x24, run.flags[i]});
    const std::vector<TLoggerRecord> blocks = DecodeLoggingEntries(Directory(entries));
    ASSERT_EQ(blocks.size(), run.pages.size());
    for (size_t b = 0; b < blocks.size(); ++b) {
      SCOPED_TRACE(testing::Message() << "block " << b);
      EXPECT_EQ(blocks[b].Pages, run.pages[b]);
      EXPECT_EQ(blocks[b].FirstPage, run.pages[b].front());
      EXPECT_EQ(blocks[b].LastPage, run.pages[b].back());
      EXPECT_EQ(blocks[b].SampleCount, static_cast<int>(run.pages[b].size()));
    }
  }
}

TEST(Directory, BlockPagesNeedNotBeContiguous) {
  const Bytes d = Directory({{300, 0, 0, 0x09, 0x12, 0x23, 0x07},
                             {12, 0, 0, 0x09, 0x12, 0x23, 0x07},
                             {301, 0, 0, 0x09, 0x12, 0x23, 0x07}});
  const std::vector<TLoggerRecord> blocks = DecodeLoggingEntries(d);
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].Pages, (std::vector<int32_t>{300, 12, 301}));
  EXPECT_EQ(blocks[0].FirstPage, 300);
  EXPECT_EQ(blocks[0].LastPage, 301);
  EXPECT_EQ(blocks[0].SampleCount, 3);
  EXPECT_DOUBLE_EQ(blocks[0].BeginTime, 45269.0);  // 9 December 2023
}

TEST(Directory, ImpossibleBlockDateGivesNoDate) {
  for (const Entry& e : {Entry{1, 0, 0, 0x31, 0x02, 0x24, 0x01},  // 31 February
                         Entry{1, 0, 0, 0x01, 0x13, 0x24, 0x01},  // month 13
                         Entry{1, 0, 0, 0x1A, 0x01, 0x24, 0x01},  // not BCD
                         Entry{1, 0, 0, 0x00, 0x00, 0x00, 0x01}}) {
    const std::vector<TLoggerRecord> blocks = DecodeLoggingEntries(Directory({e}));
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].BeginTime, 0.0);
  }
}

TEST(Directory, OnlyWholeEntriesBeforeTheChecksumAreRead) {
  // Bytes that do not make a whole entry are not read as one, whatever the length.
  Bytes d = Directory({{7, 1, 1}, {8, 1, 2}});
  const Bytes tail = d.substr(d.size() - 4);
  d = d.substr(0, d.size() - 4) + Bytes("\x00\x09\x01", 3) + tail;  // 8n + 7 bytes
  EXPECT_EQ(DecodeResultEntries(d).size(), 2u);
  EXPECT_EQ(DecodeResultEntries(d.substr(0, 11)).size(), 0u);  // less than entry + checksum
  EXPECT_EQ(DecodeResultEntries(Bytes()).size(), 0u);
  const uint8_t one[12] = {0, 1, 0, 0, 0, 0, 0, 0x01, 0, 0, 0, 1};
  EXPECT_EQ(DecodeLoggingEntries(one, 12).size(), 1u);
  EXPECT_EQ(DecodeLoggingEntries(one, 11).size(), 0u);
}

}  // namespace
}  // namespace qv
