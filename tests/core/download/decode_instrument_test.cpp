// The emulator's instrument and memory model, which the decoder and link tests rely on:
// replies, faults, the JSON description and binary images.
#include "memimage/Instrument.h"

#include <gtest/gtest.h>

#include <chrono>

namespace qv::emu {
namespace {

using namespace std::string_literals;

MemoryImage SmallImage() {
  MemoryModel m;
  m.ident.serial = "42";
  ResultTest t;
  t.buildingNo = 1;
  t.roomNo = 2;
  t.begin.stamp = {2024, 1, 2, 3, 4, 5};
  t.end.stamp = {2024, 1, 2, 3, 9, 5};
  t.values = {{1, {20, 19, 20, 21}}};
  t.page = 0x0A0A;  // both address bytes are LF
  m.results.push_back(t);
  t.page = 7;
  m.results.push_back(t);
  std::string error;
  auto image = BuildImage(m, &error);
  EXPECT_TRUE(image) << error;
  return image.value_or(MemoryImage{});
}

ByteVec Ask(Instrument& inst, const std::string& bytes,
            Instrument::Clock::time_point now = Instrument::Clock::now()) {
  return inst.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), now);
}

std::string Text(const ByteVec& v) {
  return std::string(v.begin(), v.end());
}

TEST(Instrument, AnswersTheFourCommands) {
  const MemoryImage image = SmallImage();
  Instrument inst(image);
  EXPECT_EQ(Text(Ask(inst, ":MRD\n")), "SER");
  const ByteVec settings = Ask(inst, ":SE:R\n");
  ASSERT_EQ(settings.size(), 7 + image.settings.size());
  EXPECT_EQ(Text(ByteVec(settings.begin(), settings.begin() + 4)), "OK\r\n");
  EXPECT_EQ(size_t{settings[5]} << 8 | settings[6], image.settings.size());
  EXPECT_EQ(ByteVec(settings.begin() + 7, settings.end()), image.settings);

  const ByteVec dir = Ask(inst, ":MEM:R\n");
  ASSERT_EQ(dir.size(), 7u + 2 * 8 + 4);
  EXPECT_EQ(ByteVec(dir.begin() + 7, dir.end()), image.directory);

  // The command may come in pieces, and the address bytes may be LFs.
  EXPECT_TRUE(Ask(inst, ":MEM").empty());
  EXPECT_EQ(Ask(inst, ":D\n"), (ByteVec{'O', 'K', '\r', '\n', 0x00, 0x01, 0x08}));
  EXPECT_TRUE(Ask(inst, "\n").empty());
  const ByteVec page = Ask(inst, "\n");
  ASSERT_EQ(page.size(), 264u);
  EXPECT_TRUE(std::equal(page.begin(), page.end(), image.Find(0x0A0A)->begin()));
  EXPECT_EQ(PageChecksum(page.data()), GetBe32(page.data()));

  // Line noise before a command and unknown commands.
  EXPECT_EQ(Text(Ask(inst, "\x01\xFFgarbage:MRD\r\n")), "SER");
  EXPECT_TRUE(Ask(inst, ":XYZ\n").empty());
  // An address the memory does not hold reads as erased memory.
  Ask(inst, ":MEM:D\n");
  EXPECT_EQ(Ask(inst, "\x12\x34"), ByteVec(264, 0xFF));
  EXPECT_EQ(inst.PagesSent(), 2);
}

InstrumentFaults Fault(void (*set)(InstrumentFaults&)) {
  InstrumentFaults f;
  set(f);
  return f;
}

TEST(Instrument, Faults) {
  const MemoryImage image = SmallImage();
  {
    Instrument inst(image, Fault([](auto& f) { f.noAnswer = true; }));
    EXPECT_TRUE(Ask(inst, ":MRD\n").empty());
    EXPECT_TRUE(Ask(inst, ":SE:R\n").empty());
  }
  {
    Instrument inst(image, Fault([](auto& f) { f.identReply = "SEX"; }));
    EXPECT_EQ(Text(Ask(inst, ":MRD\n")), "SEX");
  }
  {
    Instrument inst(image, Fault([](auto& f) { f.badChecksumPages = {7}; }));
    Ask(inst, ":MEM:D\n");
    const ByteVec bad = Ask(inst, "\x00\x07"s);
    EXPECT_NE(PageChecksum(bad.data()), GetBe32(bad.data()));
    EXPECT_TRUE(std::equal(bad.begin() + 4, bad.end(), image.Find(7)->begin() + 4));
  }
  {
    // Damaged on the wire: the first copy only.
    Instrument inst(image, Fault([](auto& f) { f.badChecksumOnce = {7}; }));
    for (const bool damaged : {true, false}) {
      Ask(inst, ":MEM:D\n");
      const ByteVec page = Ask(inst, "\x00\x07"s);
      EXPECT_EQ(PageChecksum(page.data()) != GetBe32(page.data()), damaged);
      EXPECT_TRUE(std::equal(page.begin() + 4, page.end(), image.Find(7)->begin() + 4));
    }
  }
  {
    Instrument inst(image, Fault([](auto& f) { f.dropAckOnce = true; }));
    EXPECT_EQ(Text(Ask(inst, ":MRD\n")), "SER");  // identification has no acknowledgement
    EXPECT_TRUE(Ask(inst, ":MEM:D\n").empty());   // dropped: no address is awaited
    EXPECT_TRUE(Ask(inst, "\x00").empty());
    EXPECT_EQ(Ask(inst, ":MEM:D\n").size(), 7u);
    EXPECT_EQ(Ask(inst, "\x00\x07"s).size(), 264u);
    EXPECT_EQ(Ask(inst, ":SE:R\n").size(), 7 + image.settings.size());
  }
  {
    Instrument inst(image, Fault([](auto& f) { f.stallAtPage = 7; }));
    Ask(inst, ":MEM:D\n");
    EXPECT_EQ(Ask(inst, "\x0A\x0A").size(), 264u);
    EXPECT_EQ(Ask(inst, ":MEM:D\n").size(), 7u);  // acknowledged ...
    EXPECT_TRUE(Ask(inst, "\x00\x07"s).empty());  // ... then silence for good
    EXPECT_TRUE(inst.Stalled());
    EXPECT_TRUE(Ask(inst, ":MRD\n").empty());
  }
}

TEST(Instrument, ForgetsAnAddressThatDoesNotCome) {
  Instrument inst(SmallImage());
  const auto t0 = Instrument::Clock::now();
  Ask(inst, ":MEM:D\n", t0);
  // Long after the acknowledgement, the bytes are a new command, not an address.
  EXPECT_EQ(Text(Ask(inst, ":MRD\n", t0 + Instrument::kAddressWait + std::chrono::seconds(1))),
            "SER");
  Ask(inst, ":MEM:D\n");
  inst.ResetLine();
  EXPECT_EQ(Text(Ask(inst, ":MRD\n")), "SER");
}

TEST(Instrument, TrafficObserverAndLogLines) {
  Instrument inst(SmallImage());
  std::vector<std::pair<bool, size_t>> seen;
  inst.onTraffic = [&](bool fromHost, const uint8_t*, size_t n) { seen.emplace_back(fromHost, n); };
  Ask(inst, ":MRD\n");
  Ask(inst, ":NOPE\n");
  EXPECT_EQ(seen, (std::vector<std::pair<bool, size_t>>{{true, 5}, {false, 3}, {true, 6}}));
  const uint8_t bytes[] = {':', 'M', 'R', 'D', '\n'};
  EXPECT_EQ(FormatTraffic(1.5, true, bytes, 5),
            "       1.500 H> 3A 4D 52 44 0A                                   |:MRD.|\n");
  const ByteVec page(20, 0x41);
  const std::string lines = FormatTraffic(2, false, page.data(), page.size());
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2);
  EXPECT_NE(lines.find("<I 41 41 41 41                                      |AAAA|"),
            std::string::npos);
}

struct JsonCase {
  const char* name;
  const char* json;
  const char* error;  // a part of the message; empty: must load
};

TEST(MemoryJson, ReportsWhereADescriptionIsWrong) {
  const JsonCase cases[] = {
      {"minimal", R"({})", ""},
      {"syntax", R"({"results": [}")", "JSON error"},
      {"unknown_key", R"({"result": []})", "unknown key \"result\""},
      {"bad_quantity",
       R"({"results": [{"building": 1, "room": 1, "begin": "2024-01-01", "values": {"Temp": 1}}]})",
       "results[0].values.Temp: unknown quantity"},
      {"bad_date", R"({"results": [{"building": 1, "room": 1, "begin": "2024-02-30 10:00:00"}]})",
       "results[0].begin"},
      {"too_full",
       R"({"results": [{"building": 1, "room": 1, "begin": "2024-01-01",
           "values": [[1,0],[2,0],[3,0],[4,0],[5,0],[6,0],[7,0],[8,0],[9,0],[10,0],[11,0],[12,0],
                      [13,0],[14,0]]}]})",
       "a page holds 264"},
      {"row_width",
       R"({"logging": [{"interval": 1, "start": "2024-01-01", "quantities": [1, 2],
           "samples": [[1]]}]})",
       "logging[0].samples[0]: expected one entry per quantity (2)"},
      {"twice",
       R"({"results": [{"building": 1, "room": 1, "begin": "2024-01-01", "page": 4},
                       {"building": 1, "room": 1, "begin": "2024-01-01", "page": 4}]})",
       "page address 4 is used twice"},
      {"no_samples",
       R"({"logging": [{"interval": 1, "start": "2024-01-01", "quantities": [1], "samples": []}]})",
       "has no samples"},
  };
  for (const JsonCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = c.json;
    std::string error;
    auto model = ParseMemoryJson(ByteVec(text.begin(), text.end()), &error);
    std::optional<MemoryImage> image;
    if (model) image = BuildImage(*model, &error);
    if (*c.error == '\0') {
      EXPECT_TRUE(image) << error;
    } else {
      EXPECT_FALSE(image);
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
  }
}

TEST(MemoryJson, DescribesPagesByHand) {
  const std::string text = R"({
    "identification": {"type": "T", "serial": "S", "resultsPercent": 50, "extraHex": "01 0D"},
    "results": [{"building": 3, "room": 4, "begin": "2007-02-28 14:35:09", "duration": 61,
                 "unit": "US", "values": [["RelHum", 45], [1, 25, 20, 22, 30]],
                 "params": {"mode": 0, "radius": 0.5}}],
    "logging": [{"interval": 60, "start": "2024-06-01 10:00:00", "quantities": ["co2"],
                 "samples": [[600], [[610, 600, 605, 620]]], "endBit": true, "number": 9}]
  })";
  std::string error;
  auto model = ParseMemoryJson(ByteVec(text.begin(), text.end()), &error);
  ASSERT_TRUE(model) << error;
  const ResultTest& t = model->results[0];
  EXPECT_EQ(t.end.stamp, (Stamp{2007, 2, 28, 14, 36, 10}));
  ASSERT_EQ(t.values.size(), 2u);
  EXPECT_EQ(t.values[0].quantity, 2);  // a list keeps its order
  EXPECT_EQ(t.values[0].values, (std::array<float, 4>{45, 45, 45, 45}));
  EXPECT_EQ(t.unitByte, 0);
  const auto image = BuildImage(*model, &error);
  ASSERT_TRUE(image) << error;
  const ByteVec head(image->settings.begin(), image->settings.begin() + 16);
  EXPECT_EQ(Text(head),
            "T\0"
            "100\0Quorvantel"s);
  EXPECT_EQ(image->settings.back(), 0x0D);
  const Page& page = *image->Find(1);
  const uint8_t bcd[6] = {0x14, 0x35, 0x09, 0x28, 0x02, 0x07};
  EXPECT_TRUE(std::equal(bcd, bcd + 6, page.begin() + 10));
  // Directory: the result entry, then the two pages of block 9, the last with bit 7.
  ASSERT_EQ(image->directory.size(), 3 * 8 + 4u);
  EXPECT_EQ(image->directory[7], 0x00);
  EXPECT_EQ(image->directory[2], 3);
  EXPECT_EQ(image->directory[15], 0x09);
  EXPECT_EQ(image->directory[23], 0x89);
  EXPECT_EQ(image->directory[12], 0x01);  // day of the block date, BCD
}

TEST(MemoryImage, BinaryImagesRoundTrip) {
  const MemoryImage image = SmallImage();
  const ByteVec bytes = SaveBinaryImage(image);
  ASSERT_TRUE(IsBinaryImage(bytes));
  std::string error;
  const auto back = LoadBinaryImage(bytes, &error);
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(back->settings, image.settings);
  EXPECT_EQ(back->directory, image.directory);
  EXPECT_EQ(back->pages, image.pages);
  // Every cut is refused, never read past.
  for (size_t n = 0; n < bytes.size(); n += 37) {
    EXPECT_FALSE(LoadBinaryImage(ByteVec(bytes.begin(), bytes.begin() + n), &error)) << n;
  }
  ByteVec longer = bytes;
  longer.push_back(0);
  EXPECT_FALSE(LoadBinaryImage(longer, &error));
}

TEST(Encoding, WireForms) {
  EXPECT_EQ(EncodeFloatBE(25.0f), (std::array<uint8_t, 4>{0x41, 0xC8, 0x00, 0x00}));
  EXPECT_EQ(MakeBcd(59), 0x59);
  EXPECT_EQ(MakeBcd(7), 0x07);
  EXPECT_EQ(AddSeconds({2024, 12, 31, 23, 59, 50}, 15), (Stamp{2025, 1, 1, 0, 0, 5}));
  EXPECT_EQ(AddSeconds({2024, 3, 1, 0, 0, 0}, -1), (Stamp{2024, 2, 29, 23, 59, 59}));
  EXPECT_DOUBLE_EQ(StampToDayNumber({2007, 2, 28, 12, 0, 0}), 39141.5);
  EXPECT_EQ(ParseHex("0x0A, 1b ff"), (ByteVec{0x0A, 0x1B, 0xFF}));
  EXPECT_FALSE(ParseHex("0A 1"));
  EXPECT_FALSE(ParseStamp("2024-02-30"));
  EXPECT_FALSE(ParseStamp("2024-01-01 10:00:00x"));
}

}  // namespace
}  // namespace qv::emu
