#include "download/MemoryDecoder.h"

#include "format/DateTimeText.h"

namespace qv {

namespace {

constexpr size_t kEntryBytes = 8;
constexpr uint8_t kNeitherMemory = 0x40;
constexpr uint8_t kBlockNumberMask = 0x3F;

const uint8_t* Bytes8(const Bytes& b) {
  return reinterpret_cast<const uint8_t*>(b.data());
}

// Whole entries before the checksum.
size_t EntryCount(size_t size) {
  return size < 4 ? 0 : (size - 4) / kEntryBytes;
}

int32_t Address(const uint8_t* e) {
  return e[0] << 8 | e[1];
}

}  // namespace

bool CheckDirectory(const uint8_t* directory, size_t size) {
  if (size < 4) return false;
  const uint8_t* c = directory + size - 4;
  const uint32_t stored = uint32_t{c[0]} << 24 | uint32_t{c[1]} << 16 | uint32_t{c[2]} << 8 | c[3];
  return stored == ByteSumOf(directory, size - 4);
}

bool CheckDirectory(const Bytes& directory) {
  return CheckDirectory(Bytes8(directory), directory.size());
}

std::vector<ResultEntry> DecodeResultEntries(const uint8_t* directory, size_t size) {
  std::vector<ResultEntry> entries;
  const size_t n = EntryCount(size);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* e = directory + kEntryBytes * i;
    // Bit 7 plays no part here: an entry is a result when it is in no block.
    if ((e[7] & kNeitherMemory) || (e[7] & kBlockNumberMask)) continue;
    entries.push_back(ResultEntry{Address(e), e[2], e[3]});
  }
  return entries;
}

std::vector<ResultEntry> DecodeResultEntries(const Bytes& directory) {
  return DecodeResultEntries(Bytes8(directory), directory.size());
}

std::vector<TLoggerRecord> DecodeLoggingEntries(const uint8_t* directory, size_t size) {
  std::vector<TLoggerRecord> blocks;
  const size_t n = EntryCount(size);
  int previous = 0;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* e = directory + kEntryBytes * i;
    const uint8_t flags = e[7];
    if ((flags & kNeitherMemory) || (flags & kBlockNumberMask) == 0) continue;
    const int32_t address = Address(e);
    if ((flags & kBlockNumberMask) == previous && !blocks.empty()) {
      TLoggerRecord& b = blocks.back();
      b.LastPage = address;
      ++b.SampleCount;
      b.Pages.push_back(address);
    } else {
      TLoggerRecord& b = blocks.emplace_back();
      b.FirstPage = b.LastPage = address;
      b.SampleCount = 1;
      b.Pages.push_back(address);
      // An impossible block date is shown as no date rather than as a wrong one; the block's
      // first good page gives the real begin time anyway.
      const uint8_t date[3] = {e[4], e[5], e[6]};
      b.BeginTime = DecodeBcdDate(date).value_or(0.0);
    }
    // The whole byte, bit 7 included: a flagged page ends its block.
    previous = flags;
  }
  return blocks;
}

std::vector<TLoggerRecord> DecodeLoggingEntries(const Bytes& directory) {
  return DecodeLoggingEntries(Bytes8(directory), directory.size());
}

}  // namespace qv
