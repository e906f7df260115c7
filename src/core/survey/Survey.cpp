#include "survey/Survey.h"

#include <algorithm>

namespace qv {
namespace {

SampleRange Clipped(const TLoggerRecord& block, SampleRange range) {
  const int count = std::max(block.SampleCount, 0);
  const int first = std::clamp(range.First, 0, count);
  return {first, std::clamp(range.Count, 0, count - first)};
}

}  // namespace

SurveyRequest WholeBlockSurvey(const TLoggerRecord& block, const LimitTable& limitsSI) {
  SurveyRequest r;
  r.DisplayUnits = SurveyUnitsOf(block);
  r.Range = WholeBlock(block);
  r.Limits = LimitsInUnits(limitsSI, r.DisplayUnits);
  return r;
}

Survey ComputeSurvey(const TLoggerRecord& block, const SurveyRequest& request) {
  Survey s;
  s.Range = Clipped(block, request.Range);
  s.Start = TimeOfSample(block, s.Range.First);
  s.End = TimeOfSample(block, s.Range.First + s.Range.Count);
  s.Quantities = ComputeSurveyStatistics(block, s.Range, request.DisplayUnits, request.Limits);
  for (const AirChangeRequest& a : request.AirChanges) {
    AirChangeOutcome out;
    out.Request = a;
    const SampleRange range = Clipped(block, a.Range);
    out.From = TimeOfSample(block, range.First);
    out.To = TimeOfSample(block, range.First + std::max(range.Count - 1, 0));
    out.Fit = AirChangeOfBlock(block, range, a.OutdoorPpm);
    s.AirChanges.push_back(out);
  }
  return s;
}

}  // namespace qv
