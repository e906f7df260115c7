#include "files/LoggerAsResults.h"

#include "app/TextCatalog.h"
#include "format/DateTimeText.h"
#include "store/SignalCatalog.h"

#include <string>

namespace qv {

Outcome ConvertSamplesToResults(Document& doc, int blockIndex, int first, int last,
                                const TextCatalog& texts) {
  const int64_t count = static_cast<int64_t>(last) - first + 1;
  if (count > kMaxSamplesAsResults) return Outcome::Refusal(texts.Translate("msgMaxLogRow"));
  if (blockIndex < 0 || blockIndex >= static_cast<int>(doc.LoggerBlocks.size())) {
    return Outcome::Refusal("There is no logging block " + std::to_string(blockIndex + 1));
  }
  const TLoggerRecord& block = doc.LoggerBlocks[blockIndex];
  if (count < 0 || (count > 0 && (first < 1 || last > block.SampleCount))) {
    return Outcome::Refusal("Samples " + std::to_string(first) + " to " + std::to_string(last) +
                            " are not in logging block " + std::to_string(blockIndex + 1) +
                            ", which holds " + std::to_string(block.SampleCount) + " samples");
  }

  doc.ClearReportChoice();
  doc.ColumnCount = doc.DocSignalCount = block.SignalCount;
  doc.AllTests.clear();
  doc.SignalGroupFlags.fill(false);
  // Entries past the block's 64 codes would otherwise keep the codes of an earlier results
  // document and be written with these results.
  doc.DocSignals.fill(0);
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
  return Outcome::Success();
}

Outcome ConvertBlockToResults(Document& doc, int blockIndex, const TextCatalog& texts) {
  if (blockIndex < 0 || blockIndex >= static_cast<int>(doc.LoggerBlocks.size())) {
    return ConvertSamplesToResults(doc, blockIndex, 1, 0, texts);
  }
  return ConvertSamplesToResults(doc, blockIndex, 1, doc.LoggerBlocks[blockIndex].SampleCount,
                                 texts);
}

Outcome SaveConvertedResults(const QString& path, Document& doc, const TextCatalog& texts,
                             const SaveOptions& options) {
  // Only a converted copy was written: the logging blocks themselves are as unsaved as before,
  // and closing them must still ask.
  const bool notSaved = doc.DocNotSaved;
  const bool modified = doc.DocModified;
  Outcome outcome;
  {
    SavingLoggerAsResultsScope scope(doc);
    outcome = SaveResultsFile(path, doc, texts, options);
  }
  doc.DocNotSaved = notSaved;
  doc.DocModified = modified;
  return outcome;
}

}  // namespace qv
