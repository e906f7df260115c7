// libFuzzer target for the memory-directory decoders: every entry of the directory is either a
// result, a page of exactly one logging block or passed over; a block's page list agrees with
// its first and last page and its sample count; and sealing the entries with their byte sum
// makes the directory good without changing what it decodes to.
#include "FuzzCheck.h"
#include "download/MemoryDecoder.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<qv::ResultEntry> results = qv::DecodeResultEntries(data, size);
  const std::vector<qv::TLoggerRecord> blocks = qv::DecodeLoggingEntries(data, size);
  const bool good = qv::CheckDirectory(data, size);
  if (size < 4) QV_FUZZ_CHECK(!good);

  const size_t entries = size < 4 ? 0 : (size - 4) / 8;
  size_t inMemory = 0;  // entries with bit 6 clear
  for (size_t i = 0; i < entries; ++i)
    if ((data[8 * i + 7] & 0x40) == 0) ++inMemory;
  size_t pages = 0;
  for (const qv::TLoggerRecord& b : blocks) {
    QV_FUZZ_CHECK(!b.Pages.empty());
    QV_FUZZ_CHECK(b.SampleCount == static_cast<int32_t>(b.Pages.size()));
    QV_FUZZ_CHECK(b.FirstPage == b.Pages.front() && b.LastPage == b.Pages.back());
    QV_FUZZ_CHECK(b.BeginTime >= 0);
    for (const int32_t address : b.Pages)
      QV_FUZZ_CHECK(address >= 0 && address <= 0xFFFF);
    pages += b.Pages.size();
  }
  QV_FUZZ_CHECK(results.size() + pages == inMemory);
  for (const qv::ResultEntry& r : results) {
    QV_FUZZ_CHECK(r.address >= 0 && r.address <= 0xFFFF);
    QV_FUZZ_CHECK(r.buildingNo >= 0 && r.buildingNo <= 0xFF);
    QV_FUZZ_CHECK(r.roomNo >= 0 && r.roomNo <= 0xFF);
  }

  // The whole entries, sealed with their sum: good, and read as before.
  qv::Bytes sealed(reinterpret_cast<const char*>(data), 8 * entries);
  const uint32_t sum =
      qv::ByteSumOf(reinterpret_cast<const uint8_t*>(sealed.data()), sealed.size());
  for (int shift = 24; shift >= 0; shift -= 8)
    sealed += static_cast<char>(sum >> shift & 0xFF);
  QV_FUZZ_CHECK(qv::CheckDirectory(sealed));
  QV_FUZZ_CHECK(qv::DecodeResultEntries(sealed).size() == results.size());
  const std::vector<qv::TLoggerRecord> sealedBlocks = qv::DecodeLoggingEntries(sealed);
  QV_FUZZ_CHECK(sealedBlocks.size() == blocks.size());
  for (size_t i = 0; i < blocks.size(); ++i)
    QV_FUZZ_CHECK(sealedBlocks[i].Pages == blocks[i].Pages);
  return 0;
}
