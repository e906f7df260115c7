// What a survey of a logging block shows, as data: the stretch surveyed, the statistics of every
// logged quantity against its limits and the air change rates of the chosen CO2 decays. The
// command-line tool writes it as JSON; the survey report paints it.
#pragma once

#include "survey/AirChange.h"
#include "survey/SurveyStatistics.h"

#include <string>
#include <vector>

namespace qv {

struct AirChangeRequest {
  SampleRange Range;
  double OutdoorPpm = kOutdoorCo2;
};

struct SurveyRequest {
  std::string DisplayUnits = "SI";  // "SI" or "US"
  SampleRange Range;                // the stretch surveyed
  LimitTable Limits{};              // in the display units (LimitsInUnits converts stored ones)
  std::vector<AirChangeRequest> AirChanges;
};

// A request for the whole block in its own units with `limitsSI` (as stored) and no air change
// rates.
SurveyRequest WholeBlockSurvey(const TLoggerRecord& block, const LimitTable& limitsSI);

struct AirChangeOutcome {
  AirChangeRequest Request;
  DateTime From = 0;  // the first and the last sample of the stretch
  DateTime To = 0;
  AirChangeFit Fit;
};

struct Survey {
  SampleRange Range;   // clipped to the samples the block holds
  DateTime Start = 0;  // the first sample's time
  DateTime End = 0;    // Start plus samples x interval
  std::vector<QuantityStatistics> Quantities;
  std::vector<AirChangeOutcome> AirChanges;
};

Survey ComputeSurvey(const TLoggerRecord& block, const SurveyRequest& request);

}  // namespace qv
