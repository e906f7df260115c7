// The compact forms of the archive's numbers: every value comes back bit for bit, the
// decimals of the files take about a byte a sample, and damaged bytes are refused.
#include "archive/ValueCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace qv {
namespace {

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

struct Case {
  const char* what;
  std::vector<double> values;
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"empty", {}},
      {"one decimal", {21.5, 21.6, 21.6, 21.4, 20.0, -3.2}},
      {"mixed decimals and no value", {0.05, NoValue, 1234, 0.1, NoValue, 99.99}},
      {"only no value", {NoValue, NoValue}},
      {"large and small", {123456789, -987654321, 0.000001, 1e15}},
      {"negative zero", {0.0, -0.0, 1.5}},
      {"more digits than files hold", {0.1 + 0.2, 1.0 / 3, 21.5}},
      {"non-finite", {std::numeric_limits<double>::infinity(), 1, std::nan("")}},
      {"beyond exact integers", {1e300, -1e-300, 3e7}},
  };
  return cases;
}

TEST(ValueCodecTest, SeriesAndValuesComeBackBitForBit) {
  for (const Case& c : Cases()) {
    const std::optional<std::vector<double>> series =
        DecodeSeries(EncodeSeries(c.values), c.values.size());
    ASSERT_TRUE(series) << c.what;
    EXPECT_TRUE(SameBits(*series, c.values)) << c.what;
    const std::optional<std::vector<double>> values =
        DecodeValues(EncodeValues(c.values), c.values.size());
    ASSERT_TRUE(values) << c.what;
    EXPECT_TRUE(SameBits(*values, c.values)) << c.what;
  }
}

TEST(ValueCodecTest, LoggedDecimalsTakeAboutAByteASample) {
  // A temperature drifting by tenths and a CO2 reading by a few ppm, as the files hold them.
  std::vector<double> temperature, co2;
  for (int i = 0; i < 4096; ++i) {
    temperature.push_back(std::round((21 + std::sin(i / 50.0) * 2) * 10) / 10);
    co2.push_back(600 + (i * 7) % 40);
  }
  // The form and scale, and a second byte for the first value's whole size.
  EXPECT_LE(EncodeSeries(temperature).size(), 4096u + 3);
  EXPECT_LE(EncodeSeries(co2).size(), 4096u + 3);
  // Values of a test stand alone: a few bytes each, never the eight of a double.
  EXPECT_LE(EncodeValues({21.5, 45.2, 812, 0.15}).size(), 4u * 3);
}

TEST(ValueCodecTest, DamagedBytesAreRefused) {
  const std::vector<double> values = {21.5, NoValue, 1e300, 22.5};
  for (const QByteArray& whole : {EncodeSeries(values), EncodeSeries({1.5, 2.5, 3.5})}) {
    const size_t count = whole == EncodeSeries(values) ? values.size() : 3;
    for (qsizetype cut = 0; cut < whole.size(); ++cut)
      EXPECT_FALSE(DecodeSeries(whole.left(cut), count)) << cut;
    EXPECT_FALSE(DecodeSeries(whole, count + 1));
    EXPECT_FALSE(DecodeSeries(whole, count - 1));  // bytes left over
    EXPECT_FALSE(DecodeSeries(whole + "x", count));
  }
  const QByteArray encoded = EncodeValues(values);
  for (qsizetype cut = 0; cut < encoded.size(); ++cut)
    EXPECT_FALSE(DecodeValues(encoded.left(cut), values.size())) << cut;
  EXPECT_FALSE(DecodeSeries(QByteArray("X\x01", 2), 1));      // unknown form
  EXPECT_FALSE(DecodeSeries(QByteArray("D\x0A\x02", 3), 1));  // ten decimals
  EXPECT_FALSE(DecodeSeries(QByteArray("D\x01"
                                       "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x01",
                                       13),
                            1));
  EXPECT_FALSE(DecodeSeries(QByteArray("D\x01\x02", 3), 1u << 30));  // count past the bytes
}

TEST(ValueCodecTest, CodeListsKeepAnyNumberInOrder) {
  const std::vector<int32_t> codes = {57, 1, 68, 0, -5, 999, INT32_MAX, INT32_MIN};
  EXPECT_EQ(DecodeCodes(EncodeCodes(codes)), codes);
  EXPECT_EQ(DecodeCodes(EncodeCodes({})), std::vector<int32_t>{});
  EXPECT_EQ(EncodeCodes({1, 2, 3, 57}).size(), 4);   // a byte per code of a logging block
  EXPECT_FALSE(DecodeCodes(QByteArray("\x80", 1)));  // cut inside a number
  // Past 32 bits.
  EXPECT_FALSE(DecodeCodes(QByteArray("\xFF\xFF\xFF\xFF\x7F", 5)));
}

}  // namespace
}  // namespace qv
