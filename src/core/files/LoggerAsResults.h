// Logged samples saved as results: every sample of a range of the current logging block
// becomes one test of a new results document, which the ordinary results-file save writes.
#pragma once

#include "files/Outcome.h"
#include "files/ResultsFile.h"
#include "store/Document.h"

namespace qv {

class TextCatalog;

// At most this many samples are converted at once.
inline constexpr int kMaxSamplesAsResults = 1500;

// Logging data saved as results: a results document of their own, built beside the logging
// document, which is never touched.
struct ConvertedResults {
  Outcome outcome;  // a refusal leaves `doc` empty
  Document doc;
};

// Samples first..last (1-based) of LoggerBlocks[blockIndex] of `logging` as a results document:
// one test per sample, with DocSignals, the counts and the report choice set for them, and the
// instrument and the print header of `logging`. Refusals: more than 1500 samples (translated
// "msgMaxLogRow"); no such block, or a range outside the block's samples (a clear message). An
// empty range (last = first - 1) converts nothing: its save then refuses. Text widths are the
// caller's: it measures WidestLocationText from the block's names afterwards.
ConvertedResults ConvertSamplesToResults(const Document& logging, int blockIndex, int first,
                                         int last, const TextCatalog& texts);
// The whole block: samples 1..SampleCount.
ConvertedResults ConvertBlockToResults(const Document& logging, int blockIndex,
                                       const TextCatalog& texts);

}  // namespace qv
