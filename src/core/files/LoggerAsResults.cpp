#include "files/LoggerAsResults.h"

#include "app/TextCatalog.h"
#include "format/DateTimeText.h"
#include "store/SignalCatalog.h"

#include <string>

namespace qv {

ConvertedResults ConvertSamplesToResults(const Document& logging, int blockIndex, int first,
                                         int last, const TextCatalog& texts) {
  ConvertedResults converted;
  const int64_t count = static_cast<int64_t>(last) - first + 1;
  if (count > kMaxSamplesAsResults) {
    converted.outcome = Outcome::Refusal(texts.Translate("msgMaxLogRow"));
    return converted;
  }
  if (blockIndex < 0 || blockIndex >= static_cast<int>(logging.LoggerBlocks.size())) {
    converted.outcome =
        Outcome::Refusal("There is no logging block " + std::to_string(blockIndex + 1));
    return converted;
  }
  const TLoggerRecord& block = logging.LoggerBlocks[static_cast<size_t>(blockIndex)];
  if (count < 0 || (count > 0 && (first < 1 || last > block.SampleCount))) {
    converted.outcome =
        Outcome::Refusal("Samples " + std::to_string(first) + " to " + std::to_string(last) +
                         " are not in logging block " + std::to_string(blockIndex + 1) +
                         ", which holds " + std::to_string(block.SampleCount) + " samples");
    return converted;
  }

  Document& doc = converted.doc;
  doc.Kind = DocumentKind::Results;
  doc.InstrumentInfo = logging.InstrumentInfo;
  doc.Header = logging.Header;
  doc.ColumnCount = doc.DocSignalCount = block.SignalCount;
  for (int k = 1; k <= kLoggerSignals; ++k)
    doc.DocSignals[k] = block.SignalCodes[k - 1];

  doc.AllTests.reserve(static_cast<size_t>(count));
  for (int s = first; s <= last; ++s) {
    TTestsRecord& t = doc.AllTests[doc.AddTestRecord()];
    t.BuildingName = block.BuildingName;
    t.RoomName = block.RoomName;
    t.BuildingNo = 1;
    t.RoomNo = 1;
    // Times count from the block's first sample, whatever the range.
    t.BeginTime = block.BeginTime + static_cast<double>(block.IntervalSec) * (s - 1) / 86400.0;
    t.EndTime = AddSeconds(t.BeginTime, block.IntervalSec);
    t.UnitSystem = block.UnitSystem;
    for (int code = 1; code <= kLoggerSignals; ++code) {
      if (block.SignalPresent[code] == 0) continue;
      t.SignalPresent[code] = block.SignalPresent[code];
      const int pos = StoragePos(code);
      const std::vector<double>& samples = block.Samples[pos];
      if (static_cast<size_t>(s) <= samples.size()) t.Values[pos] = samples[s - 1];
    }
  }
  doc.ShowAllTests();
  converted.outcome = Outcome::Success();
  return converted;
}

ConvertedResults ConvertBlockToResults(const Document& logging, int blockIndex,
                                       const TextCatalog& texts) {
  if (blockIndex < 0 || blockIndex >= static_cast<int>(logging.LoggerBlocks.size())) {
    return ConvertSamplesToResults(logging, blockIndex, 1, 0, texts);
  }
  return ConvertSamplesToResults(logging, blockIndex, 1,
                                 logging.LoggerBlocks[static_cast<size_t>(blockIndex)].SampleCount,
                                 texts);
}

}  // namespace qv
