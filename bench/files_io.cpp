// Results-file open and save and text export with the largest documents: a logging block of
// 4096 samples x 64 signals, and 5000 tests x 67 values (more than any instrument holds).
// Counters report values per second; "bytes" is the size of the file or export.
#include "app/TextCatalog.h"
#include "files/ResultsFile.h"
#include "files/TextExport.h"
#include "store/SignalCatalog.h"

#include <benchmark/benchmark.h>
#include <QTemporaryDir>

namespace {

using namespace qv;

constexpr int kTests = 5000;
constexpr int kSamples = 4096;

// A plausible reading of a code: inside its quantity's window, with varying decimals.
double Reading(int code, int i) {
  const double wobble = (i % 97) * 0.137;
  switch (QuantityOf(code)) {
    case 4:
    case 17:
      return 0.05 + wobble / 10;  // air velocity, multipoint
    case 5:
      return 500 + wobble * 30;  // volume flow
    case 6:
      return 300 + wobble * 5;  // illumination
    case 15:
      return 600 + wobble * 10;  // CO2
    default:
      return 15 + wobble;
  }
}

const TextCatalog& Texts() {
  static const TextCatalog texts;
  return texts;
}

Document LargeResults() {
  Document doc;
  doc.ResultsDataLoaded = true;
  for (int c = 1; c <= kTestValueCount; ++c)
    doc.DocSignals[c] = doc.ColumnSignals[c] = c;
  doc.DocSignalCount = doc.ColumnCount = kTestValueCount;
  doc.AllTests.reserve(kTests);
  for (int i = 0; i < kTests; ++i) {
    TTestsRecord& t = doc.AllTests[doc.AddTestRecord()];
    t.UnitSystem = i % 5 == 0 ? "US" : "SI";
    t.BuildingNo = 1 + i % 20;
    t.RoomNo = 1 + i % 50;
    t.BuildingName = "Building " + std::to_string(t.BuildingNo);
    t.RoomName = "Room " + std::to_string(t.RoomNo);
    t.BeginTime = 39141.5 + i / 1440.0;
    t.EndTime = t.BeginTime + 1 / 2880.0;
    t.DuctShape = -1;
    t.Altitude = t.SideA = t.SideB = t.Radius = t.MetabolicRate = t.Clothing = -1;
    for (int c = 1; c <= kTestValueCount; ++c) {
      t.SignalPresent[c] = 1;
      t.Values[StoragePos(c)] = Reading(c, i + c);
    }
  }
  doc.ShowAllTests();
  return doc;
}

Document LargeLogger() {
  Document doc;
  doc.LoggerDataLoaded = true;
  TLoggerRecord b;
  b.BuildingName = "Plant";
  b.RoomName = "Hall";
  b.BeginTime = 39141.5;
  b.IntervalSec = 10;
  b.UnitSystem = "SI";
  b.SampleCount = kSamples;
  for (int c = 1; c <= kLoggerSignals; ++c) {
    b.SignalCodes[b.SignalCount++] = c;
    b.SignalPresent[c] = 1;
    std::vector<double>& samples = b.Samples[StoragePos(c)];
    samples.resize(kSamples);
    for (int s = 0; s < kSamples; ++s)
      samples[s] = Reading(c, s + c);
  }
  doc.LoggerBlocks.push_back(std::move(b));
  return doc;
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
