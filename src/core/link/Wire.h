// What the host knows about the instrument's side of the wire: command texts, the
// acknowledgement, sizes, byte order and the byte sum.
#pragma once

#include "memory/PageFormat.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qv {

inline constexpr std::string_view kIdentifyCommand = ":MRD\n";
inline constexpr std::string_view kIdentifyReply = "SER";  // the first three bytes
inline constexpr std::string_view kSettingsCommand = ":SE:R\n";
inline constexpr std::string_view kDirectoryCommand = ":MEM:R\n";
inline constexpr std::string_view kPageCommand = ":MEM:D\n";  // then 2 address bytes

// An acknowledgement: these 4 bytes and a 24-bit length, most significant byte first.
inline constexpr std::string_view kAckText = "OK\r\n";
inline constexpr size_t kAckSize = 7;

// Receive buffers of the exchanges; an acknowledged length beyond its exchange's buffer
// fails that exchange.
inline constexpr size_t kIdentifyBufferSize = 40;
inline constexpr size_t kSettingsBufferSize = 10000;
inline constexpr size_t kDirectoryBufferSize = 40000;
inline constexpr size_t kPageBufferSize = 1000;

struct PageAddressBytes {
  uint8_t high = 0;
  uint8_t low = 0;
};
inline constexpr PageAddressBytes SplitAddress(uint32_t address) {
  return {static_cast<uint8_t>((address / 256) & 0xFF), static_cast<uint8_t>(address % 256)};
}

inline constexpr uint32_t ReadBigEndian24(const uint8_t* p) {
  return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | uint32_t{p[2]};
}
inline constexpr uint32_t ReadBigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

}  // namespace qv
