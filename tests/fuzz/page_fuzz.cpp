// libFuzzer target for the page decoders. The input is decoded at its own length (libFuzzer's
// buffer is exactly that long, so AddressSanitizer sees any read past it) and as a 264-byte
// page (padded with 0xFF, erased memory, or cut). What must hold: a page that is not kept
// changes nothing; nothing beyond 264 bytes counts; the document form stores what the record
// form decodes; a logging block's sample arrays stay as long as its sample count.
#include "FuzzCheck.h"
#include "download/MemoryDecoder.h"
#include "store/SignalCatalog.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

bool SameBits(const qv::TTestsRecord& a, const qv::TTestsRecord& b) {
  return a.UnitSystem == b.UnitSystem && a.SignalPresent == b.SignalPresent &&
         a.BuildingName == b.BuildingName && a.RoomName == b.RoomName &&
         std::memcmp(a.Values.data(), b.Values.data(), sizeof a.Values) == 0 &&
         std::memcmp(&a.BeginTime, &b.BeginTime, sizeof a.BeginTime) == 0 &&
         a.Params.DuctShape == b.Params.DuctShape;
}

qv::TTestsRecord Fresh() {
  qv::TTestsRecord r;
  r.Values.fill(qv::NoValue);
  r.BuildingName = "before";
  return r;
}

void ResultPage(const uint8_t* page, size_t size) {
  qv::TTestsRecord record = Fresh();
  std::array<bool, 18> flags{};
  const qv::PageOutcome outcome = qv::DecodeResultPage(page, record, flags, size);
  if (outcome != qv::PageOutcome::Kept) {
    QV_FUZZ_CHECK(SameBits(record, Fresh()));
    QV_FUZZ_CHECK(std::none_of(flags.begin(), flags.end(), [](bool f) { return f; }));
    return;
  }
  QV_FUZZ_CHECK(record.BuildingName.find('\0') == qv::Bytes::npos);
  QV_FUZZ_CHECK(record.BuildingName.size() + record.RoomName.size() <= qv::kPageBytes);
  // A value is present only under a group the page flagged.
  for (int code = 1; code <= qv::kTestValueCount; ++code)
    if (record.SignalPresent[code]) QV_FUZZ_CHECK(flags[code <= 64 ? (code - 1) / 4 + 1 : 17]);

  qv::Document doc;
  doc.AllTests.push_back(Fresh());
  QV_FUZZ_CHECK(qv::DecodeResultPage(page, doc, 0, size) == outcome);
  QV_FUZZ_CHECK(SameBits(doc.AllTests[0], record));
  QV_FUZZ_CHECK(doc.SignalGroupFlags == flags);
}

void LoggingPage(const uint8_t* page, size_t size, int samples, int sample) {
  qv::Document doc;
  qv::TLoggerRecord& b = doc.LoggerBlocks.emplace_back();
  b.FirstPage = 7;
  b.SampleCount = samples;
  // The block's first page, then the same page again further on (signals already known).
  qv::DecodeLoggingPage(page, doc, 0, 7, sample, size);
  qv::DecodeLoggingPage(page, doc, 0, 8, samples - 1 - sample, size);
  const qv::TLoggerRecord& after = doc.LoggerBlocks[0];
  QV_FUZZ_CHECK(after.SignalCount >= 0 && after.SignalCount <= qv::kLoggerSignals);
  for (int i = 0; i < after.SignalCount; ++i) {
    const int code = after.SignalCodes[i];
    QV_FUZZ_CHECK(code >= 1 && code <= qv::kLoggerSignals && after.SignalPresent[code]);
    if (i > 0) QV_FUZZ_CHECK(code > after.SignalCodes[i - 1]);
    QV_FUZZ_CHECK(after.Samples[qv::StoragePos(code)].size() == static_cast<size_t>(samples));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResultPage(data, size);

  std::array<uint8_t, qv::kPageBytes> page;
  page.fill(0xFF);
  std::memcpy(page.data(), data, std::min(size, page.size()));
  ResultPage(page.data(), page.size());
  // The checksum guards bytes 4..263 only.
  const uint32_t sum = qv::ByteSumOf(page.data() + 4, page.size() - 4);
  for (int i = 0; i < 4; ++i)
    page[i] = static_cast<uint8_t>(sum >> (24 - 8 * i));
  QV_FUZZ_CHECK(qv::CheckPage(page.data(), page.size()));
  QV_FUZZ_CHECK(!qv::CheckPage(page.data(), page.size() - 1));
  if (size >= qv::kPageBytes) {
    // Bytes beyond the page do not count: the input at its length reads as its first page.
    qv::TTestsRecord longer = Fresh(), exact = Fresh();
    std::array<bool, 18> f1{}, f2{};
    QV_FUZZ_CHECK(qv::DecodeResultPage(data, longer, f1, size) ==
                  qv::DecodeResultPage(data, exact, f2, qv::kPageBytes));
    QV_FUZZ_CHECK(SameBits(longer, exact) && f1 == f2);
  }

  const int samples = size > 0 ? 1 + data[size - 1] % 6 : 1;
  const int sample = size > 1 ? data[size - 2] % samples : 0;
  LoggingPage(data, size, samples, sample);
  LoggingPage(page.data(), page.size(), samples, sample);
  return 0;
}
