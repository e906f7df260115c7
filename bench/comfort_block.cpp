// Thermal comfort of the largest logging block (65 536 samples) with air temperature,
// humidity, air velocity and globe logged: every sample's mean radiant and operative
// temperature, draught rate, PMV and PPD, categories and the summary. Limit: 100 ms.
#include "comfort/BlockComfort.h"
#include "store/SignalCatalog.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kSamples = 65536;

struct Signal {
  int code;
  float low, high;  // in SI units
};

// Office conditions with some samples beyond the ranges of the PMV, as real logs have.
constexpr Signal kSignals[] = {{1, 16, 31}, {5, 25, 75}, {13, 0.02f, 0.6f}, {41, 16, 33}};

qv::TLoggerRecord MakeBlock(const char* units) {
  qv::TLoggerRecord block;
  block.UnitSystem = units;
  block.SampleCount = kSamples;
  block.IntervalSec = 10;
  block.BeginTime = 45000;
  block.Params.MetabolicRate = 1.2f;
  block.Params.Clothing = 0.7f;
  const bool us = block.UnitSystem == "US";
  std::mt19937 rng(11);
  for (const Signal& s : kSignals) {
    block.SignalCodes[block.SignalCount++] = s.code;
    block.SignalPresent[s.code] = 1;
    std::uniform_real_distribution<float> value(s.low, s.high);
    std::vector<double>& samples = block.Samples[qv::StoragePos(s.code)];
    samples.resize(kSamples);
    for (double& v : samples) {
      v = value(rng);
      if (us && s.code == 13) v *= 196.8504;
      if (us && s.code != 5 && s.code != 13) v = v * 1.8 + 32;
      // Instrument values are single precision widened to double.
      v = static_cast<float>(v);
    }
  }
  return block;
}

void BM_AnalyseBlockComfort(benchmark::State& state, const char* units) {
  const qv::TLoggerRecord block = MakeBlock(units);
  qv::ComfortSettings settings;
  settings.SkipMinutes = 20;
  for (auto _ : state) {
    benchmark::DoNotOptimize(qv::AnalyseBlockComfort(block, settings));
  }
  state.SetItemsProcessed(state.iterations() * kSamples);
}
BENCHMARK_CAPTURE(BM_AnalyseBlockComfort, SI, "SI")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AnalyseBlockComfort, US, "US")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
