// Basic types shared by every part of the core.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

// Texts from language files, instruments and our own files are byte strings in the
// language's 8-bit code page. They are decoded only for display (app/TextCodec.h).
using Bytes = std::string;

// Days since 30 December 1899; the fraction is the time of day.
using DateTime = double;

// A value the instrument did not report.
inline constexpr double NoValue = 3.4E38;

// Values at or above this are treated as "no value" by the viewers.
inline constexpr double NoValueThreshold = 3E7;

inline constexpr int kMaxSignalCode = 68;   // codes 1..68
inline constexpr int kTestValueCount = 67;  // codes 1..67 carry a value
inline constexpr int kLoggerSignals = 64;   // logging blocks use codes 1..64
inline constexpr int kQuantityCount = 16;   // quantities 1..16; 17 is the multipoint group

}  // namespace qv
