// libFuzzer target for the settings-block decoder: whatever the block holds, the texts are
// pieces of it without their separators, and a block cut short decodes to prefixes of what
// the whole block gives (the instrument's texts arrive as a stream).
#include "FuzzCheck.h"
#include "memory/SettingsBlock.h"

#include <string_view>

namespace {

bool IsPrefix(const qv::Bytes& part, const qv::Bytes& whole) {
  return std::string_view(whole).substr(0, part.size()) == part;
}

bool HasSeparator(const qv::Bytes& text) {
  return text.find('\0') != qv::Bytes::npos || text.find('\r') != qv::Bytes::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qv::TInstrumentData info;
  info.SettingsBlock = "kept";
  const qv::SettingsFigures figures = qv::DecodeSettingsBlock(data, size, info);
  QV_FUZZ_CHECK(info.SettingsBlock == "kept");

  const qv::Bytes* texts[] = {&info.InstrumentType, &info.InstrumentCode, &info.Producer,
                              &info.FirmwareVersion, &info.SerialNumber};
  size_t total = 0;
  for (const qv::Bytes* text : texts) {
    QV_FUZZ_CHECK(!HasSeparator(*text));
    total += text->size();
  }
  QV_FUZZ_CHECK(total <= size);

  // The string form reads the same bytes.
  qv::TInstrumentData same;
  const qv::Bytes block(reinterpret_cast<const char*>(data), size);
  const qv::SettingsFigures sameFigures = qv::DecodeSettingsBlock(block, same);
  QV_FUZZ_CHECK(same.InstrumentType == info.InstrumentType);
  QV_FUZZ_CHECK(same.SerialNumber == info.SerialNumber);
  QV_FUZZ_CHECK(sameFigures.ResultsPercent == figures.ResultsPercent);
  QV_FUZZ_CHECK(sameFigures.LoggingPercent == figures.LoggingPercent);

  // Half the block: every text is the start of the whole block's text.
  qv::TInstrumentData cut;
  qv::DecodeSettingsBlock(data, size / 2, cut);
  QV_FUZZ_CHECK(IsPrefix(cut.InstrumentType, info.InstrumentType));
  QV_FUZZ_CHECK(IsPrefix(cut.InstrumentCode, info.InstrumentCode));
  QV_FUZZ_CHECK(IsPrefix(cut.Producer, info.Producer));
  QV_FUZZ_CHECK(IsPrefix(cut.FirmwareVersion, info.FirmwareVersion));
  QV_FUZZ_CHECK(IsPrefix(cut.SerialNumber, info.SerialNumber));
  return 0;
}
