// Formatting of logged samples: a full logging block (4096 samples) of several quantities, as
// the table, the export and the graphs go through it, in the block's own unit system and
// converted into the other one.
#include "format/ValueFormat.h"
#include "store/SignalCatalog.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kSamples = 4096;

struct Signal {
  int code;
  float low, high;  // range of the logged values, in SI units
};

// Current values of air temperature, humidity, air velocity, illumination, thermocouple
// temperature and CO2: between them every pattern width and conversion kind.
constexpr Signal kSignals[] = {
    {1, 15, 30}, {5, 30, 70}, {13, 0, 5}, {21, 0, 2000}, {29, -50, 300}, {57, 400, 2000},
};

qv::TLoggerRecord MakeBlock() {
  qv::TLoggerRecord block;
  block.UnitSystem = "SI";
  block.SampleCount = kSamples;
  std::mt19937 rng(7);
  for (const Signal& s : kSignals) {
    block.SignalCodes[block.SignalCount++] = s.code;
    block.SignalPresent[s.code] = 1;
    std::uniform_real_distribution<float> value(s.low, s.high);
    std::vector<double>& samples = block.Samples[qv::StoragePos(s.code)];
    samples.resize(kSamples);
    // Instrument values are single precision widened to double.
    for (double& v : samples)
      v = value(rng);
  }
  return block;
}

void SetCounts(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kSamples * std::size(kSignals));
}

void BM_FormatLoggerValueOwnUnit(benchmark::State& state) {
  const qv::TLoggerRecord block = MakeBlock();
  for (auto _ : state) {
    for (const Signal& s : kSignals) {
      for (int n = 1; n <= kSamples; ++n) {
        benchmark::DoNotOptimize(qv::FormatLoggerValue(s.code, n, block, ','));
      }
    }
  }
  SetCounts(state);
}
BENCHMARK(BM_FormatLoggerValueOwnUnit)->Unit(benchmark::kMillisecond);

// The table's path when the display unit system is the block's: own text plus marks.
void BM_ShowLoggerValueSameUnits(benchmark::State& state) {
  const qv::TLoggerRecord block = MakeBlock();
  for (auto _ : state) {
    for (const Signal& s : kSignals) {
      for (int n = 1; n <= kSamples; ++n) {
        benchmark::DoNotOptimize(
            qv::ShowLoggerValue(s.code, n, block, "SI", qv::MarkStyle::TwoBlanks, ','));
      }
    }
  }
  SetCounts(state);
}
BENCHMARK(BM_ShowLoggerValueSameUnits)->Unit(benchmark::kMillisecond);

// An SI block shown in US units: own text for the marks, then the converted text.
void BM_ShowLoggerValueConverted(benchmark::State& state) {
  const qv::TLoggerRecord block = MakeBlock();
  for (auto _ : state) {
    for (const Signal& s : kSignals) {
      for (int n = 1; n <= kSamples; ++n) {
        benchmark::DoNotOptimize(
            qv::ShowLoggerValue(s.code, n, block, "US", qv::MarkStyle::TwoBlanks, ','));
      }
    }
  }
  SetCounts(state);
}
BENCHMARK(BM_ShowLoggerValueConverted)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
