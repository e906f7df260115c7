// Numbers as texts: fixed patterns, the general format, the logger start-time form, and
// the parser that accepts "." or "," as decimal separator.
#pragma once

#include "base/Types.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace qv {

// Nearest whole number, exact halves to the even neighbour (12.5 -> 12).
int64_t RoundHalfEven(double v);
// Drops the fraction (towards zero).
int64_t Trunc(double v);

// The value with `decimals` decimals (pattern "0", "0.0", "0.00", "0.000"): at least one
// integer digit, no thousands separators, rounded half to even at the last decimal on the
// exact binary value. A result that rounds to zero carries no minus sign.
Bytes FormatFixed(double v, int decimals, char decimalSeparator);

// FormatFixed's text together with the number TextToNumber reads back from it (nullopt for
// the texts of non-finite values), computed without parsing the text.
struct FixedText {
  Bytes text;
  std::optional<double> number;
};
FixedText FormatFixedRead(double v, int decimals, char decimalSeparator);

// General number format: at most 15 significant digits, no trailing zeros.
Bytes FormatGeneral(double v, char decimalSeparator);

// 23-character scientific form: sign blank or '-', one digit, '.', 14 digits, 'E', exponent
// sign and four digits, e.g. " 3.91416077430556E+0004". Always with a point.
Bytes FormatScientific23(double v);

// Every "." and "," is the decimal separator; blanks around the number are ignored; the rest
// must be a floating-point number (sign, digits, exponent). nullopt otherwise.
std::optional<double> TextToNumber(std::string_view text);

// A decimal integer, with optional sign and blanks around; nullopt when not a 32-bit integer.
std::optional<int32_t> TextToInt(std::string_view text);

}  // namespace qv
