// Date-times are days since 30 December 1899 with the time of day as fraction.
#pragma once

#include "base/Types.h"

#include <optional>
#include <string>

namespace qv {

struct DateTimeParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, msec = 0;
};

// nullopt for an impossible date or time.
std::optional<DateTime> EncodeDateTime(const DateTimeParts& parts);
DateTimeParts DecodeDateTime(DateTime value);

// One BCD byte as two decimal digits; nullopt when a nibble is above 9.
std::optional<int> BcdValue(uint8_t byte);
// Six BCD bytes hour, minute, second, day, month, year - 2000 (the page form).
// nullopt when a byte is not BCD or the date or time is impossible.
std::optional<DateTime> DecodeBcdDateTime(const uint8_t bytes[6]);
// Three BCD bytes day, month, year - 2000 (the directory form), at midnight.
std::optional<DateTime> DecodeBcdDate(const uint8_t bytes[3]);

// "dd.mm.yy" + `blanks` blanks + "hh:mm:ss"; the texts of tables (3), copies and the
// report (2) and exports of samples (1).
Bytes FormatDayTime(DateTime value, int blanks);

// The value plus a number of seconds, as day numbers do it.
inline DateTime AddSeconds(DateTime t, double seconds) {
  return t + seconds / 86400.0;
}

// Today and now as day numbers (local time).
DateTime Now();

// The date of `value` in the person's short date format (the system's pattern, as the regional
// settings give it) with month and day names in the language of `localeName` ("de", ...; empty:
// the system's), as UTF-8.
std::string ShortDateText(DateTime value, const std::string& localeName);

}  // namespace qv
