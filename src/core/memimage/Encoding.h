// The instrument's wire forms, written the way the instrument writes them: big-endian
// integers, IEEE singles sent most significant byte first, BCD date-times and byte sums.
// Kept apart from the application's decoders so that tests compare two independent codes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv::emu {

using ByteVec = std::vector<uint8_t>;

inline constexpr int kPageSize = 264;

// Sum of the bytes as unsigned 8-bit numbers in a 32-bit accumulator.
uint32_t ByteSum(const uint8_t* data, size_t count);
// The page checksum: sum of bytes 4..263.
uint32_t PageChecksum(const uint8_t* page);
// Writes the page checksum into bytes 0..3 of a 264-byte page.
void SealPage(uint8_t* page);

void PutBe16(uint8_t* out, uint32_t v);
void PutBe24(uint8_t* out, uint32_t v);
void PutBe32(uint8_t* out, uint32_t v);
uint32_t GetBe32(const uint8_t* in);

// The four bytes of an IEEE 754 single, most significant first.
std::array<uint8_t, 4> EncodeFloatBE(float v);
// 0..99 as one BCD byte (high nibble tens).
uint8_t MakeBcd(int v);

// A calendar date-time the way the instrument keeps it (whole seconds).
struct Stamp {
  int year = 2000, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
  bool operator==(const Stamp&) const = default;
};

// True for a date the calendar knows, years 2000..2099, and a time of day.
bool IsValidStamp(const Stamp& s);
// The stamp moved by a number of seconds (may be negative).
Stamp AddSeconds(const Stamp& s, int64_t seconds);
// Days since 30 December 1899 plus the time of day as fraction.
double StampToDayNumber(const Stamp& s);
// "YYYY-MM-DD hh:mm:ss" (the time part may be left out: midnight).
std::optional<Stamp> ParseStamp(const std::string& text);
std::string FormatStamp(const Stamp& s);

// Six page bytes: hour, minute, second, day, month, year - 2000, each BCD.
std::array<uint8_t, 6> BcdDateTime(const Stamp& s);
// Three directory bytes: day, month, year - 2000, each BCD.
std::array<uint8_t, 3> BcdDate(const Stamp& s);

// "3A 4D 0A" and back (blanks, commas and a 0x prefix are allowed when reading).
std::string ToHex(const uint8_t* data, size_t count);
std::optional<ByteVec> ParseHex(const std::string& text);

}  // namespace qv::emu
