// The identification texts at the head of the instrument's settings block. A download decodes
// the block the instrument sends; opening a results file decodes the block stored in it, so
// both read the texts the same way.
#pragma once

#include "store/Records.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace qv {

// The identification figures of the settings block that are not texts of InstrumentInfo.
struct SettingsFigures {
  std::optional<int> ResultsPercent;  // field 6; nullopt when it is not a decimal number
  std::optional<int> LoggingPercent;  // field 7
};

// Fills InstrumentType, InstrumentCode, Producer, FirmwareVersion and SerialNumber from the
// eight NUL-ended texts at the head of the block (SettingsBlock itself is the caller's).
// Every NUL among the first eight and every CR byte before the eighth NUL ends a field. Nothing
// beyond `size` is read: a field the block ends before its NUL holds the bytes up to the end
// of the block, and the fields after it stay empty.
SettingsFigures DecodeSettingsBlock(const uint8_t* block, size_t size, TInstrumentData& info);
SettingsFigures DecodeSettingsBlock(const Bytes& block, TInstrumentData& info);

}  // namespace qv
