#include "format/DateTimeText.h"

#include "format/NumberText.h"

#include <QDate>
#include <QLocale>
#include <chrono>
#include <cmath>
#include <ctime>

namespace qv {
namespace {

constexpr int64_t kMsecPerDay = 86400000;
// Day 0 (30 December 1899) counted from 1 January 1970.
constexpr int64_t kUnixEpochDay = 25569;
// The day numbers of 1 January 0001 and of the day after 31 December 9999.
constexpr double kFirstDay = -693593;
constexpr double kPastLastDay = 2958466;

// Days since 1 January 1970 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, DateTimeParts& p) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  p.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  p.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  p.year = static_cast<int>(yoe + era * 400 + (p.month <= 2));
}

bool IsLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

void PutTwoDigits(Bytes& out, int v) {
  out += static_cast<char>('0' + v / 10 % 10);
  out += static_cast<char>('0' + v % 10);
}

}  // namespace

std::optional<DateTime> EncodeDateTime(const DateTimeParts& p) {
  if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
      p.day > DaysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
      p.minute > 59 || p.second < 0 || p.second > 59 || p.msec < 0 || p.msec > 999) {
    return std::nullopt;
  }
  const double days = static_cast<double>(DaysFromCivil(p.year, p.month, p.day) + kUnixEpochDay);
  const double time =
      static_cast<double>(((p.hour * 60 + p.minute) * 60 + p.second) * 1000 + p.msec) / kMsecPerDay;
  // Before day 0 the time of day still counts forward from midnight: it is subtracted.
  return days >= 0 ? days + time : days - time;
}

DateTimeParts DecodeDateTime(DateTime value) {
  DateTimeParts p;
  // Values no calendar date belongs to (from a damaged file, say) decode as day 0.
  if (!std::isfinite(value) || value <= kFirstDay - 1 || value >= kPastLastDay) return p;
  int64_t days = static_cast<int64_t>(std::trunc(value));
  int64_t ms = RoundHalfEven(std::fabs(value - static_cast<double>(days)) * kMsecPerDay);
  if (ms >= kMsecPerDay) {
    ++days;
    ms -= kMsecPerDay;
  }
  CivilFromDays(days - kUnixEpochDay, p);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.msec = static_cast<int>(ms % 1000);
  return p;
}

std::optional<int> BcdValue(uint8_t byte) {
  const int high = byte >> 4;
  const int low = byte & 0x0F;
  if (high > 9 || low > 9) return std::nullopt;
  return high * 10 + low;
}

std::optional<DateTime> DecodeBcdDateTime(const uint8_t bytes[6]) {
  int v[6];
  for (int i = 0; i < 6; ++i) {
    const auto b = BcdValue(bytes[i]);
    if (!b) return std::nullopt;
    v[i] = *b;
  }
  DateTimeParts p;
  p.hour = v[0];
  p.minute = v[1];
  p.second = v[2];
  p.day = v[3];
  p.month = v[4];
  p.year = 2000 + v[5];
  return EncodeDateTime(p);
}

std::optional<DateTime> DecodeBcdDate(const uint8_t bytes[3]) {
  const auto d = BcdValue(bytes[0]);
  const auto m = BcdValue(bytes[1]);
  const auto y = BcdValue(bytes[2]);
  if (!d || !m || !y) return std::nullopt;
  DateTimeParts p;
  p.day = *d;
  p.month = *m;
  p.year = 2000 + *y;
  return EncodeDateTime(p);
}

Bytes FormatDayTime(DateTime value, int blanks) {
  const DateTimeParts p = DecodeDateTime(value);
  if (blanks < 0) blanks = 0;
  Bytes text;
  text.reserve(16 + static_cast<size_t>(blanks));
  PutTwoDigits(text, p.day);
  text += '.';
  PutTwoDigits(text, p.month);
  text += '.';
  PutTwoDigits(text, p.year % 100);
  text.append(static_cast<size_t>(blanks), ' ');
  PutTwoDigits(text, p.hour);
  text += ':';
  PutTwoDigits(text, p.minute);
  text += ':';
  PutTwoDigits(text, p.second);
  return text;
}

DateTime Now() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  DateTimeParts p;
  p.year = local.tm_year + 1900;
  p.month = local.tm_mon + 1;
  p.day = local.tm_mday;
  p.hour = local.tm_hour;
  p.minute = local.tm_min;
  p.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second
  p.msec = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  return EncodeDateTime(p).value_or(0);
}

std::string ShortDateText(DateTime value, const std::string& localeName) {
  const DateTimeParts d = DecodeDateTime(value);
  const QLocale system;
  const QLocale language =
      localeName.empty() ? system : QLocale(QString::fromStdString(localeName));
  return language.toString(QDate(d.year, d.month, d.day), system.dateFormat(QLocale::ShortFormat))
      .toStdString();
}

}  // namespace qv
