// Statistics of the largest logging block a file holds (65 536 samples of all 16 quantities,
// current, minimum, average and maximum) against an upper and a lower limit for every
// quantity, in its own units and converted; and the air change rate fitted over the whole
// block. Limit for the statistics: 50 ms.
#include "store/SignalCatalog.h"
#include "survey/Survey.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr int kSamples = 65536;

qv::TLoggerRecord MakeBlock() {
  qv::TLoggerRecord block;
  block.UnitSystem = "SI";
  block.SampleCount = kSamples;
  block.IntervalSec = 10;
  block.BeginTime = 45358;
  for (int code = 1; code <= qv::kLoggerSignals; ++code) {
    block.SignalCodes[static_cast<size_t>(block.SignalCount++)] = code;
    block.SignalPresent[static_cast<size_t>(code)] = 1;
    std::vector<double>& samples = block.Samples[static_cast<size_t>(qv::StoragePos(code))];
    samples.resize(kSamples);
    for (int s = 0; s < kSamples; ++s) {
      // Every 97th sample without a value, as instruments leave gaps.
      samples[static_cast<size_t>(s)] =
          s % 97 == 0 ? qv::NoValue : static_cast<float>(100 + 50 * std::sin(s / 1000.0 + code));
    }
  }
  return block;
}

qv::SurveyRequest Request(const char* units) {
  qv::SurveyRequest r;
  r.DisplayUnits = units;
  r.Range = {0, kSamples};
  for (qv::QuantityLimits& l : r.Limits)
    l = {130.0, 70.0};
  return r;
}

void BM_SurveyStatistics(benchmark::State& state, const char* units) {
  const qv::TLoggerRecord block = MakeBlock();
  const qv::SurveyRequest request = Request(units);
  for (auto _ : state) {
    benchmark::DoNotOptimize(qv::ComputeSurvey(block, request));
  }
  state.SetItemsProcessed(state.iterations() * kSamples * qv::kQuantityCount);
}
BENCHMARK_CAPTURE(BM_SurveyStatistics, SI, "SI")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SurveyStatistics, US, "US")->Unit(benchmark::kMillisecond);

void BM_AirChangeOfTheWholeBlock(benchmark::State& state) {
  qv::TLoggerRecord block = MakeBlock();
  std::vector<double>& co2 = block.Samples[static_cast<size_t>(qv::StoragePos(57))];
  for (int s = 0; s < kSamples; ++s)
    co2[static_cast<size_t>(s)] = 420 + 1000 * std::exp(-s * 10 / 3600.0 / 100);
  for (auto _ : state) {
    benchmark::DoNotOptimize(qv::AirChangeOfBlock(block, {0, kSamples}));
  }
  state.SetItemsProcessed(state.iterations() * kSamples);
}
BENCHMARK(BM_AirChangeOfTheWholeBlock)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
