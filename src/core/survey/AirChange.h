// The air change rate from the decay of CO2 after the people left a room: the concentration
// falls towards the outdoor one as C(t) = Cout + (C0 - Cout) * exp(-n * t). A straight line
// through ln(C - Cout) over t by least squares gives n (its slope, negated) and the fit's R².
#pragma once

#include "survey/SurveyStatistics.h"

#include <vector>

namespace qv {

inline constexpr double kOutdoorCo2 = 420;  // ppm
inline constexpr int kAirChangeMinSamples = 5;
inline constexpr int kCo2Quantity = 15;

struct DecayPoint {
  double Hours = 0;  // from any fixed moment
  double Ppm = 0;
};

enum class AirChangeProblem {
  None,
  TooFewSamples,     // fewer than kAirChangeMinSamples values
  NotFalling,        // the concentration does not fall over the stretch (n <= 0)
  AtOrBelowOutdoor,  // a value at or below the outdoor concentration: no logarithm
};

struct AirChangeFit {
  AirChangeProblem Problem = AirChangeProblem::None;
  int Samples = 0;     // the values the fit took
  double PerHour = 0;  // n in 1/h; set when Problem is None
  double R2 = 0;       // of the straight line through ln(C - Cout)
  double C0 = 0;       // the fitted concentration at the first point's time
};

AirChangeFit FitAirChange(const std::vector<DecayPoint>& points, double outdoorPpm = kOutdoorCo2);

// The fit over the CO2 current values of `range` (samples without a value left out). A block
// that does not log CO2 has too few samples.
AirChangeFit AirChangeOfBlock(const TLoggerRecord& block, SampleRange range,
                              double outdoorPpm = kOutdoorCo2);

}  // namespace qv
