// libFuzzer target for the emulator's memory readers: the JSON description and the binary
// image. What must hold: a binary image read and written again reads back the same; a memory
// built from a description has a good directory whose entries are its results and logging
// pages, and every page not asked to be corrupt carries a good checksum (the download's own
// decoders judge it, so emulator and application cannot drift apart unnoticed).
#include "FuzzCheck.h"
#include "download/MemoryDecoder.h"
#include "memimage/MemoryImage.h"

#include <string>

namespace {

bool SameImage(const qv::emu::MemoryImage& a, const qv::emu::MemoryImage& b) {
  return a.settings == b.settings && a.directory == b.directory && a.pages == b.pages;
}

// Written and read again: the same image, and the same bytes once more.
void RoundTrip(const qv::emu::MemoryImage& image) {
  const qv::emu::ByteVec saved = qv::emu::SaveBinaryImage(image);
  QV_FUZZ_CHECK(qv::emu::IsBinaryImage(saved));
  std::string error;
  const auto again = qv::emu::LoadBinaryImage(saved, &error);
  QV_FUZZ_CHECK(again.has_value());
  QV_FUZZ_CHECK(SameImage(*again, image));
  QV_FUZZ_CHECK(qv::emu::SaveBinaryImage(*again) == saved);
}

void CheckBuilt(const qv::emu::MemoryModel& model, const qv::emu::MemoryImage& image) {
  const uint8_t* dir = image.directory.data();
  const size_t size = image.directory.size();
  QV_FUZZ_CHECK(size % 8 == 4 && qv::CheckDirectory(dir, size));
  size_t results = 0, pages = 0;
  for (const qv::emu::ResultTest& t : model.results)
    if (!t.deleted) ++results;
  for (const qv::emu::LoggingBlock& b : model.blocks)
    if (!b.deleted) pages += b.samples.size();
  QV_FUZZ_CHECK(qv::DecodeResultEntries(dir, size).size() == results);
  size_t listed = 0;
  for (const qv::TLoggerRecord& b : qv::DecodeLoggingEntries(dir, size))
    listed += b.Pages.size();
  QV_FUZZ_CHECK(listed == pages);
  for (const auto& [address, page] : image.pages)
    if (!model.badChecksumPages.contains(address))
      QV_FUZZ_CHECK(qv::CheckPage(page.data(), page.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const qv::emu::ByteVec bytes(data, data + size);
  std::string error;
  if (qv::emu::IsBinaryImage(bytes)) {
    const auto image = qv::emu::LoadBinaryImage(bytes, &error);
    QV_FUZZ_CHECK(image.has_value() || !error.empty());
    if (image) RoundTrip(*image);
    return 0;
  }
  const auto model = qv::emu::ParseMemoryJson(bytes, &error);
  QV_FUZZ_CHECK(model.has_value() || !error.empty());
  if (!model) return 0;
  const auto image = qv::emu::BuildImage(*model, &error);
  if (!image) return 0;
  CheckBuilt(*model, *image);
  RoundTrip(*image);
  return 0;
}
