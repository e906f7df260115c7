#include "download/MemoryDecoder.h"

#include "format/DateTimeText.h"
#include "memimage/MemoryImage.h"
#include "store/SignalCatalog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace qv {
namespace {

using emu::Page;

constexpr double kSecond = 1.0 / 86400;

DateTime At(int y, int mo, int d, int h, int mi, int s) {
  return *EncodeDateTime(DateTimeParts{y, mo, d, h, mi, s, 0});
}

// A well-formed result page from the memory model.
Page ResultPage(const emu::ResultTest& t) {
  std::string error;
  const auto page = emu::BuildResultPage(t, &error);
  EXPECT_TRUE(page) << error;
  return page.value_or(Page{});
}

emu::ResultTest SimpleTest() {
  emu::ResultTest t;
  t.buildingName = "B";
  t.roomName = "R";
  t.begin.stamp = {2024, 5, 2, 10, 0, 0};
  t.end.stamp = {2024, 5, 2, 10, 5, 0};
  t.values = {{1, {22.5f, 22.0f, 22.25f, 23.0f}}};
  return t;
}

// The page in a buffer of exactly its size, so that a read past it is a read past the heap
// block (caught by the address sanitizer).
std::unique_ptr<uint8_t[]> Exact(const uint8_t* bytes, size_t n) {
  auto p = std::make_unique<uint8_t[]>(n);
  std::memcpy(p.get(), bytes, n);
  return p;
}

PageOutcome DecodeInto(const Page& page, TTestsRecord& record, std::array<bool, 18>& flags) {
  const auto exact = Exact(page.data(), page.size());
  return DecodeResultPage(exact.get(), record, flags);
}

TTestsRecord NewRecord() {
  Document doc;
  doc.AddTestRecord();
  return doc.AllTests[0];
}

double ValueOf(const TTestsRecord& r, int code) {
  return r.Values[StoragePos(code)];
}

TEST(DecodeFloat, BigEndianSinglesWidenUnchanged) {
  const struct {
    uint8_t bytes[4];
    double value;
  } cases[] = {
      {{0x41, 0xC8, 0x00, 0x00}, 25.0},
      {{0xC1, 0x20, 0x00, 0x00}, -10.0},
      {{0x00, 0x00, 0x00, 0x00}, 0.0},
      {{0x41, 0xB3, 0x33, 0x33}, static_cast<double>(22.4f)},
      {{0x7F, 0x7F, 0xC9, 0x9E}, static_cast<double>(3.4e38f)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DecodeFloat(c.bytes), c.value);
}

TEST(CheckPage, ChecksumOfBytes4To263) {
  Page page = ResultPage(SimpleTest());
  EXPECT_TRUE(CheckPage(page.data()));
  page[263] ^= 1;
  EXPECT_FALSE(CheckPage(page.data()));
  page[263] ^= 1;
  page[3] ^= 1;
  EXPECT_FALSE(CheckPage(page.data()));
  page[3] ^= 1;
  const auto shortPage = Exact(page.data(), 263);
  EXPECT_FALSE(CheckPage(shortPage.get(), 263));
}

TEST(ResultPage, WorkedExample) {
  // Bytes 10-15 = 14 35 09 28 02 07 and one value entry 0x01 0x00 0x41C80000 ...
  Page page{};
  const uint8_t head[] = {0x14, 0x35, 0x09, 0x28, 0x02, 0x07, 0x14, 0x40, 0x00, 0x28, 0x02, 0x07};
  std::memcpy(page.data() + 10, head, sizeof head);
  page[8] = 1;
  size_t pos = 22;
  for (char c : std::string("Hall\0Room 1\0", 12))
    page[pos++] = static_cast<uint8_t>(c);
  page[pos++] = 1;  // SI
  const uint8_t entry[18] = {0x01, 0x00, 0x41, 0xC8, 0, 0,    0x41, 0xA0, 0,
                             0,    0x41, 0xB0, 0,    0, 0x41, 0xF0, 0,    0};
  std::memcpy(page.data() + pos, entry, sizeof entry);
  pos += sizeof entry;
  emu::PutBe16(page.data() + 4, static_cast<uint32_t>(pos - 6));
  emu::SealPage(page.data());
  ASSERT_TRUE(CheckPage(page.data()));

  TTestsRecord r = NewRecord();
  std::array<bool, 18> flags{};
  ASSERT_EQ(DecodeInto(page, r, flags), PageOutcome::Kept);
  EXPECT_NEAR(r.BeginTime, 39141 + (14 * 3600 + 35 * 60 + 9) * kSecond, 1e-9);  // 28.02.2007
  EXPECT_NEAR(r.EndTime, 39141 + (14 * 3600 + 40 * 60) * kSecond, 1e-9);
  EXPECT_EQ(r.BuildingName, "Hall");
  EXPECT_EQ(r.RoomName, "Room 1");
  EXPECT_EQ(r.UnitSystem, "SI");
  EXPECT_EQ(ValueOf(r, 1), 25.0);  // air temperature, current
  EXPECT_EQ(ValueOf(r, 2), 20.0);
  EXPECT_EQ(ValueOf(r, 3), 22.0);
  EXPECT_EQ(ValueOf(r, 4), 30.0);
  EXPECT_EQ(r.SignalPresent[1], 1);
  EXPECT_EQ(r.SignalPresent[5], 0);
  EXPECT_EQ(ValueOf(r, 5), NoValue);
  EXPECT_TRUE(flags[1]);
  EXPECT_FALSE(flags[2]);
  // No parameter entry: every calculation parameter reads "none".
  EXPECT_EQ(r.Params.DuctShape, -1);
  for (double p : {r.Params.Altitude, r.Params.SideA, r.Params.SideB, r.Params.Radius,
                   r.Params.MetabolicRate, r.Params.Clothing})
    EXPECT_EQ(p, -1);
}

TEST(ResultPage, MultipointKeepsThreeValues) {
  emu::ResultTest t = SimpleTest();
  t.values = {{17, {1.5f, 540.0f, 9.0f, 123.0f}}};
  TTestsRecord r = NewRecord();
  std::array<bool, 18> flags{};
  ASSERT_EQ(DecodeInto(ResultPage(t), r, flags), PageOutcome::Kept);
  EXPECT_EQ(ValueOf(r, 65), 1.5);
  EXPECT_EQ(ValueOf(r, 66), 540.0);
  EXPECT_EQ(ValueOf(r, 67), 9.0);
  EXPECT_EQ(r.SignalPresent[68], 0);  // the fourth value has no code
  EXPECT_TRUE(flags[17]);
  for (int code = 1; code <= 64; ++code)
    EXPECT_EQ(r.SignalPresent[code], 0) << code;
}

TEST(ResultPage, ParameterEntryByMode) {
  const struct {
    int mode;
    double altitude, sideA, sideB, radius, metabolic, clothing;
  } cases[] = {
      {1, 250, 0.5, 0.25, -1, 1.25, 0.75},
      {0, 250, -1, -1, 0.5, 1.25, 0.75},
      {2, 250, -1, -1, -1, 1.25, 0.75},
      {77, 250, -1, -1, -1, 1.25, 0.75},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode);
    emu::ResultTest t = SimpleTest();
    // Values that make a misread obvious: each field has its own.
    t.params = emu::CalcParams{c.mode, 250, 0.5f, 0.25f, 0.5f, 1.25f, 0.75f};
    TTestsRecord r = NewRecord();
    std::array<bool, 18> flags{};
    ASSERT_EQ(DecodeInto(ResultPage(t), r, flags), PageOutcome::Kept);
    EXPECT_EQ(r.Params.DuctShape, c.mode);
    EXPECT_EQ(r.Params.Altitude, c.altitude);
    EXPECT_EQ(r.Params.SideA, c.sideA);
    EXPECT_EQ(r.Params.SideB, c.sideB);
    EXPECT_EQ(r.Params.Radius, c.radius);
    EXPECT_EQ(r.Params.MetabolicRate, c.metabolic);
    EXPECT_EQ(r.Params.Clothing, c.clothing);
    EXPECT_EQ(ValueOf(r, 1), 22.5);  // the value entry before it is read as usual
  }
}

TEST(ResultPage, KindDecidesWhatIsKept) {
  const struct {
    int kind;
    PageOutcome outcome;
    bool values;
  } cases[] = {
      {1, PageOutcome::Kept, true},     {2, PageOutcome::Dropped, false},
      {3, PageOutcome::Dropped, false}, {4, PageOutcome::Dropped, false},
      {0, PageOutcome::Kept, false},    {5, PageOutcome::Kept, false},
      {255, PageOutcome::Kept, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind);
    emu::ResultTest t = SimpleTest();
    Page page = ResultPage(t);
    // Same bytes with another kind byte: the entries stay in the page.
    page[8] = static_cast<uint8_t>(c.kind);
    emu::SealPage(page.data());
    TTestsRecord r = NewRecord();
    r.UnitSystem = "xx";
    std::array<bool, 18> flags{};
    ASSERT_EQ(DecodeInto(page, r, flags), c.outcome);
    EXPECT_EQ(flags[1], c.values);
    EXPECT_EQ(r.SignalPresent[1], c.values ? 1 : 0);
    if (c.outcome == PageOutcome::Dropped) {
      EXPECT_EQ(r.BuildingName, "");  // the record is left as it was
      EXPECT_EQ(r.BeginTime, 0);
    } else {
      EXPECT_EQ(r.BuildingName, "B");
      EXPECT_NEAR(r.BeginTime, At(2024, 5, 2, 10, 0, 0), 1e-9);
      EXPECT_EQ(r.UnitSystem, c.values ? "SI" : "xx");
      EXPECT_EQ(r.Params.DuctShape, c.values ? -1 : 0);
    }
  }
}

TEST(ResultPage, UnitByte) {
  for (const auto& [unit, text] : {std::pair{0, "US"}, {1, "SI"}, {2, "old"}, {255, "old"}}) {
    emu::ResultTest t = SimpleTest();
    t.unitByte = unit;
    TTestsRecord r = NewRecord();
    r.UnitSystem = "old";
    std::array<bool, 18> flags{};
    ASSERT_EQ(DecodeInto(ResultPage(t), r, flags), PageOutcome::Kept);
    EXPECT_EQ(r.UnitSystem, text) << unit;
  }
}

TEST(ResultPage, UnknownEntriesArePassedOverAs18Bytes) {
  for (int odd : {0, 19, 200}) {
    emu::ResultTest t = SimpleTest();
    t.values = {{2, {45, 44, 45, 46}}, {odd, {1, 2, 3, 4}}, {15, {800, 700, 750, 900}}};
    TTestsRecord r = NewRecord();
    std::array<bool, 18> flags{};
    ASSERT_EQ(DecodeInto(ResultPage(t), r, flags), PageOutcome::Kept);
    EXPECT_EQ(ValueOf(r, 5), 45.0);
    EXPECT_EQ(ValueOf(r, 57), 800.0);
    EXPECT_EQ(ValueOf(r, 60), 900.0);
    int present = 0;
    for (int code = 1; code <= 68; ++code)
      present += r.SignalPresent[code];
    EXPECT_EQ(present, 8) << odd;
  }
}

TEST(ResultPage, ImpossibleDateOrTimeMakesABadPage) {
  const std::array<uint8_t, 6> dates[] = {
      {0x10, 0x00, 0x00, 0x01, 0x13, 0x24},  // month 13
      {0x10, 0x00, 0x00, 0x32, 0x01, 0x24},  // day 32
      {0x10, 0x00, 0x00, 0x31, 0x04, 0x24},  // 31 April
      {0x10, 0x00, 0x00, 0x29, 0x02, 0x23},  // 29 February of a common year
      {0x24, 0x00, 0x00, 0x01, 0x01, 0x24},  // 24 o'clock
      {0x10, 0x60, 0x00, 0x01, 0x01, 0x24},  // minute 60
      {0x10, 0x00, 0x60, 0x01, 0x01, 0x24},  // second 60
      {0x1A, 0x00, 0x00, 0x01, 0x01, 0x24},  // not BCD
      {0x10, 0x00, 0x00, 0x00, 0x00, 0x00},  // day and month 0
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // erased memory
  };
  for (bool inEnd : {false, true}) {
    for (const auto& bcd : dates) {
      SCOPED_TRACE(testing::Message() << (inEnd ? "end " : "begin ") << emu::ToHex(bcd.data(), 6));
      emu::ResultTest t = SimpleTest();
      (inEnd ? t.end : t.begin).raw = bcd;
      TTestsRecord r = NewRecord();
      std::array<bool, 18> flags{};
      EXPECT_EQ(DecodeInto(ResultPage(t), r, flags), PageOutcome::Bad);
      EXPECT_EQ(r.SignalPresent[1], 0);
      EXPECT_EQ(r.BuildingName, "");
      EXPECT_FALSE(flags[1]);
    }
  }
  // 29 February of a leap year is a date.
  emu::ResultTest t = SimpleTest();
  t.begin.raw = std::array<uint8_t, 6>{0x23, 0x59, 0x59, 0x29, 0x02, 0x24};
  TTestsRecord r = NewRecord();
  std::array<bool, 18> flags{};
  EXPECT_EQ(DecodeInto(ResultPage(t), r, flags), PageOutcome::Kept);
  EXPECT_NEAR(r.BeginTime, At(2024, 2, 29, 23, 59, 59), 1e-9);
}

// Hostile pages: whatever their bytes claim, nothing beyond the page is read. Each case runs in
// a buffer of exactly 264 bytes.
TEST(ResultPage, HostilePagesAreReadWithinThePage) {
  const auto kept = [](Page page, TTestsRecord& r) {
    emu::SealPage(page.data());
    std::array<bool, 18> flags{};
    return DecodeInto(page, r, flags);
  };

  {  // Data length far beyond the page, entries up to the very end: every whole entry counts.
    emu::ResultTest t = SimpleTest();
    t.buildingName = std::string(7, 'b');  // 22 + 8 + 2 + 1 = 33; 13 entries end at 267
    t.values.clear();
    for (int q = 1; q <= 12; ++q)
      t.values.push_back({q, {float(q), 0, 0, 0}});
    Page page = ResultPage(t);  // 12 entries end at 249
    const uint8_t extra[15] = {13, 0, 0x41, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::memcpy(page.data() + 249, extra, sizeof extra);  // a 13th entry cut by the page end
    emu::PutBe16(page.data() + 4, 0xFFFF);
    TTestsRecord r = NewRecord();
    ASSERT_EQ(kept(page, r), PageOutcome::Kept);
    EXPECT_EQ(ValueOf(r, 45), 12.0);
    EXPECT_EQ(r.SignalPresent[49], 0);  // the cut entry is not read
  }
  {  // Texts without NUL: the building name runs to the page end, nothing follows.
    Page page = ResultPage(SimpleTest());
    std::memset(page.data() + 22, 'A', emu::kPageSize - 22);
    emu::PutBe16(page.data() + 4, 258);
    TTestsRecord r = NewRecord();
    ASSERT_EQ(kept(page, r), PageOutcome::Kept);
    EXPECT_EQ(r.BuildingName, std::string(emu::kPageSize - 22, 'A'));
    EXPECT_EQ(r.RoomName, "");
    EXPECT_EQ(r.UnitSystem, "");
    EXPECT_EQ(r.SignalPresent[1], 0);
  }
  {  // The room name without NUL.
    Page page = ResultPage(SimpleTest());
    std::memset(page.data() + 24, 'z', emu::kPageSize - 24);
    TTestsRecord r = NewRecord();
    ASSERT_EQ(kept(page, r), PageOutcome::Kept);
    EXPECT_EQ(r.BuildingName, "B");
    EXPECT_EQ(r.RoomName.size(), size_t{emu::kPageSize - 24});
  }
  {  // A parameter entry cut by the page end is not read.
    Page page{};
    page[8] = 1;
    const uint8_t date[6] = {0x10, 0, 0, 0x01, 0x01, 0x24};
    std::memcpy(page.data() + 10, date, 6);
    std::memcpy(page.data() + 16, date, 6);
    page[22] = 0;
    page[23] = 0;
    page[24] = 1;
    page[259] = 18;  // after 13 empty entries from 25
    page[261] = 1;   // rectangular: 23 bytes, up to 282
    emu::PutBe16(page.data() + 4, 258);
    TTestsRecord r = NewRecord();
    ASSERT_EQ(kept(page, r), PageOutcome::Kept);
    EXPECT_EQ(r.Params.DuctShape, -1);
    EXPECT_EQ(r.Params.Altitude, -1);
  }
  {  // A page shorter than its head is bad; its bytes beyond the length given are not read.
    const Page page = ResultPage(SimpleTest());
    for (size_t n : {0, 10, 21}) {
      const auto exact = Exact(page.data(), n);
      TTestsRecord r = NewRecord();
      std::array<bool, 18> flags{};
      EXPECT_EQ(DecodeResultPage(exact.get(), r, flags, n), PageOutcome::Bad) << n;
    }
    const auto exact = Exact(page.data(), 40);
    TTestsRecord r = NewRecord();
    std::array<bool, 18> flags{};
    EXPECT_EQ(DecodeResultPage(exact.get(), r, flags, 40), PageOutcome::Kept);
    EXPECT_EQ(r.SignalPresent[1], 0);  // the entry lies beyond the 40 bytes
  }
}

TEST(ResultPage, DocumentFormFillsTheGivenRecord) {
  Document doc;
  doc.AddTestRecord();
  doc.AddTestRecord();
  const Page page = ResultPage(SimpleTest());
  EXPECT_EQ(DecodeResultPage(page.data(), doc, 1), PageOutcome::Kept);
  EXPECT_EQ(doc.AllTests[1].RecordIndex, 1);
  EXPECT_EQ(doc.AllTests[1].Values[StoragePos(4)], 23.0);
  EXPECT_EQ(doc.AllTests[0].SignalPresent[1], 0);
  EXPECT_TRUE(doc.SignalGroupFlags[1]);
  EXPECT_EQ(DecodeResultPage(page.data(), doc, 2), PageOutcome::Bad);
  EXPECT_EQ(DecodeResultPage(page.data(), doc, -1), PageOutcome::Bad);

  emu::ResultTest broken = SimpleTest();
  broken.values = {{2, {1, 2, 3, 4}}};
  broken.begin.raw = std::array<uint8_t, 6>{0x10, 0, 0, 0x01, 0x13, 0x24};
  EXPECT_EQ(DecodeResultPage(ResultPage(broken).data(), doc, 0), PageOutcome::Bad);
  EXPECT_FALSE(doc.SignalGroupFlags[2]);
  EXPECT_EQ(doc.AllTests[0].SignalPresent[5], 0);
}

TEST(DocSignals, FromGroupFlags) {
  Document doc;
  doc.SignalGroupFlags[2] = doc.SignalGroupFlags[1] = doc.SignalGroupFlags[17] = true;
  doc.DocSignals[12] = 99;
  DocSignalsFromGroupFlags(doc);
  const std::vector<int32_t> expected = {1, 2, 3, 4, 5, 6, 7, 8, 65, 66, 67};
  ASSERT_EQ(doc.DocSignalCount, 11);
  ASSERT_EQ(doc.ColumnCount, 11);
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(doc.DocSignals[i + 1], expected[i]);
    EXPECT_EQ(doc.ColumnSignals[i + 1], expected[i]);
  }
  EXPECT_EQ(doc.DocSignals[12], 0);
}

}  // namespace
}  // namespace qv
