#include "format/ValueFormat.h"

#include "store/SignalCatalog.h"

#include <gtest/gtest.h>

#include <limits>

namespace qv {
namespace {

enum Src { T, L };  // a test or a logging block

TTestsRecord MakeTest(const char* unit, int code, double v) {
  TTestsRecord t;
  t.UnitSystem = unit;
  t.Values.fill(NoValue);
  t.SignalPresent[code] = 1;
  t.Values[StoragePos(code)] = v;
  return t;
}

TLoggerRecord MakeBlock(const char* unit, int code, double v) {
  TLoggerRecord b;
  b.UnitSystem = unit;
  b.SignalCodes[0] = code;
  b.SignalCount = 1;
  b.SampleCount = 1;
  b.SignalPresent[code] = 1;
  b.Samples[StoragePos(code)] = {v};
  return b;
}

ValueText Own(int code, const char* unit, Src src, double v, char sep = '.') {
  if (src == T) return FormatTestValue(code, std::vector{MakeTest(unit, code, v)}, 1, sep);
  return FormatLoggerValue(code, 1, std::vector{MakeBlock(unit, code, v)}, 0, sep);
}

Bytes Converted(int code, const char* unit, Src src, double v, char sep = '.') {
  if (src == T) return ConvertTestValue(code, 1, std::vector{MakeTest(unit, code, v)}, sep);
  return ConvertLoggerValue(code, 1, MakeBlock(unit, code, v), sep);
}

struct OwnCase {
  int code;
  const char* unit;
  Src src;
  double v;
  const char* text;
  bool low, high;
};

void CheckOwn(const OwnCase* first, const OwnCase* last) {
  for (const OwnCase* c = first; c != last; ++c) {
    SCOPED_TRACE(::testing::Message() << "code " << c->code << " " << c->unit
                                      << (c->src == T ? " test " : " block ") << c->v);
    const ValueText r = Own(c->code, c->unit, c->src, c->v);
    EXPECT_EQ(r.text, c->text);
    EXPECT_EQ(r.low, c->low);
    EXPECT_EQ(r.high, c->high);
  }
}

// Patterns, marks and windows of the temperature-like and dimensionless quantities.
TEST(FormatOwnTest, TemperaturesHumidityAndIndices) {
  const OwnCase cases[] = {
      // Air temperature: marks on the number as shown.
      {1, "SI", T, 59.96, "60.0", false, true},
      {1, "SI", T, 59.94, "59.9", false, false},
      {2, "SI", T, 1500, "---", false, false},
      {3, "SI", T, -20.04, "-20.0", true, false},
      {4, "SI", T, -19.96, "-20.0", true, false},
      {1, "SI", T, 1000, "1000.0", false, false},  // at the window, past the mark
      {1, "SI", T, 1000.06, "---", false, false},
      {1, "SI", T, -1000.06, "---", false, false},
      {1, "US", L, 140, "140.0", false, true},
      {1, "US", T, -3.96, "-4.0", true, false},
      {1, "Sx", T, 59.96, "60.0", false, true},   // the first letter decides
      {1, "XX", T, 59.96, "60.0", false, false},  // unknown letter: no marks
      {1, "", L, -30, "-30.0", false, false},
      // Relative humidity: the same marks for any letter.
      {5, "SI", T, 99.9, "99.9", false, true},
      {6, "US", T, 99.86, "99.9", false, true},
      {7, "XX", L, 99.9, "99.9", false, true},
      {8, "SI", T, 99.84, "99.8", false, false},
      {5, "SI", T, 1000.5, "---", false, false},
      // Dew point: the logged SI minimum is marked from -91 only.
      {9, "SI", T, -90, "-90.0", true, false},
      {11, "SI", T, -90, "-90.0", true, false},
      {11, "SI", L, -90, "-90.0", false, false},
      {11, "SI", L, -90.96, "-91.0", true, false},
      {10, "SI", L, -90, "-90.0", true, false},
      {11, "SI", L, -1000.06, "---", false, false},
      {11, "US", L, -130, "-130.0", true, false},
      {12, "SI", T, 60, "60.0", false, true},
      {12, "US", T, 140, "140.0", false, true},
      {9, "XX", T, -95, "-95.0", false, false},
      // Globe temperature.
      {41, "SI", T, 10, "10.0", true, false},
      {42, "SI", T, 10.04, "10.0", true, false},
      {43, "SI", T, 10.06, "10.1", false, false},
      {44, "SI", T, 120, "120.0", false, true},
      {41, "US", T, 50, "50.0", true, false},
      {41, "US", L, 248, "248.0", false, true},
      // PMV and PPD: never marked, same window as temperatures.
      {45, "SI", T, -3.25, "-3.2", false, false},
      {46, "US", T, -1000.04, "-1000.0", false, false},
      {49, "SI", T, 100, "100.0", false, false},
      {52, "SI", T, 1000.06, "---", false, false},
      // WBGT.
      {53, "SI", T, -100, "-100.0", true, false},
      {54, "SI", T, 500, "500.0", false, true},
      {55, "US", T, -148, "-148.0", true, false},
      {56, "US", T, 868, "868.0", false, true},
      // Thermocouple and differential temperature: decimals by |v|.
      {29, "SI", T, -199.96, "-200.0", true, false},
      {30, "SI", T, -250, "-250", true, false},
      {31, "SI", T, 199.94, "199.9", false, false},
      {32, "SI", T, 1400, "1400", false, true},
      {29, "SI", L, 3000.4, "3000", false, false},
      {29, "SI", L, -3000.6, "---", false, false},
      {29, "US", T, -328, "-328", true, false},
      {29, "US", T, 2552, "2552", false, true},
      {29, "XX", T, -250, "-250", false, false},
      {33, "SI", T, -260, "-260", true, false},
      {34, "SI", T, 1420, "1420", false, true},
      {35, "US", T, -468, "-468", true, false},
      {36, "US", L, 2556, "2556", false, true},
      {33, "SI", T, -3000.4, "-3000", false, false},
      // Contrast.
      {37, "SI", T, 999.96, "1000.0", false, false},
      {38, "US", T, 200000, "200000", false, true},
      {39, "XX", T, 200000, "200000", false, true},
      {40, "SI", T, 30000000.6, "---", false, false},
  };
  CheckOwn(std::begin(cases), std::end(cases));
}

TEST(FormatOwnTest, FlowLightAndConcentrations) {
  const OwnCase cases[] = {
      // Air velocity: 0 is not marked low, negative values pass the window.
      {13, "SI", T, 0.04, "0.04", true, false},
      {13, "SI", T, 0, "0.00", false, false},
      {14, "SI", L, 0.051, "0.05", true, false},
      {15, "SI", T, 0.0549, "0.05", true, false},
      {15, "SI", T, 0.056, "0.06", false, false},
      {16, "SI", T, 9.996, "10.00", false, false},  // pattern chosen on the unrounded value
      {13, "SI", T, 19.96, "20.0", false, true},
      {13, "SI", T, -0.5, "-0.50", false, false},
      {13, "SI", T, 8000.04, "8000.0", false, false},
      {13, "SI", T, 8000.06, "---", false, false},
      {13, "US", T, 10.4, "10", true, false},
      {13, "US", T, 0.4, "0", false, false},
      {13, "US", L, 3936.6, "3937", false, true},
      {13, "XX", T, 2.5, "", false, false},  // no own text for an unknown letter
      {13, "", L, 2.5, "", false, false},
      {65, "SI", T, 0.04, "0.04", true, false},
      {65, "US", T, 4000, "4000", false, true},
      {65, "XX", T, 1, "", false, false},
      // Volume flow.
      {17, "SI", T, 999.96, "1000.0", false, false},
      {17, "SI", T, 1000, "1000", false, false},
      {18, "SI", T, 508938, "508938", false, true},
      {18, "SI", T, 508937.4, "508937", false, false},
      {20, "SI", T, 700000, "700000", false, true},
      {20, "SI", L, 700000, "700000", false, false},  // logged SI maximum: mark below 700000
      {20, "SI", L, 699999.6, "700000", false, false},
      {20, "SI", L, 699999, "699999", false, true},
      {19, "SI", L, 700000, "700000", false, true},
      {17, "SI", T, 29999999.6, "30000000", false, false},
      {17, "SI", T, 30000000.6, "---", false, false},
      {17, "US", T, 9999.94, "9999.9", false, false},
      {17, "US", T, 10000, "10000", false, false},
      {17, "US", L, 999.94, "999.9", false, false},
      {17, "US", L, 1000, "1000", false, false},
      {18, "US", T, 17975588, "17975588", false, true},
      {20, "US", L, 29999999, "29999999", false, true},
      {66, "SI", T, 508938, "508938", false, true},
      {17, "XX", T, 5, "", false, false},
      // Illumination: marks on the unrounded value.
      {21, "SI", T, 19.996, "20.00", false, false},
      {21, "SI", T, 199.96, "200.0", false, false},
      {22, "SI", L, 200, "200", false, false},
      {23, "SI", T, 19999.6, "20000", false, false},
      {24, "SI", T, 20000, "20000", false, true},
      {21, "SI", T, 29999.6, "30000", false, true},
      {21, "SI", T, 30000.4, "30000", false, false},
      {21, "SI", T, 30000.6, "---", false, false},
      {21, "US", T, 1.9996, "2.000", false, false},
      {21, "US", T, 19.996, "20.00", false, false},
      {21, "US", T, 1857.6, "1858", false, false},
      {21, "US", L, 1858, "1858", false, true},
      {21, "XX", T, 100, "", false, false},
      // Luminance: the same for any letter.
      {25, "SI", T, 0.1, "0.1", true, false},
      {26, "US", T, 0.1, "0.1", true, false},
      {27, "XX", T, 0.1, "0.1", true, false},
      {25, "SI", T, 0, "0.0", false, false},
      {25, "SI", T, 0.14, "0.1", true, false},
      {25, "SI", T, 0.16, "0.2", false, false},
      {25, "SI", T, 39.96, "40.0", false, false},
      {25, "SI", T, 40, "40", false, false},
      {28, "SI", L, 40000, "40000", false, true},
      {28, "SI", T, 100000.4, "100000", false, false},
      {28, "SI", T, 100000.6, "---", false, false},
      // CO2 and CO: halves to the even neighbour, then marked as read back.
      {57, "SI", T, 4999.5, "5000", false, true},
      {58, "US", T, 5000.5, "5000", false, true},
      {59, "XX", L, 50000.4, "50000", false, false},
      {60, "SI", T, 50000.6, "---", false, false},
      {61, "SI", T, 500, "500", false, true},
      {62, "SI", T, 499.4, "499", false, false},
      {63, "SI", T, 5000.4, "5000", false, false},
      {64, "SI", T, 5000.6, "---", false, false},
      // Number of points: no marks, no window.
      {67, "SI", T, 3, "3", false, false},
      {67, "XX", T, 12.5, "12", false, false},
      {67, "US", T, 1e9, "1000000000", false, false},
  };
  CheckOwn(std::begin(cases), std::end(cases));
}

TEST(FormatOwnTest, InstrumentValuesWidenedFromSinglePrecision) {
  // The instruments send floats; 59.96f and 19.996f are not the decimal values.
  EXPECT_EQ(Own(1, "SI", T, 59.96f).text, "60.0");
  EXPECT_TRUE(Own(1, "SI", T, 59.96f).high);
  EXPECT_EQ(Own(21, "SI", T, 19.996f).text, "20.00");
  EXPECT_EQ(Own(13, "SI", L, 0.04f).text, "0.04");
  EXPECT_EQ(Own(45, "SI", T, 2.25f).text, "2.2");  // exactly representable half
}

TEST(FormatOwnTest, NoValueMarkersAndNonNumbersShowNoValue) {
  const double markers[] = {NoValue, static_cast<double>(3.4E38f),
                            std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity()};
  for (const char* unit : {"SI", "US"}) {
    for (int code = 1; code <= 67; ++code) {
      for (double v : markers) {
        SCOPED_TRACE(::testing::Message() << unit << " code " << code << " value " << v);
        const ValueText t = Own(code, unit, T, v);
        EXPECT_EQ(t.text, "---");
        EXPECT_FALSE(t.low || t.high);
        EXPECT_EQ(Converted(code, unit, T, v), "---");
        if (code <= 64) {
          EXPECT_EQ(Own(code, unit, L, v).text, "---");
          EXPECT_EQ(Converted(code, unit, L, v), "---");
        }
      }
    }
  }
}

TEST(FormatOwnTest, DecimalSeparatorIsAParameter) {
  const ValueText hot = Own(1, "SI", T, 59.96, ',');
  EXPECT_EQ(hot.text, "60,0");
  EXPECT_TRUE(hot.high);
  const ValueText slow = Own(13, "SI", T, 0.04, ',');
  EXPECT_EQ(slow.text, "0,04");
  EXPECT_TRUE(slow.low);
  EXPECT_EQ(Own(21, "SI", T, 19.996, ',').text, "20,00");
  EXPECT_EQ(Own(1, "SI", T, 1500, ',').text, "---");
  EXPECT_EQ(Converted(1, "SI", T, 20, ','), "68,0");
  EXPECT_EQ(Converted(13, "SI", T, 2.5, ','), "492,1");
  EXPECT_EQ(Converted(1, "SI", T, 600, ','), "---");
}

TEST(ConvertTest, OtherUnitSystem) {
  struct Case {
    int code;
    const char* unit;
    Src src;
    double v;
    const char* text;
  };
  const Case cases[] = {
      // Temperatures.
      {1, "SI", T, 20, "68.0"},
      {1, "US", L, 68, "20.0"},
      {2, "SI", L, -40, "-40.0"},
      {9, "US", T, 32, "0.0"},
      {41, "SI", T, 100, "212.0"},
      {53, "US", T, 212, "100.0"},
      {1, "SI", T, 600, "---"},  // 1112 F lies outside the window
      {1, "SI", T, -600, "---"},
      // Unchanged numbers, always one decimal.
      {5, "SI", T, 50.04, "50.0"},
      {37, "US", T, 5000, "5000.0"},
      {45, "SI", T, 1.25, "1.2"},
      {49, "US", L, 10, "10.0"},
      // Air velocity: tests and logging blocks use different patterns.
      {13, "SI", T, 2.5, "492.1"},
      {13, "SI", L, 2.5, "492"},
      {14, "SI", T, 0.04, "7.87"},
      {15, "US", T, 492, "2.50"},
      {16, "US", L, 100, "0.51"},
      {13, "US", L, 3000, "15.2"},
      {13, "US", T, 3000, "15.24"},
      {13, "SI", T, 50, "---"},
      {65, "SI", T, 0.04, "7.87"},
      {65, "SI", T, 2.5, "492.1"},
      {65, "US", T, 3000, "15.24"},
      // Volume flow.
      {17, "SI", T, 10, "353.2"},
      {18, "SI", L, 100, "3532"},
      {19, "US", T, 35319.8, "1000"},
      {20, "US", L, 353.198, "10.0"},
      {66, "SI", T, 10, "353.2"},
      {17, "SI", T, 1e6, "---"},
      // Illumination.
      {21, "SI", T, 10, "0.929"},
      {22, "SI", T, 100, "9.29"},
      {23, "SI", L, 1000, "92.9"},
      {24, "SI", T, 10000, "929"},
      {21, "US", T, 1, "10.76"},
      {21, "US", T, 10, "107.6"},
      {21, "US", L, 100, "1076"},
      {21, "US", T, 3000, "---"},
      // Luminance keeps its number.
      {25, "SI", T, 39.96, "40.0"},
      {26, "US", T, 100, "100"},
      {27, "SI", L, 0.1, "0.1"},
      // Thermocouple: tests shown in US choose decimals on the signed value.
      {31, "SI", T, -250, "-418.0"},
      {31, "SI", L, -250, "-418"},
      {29, "SI", T, 50, "122.0"},
      {29, "SI", T, 100, "212"},
      {30, "US", T, 212, "100.0"},
      {30, "US", L, -400, "-240"},
      {29, "SI", T, 1700, "---"},
      // Differential temperature: no offset.
      {33, "SI", T, 10, "18.0"},
      {34, "SI", T, 200, "360"},
      {35, "US", T, 18, "10.0"},
      {36, "US", L, -468, "-260"},
      {33, "SI", T, -150, "-270"},
      // Concentrations and number of points.
      {57, "SI", T, 400, "400"},
      {61, "US", L, 12.5, "12"},
      {57, "SI", T, 60000, "---"},
      {67, "SI", T, 3, "3"},
      {67, "SI", T, 4E35, "---"},  // no window, but the no-value limit of converted texts
      // Neither "SI" nor "US": the own text through the windows and the no-value limit.
      {1, "XX", T, 20, "20.0"},
      {1, "Sx", T, 20, "20.0"},
      {1, "", L, 1500, "---"},
      {25, "XX", T, 0.1, "0.1"},
      {13, "XX", T, 2.5, "---"},
      {21, "", T, 10, "---"},
      {67, "XX", T, 3, "3"},
      {67, "XX", T, 4E35, "---"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "code " << c.code << " " << c.unit
                                      << (c.src == T ? " test " : " block ") << c.v);
    EXPECT_EQ(Converted(c.code, c.unit, c.src, c.v), c.text);
  }
}

TEST(ShowTest, OwnTextOrConversionWithMarkPrefix) {
  struct Case {
    int code;
    const char* unit;
    Src src;
    double v;
    const char* display;
    MarkStyle style;
    const char* text;
  };
  constexpr MarkStyle Two = MarkStyle::TwoBlanks;
  constexpr MarkStyle One = MarkStyle::OneBlank;
  const Case cases[] = {
      {1, "SI", T, 59.96, "SI", Two, ">  60.0"},
      {1, "SI", T, 59.96, "SI", One, "> 60.0"},
      {1, "SI", T, 59.96, "US", Two, ">  139.9"},  // the own-unit mark stays
      {13, "SI", T, 0.04, "SI", Two, "<  0.04"},
      {13, "SI", T, 0.04, "US", One, "< 7.87"},
      {13, "SI", L, 0.04, "US", One, "< 8"},
      {1, "US", L, 68, "SI", Two, "20.0"},
      {1, "US", L, 68, "US", Two, "68.0"},
      {31, "SI", T, -250, "US", Two, "<  -418.0"},
      {31, "SI", L, -250, "US", Two, "<  -418"},
      {13, "SI", T, 2.5, "US", Two, "492.1"},
      {13, "SI", L, 2.5, "US", Two, "492"},
      {2, "SI", T, 1500, "US", One, "---"},
      // Marked in its own unit, outside the window once converted: the mark stays.
      {1, "SI", T, 900, "US", Two, ">  ---"},
      {1, "XX", T, 20, "SI", Two, "20.0"},
      {13, "XX", T, 2.5, "US", Two, "---"},
      {25, "XX", L, 0.1, "SI", One, "< 0.1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "code " << c.code << " " << c.unit << " shown in " << c.display << " " << c.v);
    if (c.src == T) {
      EXPECT_EQ(ShowTestValue(c.code, MakeTest(c.unit, c.code, c.v), c.display, c.style, '.'),
                c.text);
    } else {
      EXPECT_EQ(ShowLoggerValue(c.code, 1, MakeBlock(c.unit, c.code, c.v), c.display, c.style, '.'),
                c.text);
    }
  }
}

TEST(ShowTest, SplitTextAndMarks) {
  const ValueText t = ShownTestValue(1, MakeTest("SI", 1, 20), "US", ',');
  EXPECT_EQ(t.text, "68,0");
  EXPECT_FALSE(t.low || t.high);
  const ValueText b = ShownLoggerValue(57, 1, MakeBlock("US", 57, 6000), "SI", '.');
  EXPECT_EQ(b.text, "6000");
  EXPECT_TRUE(b.high);
  EXPECT_EQ(WithMarks(b, MarkStyle::TwoBlanks), ">  6000");
  EXPECT_EQ(WithMarks({"0.1", true, false}, MarkStyle::OneBlank), "< 0.1");
  EXPECT_EQ(WithMarks({"---", false, false}, MarkStyle::OneBlank), "---");
}

TEST(BoundsTest, BadCodesAndNumbersNeverReadOutsideTheRecords) {
  const std::vector<TTestsRecord> tests{MakeTest("SI", 1, 20)};
  for (int code : {-1, 0, 69, 1000}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(FormatTestValue(code, tests, 1, '.').text, "---");
    EXPECT_EQ(ConvertTestValue(code, 1, tests, '.'), "---");
    EXPECT_EQ(ShowTestValue(code, tests[0], "US", MarkStyle::TwoBlanks, '.'), "---");
  }
  // The blank code has no value: an empty text rather than a missing value.
  EXPECT_EQ(FormatTestValue(68, tests, 1, '.').text, "");
  EXPECT_EQ(ConvertTestValue(68, 1, tests, '.'), "");
  for (int n : {0, -1, 2}) {
    EXPECT_EQ(FormatTestValue(1, tests, n, '.').text, "---");
    EXPECT_EQ(ConvertTestValue(1, n, tests, '.'), "---");
  }
  EXPECT_EQ(FormatTestValue(1, tests, 1, '.').text, "20.0");

  const std::vector<TLoggerRecord> blocks{MakeBlock("SI", 1, 20)};
  for (int n : {0, -1, 2}) {
    EXPECT_EQ(FormatLoggerValue(1, n, blocks, 0, '.').text, "---");
    EXPECT_EQ(ConvertLoggerValue(1, n, blocks[0], '.'), "---");
  }
  for (int code : {0, 65, 66, 67, 68, 69}) {
    EXPECT_EQ(FormatLoggerValue(code, 1, blocks[0], '.').text, "---");
    EXPECT_EQ(ConvertLoggerValue(code, 1, blocks[0], '.'), "---");
  }
  EXPECT_EQ(FormatLoggerValue(1, 1, blocks, -1, '.').text, "---");
  EXPECT_EQ(FormatLoggerValue(1, 1, blocks, 1, '.').text, "---");
  // A code the block does not log has no samples.
  EXPECT_EQ(FormatLoggerValue(5, 1, blocks, 0, '.').text, "---");
  EXPECT_EQ(FormatLoggerValue(1, 1, blocks, 0, '.').text, "20.0");
}

}  // namespace
}  // namespace qv
