#include "memimage/Encoding.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace qv::emu {

uint32_t ByteSum(const uint8_t* data, size_t count) {
  uint32_t sum = 0;
  for (size_t i = 0; i < count; ++i)
    sum += data[i];
  return sum;
}

uint32_t PageChecksum(const uint8_t* page) {
  return ByteSum(page + 4, kPageSize - 4);
}

void SealPage(uint8_t* page) {
  PutBe32(page, PageChecksum(page));
}

void PutBe16(uint8_t* out, uint32_t v) {
  out[0] = static_cast<uint8_t>(v >> 8);
  out[1] = static_cast<uint8_t>(v);
}

void PutBe24(uint8_t* out, uint32_t v) {
  out[0] = static_cast<uint8_t>(v >> 16);
  out[1] = static_cast<uint8_t>(v >> 8);
  out[2] = static_cast<uint8_t>(v);
}

void PutBe32(uint8_t* out, uint32_t v) {
  out[0] = static_cast<uint8_t>(v >> 24);
  out[1] = static_cast<uint8_t>(v >> 16);
  out[2] = static_cast<uint8_t>(v >> 8);
  out[3] = static_cast<uint8_t>(v);
}

uint32_t GetBe32(const uint8_t* in) {
  return (uint32_t{in[0]} << 24) | (uint32_t{in[1]} << 16) | (uint32_t{in[2]} << 8) | in[3];
}

std::array<uint8_t, 4> EncodeFloatBE(float v) {
  uint32_t bits = 0;
  static_assert(sizeof bits == sizeof v);
  std::memcpy(&bits, &v, sizeof bits);
  std::array<uint8_t, 4> out{};
  PutBe32(out.data(), bits);
  return out;
}

uint8_t MakeBcd(int v) {
  if (v < 0) v = 0;
  v %= 100;
  return static_cast<uint8_t>(((v / 10) << 4) | (v % 10));
}

namespace {

bool IsLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

}  // namespace

bool IsValidStamp(const Stamp& s) {
  return s.year >= 2000 && s.year <= 2099 && s.month >= 1 && s.month <= 12 && s.day >= 1 &&
         s.day <= DaysInMonth(s.year, s.month) && s.hour >= 0 && s.hour < 24 && s.minute >= 0 &&
         s.minute < 60 && s.second >= 0 && s.second < 60;
}

Stamp AddSeconds(const Stamp& s, int64_t seconds) {
  int64_t total = DaysFromCivil(s.year, s.month, s.day) * 86400 + s.hour * 3600 + s.minute * 60 +
                  s.second + seconds;
  int64_t days = total / 86400;
  int64_t rest = total % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  Stamp out;
  CivilFromDays(days, out.year, out.month, out.day);
  out.hour = static_cast<int>(rest / 3600);
  out.minute = static_cast<int>(rest / 60 % 60);
  out.second = static_cast<int>(rest % 60);
  return out;
}

double StampToDayNumber(const Stamp& s) {
  // 1899-12-30 is day 0 of the application's day numbers.
  const int64_t days = DaysFromCivil(s.year, s.month, s.day) - DaysFromCivil(1899, 12, 30);
  return static_cast<double>(days) + (s.hour * 3600 + s.minute * 60 + s.second) / 86400.0;
}

std::optional<Stamp> ParseStamp(const std::string& text) {
  Stamp s;
  char sep = 0;
  int consumed = 0;
  const int n = std::sscanf(text.c_str(), "%d-%d-%d%c%d:%d:%d%n", &s.year, &s.month, &s.day, &sep,
                            &s.hour, &s.minute, &s.second, &consumed);
  if (n == 3) {
    int dateOnly = 0;
    std::sscanf(text.c_str(), "%*d-%*d-%*d%n", &dateOnly);
    if (static_cast<size_t>(dateOnly) != text.size()) return std::nullopt;
    s.hour = s.minute = s.second = 0;
  } else if (n != 7 || (sep != ' ' && sep != 'T') || static_cast<size_t>(consumed) != text.size()) {
    return std::nullopt;
  }
  if (!IsValidStamp(s)) return std::nullopt;
  return s;
}

std::string FormatStamp(const Stamp& s) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", s.year, s.month, s.day, s.hour,
                s.minute, s.second);
  return buf;
}

std::array<uint8_t, 6> BcdDateTime(const Stamp& s) {
  return {MakeBcd(s.hour), MakeBcd(s.minute), MakeBcd(s.second),
          MakeBcd(s.day),  MakeBcd(s.month),  MakeBcd(s.year - 2000)};
}

std::array<uint8_t, 3> BcdDate(const Stamp& s) {
  return {MakeBcd(s.day), MakeBcd(s.month), MakeBcd(s.year - 2000)};
}

std::string ToHex(const uint8_t* data, size_t count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(count * 3);
  for (size_t i = 0; i < count; ++i) {
    if (i) out += ' ';
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 15];
  }
  return out;
}

std::optional<ByteVec> ParseHex(const std::string& text) {
  ByteVec out;
  int high = -1;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ' ' || c == ',' || c == '\t' || c == '\n' || c == '\r') {
      if (high >= 0) return std::nullopt;  // a lone nibble
      continue;
    }
    if (c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') && high < 0) {
      ++i;
      continue;
    }
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    const int v = std::isdigit(static_cast<unsigned char>(c))
                      ? c - '0'
                      : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<uint8_t>(high << 4 | v));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return out;
}

}  // namespace qv::emu
