#include "memory/SettingsBlock.h"

#include <array>
#include <charconv>

namespace qv {

namespace {

constexpr size_t kFieldCount = 8;
constexpr uint8_t kCR = 13;

std::optional<int> DecimalField(const Bytes& text) {
  const size_t first = text.find_first_not_of(' ');
  const size_t last = text.find_last_not_of(' ');
  if (first == Bytes::npos) return std::nullopt;
  int value = 0;
  const char* begin = text.data() + first;
  const char* end = text.data() + last + 1;
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace

SettingsFigures DecodeSettingsBlock(const uint8_t* block, size_t size, TInstrumentData& info) {
  // The instrument's own reading: the first eight NULs become CR, then every CR ends a field,
  // a CR byte inside a text included. Bytes are added to the field being read as they come,
  // so a block that ends inside a field leaves that field with what the block holds of it.
  std::array<Bytes, kFieldCount> fields;
  size_t field = 0;
  size_t nuls = 0;
  for (size_t i = 0; i < size && field < kFieldCount; ++i) {
    uint8_t b = block[i];
    if (b == 0 && nuls < kFieldCount) {
      ++nuls;
      b = kCR;
    }
    if (b == kCR)
      ++field;
    else
      fields[field] += static_cast<char>(b);
  }
  info.InstrumentType = fields[0];
  info.InstrumentCode = fields[1];
  info.Producer = fields[2];
  info.FirmwareVersion = fields[3];
  info.SerialNumber = fields[5];
  return SettingsFigures{DecimalField(fields[6]), DecimalField(fields[7])};
}

SettingsFigures DecodeSettingsBlock(const Bytes& block, TInstrumentData& info) {
  return DecodeSettingsBlock(reinterpret_cast<const uint8_t*>(block.data()), block.size(), info);
}

}  // namespace qv
