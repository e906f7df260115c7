// The air change rate from a CO2 decay: recovered from synthetic decays with measurement noise,
// and refused where the fit means nothing.
#include "store/SignalCatalog.h"
#include "survey/AirChange.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace qv {
namespace {

// C(t) = outdoor + (c0 - outdoor) e^(-n t), every `minutes` for `hours`, with noise of up to
// `noise` ppm either way.
std::vector<DecayPoint> Decay(double n, double c0, double outdoor, double minutes, double hours,
                              double noise, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> jitter(-noise, noise);
  std::vector<DecayPoint> points;
  for (double t = 0; t <= hours + 1e-9; t += minutes / 60) {
    points.push_back({t, outdoor + (c0 - outdoor) * std::exp(-n * t) + jitter(rng)});
  }
  return points;
}

TEST(AirChange, RecoversTheRateOfANoisyDecay) {
  const struct {
    const char* what;
    double n, c0, outdoor, minutes, hours, noise;
  } cases[] = {
      {"2 per hour, a minute apart for an hour", 2.0, 1500, 420, 1, 1, 5},
      {"2 per hour, 5 minutes apart for 40 minutes", 2.0, 1800, 420, 5, 40.0 / 60, 5},
      {"0.5 per hour, 10 minutes apart for 3 hours, another outdoor level", 0.5, 1200, 380, 10, 3,
       5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (unsigned seed = 1; seed <= 5; ++seed) {
      const std::vector<DecayPoint> points =
          Decay(c.n, c.c0, c.outdoor, c.minutes, c.hours, c.noise, seed);
      const AirChangeFit fit = FitAirChange(points, c.outdoor);
      ASSERT_EQ(fit.Problem, AirChangeProblem::None);
      EXPECT_EQ(fit.Samples, static_cast<int>(points.size()));
      EXPECT_NEAR(fit.PerHour, c.n, 0.01 * c.n) << "seed " << seed;
      EXPECT_GT(fit.R2, 0.99);
      EXPECT_LE(fit.R2, 1.0);
      EXPECT_NEAR(fit.C0, c.c0, 0.01 * c.c0);
    }
  }
  // Without noise the line is exact, also far from the day numbers' origin.
  std::vector<DecayPoint> exact = Decay(2.0, 1500, 420, 1, 1, 0, 1);
  for (DecayPoint& p : exact)
    p.Hours += 45000 * 24;
  const AirChangeFit fit = FitAirChange(exact);
  EXPECT_NEAR(fit.PerHour, 2.0, 1e-6);
  EXPECT_NEAR(fit.R2, 1.0, 1e-9);
}

TEST(AirChange, RefusesWhatIsNoDecay) {
  const auto line = [](std::vector<double> ppm) {
    std::vector<DecayPoint> points;
    for (size_t i = 0; i < ppm.size(); ++i)
      points.push_back({i / 6.0, ppm[i]});
    return points;
  };
  const struct {
    const char* what;
    std::vector<DecayPoint> points;
    AirChangeProblem problem;
  } cases[] = {
      {"a rising stretch", line({600, 700, 800, 900, 1000, 1100}), AirChangeProblem::NotFalling},
      {"rising through noise", Decay(-0.5, 900, 420, 5, 1, 5, 3), AirChangeProblem::NotFalling},
      {"flat", line({800, 800, 800, 800, 800}), AirChangeProblem::NotFalling},
      {"four samples", line({1500, 1200, 1000, 850}), AirChangeProblem::TooFewSamples},
      {"none", {}, AirChangeProblem::TooFewSamples},
      {"down to the outdoor level", line({1500, 1000, 700, 500, 420}),
       AirChangeProblem::AtOrBelowOutdoor},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FitAirChange(c.points).Problem, c.problem);
  }
}

TEST(AirChange, ReadsTheCurrentCo2OfABlock) {
  TLoggerRecord block;
  block.UnitSystem = "US";  // CO2 is ppm in both systems
  block.IntervalSec = 600;
  block.SampleCount = 8;
  block.SignalPresent[57] = block.SignalPresent[58] = 1;
  std::vector<double>& co2 = block.Samples[static_cast<size_t>(StoragePos(57))];
  for (int i = 0; i < 8; ++i)
    co2.push_back(420 + 1000 * std::exp(-2.0 * i / 6.0));
  block.Samples[static_cast<size_t>(StoragePos(58))] = std::vector<double>(8, 5000);
  co2[3] = NoValue;  // left out: the others still lie on the curve
  const AirChangeFit fit = AirChangeOfBlock(block, {0, 8});
  EXPECT_EQ(fit.Samples, 7);
  EXPECT_NEAR(fit.PerHour, 2.0, 1e-9);

  // Samples without a value do not make up the five a fit needs.
  co2[1] = co2[5] = NoValue;
  EXPECT_EQ(AirChangeOfBlock(block, {0, 6}).Problem, AirChangeProblem::TooFewSamples);
  block.SignalPresent[57] = 0;
  EXPECT_EQ(AirChangeOfBlock(block, {0, 8}).Problem, AirChangeProblem::TooFewSamples);
}

}  // namespace
}  // namespace qv
