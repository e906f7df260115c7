#include "survey/AirChange.h"

#include "store/SignalCatalog.h"

#include <algorithm>
#include <cmath>

namespace qv {

AirChangeFit FitAirChange(const std::vector<DecayPoint>& points, double outdoorPpm) {
  AirChangeFit fit;
  fit.Samples = static_cast<int>(points.size());
  if (fit.Samples < kAirChangeMinSamples) {
    fit.Problem = AirChangeProblem::TooFewSamples;
    return fit;
  }
  // Centred sums: hours since 1899 and a few ppm of slope would lose every digit otherwise.
  double meanT = 0, meanY = 0;
  for (const DecayPoint& p : points) {
    if (!(p.Ppm > outdoorPpm)) {
      fit.Problem = AirChangeProblem::AtOrBelowOutdoor;
      return fit;
    }
    meanT += p.Hours;
    meanY += std::log(p.Ppm - outdoorPpm);
  }
  const double n = static_cast<double>(points.size());
  meanT /= n;
  meanY /= n;
  double stt = 0, sty = 0, syy = 0;
  for (const DecayPoint& p : points) {
    const double dt = p.Hours - meanT;
    const double dy = std::log(p.Ppm - outdoorPpm) - meanY;
    stt += dt * dt;
    sty += dt * dy;
    syy += dy * dy;
  }
  const double slope = stt > 0 ? sty / stt : 0;
  if (!(slope < 0)) {
    fit.Problem = AirChangeProblem::NotFalling;
    return fit;
  }
  fit.PerHour = -slope;
  fit.R2 = syy > 0 ? (sty * sty) / (stt * syy) : 1;
  fit.C0 = outdoorPpm + std::exp(meanY + slope * (points.front().Hours - meanT));
  return fit;
}

AirChangeFit AirChangeOfBlock(const TLoggerRecord& block, SampleRange range, double outdoorPpm) {
  std::vector<DecayPoint> points;
  const int code = FirstCodeOf(kCo2Quantity);
  if (block.SignalPresent[static_cast<size_t>(code)] == 1) {
    const std::vector<double>& samples = block.Samples[static_cast<size_t>(StoragePos(code))];
    const int held = std::min(std::max(block.SampleCount, 0), static_cast<int>(samples.size()));
    const int first = std::clamp(range.First, 0, held);
    const int end = std::clamp(range.First + std::max(range.Count, 0), first, held);
    points.reserve(static_cast<size_t>(end - first));
    for (int i = first; i < end; ++i) {
      const double v = samples[static_cast<size_t>(i)];
      if (!(v < NoValueThreshold) || !std::isfinite(v)) continue;
      points.push_back({static_cast<double>(block.IntervalSec) * i / 3600.0, v});
    }
  }
  return FitAirChange(points, outdoorPpm);
}

}  // namespace qv
