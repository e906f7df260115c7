#include "format/NumberText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace qv {
namespace {

// Large enough for the fixed text of the largest double (309 integer digits) with decimals.
constexpr size_t kNumberBufferSize = 400;

// Non-finite values have no decimal form; these texts fail TextToNumber, so a formatter turns
// them into the no-value text.
Bytes NonFiniteText(double v) {
  if (std::isnan(v)) return "NAN";
  return v < 0 ? "-INF" : "INF";
}

// A text made only of zeros must not keep the sign of a small negative value.
size_t DropMinusOfZero(char* first, size_t length) {
  if (length == 0 || first[0] != '-') return length;
  for (size_t i = 1; i < length; ++i) {
    if (first[i] >= '1' && first[i] <= '9') return length;
  }
  std::copy(first + 1, first + length, first);
  return length - 1;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int64_t ToInt64(double r) {
  if (std::isnan(r)) return 0;
  // 2^63 is exactly representable; anything at or beyond it saturates.
  constexpr double kLimit = 9223372036854775808.0;
  if (r >= kLimit) return std::numeric_limits<int64_t>::max();
  if (r < -kLimit) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(r);
}

}  // namespace

int64_t RoundHalfEven(double v) {
  // nearbyint in the default rounding mode rounds exact halves to the even neighbour.
  return ToInt64(std::nearbyint(v));
}

int64_t Trunc(double v) {
  return ToInt64(std::trunc(v));
}

namespace {

constexpr int kMaxDecimals = 20;
constexpr double kPowersOfTen[kMaxDecimals + 1] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                   1e16, 1e17, 1e18, 1e19, 1e20};  // all exact
// Below this every half of a whole number is a double, so the scaled value can be rounded and
// its exact half test done in doubles.
constexpr double kScaledLimit = 4503599627370496.0;  // 2^52

// v x 10^decimals rounded to a whole number, half to even on the exact product; false when the
// product is too large (or not finite) for doing it in doubles.
bool RoundScaled(double v, int decimals, int64_t& rounded) {
  const double scale = kPowersOfTen[decimals];
  const double product = v * scale;
  if (!(std::fabs(product) < kScaledLimit)) return false;
  // The part of the exact product that the multiplication rounded off.
  const double rest = std::fma(v, scale, -product);
  double r = std::nearbyint(product);
  const double floor = std::floor(product);
  // A rounded product that lands exactly on a half came from just above or just below it.
  if (product - floor == 0.5 && rest != 0) r = rest > 0 ? floor + 1 : floor;
  rounded = static_cast<int64_t>(r);
  return true;
}

// The text of rounded x 10^-decimals; zero has no sign.
Bytes ScaledText(int64_t rounded, int decimals, char decimalSeparator) {
  std::array<char, 40> buf;
  char* end = buf.data() + buf.size();
  char* p = end;
  uint64_t magnitude =
      rounded < 0 ? ~static_cast<uint64_t>(rounded) + 1 : static_cast<uint64_t>(rounded);
  int written = 0;
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
    if (++written == decimals) *--p = decimalSeparator;
  } while (magnitude != 0 || written <= decimals);
  if (rounded < 0) *--p = '-';
  return Bytes(p, end);
}

Bytes ExactFixed(double v, int decimals, char decimalSeparator) {
  std::array<char, kNumberBufferSize> buf;
  // to_chars with a precision prints the exact binary value rounded half to even, like glibc's
  // printf; the tests hold it to that.
  const auto res =
      std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, decimals);
  size_t length = DropMinusOfZero(buf.data(), static_cast<size_t>(res.ptr - buf.data()));
  Bytes text(buf.data(), length);
  if (decimals > 0 && decimalSeparator != '.') text[text.size() - decimals - 1] = decimalSeparator;
  return text;
}

int ClampDecimals(int decimals) {
  return decimals < 0 ? 0 : decimals > kMaxDecimals ? kMaxDecimals : decimals;
}

}  // namespace

Bytes FormatFixed(double v, int decimals, char decimalSeparator) {
  return FormatFixedRead(v, decimals, decimalSeparator).text;
}

FixedText FormatFixedRead(double v, int decimals, char decimalSeparator) {
  if (!std::isfinite(v)) return {NonFiniteText(v), std::nullopt};
  decimals = ClampDecimals(decimals);
  int64_t rounded = 0;
  if (RoundScaled(v, decimals, rounded)) {
    // Both operands are exact and the division rounds correctly, so this is the double
    // nearest to the decimal text: what parsing the text gives.
    return {ScaledText(rounded, decimals, decimalSeparator),
            static_cast<double>(rounded) / kPowersOfTen[decimals]};
  }
  FixedText out{ExactFixed(v, decimals, decimalSeparator), std::nullopt};
  out.number = TextToNumber(out.text);
  return out;
}

Bytes FormatGeneral(double v, char decimalSeparator) {
  if (!std::isfinite(v)) return NonFiniteText(v);
  if (v == 0) return "0";
  std::array<char, 64> buf;
  // The same choice between fixed and exponent form and the same trimming as "%.15g".
  const auto res =
      std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::general, 15);
  std::string_view raw(buf.data(), static_cast<size_t>(res.ptr - buf.data()));
  Bytes text;
  text.reserve(raw.size());
  size_t i = 0;
  for (; i < raw.size() && raw[i] != 'e'; ++i)
    text += raw[i] == '.' ? decimalSeparator : raw[i];
  if (i < raw.size()) {
    // "e+20" / "e-07" becomes "E+20" / "E-7".
    text += 'E';
    text += raw[i + 1];
    size_t d = i + 2;
    while (d + 1 < raw.size() && raw[d] == '0')
      ++d;
    text.append(raw.substr(d));
  }
  return text;
}

Bytes FormatScientific23(double v) {
  if (!std::isfinite(v)) return NonFiniteText(v);
  if (v == 0) return " 0.00000000000000E+0000";
  std::array<char, 64> buf;
  const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(v),
                                 std::chars_format::scientific, 14);
  std::string_view raw(buf.data(), static_cast<size_t>(res.ptr - buf.data()));
  const size_t e = raw.find('e');
  int exponent = 0;
  std::from_chars(raw.data() + e + 2, raw.data() + raw.size(), exponent);
  Bytes text;
  text.reserve(23);
  text += v < 0 ? '-' : ' ';
  text.append(raw.substr(0, e));
  text += 'E';
  text += raw[e + 1];
  const std::array<char, 4> digits{
      static_cast<char>('0' + exponent / 1000 % 10), static_cast<char>('0' + exponent / 100 % 10),
      static_cast<char>('0' + exponent / 10 % 10), static_cast<char>('0' + exponent % 10)};
  text.append(digits.data(), digits.size());
  return text;
}

std::optional<double> TextToNumber(std::string_view text) {
  text = TrimBlanks(text);
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  // Mantissa: digits with at most one separator, at least one digit.
  const size_t mantissaStart = i;
  int digits = 0;
  int separators = 0;
  // Decimal exponent of the first significant digit, for telling overflow from underflow.
  int leadExponent = 0;
  bool significant = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      ++digits;
      if (c != '0' && !significant) significant = true;
      if (significant && separators == 0) ++leadExponent;
      if (!significant && separators == 1) --leadExponent;
    } else if (c == '.' || c == ',') {
      if (++separators > 1) return std::nullopt;
    } else {
      break;
    }
  }
  if (digits == 0) return std::nullopt;

  long long exponent = 0;
  if (i < text.size()) {
    if (text[i] != 'e' && text[i] != 'E') return std::nullopt;
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    for (; i < text.size(); ++i) {
      if (!IsDigit(text[i])) return std::nullopt;
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }

  // from_chars wants '.' and no '+': hand it the unsigned number with the separator replaced.
  std::array<char, 128> small;
  std::string large;
  char* buf = small.data();
  const size_t length = text.size() - mantissaStart;
  if (length > small.size()) {
    large.resize(length);
    buf = large.data();
  }
  for (size_t k = 0; k < length; ++k) {
    const char c = text[mantissaStart + k];
    buf[k] = c == ',' ? '.' : c;
  }
  double value = 0;
  const auto res = std::from_chars(buf, buf + length, value, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    if (significant && leadExponent + exponent > 0) return std::nullopt;
    value = 0;
  } else if (res.ec != std::errc() || res.ptr != buf + length) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

std::optional<int32_t> TextToInt(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  int32_t value = 0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
  if (res.ec != std::errc() || res.ptr != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

}  // namespace qv
