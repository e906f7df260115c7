// The rules below keep the instruments' own display rules, odd limits included: files written
// by earlier versions and the users' habits depend on the exact texts.
#include "format/ValueFormat.h"

#include "format/NumberText.h"
#include "store/SignalCatalog.h"

#include <cmath>
#include <utility>

namespace qv {
namespace {

// Texts whose number exceeds these are the instruments' no-value markers.
constexpr double kOwnNoValueLimit = 3.3E38;
constexpr double kConvertedNoValueLimit = 3.3E35;

// Conversion factors as the instruments use them (the volume factor is not the exact 35.3147);
// the velocity factor is in the header.
constexpr double kFt3hPerM3h = 35.3198;
constexpr double kFcPerLux = 0.0929;

enum class Kind {
  AirTemp,
  RelHum,
  DewPoint,
  AirVel,
  VolFlow,
  Illum,
  Lumin,
  ThCoup,
  DifTemp,
  Contrast,
  Globe,
  PMV,
  PPD,
  WBGT,
  CO2,
  CO,
  Points,
  Blank,
  Invalid,
};

Kind KindOf(int code) {
  if (code >= 1 && code <= 64) return static_cast<Kind>((code - 1) / 4);
  switch (code) {
    case 65:
      return Kind::AirVel;
    case 66:
      return Kind::VolFlow;
    case 67:
      return Kind::Points;
    case 68:
      return Kind::Blank;
    default:
      return Kind::Invalid;
  }
}

enum class Source { Test, Logger };

char LetterOf(const Bytes& unitSystem) {
  return unitSystem.empty() ? '\0' : unitSystem[0];
}

// Decimals of the own-unit pattern, chosen on the unrounded value; -1 when the quantity has no
// text for this letter.
int OwnDecimals(Kind k, double v, char letter, Source src) {
  const bool si = letter == 'S';
  const bool us = letter == 'U';
  switch (k) {
    case Kind::AirVel:
      if (si) return v < 10 ? 2 : 1;
      return us ? 0 : -1;
    case Kind::VolFlow:
      if (si || (us && src == Source::Logger)) return v < 1000 ? 1 : 0;
      if (us) return v < 10000 ? 1 : 0;
      return -1;
    case Kind::Illum:
      if (si) return v < 20 ? 2 : v < 200 ? 1 : 0;
      if (us) return v < 2 ? 3 : v < 20 ? 2 : v < 200 ? 1 : 0;
      return -1;
    case Kind::Lumin:
      return v < 40 ? 1 : 0;
    case Kind::ThCoup:
    case Kind::DifTemp:
      return std::fabs(v) < 200 ? 1 : 0;
    case Kind::Contrast:
      return v < 1000 ? 1 : 0;
    case Kind::CO2:
    case Kind::CO:
    case Kind::Points:
      return 0;
    default:  // temperatures, humidity, PMV, PPD
      return 1;
  }
}

// Low mark: lowFrom < x <= lowTo; high mark: highFrom <= x < highTo. NaN limits never match.
struct MarkBands {
  double lowFrom = NAN, lowTo = NAN;
  double highFrom = NAN, highTo = NAN;
};

MarkBands BandsOf(Kind k, int code, char letter, Source src) {
  const bool si = letter == 'S';
  const bool us = letter == 'U';
  switch (k) {
    // Marks that do not depend on the letter.
    case Kind::RelHum:
      return {NAN, NAN, 99.9, 1000};
    case Kind::Lumin:
      return {0, 0.101, 40000, 100000};
    case Kind::Contrast:
      return {NAN, NAN, 200000, 30000000};
    case Kind::CO2:
      return {NAN, NAN, 5000, 50000};
    case Kind::CO:
      return {NAN, NAN, 500, 5000};
    case Kind::PMV:
    case Kind::PPD:
    case Kind::Points:
    case Kind::Blank:
    case Kind::Invalid:
      return {};
    default:
      break;
  }
  if (!si && !us) return {};
  switch (k) {
    case Kind::AirTemp:
      return si ? MarkBands{-1000, -20, 60, 1000} : MarkBands{-1000, -4, 140, 1000};
    case Kind::DewPoint:
      if (us) return {-1000, -130, 140, 1000};
      // The logged minimum dew point of SI blocks is marked from -91 only.
      return {-1000, (src == Source::Logger && code == 11) ? -91.0 : -90.0, 60, 1000};
    case Kind::AirVel:
      return si ? MarkBands{0, 0.051, 20, 8000} : MarkBands{0, 10, 3937, 8000};
    case Kind::VolFlow: {
      // The logged maximum volume flow of SI blocks is marked below 700000 only. Its US
      // counterpart is unsettled; it takes the limit of the other statistics.
      const double top = (si && src == Source::Logger && code == 20) ? 700000 : 30000000;
      return {NAN, NAN, si ? 508938.0 : 17975588.0, top};
    }
    case Kind::Illum:
      return {NAN, NAN, si ? 20000.0 : 1858.0, 30000};
    case Kind::ThCoup:
      return si ? MarkBands{-3000, -200, 1400, 3000} : MarkBands{-3000, -328, 2552, 3000};
    case Kind::DifTemp:
      return si ? MarkBands{-3000, -260, 1420, 3000} : MarkBands{-3000, -468, 2556, 3000};
    case Kind::Globe:
      return si ? MarkBands{-1000, 10, 120, 1000} : MarkBands{-1000, 50, 248, 1000};
    case Kind::WBGT:
      return si ? MarkBands{-1000, -100, 500, 1000} : MarkBands{-1000, -148, 868, 1000};
    default:
      return {};
  }
}

// The plausibility window; the same limits serve both unit systems.
bool OutsideWindow(Kind k, double x) {
  switch (k) {
    case Kind::AirTemp:
    case Kind::RelHum:
    case Kind::DewPoint:
    case Kind::Globe:
    case Kind::PMV:
    case Kind::PPD:
    case Kind::WBGT:
      return x < -1000 || x > 1000;
    case Kind::AirVel:
      return x > 8000;
    case Kind::VolFlow:
    case Kind::Contrast:
      return x > 30000000;
    case Kind::Illum:
      return x > 30000;
    case Kind::Lumin:
      return x > 100000;
    case Kind::ThCoup:
    case Kind::DifTemp:
      return x < -3000 || x > 3000;
    case Kind::CO2:
      return x > 50000;
    case Kind::CO:
      return x > 5000;
    default:
      return false;
  }
}

ValueText FormatOwn(int code, double v, const Bytes& unitSystem, Source src, char sep) {
  ValueText out;
  const Kind k = KindOf(code);
  if (k == Kind::Blank) return out;
  if (k == Kind::Invalid) {
    out.text = kNoValueText;
    return out;
  }
  const char letter = LetterOf(unitSystem);
  const int decimals = OwnDecimals(k, v, letter, src);
  if (decimals < 0) return out;  // no text for an unknown unit system
  FixedText fixed = FormatFixedRead(v, decimals, sep);
  out.text = std::move(fixed.text);
  const std::optional<double> x = fixed.number;
  if (!x) {
    out.text = kNoValueText;
    return out;
  }
  // Marks test the number as shown, so a value rounding up to a limit is marked; illumination
  // alone tests the unrounded value.
  const double m = k == Kind::Illum ? v : *x;
  const MarkBands b = BandsOf(k, code, letter, src);
  out.low = b.lowFrom < m && m <= b.lowTo;
  out.high = b.highFrom <= m && m < b.highTo;
  if (OutsideWindow(k, *x) || *x > kOwnNoValueLimit) out.text = kNoValueText;
  return out;
}

// The windows and the no-value test of a text in the other unit system; x is the number the
// text reads back as.
Bytes CheckConverted(Kind k, Bytes text, std::optional<double> x) {
  if (!x || OutsideWindow(k, *x) || *x > kConvertedNoValueLimit) return Bytes(kNoValueText);
  return text;
}

Bytes ConvertValue(int code, double v, const Bytes& unitSystem, Source src, char sep) {
  const Kind k = KindOf(code);
  if (k == Kind::Blank) return {};
  if (k == Kind::Invalid) return Bytes(kNoValueText);
  const bool toUS = unitSystem == "SI";
  if (!toUS && unitSystem != "US") {
    // Not convertible: the own text is checked as a converted one would be.
    Bytes own = FormatOwn(code, v, unitSystem, src, sep).text;
    const std::optional<double> x = TextToNumber(own);
    return CheckConverted(k, std::move(own), x);
  }
  double w = v;
  int decimals = 1;
  switch (k) {
    case Kind::AirTemp:
    case Kind::DewPoint:
    case Kind::Globe:
    case Kind::WBGT:
      w = toUS ? v * 1.8 + 32 : (v - 32) / 1.8;
      break;
    case Kind::RelHum:
    case Kind::Contrast:
    case Kind::PMV:
    case Kind::PPD:
      break;
    case Kind::AirVel:
      if (toUS) {
        w = v * kFtPerMinPerMps;
        decimals = (src == Source::Logger && code != 65) ? 0 : w < 10 ? 2 : 1;
      } else {
        w = v / kFtPerMinPerMps;
        decimals = (src == Source::Logger && code != 65) ? (w < 10 ? 2 : 1) : 2;
      }
      break;
    case Kind::VolFlow:
      w = toUS ? v * kFt3hPerM3h : v / kFt3hPerM3h;
      decimals = w < 1000 ? 1 : 0;
      break;
    case Kind::Illum:
      if (toUS) {
        w = v * kFcPerLux;
        decimals = w < 2 ? 3 : w < 20 ? 2 : w < 200 ? 1 : 0;
      } else {
        w = v / kFcPerLux;
        decimals = w < 20 ? 2 : w < 200 ? 1 : 0;
      }
      break;
    case Kind::Lumin:
      decimals = w < 40 ? 1 : 0;
      break;
    case Kind::ThCoup:
      w = toUS ? v * 1.8 + 32 : (v - 32) / 1.8;
      // Tests shown in US choose on the signed value, so large negative ones keep a decimal.
      if (toUS && src == Source::Test) {
        decimals = w < 200 ? 1 : 0;
      } else {
        decimals = std::fabs(w) < 200 ? 1 : 0;
      }
      break;
    case Kind::DifTemp:
      w = toUS ? v * 1.8 : v / 1.8;
      decimals = std::fabs(w) < 200 ? 1 : 0;
      break;
    default:  // CO2, CO, number of points
      decimals = 0;
      break;
  }
  FixedText fixed = FormatFixedRead(w, decimals, sep);
  return CheckConverted(k, std::move(fixed.text), fixed.number);
}

// The stored value of a test or a sample; nullptr when the code or number is out of range.
const double* TestValue(int code, const TTestsRecord& test) {
  const int pos = StoragePos(code);
  return pos < 0 ? nullptr : &test.Values[pos];
}

const double* SampleValue(int code, int n, const TLoggerRecord& block) {
  const int pos = code >= 1 && code <= kLoggerSignals ? StoragePos(code) : -1;
  if (pos < 0 || n < 1) return nullptr;
  const std::vector<double>& samples = block.Samples[pos];
  return static_cast<size_t>(n) <= samples.size() ? &samples[n - 1] : nullptr;
}

ValueText Missing(int code) {
  ValueText out;
  if (code != kMaxSignalCode) out.text = kNoValueText;
  return out;
}

}  // namespace

ValueText FormatTestValue(int code, const TTestsRecord& test, char decimalSeparator) {
  const double* v = TestValue(code, test);
  if (!v) return Missing(code);
  return FormatOwn(code, *v, test.UnitSystem, Source::Test, decimalSeparator);
}

ValueText FormatTestValue(int code, const std::vector<TTestsRecord>& tests, int n,
                          char decimalSeparator) {
  if (n < 1 || static_cast<size_t>(n) > tests.size()) return ValueText{Bytes(kNoValueText)};
  return FormatTestValue(code, tests[n - 1], decimalSeparator);
}

ValueText FormatLoggerValue(int code, int n, const TLoggerRecord& block, char decimalSeparator) {
  const double* v = SampleValue(code, n, block);
  if (!v) return ValueText{Bytes(kNoValueText)};
  return FormatOwn(code, *v, block.UnitSystem, Source::Logger, decimalSeparator);
}

ValueText FormatLoggerValue(int code, int n, const std::vector<TLoggerRecord>& blocks,
                            int blockIndex, char decimalSeparator) {
  if (blockIndex < 0 || static_cast<size_t>(blockIndex) >= blocks.size()) {
    return ValueText{Bytes(kNoValueText)};
  }
  return FormatLoggerValue(code, n, blocks[blockIndex], decimalSeparator);
}

Bytes ConvertTestValue(int code, const TTestsRecord& test, char decimalSeparator) {
  const double* v = TestValue(code, test);
  if (!v) return Missing(code).text;
  return ConvertValue(code, *v, test.UnitSystem, Source::Test, decimalSeparator);
}

Bytes ConvertTestValue(int code, int n, const std::vector<TTestsRecord>& tests,
                       char decimalSeparator) {
  if (n < 1 || static_cast<size_t>(n) > tests.size()) return Bytes(kNoValueText);
  return ConvertTestValue(code, tests[n - 1], decimalSeparator);
}

Bytes ConvertLoggerValue(int code, int n, const TLoggerRecord& block, char decimalSeparator) {
  const double* v = SampleValue(code, n, block);
  if (!v) return Bytes(kNoValueText);
  return ConvertValue(code, *v, block.UnitSystem, Source::Logger, decimalSeparator);
}

ValueText ShownTestValue(int code, const TTestsRecord& test, std::string_view displayUnits,
                         char decimalSeparator) {
  ValueText v = FormatTestValue(code, test, decimalSeparator);
  if (test.UnitSystem != displayUnits) v.text = ConvertTestValue(code, test, decimalSeparator);
  return v;
}

ValueText ShownLoggerValue(int code, int n, const TLoggerRecord& block,
                           std::string_view displayUnits, char decimalSeparator) {
  ValueText v = FormatLoggerValue(code, n, block, decimalSeparator);
  if (block.UnitSystem != displayUnits) {
    v.text = ConvertLoggerValue(code, n, block, decimalSeparator);
  }
  return v;
}

Bytes WithMarks(const ValueText& v, MarkStyle style) {
  const std::string_view gap = style == MarkStyle::TwoBlanks ? "  " : " ";
  Bytes text;
  if (v.low || v.high) {
    text.reserve(v.text.size() + gap.size() + 1);
    text += v.low ? '<' : '>';
    text.append(gap);
  }
  text.append(v.text);
  return text;
}

Bytes ShowTestValue(int code, const TTestsRecord& test, std::string_view displayUnits,
                    MarkStyle style, char decimalSeparator) {
  return WithMarks(ShownTestValue(code, test, displayUnits, decimalSeparator), style);
}

Bytes ShowLoggerValue(int code, int n, const TLoggerRecord& block, std::string_view displayUnits,
                      MarkStyle style, char decimalSeparator) {
  return WithMarks(ShownLoggerValue(code, n, block, displayUnits, decimalSeparator), style);
}

}  // namespace qv
