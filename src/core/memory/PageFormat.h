// What the instrument's memory and the blocks it sends have in common: the size of a memory
// page and the byte sum that guards a page and the memory directory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

inline constexpr size_t kPageBytes = 264;

// The sum of the bytes as unsigned 8-bit numbers in a 32-bit accumulator.
inline uint32_t ByteSumOf(const uint8_t* data, size_t count) {
  uint32_t sum = 0;
  for (size_t i = 0; i < count; ++i)
    sum += data[i];
  return sum;
}

}  // namespace qv
