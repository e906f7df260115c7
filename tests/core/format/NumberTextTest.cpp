#include "format/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace qv {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(RoundingTest, RoundHalfEvenAndTrunc) {
  struct Case {
    double v;
    int64_t rounded, truncated;
  };
  const Case cases[] = {
      {12.5, 12, 12},
      {13.5, 14, 13},
      {-12.5, -12, -12},
      {0.5, 0, 0},
      {-0.5, 0, 0},
      {1.5, 2, 1},
      {2.4999, 2, 2},
      {2.5001, 3, 2},
      {-2.9, -3, -2},
      {-2.1, -2, -2},
      {1e15 + 0.5, 1000000000000000, 1000000000000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.v);
    EXPECT_EQ(RoundHalfEven(c.v), c.rounded);
    EXPECT_EQ(Trunc(c.v), c.truncated);
  }
}

TEST(RoundingTest, ValuesBeyondTheIntegerRangeSaturate) {
  EXPECT_EQ(RoundHalfEven(1e300), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(RoundHalfEven(-1e300), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(Trunc(kInf), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(RoundHalfEven(kNaN), 0);
  EXPECT_EQ(Trunc(kNaN), 0);
}

TEST(FormatFixedTest, RoundsHalfToEvenOnTheExactBinaryValue) {
  struct Case {
    double v;
    int decimals;
    const char* text;
  };
  const Case cases[] = {
      {0.125, 2, "0.12"},   // exact half: to the even neighbour
      {0.375, 2, "0.38"},   // exact half: to the even neighbour
      {2.675, 2, "2.67"},   // binary value lies below 2.675
      {1.005, 2, "1.00"},   // binary value lies below 1.005
      {0.15, 1, "0.1"},     // binary value lies below 0.15
      {0.25, 1, "0.2"},     // exact half
      {12.5, 0, "12"},      // exact half
      {13.5, 0, "14"},      // exact half
      {-3.25, 1, "-3.2"},   // exact half, negative
      {59.96, 1, "60.0"},   // carry into a new digit
      {9.996, 2, "10.00"},  // carry into a new digit
      {1234.5678, 3, "1234.568"},
      {1e6, 0, "1000000"},
      {0, 3, "0.000"},
      {0.04, 0, "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatFixed(c.v, c.decimals, '.'), c.text);
  }
}

TEST(FormatFixedTest, ZeroTextsCarryNoMinusSign) {
  EXPECT_EQ(FormatFixed(-0.04, 1, '.'), "0.0");
  EXPECT_EQ(FormatFixed(-0.0, 2, '.'), "0.00");
  EXPECT_EQ(FormatFixed(-0.5, 0, '.'), "0");
  EXPECT_EQ(FormatFixed(-0.0004, 3, ','), "0,000");
  // A value that rounds away from zero keeps its sign.
  EXPECT_EQ(FormatFixed(-0.06, 1, '.'), "-0.1");
  EXPECT_EQ(FormatFixed(-10, 0, '.'), "-10");
}

TEST(FormatFixedTest, UsesTheGivenDecimalSeparator) {
  EXPECT_EQ(FormatFixed(12.25, 1, ','), "12,2");
  EXPECT_EQ(FormatFixed(-1234.5, 3, ','), "-1234,500");
  EXPECT_EQ(FormatFixed(7, 0, ','), "7");
}

TEST(FormatFixedTest, NonFiniteValuesGiveTextsThatDoNotReadBack) {
  for (double v : {kNaN, kInf, -kInf}) {
    EXPECT_FALSE(TextToNumber(FormatFixed(v, 1, '.')).has_value());
  }
}

// The platform's printf rounds exactly; the fixed texts must match it digit for digit,
// including near-halves and the huge no-value markers.
TEST(FormatFixedTest, MatchesPrintfOnManyValues) {
  std::mt19937_64 rng(20240611);
  std::uniform_real_distribution<double> magnitude(-8, 9);
  std::uniform_int_distribution<int> halves(-200000, 200000);
  char expected[512];
  int mismatches = 0;
  for (int i = 0; i < 200000; ++i) {
    const int decimals = (i / 4) % 4;
    double v;
    if (i % 4 == 0) {
      // Decimal halves at the last place: the binary value lies just above or below them.
      v = (halves(rng) + 0.5) / std::pow(10.0, decimals);
    } else if (i % 4 == 1) {
      // Multiples of 2^-(decimals + 1): many are exact ties at the last place.
      v = std::ldexp(halves(rng), -(decimals + 1));
    } else {
      v = std::pow(10.0, magnitude(rng)) * ((i & 1) ? -1 : 1);
    }
    std::snprintf(expected, sizeof expected, "%.*f", decimals, v);
    std::string want = expected;
    if (want.find_first_of("123456789") == std::string::npos && want[0] == '-') want.erase(0, 1);
    const FixedText got = FormatFixedRead(v, decimals, '.');
    // The number that comes with the text is the one the text reads back as.
    if ((got.text != want || got.number != TextToNumber(want)) && ++mismatches < 10) {
      ADD_FAILURE() << "value " << v << " decimals " << decimals << ": " << want;
    }
  }
  for (double v : {3.4E38, -3.4E38, static_cast<double>(3.4E38f), 1.7976931348623157e308, 4.5e15,
                   -9.1e15, 123456789012.3456}) {
    SCOPED_TRACE(v);
    std::snprintf(expected, sizeof expected, "%.3f", v);
    const FixedText got = FormatFixedRead(v, 3, '.');
    EXPECT_EQ(got.text, expected);
    EXPECT_EQ(got.number, TextToNumber(expected));
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(FormatGeneralTest, FifteenSignificantDigitsWithoutTrailingZeros) {
  struct Case {
    double v;
    char sep;
    const char* text;
  };
  const Case cases[] = {
      {39141.6077430556, '.', "39141.6077430556"},
      {39141.607743055555, '.', "39141.6077430556"},
      {39141.5, ',', "39141,5"},
      {39141, '.', "39141"},
      {1.0 / 3, '.', "0.333333333333333"},
      {-2.5, ',', "-2,5"},
      {0.0001, '.', "0.0001"},
      {100000000000000, '.', "100000000000000"},
      {0, '.', "0"},
      {-0.0, '.', "0"},
      // Exponent form where "%.15g" switches to it, written "E+20" / "E-7".
      {1e15, '.', "1E+15"},
      {1e20, '.', "1E+20"},
      {1e-5, '.', "1E-5"},
      {1.5e-7, ',', "1,5E-7"},
      {123456789012345678.0, '.', "1.23456789012346E+17"},
      {-2.5e100, '.', "-2.5E+100"},
      {1.5e-300, '.', "1.5E-300"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatGeneral(c.v, c.sep), c.text);
  }
}

TEST(FormatScientific23Test, TwentyThreeCharactersAlwaysWithAPoint) {
  struct Case {
    double v;
    const char* text;
  };
  const Case cases[] = {
      {39141.6077430556, " 3.91416077430556E+0004"},
      {-39141.6077430556, "-3.91416077430556E+0004"},
      {0, " 0.00000000000000E+0000"},
      {-0.0, " 0.00000000000000E+0000"},
      {1, " 1.00000000000000E+0000"},
      {0.25, " 2.50000000000000E-0001"},
      {9.999999999999999, " 1.00000000000000E+0001"},
      {1e-5, " 1.00000000000000E-0005"},
      {1e300, " 1.00000000000000E+0300"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const Bytes text = FormatScientific23(c.v);
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(text.size(), 23u);
  }
  // The form reads back to the day number it was written from, to 15 digits.
  EXPECT_NEAR(*TextToNumber(FormatScientific23(39141.607743055555)), 39141.607743055555, 1e-10);
}

TEST(TextToNumberTest, AcceptsPointOrCommaSignExponentAndBlanks) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"12,5", 12.5},   {"12.5", 12.5},    {"  12.5  ", 12.5},
      {"\t-3\r\n", -3}, {"+3", 3},         {"-0,25", -0.25},
      {"1e3", 1000},    {"1,5E-2", 0.015}, {"2.5e+2", 250},
      {".5", 0.5},      {"5.", 5},         {"007", 7},
      {"1e-400", 0},    {"0,000", 0},      {"339999999999999996123846586046231871488.0", 3.4E38},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<double> v = TextToNumber(c.text);
    ASSERT_TRUE(v.has_value());
    EXPECT_DOUBLE_EQ(*v, c.value);
  }
}

TEST(TextToNumberTest, RejectsEverythingElse) {
  const char* const texts[] = {
      "",    " ",    "---", "abc",     "12a",   "1 2",   "--1",  "+-1",   "-",
      "+",   ".",    ",",   "1.234,5", "1,2,3", "e5",    "1e",   "1e+",   "1e1.5",
      "inf", "-INF", "nan", "NAN",     "0x1p3", "1e400", "12 %", "1_000",
  };
  for (const char* t : texts) {
    SCOPED_TRACE(t);
    EXPECT_FALSE(TextToNumber(t).has_value());
  }
}

TEST(TextToNumberTest, ReadsLongTextsWithoutOverrun) {
  std::string digits(2000, '9');
  EXPECT_FALSE(TextToNumber(digits).has_value());  // beyond the double range
  const std::string small = "0." + std::string(1000, '0') + "1";
  EXPECT_EQ(TextToNumber(small), 0.0);
  // A view into a larger buffer is read only within its bounds.
  const std::string buffer = "12.5123";
  EXPECT_EQ(TextToNumber(std::string_view(buffer).substr(0, 4)), 12.5);
}

TEST(TextToIntTest, DecimalThirtyTwoBitIntegers) {
  EXPECT_EQ(TextToInt("42"), 42);
  EXPECT_EQ(TextToInt("  -7 "), -7);
  EXPECT_EQ(TextToInt("+7"), 7);
  EXPECT_EQ(TextToInt("2147483647"), 2147483647);
  EXPECT_EQ(TextToInt("-2147483648"), std::numeric_limits<int32_t>::min());
  for (const char* t : {"", " ", "2147483648", "-2147483649", "1.5", "1,0", "+-1", "12a", "0x10",
                        "1e3", "-", "+"}) {
    SCOPED_TRACE(t);
    EXPECT_FALSE(TextToInt(t).has_value());
  }
}

}  // namespace
}  // namespace qv
