// Value texts of stored values: own-unit texts with range marks, conversion into the other
// unit system, and the showing rule every viewer applies.
#pragma once

#include "store/Records.h"

#include <vector>

namespace qv {

struct ValueText {
  Bytes text;  // "---" when missing, implausible or not formattable
  bool low = false;
  bool high = false;
};

inline constexpr std::string_view kNoValueText = "---";

// The instruments' factor between the air velocity units: ft/min per m/s.
inline constexpr double kFtPerMinPerMps = 196.8504;

// Own-unit formatting of a code 1..67 of a test (in the test's unit system). The rules take
// the first letter of the record's unit text; for any letter other than 'S' and 'U', air
// velocity, volume flow and illumination have no own-unit text (empty text, no marks) and the
// letter-dependent quantities get no marks. The blank code 68 gives an empty text; any other
// code, a number outside the list or a missing sample gives "---".
ValueText FormatTestValue(int code, const TTestsRecord& test, char decimalSeparator);
// Same through a tests list and a 1-based test number.
ValueText FormatTestValue(int code, const std::vector<TTestsRecord>& tests, int n,
                          char decimalSeparator);
// Own-unit formatting of sample n (1-based) of a code 1..64 of a block; "---" for other codes
// and samples the block does not hold.
ValueText FormatLoggerValue(int code, int n, const TLoggerRecord& block, char decimalSeparator);
ValueText FormatLoggerValue(int code, int n, const std::vector<TLoggerRecord>& blocks,
                            int blockIndex, char decimalSeparator);

// The value in the other unit system (SI shown in US, US shown in SI). A record whose unit
// text is neither "SI" nor "US" is not converted: its own text only passes the windows and
// the no-value limit of converted texts. No marks here; they come from the own-unit text.
Bytes ConvertTestValue(int code, const TTestsRecord& test, char decimalSeparator);
Bytes ConvertTestValue(int code, int n, const std::vector<TTestsRecord>& tests,
                       char decimalSeparator);
Bytes ConvertLoggerValue(int code, int n, const TLoggerRecord& block, char decimalSeparator);

// How marks are written in front of a shown value.
enum class MarkStyle {
  TwoBlanks,  // "<  " / ">  ": table and report
  OneBlank,   // "< " / "> ": clipboard and export
};

// The showing rule: own text and marks; converted when the record's unit text differs from
// the display unit system ("SI" or "US", compared exactly); then the mark prefix.
Bytes ShowTestValue(int code, const TTestsRecord& test, std::string_view displayUnits,
                    MarkStyle style, char decimalSeparator);
Bytes ShowLoggerValue(int code, int n, const TLoggerRecord& block, std::string_view displayUnits,
                      MarkStyle style, char decimalSeparator);
// The same split into text and marks, for callers that draw marks themselves.
ValueText ShownTestValue(int code, const TTestsRecord& test, std::string_view displayUnits,
                         char decimalSeparator);
ValueText ShownLoggerValue(int code, int n, const TLoggerRecord& block,
                           std::string_view displayUnits, char decimalSeparator);
Bytes WithMarks(const ValueText& v, MarkStyle style);

}  // namespace qv
