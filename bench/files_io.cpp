// Results-file open and save and text export with the largest documents: a logging block of
// 4096 samples x 64 signals, and 5000 tests x 67 values (more than any instrument holds).
// Counters report values per second; "bytes" is the size of the file or export.
#include "LargeDocuments.h"
#include "app/TextCatalog.h"
#include "files/ResultsFile.h"
#include "files/TextExport.h"
#include "store/SignalCatalog.h"

#include <benchmark/benchmark.h>
#include <QTemporaryDir>

namespace {

using namespace qv;

using bench::kSamples;
using bench::kTests;
using bench::LargeLogger;
using bench::LargeResults;

const TextCatalog& Texts() {
  static const TextCatalog texts;
  return texts;
}

const Document& Results() {
  static const Document doc = LargeResults();
  return doc;
}

const Document& Logger() {
  static const Document doc = LargeLogger();
  return doc;
}

constexpr int64_t kResultValues = int64_t{kTests} * kTestValueCount;
constexpr int64_t kLoggerValues = int64_t{kSamples} * kLoggerSignals;

std::string FileBytes(const Document& doc) {
  const auto parts = ComposeResultsFile(doc, "bench.QVL", '.');
  return parts->head + parts->instrument + parts->measurements;
}

void Report(benchmark::State& state, int64_t values, size_t bytes) {
  state.SetItemsProcessed(state.iterations() * values);
  state.counters["bytes"] = static_cast<double>(bytes);
}

// Composing the file in memory: the formatting work of a save.
void BM_ComposeFile(benchmark::State& state, const Document& doc, int64_t values) {
  size_t bytes = 0;
  for (auto _ : state) {
    auto parts = ComposeResultsFile(doc, "bench.QVL", '.');
    bytes = parts->head.size() + parts->instrument.size() + parts->measurements.size();
    benchmark::DoNotOptimize(parts);
  }
  Report(state, values, bytes);
}

// The whole save: composing plus the safe write (temporary file, rename).
void BM_SaveFile(benchmark::State& state, const Document& source, int64_t values) {
  QTemporaryDir dir;
  const QString path = dir.filePath("bench.QVL");
  Document doc = source;
  for (auto _ : state) {
    doc.DocNotSaved = true;
    if (!SaveResultsFile(path, doc, Texts()).ok()) state.SkipWithError("save failed");
  }
  Report(state, values, FileBytes(source).size());
}

void BM_ReadFile(benchmark::State& state, const Document& source, int64_t values) {
  const std::string bytes = FileBytes(source);
  for (auto _ : state) {
    Document doc;
    const OpenOutcome r = ReadResultsFile(bytes, doc, Texts());
    if (!r.outcome.ok()) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(doc);
  }
  Report(state, values, bytes.size());
}

void BM_OpenFile(benchmark::State& state, const Document& source, int64_t values) {
  QTemporaryDir dir;
  const QString path = dir.filePath("bench.QVL");
  Document copy = source;
  SaveResultsFile(path, copy, Texts());
  for (auto _ : state) {
    Document doc;
    if (!OpenResultsFile(path, doc, Texts()).outcome.ok()) state.SkipWithError("open failed");
    benchmark::DoNotOptimize(doc);
  }
  Report(state, values, FileBytes(source).size());
}

void BM_ExportResults(benchmark::State& state) {
  ExportOptions o;
  size_t bytes = 0;
  for (auto _ : state) {
    const Bytes text = ExportResultsText(Results(), Texts(), o);
    bytes = text.size();
    benchmark::DoNotOptimize(text);
  }
  Report(state, kResultValues, bytes);
}

void BM_ExportLogger(benchmark::State& state) {
  ExportOptions o;
  size_t bytes = 0;
  for (auto _ : state) {
    const Bytes text = ExportLoggerText(Logger().LoggerBlocks[0], Texts(), o);
    bytes = text.size();
    benchmark::DoNotOptimize(text);
  }
  Report(state, kLoggerValues, bytes);
}

BENCHMARK_CAPTURE(BM_ComposeFile, results, Results(), kResultValues)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ComposeFile, logger, Logger(), kLoggerValues)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SaveFile, results, Results(), kResultValues)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SaveFile, logger, Logger(), kLoggerValues)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadFile, results, Results(), kResultValues)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadFile, logger, Logger(), kLoggerValues)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenFile, results, Results(), kResultValues)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenFile, logger, Logger(), kLoggerValues)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportResults)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportLogger)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
