// Logged samples saved as results: every sample of a range of the current logging block
// becomes one test, then the ordinary results-file save runs in its results mode.
#pragma once

#include "files/Outcome.h"
#include "files/ResultsFile.h"
#include "store/Document.h"

namespace qv {

class TextCatalog;

// At most this many samples are converted at once.
inline constexpr int kMaxSamplesAsResults = 1500;

// Samples first..last (1-based) of LoggerBlocks[blockIndex] become AllTests, one test per
// sample, with DocSignals, the counts and the report choice set for them; the document stays a
// logging document. Refusals, with the store unchanged: more than 1500 samples (translated
// "msgMaxLogRow"); no such block, or a range outside the block's samples (a clear message).
// An empty range (last = first - 1) converts nothing: the save then refuses. Text widths are
// the caller's: it measures WidestLocationText from the block's names afterwards.
Outcome ConvertSamplesToResults(Document& doc, int blockIndex, int first, int last,
                                const TextCatalog& texts);
// The whole block: samples 1..SampleCount.
Outcome ConvertBlockToResults(Document& doc, int blockIndex, const TextCatalog& texts);

// SavingLoggerAsResults is set for the scope's lifetime and cleared when it ends, whatever
// happens in between. Callers hold it around the refusal test, the save dialog and the save.
class SavingLoggerAsResultsScope {
 public:
  explicit SavingLoggerAsResultsScope(Document& doc) : doc_(doc) {
    doc_.SavingLoggerAsResults = true;
  }
  ~SavingLoggerAsResultsScope() { doc_.SavingLoggerAsResults = false; }
  SavingLoggerAsResultsScope(const SavingLoggerAsResultsScope&) = delete;
  SavingLoggerAsResultsScope& operator=(const SavingLoggerAsResultsScope&) = delete;

 private:
  Document& doc_;
};

// The converted results saved as a results file: SaveResultsFile inside the scope above. The
// document's DocNotSaved and DocModified stay as they were: the logging blocks were not saved.
Outcome SaveConvertedResults(const QString& path, Document& doc, const TextCatalog& texts,
                             const SaveOptions& options = {});

}  // namespace qv
